// The sample pass that ships with the program looks like the place and the
// day it claims: NOAA-18 over the British Isles on 3 May 2023 at noon. Read
// as the program reads it (the shipped file, its own telemetry, the land
// mask the build makes), the sea reads as it does in early May, land is
// warmer by day, and thick cloud tops are well below freezing.
#include "decoding/HRPTvideo.h"
#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "platform/DialogService.h"
#include "platform/SysUtils.h"
#include "render/PixelLocation.h"
#include "render/qelODPSdata.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune {
namespace {

constexpr double ZeroCelsius = 273.16;
constexpr int32_t Step = 4;  // every 4th sample of every 4th line
constexpr float NoSst = -100.0f;

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Degrees Celsius of the pixels of a kind.
struct TSampleFigures {
    std::vector<double> SeaT4, SeaSst, LandT4, AllT4;
};

TSampleFigures MeasurePass(const TPassState& pass, TODPSdata& mask) {
    TSampleFigures figures;
    const TPixelLocator locator(pass);
    const TSensor& sensor = *pass.Sensor;
    const double* table4 = sensor.ThermalTable4();
    const THRPTvideo& video = *pass.Video;
    for (int32_t y = 0; y < video.LineCount(); y += Step) {
        const uint16_t* channel4 = video.SampleAddress(4, y);
        const uint16_t* channel5 = video.SampleAddress(5, y);
        for (int32_t x = 0; x < video.Width(); x += Step) {
            TPixelLocation place;
            if (!locator.LocatePixel(x, y, place)) continue;
            const double t4 = table4[channel4[x] & 1023] - ZeroCelsius;
            figures.AllT4.push_back(t4);
            if (mask.IsLand(place.Longitude, place.Latitude)) {
                figures.LandT4.push_back(t4);
                continue;
            }
            figures.SeaT4.push_back(t4);
            const float sst = sensor.SeaSurfaceTemperature(channel4[x] & 1023, channel5[x] & 1023, place.SatelliteZenith,
                                                           place.SolarZenith < DaylightZenith);
            if (sst != NoSst) figures.SeaSst.push_back(sst);
        }
    }
    return figures;
}

TEST(ShippedSample, TheSeaCloudsAndLandReadAsEarlyMayAtNoon) {
    const std::string mask = KESTRUNE_PROGRAM_DIR "/OdpsLandMask.dat";
    if (!FileExists(mask)) GTEST_SKIP() << "no land mask at " << mask << ": the build had no map data";
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    const testing::TTempFolder folder;
    // The program unpacks a packed pass beside it: it reads a copy.
    const std::string pass = folder / "230503_1200_noaa18.wsd.gz";
    std::filesystem::copy_file(KESTRUNE_SOURCE_DIR "/data/sample/230503_1200_noaa18.wsd.gz", pass);
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    settings.Unattended = true;
    TPassLoader(state, host, settings).LoadDataFile(pass);
    ASSERT_EQ(state.Video->LineCount(), 1200);
    ASSERT_TRUE(state.Sensor->Calibrated());

    TODPSdata landMask(mask);
    const TSampleFigures figures = MeasurePass(state, landMask);
    ASSERT_GT(figures.SeaT4.size(), figures.AllT4.size() / 3) << "mostly sea";
    ASSERT_GT(figures.LandT4.size(), figures.AllT4.size() / 10);
    const double seaT4 = Percentile(figures.SeaT4, 0.5);
    EXPECT_GT(seaT4, 9.0);
    EXPECT_LT(seaT4, 13.0);
    EXPECT_GT(Percentile(figures.SeaSst, 0.05), 9.0);
    EXPECT_LT(Percentile(figures.SeaSst, 0.95), 13.5);
    EXPECT_GT(Percentile(figures.SeaSst, 0.5), seaT4) << "the split window adds what the water vapour took";
    EXPECT_GT(figures.SeaSst.size(), figures.SeaT4.size() / 2) << "cloud hides less than half the sea";
    const double landT4 = Percentile(figures.LandT4, 0.5);
    EXPECT_GT(landT4, seaT4 + 3.0) << "land is warmer by day";
    EXPECT_LT(landT4, 25.0);
    EXPECT_LT(Percentile(figures.AllT4, 0.05), -15.0) << "thick cloud tops";
}

}  // namespace
}  // namespace kestrune
