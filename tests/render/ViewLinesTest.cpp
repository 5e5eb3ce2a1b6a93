// The views of a pass are drawn a few lines at a time by whichever processor
// is free, into a picture whose fresh memory is written once.
#include "render/RenderView.h"

#include "platform/DialogService.h"
#include "render/ViewLookups.h"
#include "SyntheticPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kestrune {
namespace {

using testing::MakePass;

class ViewLinesTest : public ::testing::Test {
protected:
    ViewLinesTest() : view_(pass_, host_) {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    ~ViewLinesTest() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }

    void Make(int width, int lines, std::initializer_list<int> channels) {
        MakePass(pass_, width, lines, channels);
        view_.SetViewTabs(testing::ViewsOffered(pass_));
    }
    int Sample(int channel, int x, int y) const { return pass_.Video->SampleAddress(channel, y)[x]; }
    TBgrEntry Pixel(int x, int y) const {
        const uint8_t* p = view_.DisplayBitmap().ScanLine(y) + 3 * x;
        return {p[0], p[1], p[2]};
    }
    // The first line whose pixels are not all as expected, -1 when none.
    int FirstWrongLine(const std::function<TBgrEntry(int x, int y)>& expected) const {
        const TExtBitmap& picture = view_.DisplayBitmap();
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                if (!(Pixel(x, y) == expected(x, y))) return y;
        return -1;
    }
    // Over a black picture of the same size, which keeps any pixel not drawn.
    void DrawOverBlack(const char* view) {
        ASSERT_TRUE(view_.SelectView("Overlay"));
        ASSERT_TRUE(view_.SelectView(view));
    }

    TPassState pass_;
    THeadlessRenderHost host_;
    TRenderView view_;
};

const TBgrEntry White{255, 255, 255};

// Lines of a count pattern that differs on every line, 703 of them: the
// slices and the steps between looks at the events end at odd lines.
TEST_F(ViewLinesTest, EveryLineOfTheProductViewsComesFromItsOwnSamples) {
    Make(512, 703, {1, 2, 3, 4, 5});
    DrawOverBlack("SST");
    TFalseColourTable sst;
    BuildSstLookup(sst, *pass_.Sensor, view_.Options);
    EXPECT_EQ(FirstWrongLine([&](int x, int y) { return sst.At(Sample(4, x, y), Sample(5, x, y)); }), -1);
    // Known values: the SST view's colour is the sensor's SST without a zenith, by day.
    for (auto [x, y] : {std::pair{0, 0}, {300, 351}, {511, 702}})
        EXPECT_EQ(Pixel(x, y), SstPaletteColour(*pass_.Sensor, pass_.Sensor->SeaSurfaceTemperature(
                                                                  Sample(4, x, y), Sample(5, x, y), -1.0f, true)));

    DrawOverBlack("Vegetation");
    TFalseColourTable vegetation;
    TPalette1D unused;
    BuildVegetationLookup(vegetation, unused, *pass_.Sensor, *pass_.Video, view_.Options, {});
    EXPECT_EQ(FirstWrongLine([&](int x, int y) { return vegetation.At(Sample(1, x, y), Sample(2, x, y)); }), -1);

    DrawOverBlack("Temperature");
    TPalette1D temperature;
    BuildTemperaturePalette(temperature, pass_.Sensor->ThermalTable4(), false, 0, 0);
    EXPECT_EQ(FirstWrongLine([&](int x, int y) { return temperature[Sample(4, x, y)]; }), -1);

    view_.Options.RadioGroupBrightness = 1;  // channel 2
    view_.Options.RadioGroupThermalBrightAdjust = AdjustNone;
    DrawOverBlack("False colour");
    TFalseColourTable falseColour;
    BuildFalseColourLookup(falseColour, {pass_.Sensor->ThermalTable4(), 0, 0, 1.0, nullptr}, nullptr);
    EXPECT_EQ(FirstWrongLine([&](int x, int y) { return falseColour.At(Sample(4, x, y), Sample(2, x, y)); }), -1);
}

// 2,048 x 5,500 pixels: more than the allocator ever takes from its heap,
// so the new picture's memory comes fresh from the system, never white.
TEST_F(ViewLinesTest, ANewPictureIsWhiteWhereNothingIsDrawn) {
    constexpr int Width = 2048, Lines = 5500, DataLines = 5450;
    Make(Width, Lines, {2});
    pass_.DataLineCount = DataLines;
    ASSERT_TRUE(view_.SelectView("Ch 2"));
    const auto grey = [&](int x, int y) {
        const auto level = static_cast<uint8_t>(Sample(2, x, y) >> 2);
        return TBgrEntry{level, level, level};
    };
    EXPECT_EQ(FirstWrongLine([&](int x, int y) { return y < DataLines ? grey(x, y) : White; }), -1);

    // Handed over for saving, the picture goes; the next one is new, and stopped at the second look at the events.
    TRenderView receiver(pass_, host_);
    view_.HandOver(receiver);
    ASSERT_TRUE(view_.DisplayBitmap().Empty());
    host_.PendingEventCalls = 0;
    int stop = 0;
    host_.OnPendingEvents = [&] {
        if (host_.PendingEventCalls < 2) return;
        stop = host_.ProgressPosition;
        pass_.AbortRequested = true;
    };
    view_.Options.ComboBoxGammaCorrectCh2 = 6;  // drawn again
    view_.Redisplay();
    host_.OnPendingEvents = nullptr;
    pass_.AbortRequested = false;
    TCountTable gamma{};
    BuildChannelGammaTable(gamma, 2.5);
    EXPECT_EQ(FirstWrongLine([&](int x, int y) {
                  const auto level = static_cast<uint8_t>(gamma[Sample(2, x, y)]);
                  return y < stop ? TBgrEntry{level, level, level} : White;
              }),
              -1);
    EXPECT_GT(stop, 0);
}

}  // namespace
}  // namespace kestrune
