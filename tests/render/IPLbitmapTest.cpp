#include "render/IPLbitmap.h"

#include "render/BMPExtImage.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrune {
namespace {

TEST(TIplImg, IsTheTargetOfSharpeningAVideoStoreChannel) {
    THRPTvideo video;
    video.SetLineCount(21);
    video.SetSlotCount(3);
    video.SetWidth(13);
    video.ChannelPresent[4] = true;
    video.ChannelSlot[4] = 2;
    for (int line = 0; line < 21; ++line)
        for (int x = 0; x < 13; ++x)
            video.SampleAddress(4, line)[x] = static_cast<uint16_t>((line * 37 + x * 11) % 1024);
    const IplImage channel = IplImageOfChannel(video.ChannelView(4));
    ASSERT_FALSE(channel.Empty());
    for (int line = 0; line < 21; ++line)
        ASSERT_EQ(channel.RowAs<uint16_t>(line), video.SampleAddress(4, line)) << line;

    TIplImg crisp;
    crisp.SetWidth(13);
    crisp.SetHeight(21);
    iplConvolve2D(channel, crisp.Image(), CrispenKernel());
    // Direct sum at an inner pixel.
    auto sample = [&video](int x, int y) { return static_cast<int>(video.SampleAddress(4, y)[x]); };
    int sum = 48 * sample(6, 9);
    for (const auto& [dx, dy, weight] : std::vector<std::tuple<int, int, int>>{
             {-1, -1, -1}, {0, -1, -3}, {1, -1, -1}, {-1, 0, -3}, {1, 0, -3}, {-1, 1, -1}, {0, 1, -3}, {1, 1, -1}})
        sum += weight * sample(6 + dx, 9 + dy);
    EXPECT_EQ(crisp.ScanLine(9)[6], std::clamp(sum >> 5, 0, 65535));

    EXPECT_TRUE(IplImageOfChannel(video.ChannelView(7)).Empty());
}

}  // namespace
}  // namespace kestrune
