// The per-pixel text table with both thermal channels: its columns are T4,
// T5 and T4 - T5 in degrees Celsius, so that a warmer channel 4 (as over a
// clear sea by day) gives a positive split-window difference.
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "platform/DialogService.h"
#include "render/DataProducts.h"
#include "render/RenderHost.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/SyntheticPass.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kestrune {
namespace {

TEST(ImageTextColumns, TheDifferenceColumnIsChannel4MinusChannel5) {
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    const testing::TTempFolder folder;
    TPassState pass;
    THeadlessRenderHost host;
    TSaveSettings settings;
    settings.ResultsFolder = folder.Path();
    // A higher count is colder: channel 5 reads several kelvin below channel 4.
    testing::MakePass(pass, 1, 1, {4, 5}, [](int channel, int, int) -> uint16_t { return channel == 4 ? 400 : 450; });
    TDataProducts(pass, host, settings).SaveImageText("pass", TImageTextKind::T4T5Difference, 1, 1);

    std::istringstream line(testing::TTempFolder::Read(folder / "pass.as.txt"));
    double latitude = 0, longitude = 0, t4 = 0, t5 = 0, difference = 0;
    ASSERT_TRUE(line >> latitude >> longitude >> t4 >> t5 >> difference);
    const double expected4 = pass.Sensor->ThermalTable4()[400] - 273.16;
    const double expected5 = pass.Sensor->ThermalTable5()[450] - 273.16;
    ASSERT_GT(expected4 - expected5, 1.0);
    EXPECT_NEAR(t4, expected4, 0.051);
    EXPECT_NEAR(t5, expected5, 0.051);
    EXPECT_NEAR(difference, expected4 - expected5, 0.051);
}

}  // namespace
}  // namespace kestrune
