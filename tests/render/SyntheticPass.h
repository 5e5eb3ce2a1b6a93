// A decoded pass made in memory for the render tests and benchmarks: chosen
// channels of a given size, samples from a formula, every line flagged,
// the calibration of a typical NOAA pass, and the views the loader offers.
#pragma once

#include "decoding/HRPTvideo.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "decoding/Telemetry.h"
#include "decoding/Sensor.h"

#include <functional>
#include <initializer_list>

namespace kestrune::testing {

// A count that differs between channels, samples and lines.
inline uint16_t PatternCount(int channel, int x, int y) {
    return static_cast<uint16_t>((x * 3 + y * 7 + channel * 101) & 1023);
}

using TSampleFormula = std::function<uint16_t(int channel, int x, int y)>;

inline void MakePass(TPassState& pass, int width, int lines, std::initializer_list<int> channels,
                     const TSampleFormula& formula = PatternCount) {
    THRPTvideo& video = *pass.Video;
    video.SetLineCount(0);
    video.ChannelPresent.fill(false);
    video.ChannelSlot.fill(0);
    pass.ChannelAvailable.fill(false);
    pass.ChannelSelected.fill(false);
    int slot = 0;
    for (int channel : channels) {
        video.ChannelPresent[channel] = true;
        video.ChannelSlot[channel] = ++slot;
        pass.ChannelAvailable[channel] = pass.ChannelSelected[channel] = true;
    }
    video.SetSlotCount(slot);
    video.SetWidth(width);
    video.SetLineCount(lines);
    for (int y = 0; y < lines; ++y) {
        video.SetLineFlag(y, 1);
        for (int channel : channels) {
            uint16_t* line = video.SampleAddress(channel, y);
            for (int x = 0; x < width; ++x) line[x] = formula(channel, x, y);
        }
    }
    video.MeasureAll(0, 0);
    pass.ImageWidth = width;
    pass.DataLineCount = lines;
    pass.CentreLine = lines / 2;
    pass.ChannelCount = 5;
    pass.InputFormatCode = 7;
    pass.LoadedFileName = "pass";
    const double tbb = pass.Sensor->BlackbodyTemperature(300, 300, 300, 300);
    pass.Sensor->CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
}

inline std::vector<std::string> ViewsOffered(const TPassState& pass) { return OfferedViews(pass, false); }

}  // namespace kestrune::testing
