// Satellite, pass time and direction from the frames of a pass that agree,
// for the station formats whose names give only an estimated date: SSB/Orbit
// (10-bit packed records) and GTI and SmartView (16-bit frames).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "decoding/SatelliteIdent.h"
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

// Reads frames spread over the pass; at the time of the one nearest 45 % of
// the pass among those whose times agree with most of the others (in the
// year FrameYear gives for the estimate the branch chose), selects the
// elements and gives whether the satellite moves north then. GTI and
// SmartView frames may also name another satellite, by the identity word
// most of those frames carry. True (northbound) when the pass is too short
// or no frames agree.
bool PrescanFrameSatellite(TLoadContext& load);

// What the frames near the middle of a pass say, for the formats whose
// frames carry the HRPT time code and identity word.
struct TMidPassFrames {
    TDateTime Time = 0;     // of the frame nearest 45 % of the pass whose time most frames agree with; 0 when none do
    double SinceStart = 0;  // days from the first record to that frame, six frames a second
    std::string Satellite;  // named by their identity word; "" when it names none
};

// Reads frames spread over the pass, records of recordSize bytes
// from firstRecordAt laid out as the load's format lays them; the time is
// in the year FrameYear gives for estimate (its date source).
TMidPassFrames ReadMidPassFrames(const TLoadContext& load, int32_t recordSize, int64_t firstRecordAt, TDateTime estimate);

// Where only the name's last two characters (as often the minutes of a
// time) would name the satellite, the frames near the middle of the pass
// propose theirs to the question instead.
void ProposeFramesSatellite(TLoadContext& load, int32_t recordSize, int64_t firstRecordAt);

// For a pass whose name gives its start: the direction at the time its
// frames give (records of recordSize bytes from firstRecordAt), whatever
// time the name holds (a station may name passes in its local time); at
// withoutFrames when the frames give none. A name's start that the frames
// contradict is told in the diagnostics (the frames date the pass's lines
// in any case).
bool ProposeNamedPassDirection(TLoadContext& load, const TNameTime& start, int32_t recordSize, int64_t firstRecordAt,
                               TDateTime withoutFrames);

}  // namespace kestrune
