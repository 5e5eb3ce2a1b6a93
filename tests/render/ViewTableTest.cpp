#include "render/ViewTable.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrune {
namespace {

using C = TSidePanelControl;

TEST(ViewTable, SstRanges) {
    EXPECT_EQ(SstDisplayRange(SstRangeFull, 0, 0).High, 30);
    EXPECT_EQ(SstDisplayRange(-1, 0, 0).Low, -1);
    EXPECT_EQ(SstDisplayRange(SstRangeCool, 0, 0).High, 12);
    EXPECT_EQ(SstDisplayRange(SstRangeWarm, 0, 0).Low, 7);
    EXPECT_EQ(SstDisplayRange(SstRangeHot, 0, 0).High, 28);
    const TSstRange user = SstDisplayRange(SstRangeUser, 20, 10);
    EXPECT_TRUE(user.User);
    EXPECT_EQ(user.Low, 20);
    EXPECT_EQ(user.High, 21);
    EXPECT_EQ(user.UserMax, 21);
    EXPECT_EQ(SstDisplayRange(SstRangeUser, 3, 17).High, 17);
}

TEST(ViewTable, ZoomedSizesAndTracking) {
    TDisplaySizingInputs inputs;
    inputs.ZoomMode = ZoomOneToOne;
    inputs.GraphicWidth = 2048;
    inputs.GraphicHeight = 600;
    inputs.AvailablePhysicalMemory = 2048ull * 600 + 1;  // above a third of the bytes
    TDisplaySize size = SizeImageDisplay(inputs);
    EXPECT_EQ(size.Width, 2048);
    EXPECT_EQ(size.Height, 600);
    EXPECT_TRUE(size.Tracking);
    EXPECT_FALSE(size.Stretch);
    inputs.TrackingScroll = false;
    EXPECT_FALSE(SizeImageDisplay(inputs).Tracking);
    inputs.TrackingScroll = true;
    inputs.ZoomMode = ZoomDouble;
    size = SizeImageDisplay(inputs);
    EXPECT_EQ(size.Width, 4096);
    EXPECT_EQ(size.Height, 1200);
    EXPECT_TRUE(size.Stretch);
    EXPECT_FALSE(size.Tracking);
    EXPECT_FALSE(size.SmoothScrolling);
}

}  // namespace
}  // namespace kestrune
