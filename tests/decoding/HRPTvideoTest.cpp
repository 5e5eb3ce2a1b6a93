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

TEST(HRPTvideo, TiledLayoutAddresses) {
    THRPTvideo video;
    Size(video, 10, 5, 2048);
    EXPECT_EQ(video.PaddedWidth(), 2048);
    EXPECT_EQ(video.BlockWords(), 81920);
    EXPECT_EQ(video.BlockCount(), 2);
    EXPECT_EQ(video.SampleAddress(2, 9) - video.SampleAddress(1, 0), 81920 + 16384 + 2048);
    std::array<bool, VideoChannels + 1> present{};
    present[2] = present[5] = true;
    EXPECT_EQ(video.AssignSlots(present), 2);
    EXPECT_EQ(video.ChannelSlot, (std::array<int32_t, VideoChannels + 1>{0, 0, 1, 0, 0, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(video.SampleAddress(5, 0) - video.SampleAddress(2, 0), 16384) << "slots follow channel order";
    video.SetWidth(409);
    EXPECT_EQ(video.PaddedWidth(), 416);
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

TEST(HRPTvideo, GammaTable) {
    TCountTable table{};
    table.fill(-7);
    BuildGammaTable(table, 500, 500, 1.0f);
    EXPECT_EQ(table[0], -7);  // untouched
    BuildGammaTable(table, 100, 1123, 10.0f);  // gamma limited to 5, white pulled into the table
    EXPECT_EQ(table[99], 0);
    EXPECT_EQ(table[100], 0);
    EXPECT_EQ(table[1023], 1023);
    // q = 512 * 1023 div 923 = 567; 1023 * (567 / 1023)^(1/5) = 909.2
    EXPECT_EQ(table[612], 909);
    TCountTable small{};
    BuildGammaTable(small, 0, 1023, 0.1f);  // treated as 0.2
    EXPECT_EQ(small[512], 32);  // 1023 * (512 / 1023)^5 = 32.05
    BuildGammaTable(small, -50, 1023, 1.0f);
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(small[1023], 1023);
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

class HRPTvideoMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }
};

TEST_F(HRPTvideoMeasure, WholeImageCountsEveryLineOfASmallPass) {
    THRPTvideo video;
    Size(video, 40, 3, 100);
    Fill(video, 1, [](int32_t, int32_t x) { return static_cast<uint16_t>(x); });
    Fill(video, 3, [](int32_t y, int32_t) { return static_cast<uint16_t>(500 + y); });
    video.MeasureAll(10, 200);
    // Line step: 40 / (100000 / 100 + 1) + 1 = 1, so all 4000 samples count.
    EXPECT_EQ(video.Histogram(3).Total(), 4000);
    EXPECT_EQ(video.Histogram(1).Total(), 4000 - 10 * 40);  // bins 0..9 emptied
    EXPECT_EQ(video.Histogram(1).Counts()[9], 0);
}

TEST_F(HRPTvideoMeasure, SmallRegionIsRefusedAndLargeRegionIsClipped) {
    THRPTvideo video;
    Size(video, 200, 1, 200);
    Fill(video, 1, [](int32_t, int32_t) { return uint16_t{77}; });
    video.MeasureRegion({0, 0, 50, 50});
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text, "Selected region area is too small for histogram measurement");
    video.MeasureRegion({150, 100, -400, 900});  // beyond the image on three sides; 151 x 100 inside
    const TSampleRect rect = video.MeasureRect();
    EXPECT_EQ(rect.Left, 0);
    EXPECT_EQ(rect.Top, 100);
    EXPECT_EQ(rect.Right, 150);
    EXPECT_EQ(rect.Bottom, 199);
    EXPECT_GT(video.Histogram(1).Total(), 0);
    EXPECT_EQ(video.Histogram(1).Mode(), 77);
}

TEST_F(HRPTvideoMeasure, CorrectionTableScalesVisibleChannels) {
    THRPTvideo video;
    Size(video, 40, 1, 100);
    Fill(video, 1, [](int32_t, int32_t) { return uint16_t{140}; });
    std::vector<int32_t> gain(100, 512);  // x 2 above the offset
    video.MeasureAll(200, 200);
    video.ComputeHistograms(gain, 40);
    EXPECT_EQ(video.Histogram(1).Mode(), (512 * 100 >> 8) + 40);
}

}  // namespace
}  // namespace kestrune
