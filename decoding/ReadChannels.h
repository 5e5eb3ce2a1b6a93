// Reads every scan line of an opened input file into the video store: per
// line a frame, its housekeeping to the telemetry, its line flag, and each
// wanted channel into the store (northbound passes turned by 180 degrees).
#pragma once

#include "decoding/FrameReader.h"
#include "decoding/PassState.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

class THRPTvideo;
class TTelemetryData;
class TEarthLocations;

struct TReadPassOptions {
    // Width and LineCount are taken from the video store.
    TFrameFormat Format;
    int32_t L1BFormatVersion = 0;  // 3 changes the scale of A2 of channels 4 and 5
    TChannelFlags ChannelAvailable{};
    TChannelFlags ChannelSelected{};
    // The frames are read on the calling thread while the lines read so far
    // are taken into the store on all processors, this many lines a task; 0
    // reads and takes line by line on the calling thread (as SPOT passes
    // always are).
    int32_t LinesPerTask = 16;
};

struct TReadPassProgress {
    // Called with the line number every 100 lines; shows it and lets pending
    // events run (the Stop button sets the cancel flag there).
    std::function<void(int32_t line)> Progress;
    // The cancel flag, read after each progress call; null = never cancelled.
    const bool* AbortRequested = nullptr;
};

enum class TReadPassResult { Completed, Aborted };

// Aborted: lines before the stop are in the store and the telemetry, none
// after it; the in-line calibration report is not written.
TReadPassResult ReadPassChannels(const TReadPassOptions& options, TInputFile& input, const TRecordReader& recordReader,
                                 THRPTvideo& video, TEarthLocations* earthLocations, TTelemetryData& telemetry,
                                 std::vector<std::string>* lines, const TReadPassProgress& progress);

}  // namespace kestrune
