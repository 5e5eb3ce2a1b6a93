// The program's own overlay segment file ("Countries.dat") over any bytes.
#include "fuzz/FuzzTarget.h"
#include "fuzz/render/OverlayFuzz.h"
#include "tools/mapdata/MapDataWriters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kestrune::TCartogList list;
    list.LoadSegmentFile({data, size});
    kestrune::fuzz::DrawAll(list);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    kestrune::mapdata::TBytes file;
    kestrune::mapdata::AppendSegmentRecord(file, 0, std::vector<kestrune::TGroundPoint>{{-3, 55}, {-2, 56}, {-3, 57}});
    kestrune::mapdata::AppendSegmentRecord(file, 4, std::vector<kestrune::TGroundPoint>{{179, 60}, {181, 61}});
    return {std::string(file.begin(), file.end())};
}
