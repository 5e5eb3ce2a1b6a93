// Header reader of the Timestep recordings: Windows files of HRPT or CHRPT
// frames (packed or 16-bit), and DOS files of channels one after another in
// 10-bit or 8-bit samples, each behind a 2,048-byte header that gives the
// direction, channels, capture time and satellite.
#pragma once

namespace kestrune {

struct TLoadContext;

// Satellite, date base, header text and the header's diagnostics lines.
void DecodeTimestepHeader(TLoadContext& load);

// Codes 1 (Windows), 2 (DOS) and 3 (DOS 8-bit).
void ReadTimestepHeader(TLoadContext& load);

}  // namespace kestrune
