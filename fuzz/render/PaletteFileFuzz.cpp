// "JASC-PAL" and indexed "Palette" files over any bytes: read into the
// colours of every count, never outside them; a file that gives no colour
// leaves the grey ramp.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "render/ViewLookups.h"
#include "tests/support/PaletteFileWriter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    static const fuzz::TFuzzFolder folder("palettefile");
    static const TPalette1D grey = [] {
        TPalette1D ramp{};
        LoadPaletteFile(ramp, "");
        return ramp;
    }();
    TPalette1D palette{};
    if (!LoadPaletteFile(palette, folder.WriteInput("data/ndvi.pal", data, size)) && palette != grey) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    using namespace kestrune::test;
    return {
        JascPaletteText(RampColours(256, 7)),
        JascPaletteText(RampColours(300, 255), "\n"),
        JascPaletteText(RampColours(16, 0), "\n") + "8 x 8\n",
        IndexedPaletteText({{0, {10, 20, 30}}, {5, {1, 1, 1}}, {2, {40, 50, 60}}, {255, {255, 0, 0}}}),
    };
}
