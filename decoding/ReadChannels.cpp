#include "decoding/ReadChannels.h"

#include "decoding/HRPTvideo.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

constexpr int32_t ProgressEvery = 100;

int32_t BigEndianInt32(std::span<const uint8_t> record, size_t offset) { return ReadBigEndianInt32(&record[offset]); }

bool HasTimeCodedLocations(uint8_t code) {
    return (code >= 1 && code <= 5) || (code >= 16 && code <= 23) || code == 26 || (code >= 28 && code <= 34) ||
           code == 39 || code == 40;
}

// The calibration coefficients that newer-layout Level 1b records carry,
// averaged over the pass for an information report.
class TInlineCalibration {
public:
    explicit TInlineCalibration(int32_t formatVersion) : formatVersion_(formatVersion) {}

    void Add(std::span<const uint8_t> record);
    void Report(std::vector<std::string>& lines, int32_t lineCount) const;

private:
    using TThermalSet = std::array<double, 3>;  // A0, A1, A2

    struct TVisibleSums {
        int64_t CrossOver = 0;
        double Slope1 = 0, Intercept1 = 0, Slope2 = 0, Intercept2 = 0;
        int32_t Lines = 0;
    };

    static double RadianceAt400(const TThermalSet& set) { return set[0] + 400 * set[1] + 400.0 * 400 * set[2]; }

    int32_t formatVersion_;
    std::array<TVisibleSums, 3> visible_{};
    std::array<TThermalSet, 3> thermalSums_{};
    int32_t channel3Lines_ = 0;  // lines whose channel-3 A0 is positive
    std::array<TThermalSet, 3> current_{};
    std::array<TThermalSet, 3> initial_{};
    bool initialTaken_ = false;
};

void TInlineCalibration::Add(std::span<const uint8_t> record) {
    if (record.size() < 300) return;
    for (size_t k = 1; k <= 3; ++k) {
        const int32_t crossOver = BigEndianInt32(record, 60 * k + 4);
        if (k == 3 && crossOver == 0) continue;
        TVisibleSums& sums = visible_[k - 1];
        sums.CrossOver += crossOver;
        sums.Slope1 += BigEndianInt32(record, 60 * k - 12) / 1e7;
        sums.Intercept1 += BigEndianInt32(record, 60 * k - 8) / 1e6;
        sums.Slope2 += BigEndianInt32(record, 60 * k - 4) / 1e7;
        sums.Intercept2 += BigEndianInt32(record, 60 * k) / 1e6;
        ++sums.Lines;
    }
    for (size_t k = 3; k <= 5; ++k) {
        TThermalSet& set = current_[k - 3];
        set[0] = BigEndianInt32(record, 24 * k + 156) / 1e6;
        set[1] = BigEndianInt32(record, 24 * k + 160) / 1e6;
        set[2] = BigEndianInt32(record, 24 * k + 164) / (formatVersion_ == 3 && k >= 4 ? 1e7 : 1e6);
        if (k == 3) {
            if (set[0] <= 0) continue;
            ++channel3Lines_;
        }
        for (size_t i = 0; i < 3; ++i) thermalSums_[k - 3][i] += set[i];
    }
    if (!initialTaken_ && current_[2][0] != 0) {
        initial_ = current_;
        initialTaken_ = true;
    }
}

void TInlineCalibration::Report(std::vector<std::string>& lines, int32_t lineCount) const {
    lines.push_back(" ");
    lines.push_back("L1B in-line calibration data (averaged values over pass)");
    lines.push_back("  (record layout: NOAA KLM User's Guide, Level 1b data record)");
    for (int k = 1; k <= 3; ++k) {
        const TVisibleSums& sums = visible_[static_cast<size_t>(k - 1)];
        const int32_t divisor = k == 3 ? sums.Lines : lineCount;
        if (divisor <= 0) continue;
        lines.push_back(Format("  channel %d:  Cross-over:%d  slope1:%.4f  intercept1:%.3f  slope2:%.4f  intercept2:%.3f",
                               k, static_cast<int>(sums.CrossOver / divisor), sums.Slope1 / divisor,
                               sums.Intercept1 / divisor, sums.Slope2 / divisor, sums.Intercept2 / divisor));
    }
    for (int k = 3; k <= 5; ++k) {
        const int32_t divisor = k == 3 ? channel3Lines_ : lineCount;
        const TThermalSet& sums = thermalSums_[static_cast<size_t>(k - 3)];
        const double d = divisor > 0 ? divisor : 1;
        lines.push_back(Format("  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f", k, sums[0] / d, sums[1] / d, sums[2] / d));
    }
    lines.push_back("  Change over pass:");
    for (int k = 3; k <= 5; ++k) {
        const TThermalSet& first = initial_[static_cast<size_t>(k - 3)];
        const TThermalSet& last = current_[static_cast<size_t>(k - 3)];
        lines.push_back(Format("    Initial:  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f  (R [400] = %.5f)", k, first[0],
                               first[1], first[2], RadianceAt400(first)));
        lines.push_back(Format("    Final:  channel %d:  A0:%.2f  A1:%.4f  A2:%.7f  (R [400] = %.5f)", k, last[0],
                               last[1], last[2], RadianceAt400(last)));
    }
    for (int k = 3; k <= 5; ++k) {
        const double begin = RadianceAt400(initial_[static_cast<size_t>(k - 3)]);
        const double end = RadianceAt400(current_[static_cast<size_t>(k - 3)]);
        if (begin == 0.0) continue;  // no change can be given without a start value
        lines.push_back(Format("    channel %d: R [400] change (end - begin) is %.2f%%", k, (end - begin) * 100 / begin));
    }
    lines.push_back("  These values are not used by the Talvessa");
}

// Copies each wanted channel of the current frame into line l of the store.
void StoreChannels(TFrameReader& reader, THRPTvideo& video, const TReadPassOptions& options, int32_t l) {
    int32_t offset = 0;
    for (int c = 1; c <= MaxChannels; ++c) {
        if (!options.ChannelAvailable[static_cast<size_t>(c)]) continue;
        if (options.ChannelSelected[static_cast<size_t>(c)])
            reader.ExtractChannel(video.SampleAddress(c, l), offset, video.Width());
        ++offset;  // unselected channels still take their place in the interleave
    }
}

}  // namespace

TReadPassResult ReadPassChannels(const TReadPassOptions& options, TInputFile& input, const TRecordReader& recordReader,
                                 THRPTvideo& video, TEarthLocations* earthLocations, TTelemetryData& telemetry,
                                 std::vector<std::string>* lines, const TReadPassProgress& progress) {
    TFrameFormat format = options.Format;
    format.Width = video.Width();
    format.LineCount = video.LineCount();
    const int32_t lineCount = format.LineCount;
    const uint8_t code = format.FormatCode;
    const bool inlineCalibration = code == 7 || code == 9;
    const bool meteorFrames = code >= 36 && code <= 38;

    TFrameReader reader(format, input, recordReader, earthLocations, &telemetry);
    TInlineCalibration calibration(options.L1BFormatVersion);
    // Each frame keeps its own Meteor line time as the frames move on.
    TDateTime currentLineTime = 0;
    TDateTime nextLineTime = 0;
    const auto readFrame = [&](TFrame& frame, bool first) {
        reader.ReadNextFrame(frame, first);
        if (inlineCalibration) calibration.Add(reader.RecordBuffer());
        return reader.LineTime();
    };

    currentLineTime = readFrame(reader.CurrentFrame(), true);
    reader.PrimeFrames();
    nextLineTime = readFrame(reader.NextFrame(), false);
    if (earthLocations != nullptr && HasTimeCodedLocations(code)) earthLocations->AddLocationFlags(1);

    uint8_t lineFlag = 0;
    for (int32_t i = 0; i < lineCount; ++i) {
        // Stopping before a line is looked at leaves no line half taken in.
        if (i % ProgressEvery == 0) {
            if (progress.Progress) progress.Progress(i);
            if (progress.AbortRequested != nullptr && *progress.AbortRequested) return TReadPassResult::Aborted;
        }
        const std::span<const uint16_t> frame(reader.CurrentFrame());
        if (meteorFrames)
            telemetry.LineInfoTextEx(frame, i, currentLineTime);
        else
            telemetry.LineInfoText(frame, i, lineFlag);
        const int32_t l = format.MirrorLines ? lineCount - 1 - i : i;
        video.SetLineFlag(l, lineFlag);
        StoreChannels(reader, video, options, l);
        reader.RotateFrames();
        currentLineTime = nextLineTime;
        if (i < lineCount - 2) nextLineTime = readFrame(reader.NextFrame(), false);
    }
    if (inlineCalibration && lines != nullptr) calibration.Report(*lines, lineCount);
    return TReadPassResult::Completed;
}

}  // namespace kestrune
