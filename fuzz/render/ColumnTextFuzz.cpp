// "# -b" column text overlays over any bytes.
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrune::TCartogList list;
    list.LoadColumnText(kestrune::fuzz::Text(data, size));
    kestrune::fuzz::DrawAll(list);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"# -b\n1.5\t50.25\n2.5\t51.0\n# -b\n-3.0\t52\n>\n5.0\t53\r\n6.0\t54\r\n"};
}
