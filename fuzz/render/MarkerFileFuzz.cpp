// Place-marker files such as "stations.dat" over any bytes, drawn in every style.
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    const std::vector<std::string> lines = SplitLines(fuzz::Text(data, size));
    fuzz::TWorldMapping mapping;
    fuzz::TNullCanvas canvas;
    TCartogList list;
    list.Mapping = &mapping;
    const TMarkerStyle style{clWhite, 1, size % 2 ? TBrushStyle::bsSolid : TBrushStyle::bsClear,
                             static_cast<int>(size % 9), size % 3 == 0};
    list.DrawMarkerFile(canvas, 1, -1, lines, size % 5 == 0, style);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"# name, label, longitude, latitude, direction\n"
            "o,Home,12.5,41.9,NE\n*,\"Mount Kenya, east\",37.3,-0.15\n.,x,1,2,W\n~ river 3 4 sw\n^,,5,6\n"};
}
