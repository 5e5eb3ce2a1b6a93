#include "render/PixelLocation.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/LocaleFileNames.h"

#include <gtest/gtest.h>

#include <regex>

namespace kestrune {
namespace {

constexpr char Deg[] = "\xC2\xB0";

// A pass whose anchor k of line y lies at latitude 10 + y + k / 10 and
// longitude -20 + k; angles 30 + k (solar), 40 + k (satellite), 50 + k
// (azimuth); line y recorded at noon plus y seconds.
class PixelLocationTest : public ::testing::Test {
protected:
    testing::TTempFolder folder;
    TPassState pass;

    void SetUp() override {
        pass.DataLineCount = 4;
        TEarthLocations& locations = *pass.EarthLocations;
        locations.SetLineCount(pass.DataLineCount);
        for (int y = 0; y < pass.DataLineCount; ++y) {
            TScanLineLocations& line = *locations.LineLocations(y);
            TScanLineAngles& angles = *locations.LineAngles(y);
            for (size_t k = 0; k < LocationAnchorCount; ++k) {
                line.Anchors[k] = {10.0f + static_cast<float>(y) + static_cast<float>(k) / 10.0f,
                                   -20.0f + static_cast<float>(k)};
                angles.SolarZenith[k] = 30.0f + static_cast<float>(k);
                angles.SatelliteZenith[k] = 40.0f + static_cast<float>(k);
                angles.RelativeAzimuth[k] = 50.0f + static_cast<float>(k);
            }
            locations.SetLineTime(y, Noon() + y / SecsPerDay);
        }
        locations.LocationsValid = true;
    }

    static TDateTime Noon() { return EncodeDate(2024, 5, 2) + 0.5; }
};

TEST_F(PixelLocationTest, HalfwayBetweenAnchorsAndTheLineRecords) {
    TPixelLocation location;
    ASSERT_TRUE(LocatePixel(pass, 24 + 40 * 10 + 20, 2, location));
    EXPECT_FLOAT_EQ(location.Latitude, 12 + 1.05f);   // anchors 10 and 11 of line 2
    EXPECT_FLOAT_EQ(location.Longitude, -9.5f);
    EXPECT_FLOAT_EQ(location.SolarZenith, 41.0f);     // 444 div 40 = anchor 11, not interpolated
    EXPECT_FLOAT_EQ(location.SatelliteZenith, 51.0f);
    EXPECT_FLOAT_EQ(location.RelativeAzimuth, 61.0f);
    EXPECT_DOUBLE_EQ(location.Time, Noon() + 2 / SecsPerDay);

    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 24, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(latitude, 10.0f);
    EXPECT_FLOAT_EQ(longitude, -20.0f);
}

TEST_F(PixelLocationTest, ReachOfAFullResolutionLine) {
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 23, 0, latitude, longitude));  // f = -1/40 from anchors 0 and 1
    EXPECT_FLOAT_EQ(latitude, 10.0f - 0.1f / 40);
    EXPECT_FLOAT_EQ(longitude, -20.0f - 1.0f / 40);
    EXPECT_TRUE(PixelLocation(pass, 2063, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(longitude, 30.0f + 39.0f / 40);  // beyond anchor 50 from anchors 49 and 50
    EXPECT_FALSE(PixelLocation(pass, 2064, 0, latitude, longitude));
    EXPECT_EQ(latitude, 0.0f);
    EXPECT_EQ(longitude, 0.0f);
    EXPECT_TRUE(PixelLocation(pass, -15, 0, latitude, longitude));
    EXPECT_FALSE(PixelLocation(pass, -16, 0, latitude, longitude));

    TPixelLocation location;
    EXPECT_FALSE(LocatePixel(pass, 2064, 1, location));
    EXPECT_FLOAT_EQ(location.SolarZenith, 80.0f) << "angles of the nearest anchor even out of reach";
    EXPECT_EQ(location.Time, 0.0) << "no time for a pixel out of reach";
    EXPECT_EQ(location.Latitude, 0.0f);
}

TEST_F(PixelLocationTest, NudgeOffsetsMoveTheData) {
    pass.NudgeX = 5;
    pass.NudgeY = 2;
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 24 + 5, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(latitude, 12.0f);  // line 0 + 2, anchor 0
    EXPECT_FLOAT_EQ(longitude, -20.0f);
    EXPECT_FALSE(PixelLocation(pass, 24, 2, latitude, longitude)) << "line 4 is beyond the pass";
}

// A line left without location (a damaged record, a line whose time nothing
// confirmed) has its record cleared: none of its pixels is located, at 0, 0
// or anywhere, while the lines either side keep theirs; nudged onto it, a
// pixel is not located either.
TEST_F(PixelLocationTest, ALineWithoutLocationLocatesNoPixel) {
    *pass.EarthLocations->LineLocations(2) = TScanLineLocations{};
    struct TPixelCase {
        int32_t X, Y, NudgeY;
        bool Located;
        float Latitude, Longitude;
    };
    for (const TPixelCase pixel : {TPixelCase{24, 1, 0, true, 11.0f, -20.0f}, TPixelCase{24, 2, 0, false, 0, 0},
                                   TPixelCase{444, 2, 0, false, 0, 0}, TPixelCase{2063, 2, 0, false, 0, 0},
                                   TPixelCase{444, 3, 0, true, 14.05f, -9.5f}, TPixelCase{444, 1, 1, false, 0, 0},
                                   TPixelCase{24, 0, 1, true, 11.0f, -20.0f}}) {
        SCOPED_TRACE(::testing::Message() << "pixel " << pixel.X << "," << pixel.Y << " nudged " << pixel.NudgeY);
        pass.NudgeY = pixel.NudgeY;
        float latitude = -1, longitude = -1;
        EXPECT_EQ(PixelLocation(pass, pixel.X, pixel.Y, latitude, longitude), pixel.Located);
        EXPECT_FLOAT_EQ(latitude, pixel.Latitude);
        EXPECT_FLOAT_EQ(longitude, pixel.Longitude);
        const TPixelLocator::TLocatedLine line = TPixelLocator(pass).LocatedLine(pixel.Y, 2048);
        EXPECT_EQ(line.First <= line.Last, pixel.Located);
    }
}

TEST_F(PixelLocationTest, AngleRunsEndWhereTheNearestAnchorChanges) {
    for (const auto& [format, nudge] : {std::pair{0, 0}, {0, 5}, {0, -7}, {9, 3}}) {
        pass.InputFormatCode = static_cast<uint8_t>(format);
        pass.NudgeX = nudge;
        const TPixelLocator locator(pass);
        for (int32_t x = -100; x < 2200; ++x) {
            int32_t end = x + 1;
            while (end < 2300 && locator.AngleIndex(end) == locator.AngleIndex(x)) ++end;
            ASSERT_EQ(std::min(locator.AngleRunEnd(x), 2300), end) << "x " << x << ", nudge " << nudge;
        }
    }
}

TEST_F(PixelLocationTest, AcrossTheDateLine) {
    TScanLineLocations& line = *pass.EarthLocations->LineLocations(0);
    line.Anchors[0].Longitude = 179.5f;
    line.Anchors[1].Longitude = -179.5f;
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 44, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(longitude, 180.0f) << "the short way round, and 180 rather than -180";
    ASSERT_TRUE(PixelLocation(pass, 54, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(longitude, -179.75f);
    line.Anchors[1].Longitude = 179.0f;
    ASSERT_TRUE(PixelLocation(pass, 44, 0, latitude, longitude));
    EXPECT_FLOAT_EQ(longitude, 179.25f);
}

TEST_F(PixelLocationTest, GacAnchorsEveryEightPixels) {
    pass.InputFormatCode = 9;
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 4 + 8 * 3 + 4, 1, latitude, longitude));
    EXPECT_FLOAT_EQ(latitude, 11.35f);
    EXPECT_FLOAT_EQ(longitude, -16.5f);
    EXPECT_TRUE(PixelLocation(pass, 411, 1, latitude, longitude));
    EXPECT_FALSE(PixelLocation(pass, 412, 1, latitude, longitude));
    EXPECT_TRUE(PixelLocation(pass, -3, 1, latitude, longitude));
    EXPECT_FALSE(PixelLocation(pass, -4, 1, latitude, longitude));
}

// The orbit puts a Meteor-M2 line's anchors every 30 of its 1540 samples.
TEST_F(PixelLocationTest, MeteorAnchorsEveryThirtyPixels) {
    pass.Orbit->SetSatelliteName("METEOR-M2");
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 20 + 30 * 10 + 15, 1, latitude, longitude));
    EXPECT_FLOAT_EQ(latitude, 11 + 1.05f);
    EXPECT_FLOAT_EQ(longitude, -9.5f);
    EXPECT_TRUE(PixelLocation(pass, 1549, 1, latitude, longitude));
    EXPECT_FALSE(PixelLocation(pass, 1550, 1, latitude, longitude));
    TPixelLocation location;
    ASSERT_TRUE(LocatePixel(pass, 1539, 1, location));
    EXPECT_FLOAT_EQ(location.SolarZenith, 80.0f) << "the last anchor's angles at the last sample";
}

// A 10B line of a Meteor-M2 pass holds the scan in its columns 248 to
// 1815, anchors at 282 + 30k: its outermost columns lie further than one
// anchor step out, and are located all the same, beyond them nothing is.
TEST_F(PixelLocationTest, TenBMeteorLinesAreLocatedInEveryScanColumn) {
    pass.Orbit->SetSatelliteName("METEOR-M2");
    pass.InputFormatCode = TenBFormat;
    float latitude = 0;
    float longitude = 0;
    ASSERT_TRUE(PixelLocation(pass, 282 + 30 * 10 + 15, 1, latitude, longitude));
    EXPECT_FLOAT_EQ(latitude, 11 + 1.05f);
    EXPECT_FLOAT_EQ(longitude, -9.5f);
    for (const int32_t column : {248, 252, 1812, 1815})
        EXPECT_TRUE(PixelLocation(pass, column, 1, latitude, longitude)) << column;
    ASSERT_TRUE(PixelLocation(pass, 248, 1, latitude, longitude));
    EXPECT_NEAR(latitude, 11 - 3.4f / 30, 1e-5);  // 34 columns before anchor 0, outward along its first interval
    EXPECT_NEAR(longitude, -20 - 34.0f / 30, 1e-5);
    ASSERT_TRUE(PixelLocation(pass, 1815, 1, latitude, longitude));
    EXPECT_NEAR(latitude, 16 + 3.3f / 30, 1e-5);  // 33 columns beyond anchor 50
    EXPECT_NEAR(longitude, 30 + 33.0f / 30, 1e-5);
    EXPECT_FALSE(PixelLocation(pass, 247, 1, latitude, longitude));
    EXPECT_FALSE(PixelLocation(pass, 1816, 1, latitude, longitude));
    const TPixelLocator locator(pass);
    const TPixelLocator::TLocatedLine line = locator.LocatedLine(1, 2048);
    EXPECT_EQ(line.First, 248);
    EXPECT_EQ(line.Last, 1815);
}

TEST(CursorReadout, RangeWhileDragging) {
    TCursorState cursor;
    cursor.CursorLatitude = 1.0f;
    cursor.CursorLongitude = 1.0f;
    cursor.CursorTime = 45000.5;
    cursor.Dragging = true;
    cursor.StartLatitude = 0.0f;
    cursor.EndLatitude = 1.0f;
    const std::string metric = CursorReadoutText(cursor, 4, true);
    EXPECT_TRUE(std::regex_match(metric, std::regex("1\\.00.*N  1\\.00.*E\rRange 11[01] km at 0.*")))
        << metric << " (and no time while dragging)";
    const std::string miles = CursorReadoutText(cursor, 4, false);
    EXPECT_TRUE(std::regex_search(miles, std::regex("\rRange 69 miles at 0"))) << miles;
    cursor.EndLatitude = 0.0f;
    EXPECT_EQ(CursorReadoutText(cursor, 4, true), std::string("1.00") + Deg + "N  1.00" + Deg + "E")
        << "no range for a drag that has not moved";
}

// What each view reads out, worked by hand: 290.375 K is 17.225 degC, 63.005 degF.
TEST(CursorReadout, EachViewsNumbers) {
    const auto at = [](double t4, double t5, float ndvi, float longitude, float azimuth) {
        TCursorState cursor;
        cursor.CursorT4 = t4;
        cursor.CursorT5 = cursor.CursorSecondValue = t5;
        cursor.CursorNdvi = ndvi;
        cursor.CursorLatitude = longitude != 0 ? 1.0f : 0.0f;
        cursor.CursorLongitude = longitude;
        cursor.CursorRelativeAzimuth = azimuth;
        cursor.CursorCtrlHeld = azimuth != 0;
        cursor.CursorTime = azimuth != 0 ? 45000.5 : 0;
        return cursor;
    };
    const std::string d = Deg;
    const struct {
        TCursorState Cursor;
        uint8_t View;
        bool Metric;
        std::string Text;
    } cases[]{
        {at(290.375, 288.5, -1, 0, 0), ViewCh4MinusCh5, true, "17.2" + d + "C 290.4K 288.5K 1.9K"},
        {at(290.375, 288.5, 0.42f, 0, 0), ViewVegetation, true, "17.2" + d + "C 290.4K NDVI:0.42"},
        {at(290.375, 0, -1, 0, 0), 4, false, "63.0" + d + "F 290.4K"},
        {at(0, 0, -1, -1.5f, 0), 4, true, "1.00" + d + "N  1.50" + d + "W"},
        {at(0, 0, -1, 0, 12.345f), 4, true, "rel_az: 12.35" + d},
    };
    for (const auto& row : cases) EXPECT_EQ(CursorReadoutText(row.Cursor, row.View, row.Metric), row.Text);
}

// The read-out is read by the user: under a decimal-comma locale its numbers have commas.
TEST(CursorReadout, NumbersAsTheUsersLocaleWritesThem) {
    TCursorState cursor;
    cursor.CursorT4 = 287.36;
    cursor.CursorLatitude = -1.0f;
    cursor.CursorLongitude = 1.0f;
    const testing::TTempFolder folder;
    const testing::TCommaLocale comma(folder.Path());
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    const testing::TLocaleEnvironment user(comma.Name());
    EXPECT_EQ(CursorReadoutText(cursor, 4, true), std::string("14,2") + Deg + "C 287,4K\r1,00" + Deg + "S  1,00" + Deg + "E");
}

// Samples of channels 1, 2, 4 and 5 over the located pass, and a calibrated sensor.
class CursorValuesTest : public PixelLocationTest {
protected:
    void SetUp() override {
        PixelLocationTest::SetUp();
        THRPTvideo& video = *pass.Video;
        for (int channel : {1, 2, 4, 5}) {
            video.ChannelPresent[static_cast<size_t>(channel)] = true;
            video.ChannelSlot[static_cast<size_t>(channel)] = channel > 2 ? channel - 1 : channel;
        }
        video.SetSlotCount(4);
        video.SetWidth(2048);
        video.SetLineCount(pass.DataLineCount);
        for (int y = 0; y < pass.DataLineCount; ++y) {
            video.SampleAddress(1, y)[600] = 300;
            video.SampleAddress(2, y)[600] = 500;
            video.SampleAddress(4, y)[600] = 400;
            video.SampleAddress(5, y)[600] = 410;
        }
        TSensor& sensor = *pass.Sensor;
        sensor.BlackbodyTemperature(400, 410, 420, 430);
        sensor.CalibrateThermal(726, 990, sensor.PrtTemperature(), 391, 995, 387, 1000);
    }
};

TEST_F(CursorValuesTest, TemperaturesNdviAndLocation) {
    TCursorState cursor;
    cursor.CursorT3 = 123.0;
    cursor.CursorCtrlHeld = true;
    ReadCursorValues(pass, 4, 600, 1, cursor);
    const TSensor& sensor = *pass.Sensor;
    EXPECT_DOUBLE_EQ(cursor.CursorT4, sensor.ThermalTable4()[400]);
    EXPECT_DOUBLE_EQ(cursor.CursorT5, sensor.ThermalTable5()[410]);
    EXPECT_DOUBLE_EQ(cursor.CursorSecondValue, cursor.CursorT5);
    EXPECT_EQ(cursor.CursorT3, 0.0) << "no channel 3 in this pass";
    EXPECT_FLOAT_EQ(cursor.CursorNdvi, sensor.Ndvi(300, 500));
    EXPECT_FLOAT_EQ(cursor.CursorLatitude, 12.44f);  // 600 - 24 = 576: anchor 14 + 16/40 of line 1
    EXPECT_FLOAT_EQ(cursor.CursorSatelliteZenith, 55.0f);
    EXPECT_TRUE(cursor.CursorCtrlHeld) << "left to the mouse handler";

    ReadCursorValues(pass, ViewSst, 600, 1, cursor);
    EXPECT_DOUBLE_EQ(cursor.CursorSecondValue, 273.16 + sensor.SeaSurfaceTemperature(400, 410, 55.0f, true));
}

// Channel 3 read out where it is 3B only: on a 3A line of a pass that
// switches it holds visible counts, no temperature.
TEST_F(CursorValuesTest, Channel3TemperatureOn3BLinesOnly) {
    THRPTvideo& video = *pass.Video;
    video.ChannelPresent[3] = true;
    video.ChannelSlot[3] = 5;
    video.SetSlotCount(5);
    video.SetLineCount(pass.DataLineCount);
    for (int y = 0; y < pass.DataLineCount; ++y) {
        video.SampleAddress(3, y)[600] = 500;
        video.SampleAddress(4, y)[600] = 400;
        video.SetLineFlag(y, y == 1 ? 0 : 1);  // 3A on line 1
    }
    pass.TelemetryData->Channel3ALines = 1;
    const double* table3 = pass.Sensor->ThermalTable3();
    TCursorState cursor;
    ReadCursorValues(pass, 3, 600, 0, cursor);
    EXPECT_DOUBLE_EQ(cursor.CursorT3, table3[500]);
    EXPECT_NE(CursorReadoutText(cursor, 3, true).find(" Ch3:"), std::string::npos);
    ReadCursorValues(pass, 3, 600, 1, cursor);
    EXPECT_EQ(cursor.CursorT3, 0.0);
    const std::string text = CursorReadoutText(cursor, 3, true);
    EXPECT_EQ(text.find("Ch3:"), std::string::npos) << text;
    EXPECT_NE(text.find("K"), std::string::npos) << "channel 4 still read: " << text;

    pass.TelemetryData->Channel3ALines = 0;  // a format that does not tell: thermal throughout
    ReadCursorValues(pass, 3, 600, 1, cursor);
    EXPECT_DOUBLE_EQ(cursor.CursorT3, table3[500]);
}

}  // namespace
}  // namespace kestrune
