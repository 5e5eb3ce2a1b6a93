// GMT colour palette tables over any bytes, read and sampled as the makers
// of the ash palette and the colour look-up images do.
#include "fuzz/FuzzTarget.h"
#include "tools/viewdata/ColourScale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune::viewdata;
    try {
        const TColourScale scale = TColourScale::Read({reinterpret_cast<const char*>(data), size});
        for (int k = -1; k <= 11; ++k) scale.At(k / 10.0);
    } catch (const EColourScaleError&) {
        // Refused with its line number, as it should be.
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"# COLOR_MODEL = RGB\n-1.000000\t0/18/97\t0.000000\t235/235/235\n0\t235 235 235\t1\t89 0 8\tL\nB\t0/18/97\n",
            "0.00000\t68/1/84\t0.00392\t68/2/86\n0.00392\t68/2/86\t0.00784\t69/4/87\n"};
}
