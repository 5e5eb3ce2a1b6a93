// Satellite, pass time and direction from one frame near the middle of a
// pass, for the station formats whose names give only an estimated date:
// SSB/Orbit (10-bit packed records) and GTI and SmartView (16-bit frames).
#pragma once

#include <cstdint>
#include <span>

#include "orbit/FrameYear.h"
#include "platform/SysUtils.h"

namespace kestrune {

struct TLoadContext;

// The frame time code (words 8..11 of a minor frame, or the words from first).
struct TFrameTimeCode {
    bool Valid = false;
    int DayOfYear = 0;
    int64_t Milliseconds = 0;
};
TFrameTimeCode DecodeFrameTimeCode(std::span<const uint16_t> words, size_t first = 8);

// Reads the record at 45 % of the pass; when its time code is valid, selects
// the elements for that time (in the year FrameYear gives for the estimate
// the branch chose) and gives whether the satellite moves north then. GTI and
// SmartView frames may also name another satellite. True (northbound) when
// the pass is too short or the record holds no valid time.
bool PrescanFrameSatellite(TLoadContext& load);

}  // namespace kestrune
