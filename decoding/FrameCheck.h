// Whether a file holds frames of its format at all, told before anything is
// sized for the pass: frames spread over the file are read as the pass would
// be, and each is asked for what every frame of its format carries (the
// frame sync, a valid time code, a valid record time, the Meteor markers,
// or, for 8-bit lines that carry nothing else, the look of an image line).
#pragma once

#include "decoding/FrameReader.h"

#include <cstdint>
#include <string>

namespace kestrune {

// Where the records of the file lie: record-indexed formats count from
// DataStart, formats read one record after another from FirstRecordAt.
struct TRecordSpan {
    int64_t DataStart = 0;
    int64_t FirstRecordAt = 0;
    int32_t RecordCount = 0;
};

struct TFrameSurvey {
    int32_t Looked = 0;  // frames looked at
    int32_t Marked = 0;  // of them, those that carry their format's mark
    std::string Mark;    // what was looked for; empty when the format carries nothing to look for
};

constexpr int32_t SurveyedFrames = 64;

// Reads record index of the file into frame as the pass reader would.
void ReadRecordFrame(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records, int32_t index,
                     TFrame& frame);

// Looks at up to SurveyedFrames frames spread evenly over the records.
TFrameSurvey SurveyFrames(const TFrameFormat& format, const TInputFile& input, const TRecordSpan& records);

// Real passes, however noisy, carry the mark in a good share of their
// frames; noise and fill carry it by chance in hardly any.
bool FramesRecognised(const TFrameSurvey& survey);

// The longest pass any file may hold: beyond a whole orbit of full-resolution
// lines (six a second for 101 minutes, about 36,400), let alone a 30-minute
// HRPT pass (10,800) or an orbit of GAC (about 12,200); anything longer is
// not a pass, and is refused before its stores are sized.
constexpr int32_t MostPassLines = 40000;

}  // namespace kestrune
