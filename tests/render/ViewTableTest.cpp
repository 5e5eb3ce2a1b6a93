#include "render/ViewTable.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrune {
namespace {

using C = TSidePanelControl;

TEST(ViewTable, ConditionalControls) {
    TSidePanelInputs inputs;
    inputs.Channel3TargetCount = 400;
    EXPECT_FALSE(SidePanelShows(SidePanelForView(ViewFalseColour, inputs), C::GroupBoxFire));
    inputs.Channel3TargetCount = 401;
    EXPECT_TRUE(SidePanelShows(SidePanelForView(ViewFalseColour, inputs), C::GroupBoxFire));
    EXPECT_FALSE(SidePanelShows(SidePanelForView(ViewMvl, inputs), C::RadioGroupSPOTmap));
    inputs.InputFormatCode = 35;
    EXPECT_TRUE(SidePanelShows(SidePanelForView(ViewMvl, inputs), C::RadioGroupSPOTmap));
    EXPECT_FALSE(SidePanelShows(SidePanelForView(ViewTemperature, inputs), C::UpDownUserMinTemp));
    inputs.CheckBoxUserRange = true;
    const auto temperature = SidePanelForView(ViewTemperature, inputs);
    EXPECT_TRUE(SidePanelShows(temperature, C::LabelTempRange));
    EXPECT_EQ(temperature.PanelTempCalibHeight, 202);
}

TEST(ViewTable, SeaSurfaceColumnStacksBelowTheScale) {
    TSidePanelInputs inputs;
    auto sst = SidePanelForView(ViewSst, inputs);
    EXPECT_EQ(sst.PanelTempCalibHeight, 152);
    EXPECT_FALSE(sst.LabelSSTRangeEnabled);
    EXPECT_TRUE(SidePanelShows(sst, C::ButtonLoadSSTpalette));
    EXPECT_TRUE(SidePanelShows(sst, C::BitBtnSaveTemps));
    ASSERT_FALSE(sst.Placements.empty());
    EXPECT_EQ(sst.Placements.front().Anchor, C::PanelTempCalib);
    EXPECT_EQ(sst.Placements.back().Control, C::BitBtnSaveTemps);
    for (const auto& placement : sst.Placements) EXPECT_TRUE(SidePanelShows(sst, placement.Control));
    inputs.RadioGroupSstDisplayRange = SstRangeUser;
    EXPECT_TRUE(SidePanelForView(ViewSst, inputs).LabelSSTRangeEnabled);
}

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

TEST(ViewTable, FitWidthFollowsThePassShape) {
    TDisplaySizingInputs inputs;
    inputs.GraphicWidth = 2048;
    inputs.GraphicHeight = 6000;
    inputs.ScrollBoxWidth = 1000;
    inputs.VerticalScrollBarWidth = 17;
    inputs.AvailablePhysicalMemory = 1ull << 30;
    TDisplaySize size = SizeImageDisplay(inputs);
    EXPECT_EQ(size.Width, 983);
    EXPECT_EQ(size.Height, 2879);
    EXPECT_TRUE(size.Stretch);
    EXPECT_FALSE(size.HorizontalBarVisible);
    EXPECT_TRUE(size.Tracking);
    inputs.VideoWidth = 2048;
    inputs.VideoLineCount = 3000;
    EXPECT_EQ(SizeImageDisplay(inputs).Height, 1439);
    inputs.AvailablePhysicalMemory = 2048ull * 6000 * 3;  // not above the bitmap's bytes
    EXPECT_FALSE(SizeImageDisplay(inputs).Tracking);
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
