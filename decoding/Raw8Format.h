// Header readers of the 8-bit raw formats, which carry no header at all:
// NOAA-95 lines of five AVHRR channels and CHRPT lines of ten FengYun
// channels, one byte a sample. The user gives what the file cannot.
#pragma once

namespace kestrune {

struct TLoadContext;

// Code 24 ("NOAA-95"): satellite, pass start and direction come from the question.
void ReadNoaa95Header(TLoadContext& load);
// Code 25: 8-bit CHRPT, direction only.
void ReadEightBitChrptHeader(TLoadContext& load);

}  // namespace kestrune
