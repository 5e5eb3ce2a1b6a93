#include "decoding/HRPTvideo.h"

#include "platform/DialogService.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

void Size(THRPTvideo& video, int32_t lines, int32_t slots, int32_t width) {
    video.SetLineCount(0);
    std::array<bool, VideoChannels + 1> present{};
    for (int c = 1; c <= slots; ++c) present[static_cast<size_t>(c)] = true;
    video.SetSlotCount(video.AssignSlots(present));
    video.SetWidth(width);
    video.SetLineCount(lines);
}

void Fill(THRPTvideo& video, int channel, uint16_t (*value)(int32_t line, int32_t x)) {
    for (int32_t y = 0; y < video.LineCount(); ++y) {
        uint16_t* line = video.SampleAddress(channel, y);
        for (int32_t x = 0; x < video.Width(); ++x) line[x] = value(y, x);
    }
}

TEST(HRPTvideo, LinearStretchOfAFlatTopHistogram) {
    THRPTvideo video;
    Size(video, 10, 1, 10);
    video.Histogram(1).Counts()[1023] = 5000;  // Low = High = 1023
    const TCountTable* table = video.LinearStretch(1);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ((*table)[1022], 0);
    EXPECT_EQ((*table)[1023], 1023);
    EXPECT_EQ(video.LinearStretch(0), nullptr);
    EXPECT_EQ(video.LinearStretch(11), nullptr);
}

TEST(HRPTvideo, EqualisedStretchOfTwoEqualHalves) {
    THRPTvideo video;
    Size(video, 10, 1, 10);
    video.Histogram(1).Counts()[100] = 5000;
    video.Histogram(1).Counts()[900] = 5000;
    EXPECT_EQ(video.EqualisedStretch(2, 0.0f), nullptr);  // empty histogram
    const TCountTable* table = video.EqualisedStretch(1, 0.0f);
    ASSERT_NE(table, nullptr);
    // Counts below: 0 up to bin 100, 5000 from 101 to 900, 10000 after.
    EXPECT_EQ((*table)[50], 0);
    EXPECT_EQ((*table)[101], (0 + 511 + 511) / 3);
    EXPECT_EQ((*table)[500], 511);
    EXPECT_EQ((*table)[1023], 1023);
}

TEST(HRPTvideo, ReverseTwiceRestores) {
    THRPTvideo video;
    Size(video, 7, 2, 13);
    Fill(video, 1, [](int32_t y, int32_t x) { return static_cast<uint16_t>(y * 100 + x); });
    Fill(video, 2, [](int32_t y, int32_t x) { return static_cast<uint16_t>(1000 - y * 10 - x); });
    for (int32_t y = 0; y < 7; ++y) video.SetLineFlag(y, static_cast<uint8_t>(y));
    int reports = 0;
    video.OnProgress = [&](uint8_t) { ++reports; };
    video.Reverse();
    EXPECT_TRUE(video.Reversed());
    EXPECT_GT(reports, 0);
    EXPECT_EQ(video.SampleAddress(1, 0)[0], 6 * 100 + 12);
    EXPECT_EQ(video.SampleAddress(1, 3)[0], 3 * 100 + 12);  // middle line reversed in place
    EXPECT_EQ(video.GetLineFlag(0), 6);
    video.Reverse();
    EXPECT_FALSE(video.Reversed());
    for (int32_t y = 0; y < 7; ++y) {
        EXPECT_EQ(video.GetLineFlag(y), y);
        for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(video.SampleAddress(1, y)[x], y * 100 + x);
    }
}

// A pass read one way round and turned holds what the same pass read the
// other way round holds, histograms too: they sample every few lines from
// the top, and a measured part of the picture turns with it.
TEST(HRPTvideo, ATurnedPictureIsMeasuredAsThePictureReadThatWayRound) {
    constexpr int32_t Lines = 600;  // the histograms sample every 13th line
    constexpr int32_t Width = 2048;
    const auto sample = [](int32_t y, int32_t x) { return static_cast<uint16_t>((y * 7 + (x * x) / 97) % 1024); };
    struct TMeasureCase {
        const char* Name;
        bool Whole;
        TSampleRect Part;       // of the picture as read
        TSampleRect TurnedPart; // the same ground in the turned picture
    };
    for (const TMeasureCase& measure : {TMeasureCase{"the whole picture", true, {}, {}},
                                        TMeasureCase{"a part of it", false, {100, 40, 900, 300}, {1147, 299, 1947, 559}}}) {
        SCOPED_TRACE(measure.Name);
        THRPTvideo read;
        THRPTvideo turned;
        for (THRPTvideo* video : {&read, &turned}) Size(*video, Lines, 2, Width);
        for (int32_t y = 0; y < Lines; ++y)
            for (int channel = 1; channel <= 2; ++channel)
                for (int32_t x = 0; x < Width; ++x) {
                    read.SampleAddress(channel, y)[x] = static_cast<uint16_t>(sample(y, x) / channel);
                    turned.SampleAddress(channel, Lines - 1 - y)[Width - 1 - x] = static_cast<uint16_t>(sample(y, x) / channel);
                }
        if (measure.Whole) {
            read.MeasureAll(10, 10);
            turned.MeasureAll(10, 10);
        } else {
            read.MeasureRegion(measure.Part);
            turned.MeasureRegion(measure.TurnedPart);
        }
        read.Reverse();
        for (int channel = 1; channel <= 2; ++channel) {
            ASSERT_GT(turned.Histogram(channel).Total(), 0);
            for (int bin = 0; bin < CountRange; ++bin)
                ASSERT_EQ(read.Histogram(channel).Counts()[bin], turned.Histogram(channel).Counts()[bin]) << channel << " " << bin;
            EXPECT_EQ(*read.EqualisedStretch(channel, 3.0f), *turned.EqualisedStretch(channel, 3.0f));
        }
    }
}

TEST(HRPTvideo, APassWrittenWhileItsMemoryIsBroughtInKeepsEverySample) {
    THRPTvideo video;
    for (int round = 0; round < 3; ++round) {
        // 2,000 lines of five channels: 20 MB, brought in ahead of the writer on another thread.
        Size(video, 2000, 5, 1024);
        for (int32_t y = 1999; y >= 0; y -= 3) video.SampleAddress(5, y)[1000] = static_cast<uint16_t>(y % 1024);
        for (int32_t y = 0; y < 2000; ++y) {
            ASSERT_EQ(video.SampleAddress(5, y)[1000], y % 3 == 1999 % 3 ? y % 1024 : 0) << "line " << y;
            ASSERT_EQ(video.SampleAddress(1, y)[7], 0) << "fresh memory reads as zeros";
        }
    }
}

class HRPTvideoMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }
};

}  // namespace
}  // namespace kestrune
