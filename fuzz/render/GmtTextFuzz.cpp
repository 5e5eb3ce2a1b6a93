// GMT's multisegment shoreline and border text over any bytes, read and
// joined as the map data maker does.
#include "fuzz/FuzzTarget.h"
#include "tools/mapdata/GmtSegments.h"
#include "tools/mapdata/MapDataWriters.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune::mapdata;
    try {
        for (const TJoinedLine& line : JoinPieces(ReadGmtSegments({reinterpret_cast<const char*>(data), size})))
            DistinctMinutePoints(line.Points);
    } catch (const EGmtTextError&) {
        // Refused with its line number, as it should be.
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"> Shore Bin # 1300, Level 1\n5\t52.5\n5.25\t52.75\n5\t53\n> Shore Bin # 1299, Level 1\n"
            "5\t53\n4.75\t52.75\n5\t52.5\n> Shore Bin # 9, Level 1\n180\t67\n179\t66.5\n180\t66\n",
            "> Border Bin # 221, Level 1\n28.0108339055\t70.0672159915\n27.9024948501\t70.0888838025\n"};
}
