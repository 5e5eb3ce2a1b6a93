#include "decoding/ReadChannels.h"

#include "decoding/HRPTvideo.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "tests/support/HrptFrameWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrune {
namespace {

using test::DefaultSample;
using test::THrptPassSpec;
using test::TWordPacking;

TChannelFlags Channels(std::initializer_list<int> channels) {
    TChannelFlags flags{};
    for (int c : channels) flags[static_cast<size_t>(c)] = true;
    return flags;
}

class ReadChannels : public ::testing::Test {
protected:
    // Sizes the store as the loader does: a slot for each available, selected channel.
    void SizeStore(int32_t lines, const TChannelFlags& available, const TChannelFlags& selected) {
        options_.ChannelAvailable = available;
        options_.ChannelSelected = selected;
        video_.SetLineCount(0);
        TChannelFlags present{};
        for (int c = 1; c <= MaxChannels; ++c)
            present[static_cast<size_t>(c)] = available[static_cast<size_t>(c)] && selected[static_cast<size_t>(c)];
        video_.SetSlotCount(video_.AssignSlots(present));
        video_.SetWidth(2048);
        video_.SetLineCount(lines);
        locations_.SetLineCount(lines);
        telemetry_.Reset(options_.Format.FormatCode, 0, 0, lines, &lines_);
    }

    TReadPassResult Read(const std::vector<uint8_t>& file, int64_t dataStart = 0) {
        TInputFile input(file.data(), static_cast<int64_t>(file.size()), dataStart);
        const TRecordReader records =
            MappedRecordReader(file.data(), static_cast<int64_t>(file.size()), dataStart, options_.Format.RecordSize);
        return ReadPassChannels(options_, input, records, video_, &locations_, telemetry_, &lines_, progress_);
    }

    // Store line l holds frame y (turned by 180 degrees when northbound).
    void ExpectStored(int channel, int32_t l, int32_t y, bool turned) {
        const uint16_t* line = video_.SampleAddress(channel, l);
        ASSERT_NE(line, nullptr);
        for (int32_t x = 0; x < 2048; ++x)
            ASSERT_EQ(line[x], DefaultSample(y, channel, turned ? 2047 - x : x)) << "line " << l << " sample " << x;
    }

    TReadPassOptions options_{.Format = {.FormatCode = 26, .RecordSize = 22180}};
    TReadPassProgress progress_;
    THRPTvideo video_;
    TEarthLocations locations_;
    TTelemetryData telemetry_;
    std::vector<std::string> lines_;
    THrptPassSpec spec_;
};

TEST_F(ReadChannels, SouthboundPassStoresEverySample) {
    SizeStore(12, Channels({1, 2, 3, 4, 5}), Channels({1, 2, 3, 4, 5}));
    std::vector<int32_t> reported;
    progress_.Progress = [&](int32_t line) { reported.push_back(line); };
    EXPECT_EQ(Read(test::BuildPass(spec_, 12, TWordPacking::BigEndian16)), TReadPassResult::Completed);
    for (int32_t y = 0; y < 12; ++y)
        for (int c = 1; c <= 5; ++c) ExpectStored(c, y, y, false);
    EXPECT_EQ(video_.GetLineFlag(5), 1);  // 3B
    EXPECT_EQ(telemetry_.FrameCount, 12);
    EXPECT_EQ(locations_.LocationFlags, 1);
    EXPECT_EQ(reported, std::vector<int32_t>{0});
}

// FengYun frames fill all 22,180 words: a line past the end of the file
// repeats the whole last frame, not only its first part.
TEST_F(ReadChannels, ShortChrptFileRepeatsItsWholeLastFrame) {
    const auto word = [](int32_t frame, int32_t w) { return static_cast<uint16_t>((frame * 97 + w * 3) & 1023); };
    std::vector<uint8_t> file;
    for (int32_t frame = 0; frame < 3; ++frame)
        for (int32_t w = 0; w < FrameWords; ++w) {
            file.push_back(static_cast<uint8_t>(word(frame, w)));
            file.push_back(static_cast<uint8_t>(word(frame, w) >> 8));
        }
    options_.Format = {.FormatCode = 28, .SensorKind = 2, .RecordSize = FrameBytes, .ChannelCount = 10,
                       .LittleEndian16 = true};
    SizeStore(5, Channels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), Channels({1, 10}));
    Read(file);
    for (int32_t l = 0; l < 5; ++l)
        for (const int channel : {1, 10}) {
            const uint16_t* line = video_.SampleAddress(channel, l);
            for (int32_t x = 0; x < 2048; ++x)
                ASSERT_EQ(line[x], word(std::min(l, 2), ChrptVideoWord + 10 * x + channel - 1))
                    << "line " << l << " channel " << channel << " sample " << x;
        }
}

}  // namespace
}  // namespace kestrune
