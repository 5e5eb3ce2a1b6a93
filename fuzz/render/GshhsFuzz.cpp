// GSHHS shoreline files of either byte order and every header layout over any bytes.
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"
#include "tests/support/OverlayFileWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrune::TCartogList list;
    list.LoadGSHHS({data, size});
    kestrune::fuzz::DrawAll(list);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    using namespace kestrune::test;
    const std::vector<TGshhsPolygon> polygons = {{1, 5000, {{350, 10}, {355, 11}, {352, 12}, {350, 10}}},
                                                 {2, 100, {{3, 3}, {4, 4}, {3, 3}}}};
    std::vector<std::string> seeds;
    for (const auto layout : {TGshhsLayout::Header36, TGshhsLayout::Header40, TGshhsLayout::Header44})
        for (const bool bigEndian : {false, true}) {
            const auto bytes = BuildGshhsFile(polygons, bigEndian, layout);
            seeds.emplace_back(bytes.begin(), bytes.end());
        }
    return seeds;
}
