// Sea-surface temperatures of a station pass located by its element sets:
// the angles the orbit gives every line decide day or night and the slant
// path, in the saved SST data and in the cursor read-out alike.
#include "render/DataProducts.h"

#include "decoding/HRPTvideo.h"
#include "decoding/Sensor.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "render/PixelLocation.h"
#include "render/RenderHost.h"
#include "render/ViewLookups.h"
#include "tests/support/HrptFrameWriter.h"
#include "tests/support/LoaderTest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kestrune {
namespace {

constexpr int32_t Lines = 240;
constexpr uint16_t SeaCount4 = 400;
constexpr uint16_t SeaCount5 = 410;

class LocatedSstTest : public test::TLoaderTest {
protected:
    // A NOAA-18 pass over a sea of one temperature, night at its start time.
    void LoadNightPass() {
        WriteArchive("NOAA-18", 28654);
        test::THrptPassSpec passSpec;
        passSpec.StartMilliseconds = NightStartMilliseconds;
        passSpec.Samples = [](int32_t, int channel, int32_t) -> uint16_t {
            return channel == 4 ? SeaCount4 : channel == 5 ? SeaCount5 : 500;
        };
        loader.LoadDataFile(Write("2023-05-03-0100_NOAA18.raw16", test::Build16BitHrptFile(passSpec, Lines, false)));
        ASSERT_EQ(state.DataLineCount, Lines);
        ASSERT_TRUE(state.EarthLocations->MapFitted);
    }

    // The SST word of a pixel of the saved data.
    uint16_t SavedWord(const std::string& bytes, int32_t y, int32_t x) const {
        const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(state.ImageWidth) + static_cast<size_t>(x)) * 2;
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
    }

    static constexpr int64_t NightStartMilliseconds = 3600000;  // 01:00 UTC
};

TEST_F(LocatedSstTest, ANightPassTakesTheNightSetsAndTheEdgeItsZenith) {
    LoadNightPass();
    const TEarthLocations& locations = *state.EarthLocations;
    const TSensor& sensor = *state.Sensor;
    for (int32_t y : {0, Lines / 2, Lines - 1}) {
        const TScanLineAngles& angles = *locations.LineAngles(y);
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            ASSERT_GT(angles.SolarZenith[k], 100.0f) << "night, line " << y << " anchor " << k;
            ASSERT_GT(angles.SatelliteZenith[k], 0.0f);
        }
        EXPECT_GT(angles.SatelliteZenith[0], 60.0f) << "the swath edge is seen slant";
        EXPECT_LT(angles.SatelliteZenith[25], 1.0f);
    }

    THeadlessRenderHost renderHost;
    const TSaveSettings saveSettings;
    TDataProducts products(state, renderHost, saveSettings);
    const std::string name = products.SaveSstData(".sst.raw", "pass");
    ASSERT_FALSE(name.empty());
    const test::TBytes saved = test::ReadFileBytes(name);
    const std::string bytes(saved.begin(), saved.end());
    ASSERT_EQ(bytes.size(), static_cast<size_t>(Lines) * static_cast<size_t>(state.ImageWidth) * 2u);

    const int32_t middle = Lines / 2;
    const TScanLineAngles& angles = *locations.LineAngles(middle);
    const float nightCentre = sensor.SeaSurfaceTemperature(SeaCount4, SeaCount5, angles.SatelliteZenith[25], false);
    const float dayCentre = sensor.SeaSurfaceTemperature(SeaCount4, SeaCount5, angles.SatelliteZenith[25], true);
    ASSERT_NE(SstWord(nightCentre), SstWord(dayCentre));
    EXPECT_EQ(SavedWord(bytes, middle, 1024), SstWord(nightCentre)) << "the night coefficient sets";

    const float edge = sensor.SeaSurfaceTemperature(SeaCount4, SeaCount5, angles.SatelliteZenith[0], false);
    const float noZenith = sensor.SeaSurfaceTemperature(SeaCount4, SeaCount5, -1.0f, false);
    ASSERT_NE(SstWord(edge), SstWord(noZenith));
    EXPECT_EQ(SavedWord(bytes, middle, 10), SstWord(edge)) << "the swath edge keeps its zenith term";

    // The read-out agrees with the saved data.
    TCursorState cursor;
    ReadCursorValues(state, ViewSst, 10, middle, cursor);
    EXPECT_NEAR(cursor.CursorSecondValue - KelvinOffset, edge, 1e-4);
    EXPECT_GT(cursor.CursorSolarZenith, 100.0f);
    cursor.CursorCtrlHeld = true;
    EXPECT_NE(CursorReadoutText(cursor, ViewSst, true).find(Format("sat.zen: %.1f", cursor.CursorSatelliteZenith)),
              std::string::npos);
    EXPECT_GT(cursor.CursorSatelliteZenith, 60.0f);
}

}  // namespace
}  // namespace kestrune
