// Header reader of the SPOT-4 recordings (Level 0 ".img" and ".fi5"): five
// 1,728-sample channels a line; Level 0 files begin with the pass start in
// seconds since 1970.
#pragma once

namespace kestrune {

struct TLoadContext;

void ReadSpotHeader(TLoadContext& load);  // codes 34 and 35

}  // namespace kestrune
