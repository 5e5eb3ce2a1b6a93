// The shorelines and borders as GMT's coast module writes them out of the
// binned GSHHG files ("gmt coast -M -W" or "-N1"): a multisegment text whose
// segments are the pieces of each 5-degree bin, each led by a header line
// such as "> Shore Bin # 74, Level 1", then one "longitude<TAB>latitude" line
// a point. A line that crosses a bin edge is cut there into pieces that
// meet at the same point, so joining pieces end to start gives back whole
// lines and closed shorelines.
#pragma once

#include "orbit/Orbits.h"
#include "platform/SysUtils.h"

#include <string_view>
#include <vector>

namespace kestrune::mapdata {

class EGmtTextError : public Exception {
public:
    using Exception::Exception;
};

struct TGmtPiece {
    int Level = 0;  // 1 land, 2 lake, 3 island in a lake, 4 pond on it; borders 1 national
    std::vector<TGroundPoint> Points;
};

// The pieces of the text in order; a header without a level, a point line
// that is not two numbers within the earth's ranges, or a point before the
// first header raises EGmtTextError with the line's number. Pieces of fewer
// than two points are dropped.
std::vector<TGmtPiece> ReadGmtSegments(std::string_view text);

// Joins pieces of one level whose end is the start of another (longitudes
// -180 and 180 are one meridian). A joined line that comes back to its start
// is closed: its repeated last point is dropped. Lines come out in the order
// of their first pieces; lines that stay open are kept as they are.
struct TJoinedLine {
    int Level = 0;
    bool Closed = false;
    std::vector<TGroundPoint> Points;
};
std::vector<TJoinedLine> JoinPieces(std::vector<TGmtPiece> pieces);

}  // namespace kestrune::mapdata
