// Thermal calibration checked against a separate, plain computation of the
// calibration equations with the published constants typed in again here.
#include "decoding/Sensor.h"

#include "decoding/HueScale.h"

#include "platform/ProgramFolder.h"
#include "tests/platform/TempFolder.h"
#include "tests/decoding/ThermalReference.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using testing::TTempFolder;
using namespace test;

void ExpectTable(const double* table, const std::vector<Real>& expected, const char* what, int id) {
    ASSERT_NE(table, nullptr) << what << " of satellite " << id;
    for (int c = 0; c < 1024; ++c) {
        const double want = expected.empty() ? 0.0 : static_cast<double>(expected[c]);
        ASSERT_NEAR(table[c], want, 1e-6) << what << " of satellite " << id << " at count " << c;
    }
}

class SensorTest : public ::testing::Test {
protected:
    TTempFolder folder_;
};

// Several realistic and unusual count sets per satellite: typical HRPT
// values, a cold blackbody, channel 3 without thermal data (3A by day, or
// counts at the strict limits), and a narrow gain.
const std::vector<Counts>& CountCases() {
    static const std::vector<Counts> cases{
        {{400, 410, 420, 430}, 726, 990, 391, 995, 387, 1000},
        {{251, 251, 251, 251}, 650, 980, 420, 985, 410, 990},
        {{180, 190, 185, 175}, 36, 37, 525, 992, 491, 993},
        {{600, 320, 450, 500}, 401, 501, 300, 900, 350, 950},
        {{300, 300, 300, 300}, 400, 990, 391, 995, 387, 1000},
        {{300, 300, 300, 300}, 726, 500, 600, 610, 700, 690},
    };
    return cases;
}

TEST_F(SensorTest, ThermalTablesOfEverySatelliteMatchTheEquations) {
    for (const RefSatellite& s : Satellites()) {
        TSensor sensor;
        sensor.SetSatellite(s.id);
        for (const Counts& c : CountCases()) {
            const Expected e = RefCalibration(s, c);
            const double tbb = sensor.BlackbodyTemperature(c.prt[0], c.prt[1], c.prt[2], c.prt[3]);
            ASSERT_NEAR(tbb, static_cast<double>(e.prtTemperature), 1e-9) << "satellite " << int(s.id);
            sensor.CalibrateThermal(c.target3, c.space3, tbb, c.target4, c.space4, c.target5, c.space5);
            ASSERT_TRUE(sensor.Calibrated());
            ExpectTable(sensor.ThermalTable3(), e.t3, "channel 3", s.id);
            ExpectTable(sensor.ThermalTable4(), e.t4, "channel 4", s.id);
            ExpectTable(sensor.ThermalTable5(), e.t5, "channel 5", s.id);
            ExpectTable(sensor.ThermalTable6(), {}, "channel 6", s.id);
        }
    }
}

TEST_F(SensorTest, PrtTemperatureOfAKnownReading) {
    // NOAA-14 default polynomial at count 251, worked by hand:
    // 276.597 + 0.051275 x 251 + 1.363e-6 x 251^2 = 289.552895363
    TSensor sensor;
    EXPECT_NEAR(sensor.BlackbodyTemperature(251, 251, 251, 251), 289.552895363, 1e-5);
}

TEST_F(SensorTest, TablesAreMissingUntilCalibratedAndAfterEverySatelliteChange) {
    TSensor sensor;
    EXPECT_FALSE(sensor.Calibrated());
    EXPECT_EQ(sensor.ThermalTable4(), nullptr);
    const double tbb = sensor.BlackbodyTemperature(300, 300, 300, 300);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    ASSERT_NE(sensor.ThermalTable4(), nullptr);
    const double before = sensor.ThermalTable4()[500];
    sensor.SetSatellite(6);  // the same satellite: nothing changes
    ASSERT_TRUE(sensor.Calibrated());
    EXPECT_EQ(sensor.ThermalTable4()[500], before);
    sensor.SetSatellite(7);
    EXPECT_FALSE(sensor.Calibrated());
    EXPECT_EQ(sensor.ThermalTable3(), nullptr);
    EXPECT_EQ(sensor.ThermalTable4(), nullptr);
    EXPECT_EQ(sensor.ThermalTable5(), nullptr);
    EXPECT_EQ(sensor.ThermalTable6(), nullptr);
}

TEST_F(SensorTest, MeteorUsesTheNominalTableAndClearsTheOthers) {
    TSensor sensor;
    const double tbb = sensor.BlackbodyTemperature(300, 300, 300, 300);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    sensor.SetSatellite(15);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    ASSERT_TRUE(sensor.Calibrated());
    const double* t5 = sensor.ThermalTable5();
    EXPECT_NEAR(t5[0], 317.9315, 1e-9);
    EXPECT_NEAR(t5[3], 317.9315, 1e-9);
    EXPECT_NEAR(t5[1023], 218.15, 1e-9);
    // Level 155 at counts 400..403: -0.0017 x 155^2 + 0.8248 x 155 - 55 + 273.15.
    EXPECT_NEAR(t5[401], -0.0017 * 155 * 155 + 0.8248 * 155 - 55.0 + 273.15, 1e-9);
    for (int c = 0; c < 1024; ++c) {
        ASSERT_EQ(sensor.ThermalTable6()[c], t5[c]);
        // Channels 3 and 4 are not measured: no temperatures, not the last pass's.
        ASSERT_EQ(sensor.ThermalTable3()[c], 0.0);
        ASSERT_EQ(sensor.ThermalTable4()[c], 0.0);
    }
    EXPECT_EQ(sensor.RadianceFit(5), (TSensor::TRadianceFit{0, 0, 0}));
}

TEST_F(SensorTest, LevelOneBSlopesAndIntercepts) {
    TSensor sensor;
    const double slope4 = -0.16, intercept4 = 160.0, slope5 = -0.18, intercept5 = 178.0;
    const double tbb = sensor.BlackbodyTemperature(300, 300, 300, 300);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    sensor.CalibrateThermalFromL1B(slope4, intercept4, slope5, intercept5);
    ASSERT_TRUE(sensor.Calibrated());
    for (int c = 0; c < 1024; ++c) {
        const Real n4 = c * slope4 + intercept4, n5 = c * slope5 + intercept5;
        const Real r4 = 0.92378 * n4 + 0.0003822 * n4 * n4 + 3.72;
        const Real r5 = 0.96194 * n5 + 0.0001742 * n5 * n5 + 2.0;
        ASSERT_NEAR(sensor.ThermalTable4()[c], static_cast<double>(RefTemperature(929.08035, r4)), 1e-6) << c;
        ASSERT_NEAR(sensor.ThermalTable5()[c], static_cast<double>(RefTemperature(834.98565, r5)), 1e-6) << c;
        ASSERT_EQ(sensor.ThermalTable3()[c], 0.0);
        ASSERT_EQ(sensor.ThermalTable6()[c], 0.0);
    }
    sensor.CalibrateThermalFromL1B(slope4, 0.0, slope5, intercept5);
    EXPECT_FALSE(sensor.Calibrated());
    EXPECT_EQ(sensor.ThermalTable4(), nullptr);
}

// Least-squares line of points (c, y(c)), c = 0..1023, by the textbook formula.
std::pair<Real, Real> RefLine(const std::vector<Real>& y) {
    Real sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int c = 0; c < 1024; ++c) {
        sx += c;
        sy += y[c];
        sxx += Real(c) * c;
        sxy += c * y[c];
    }
    const Real slope = (1024 * sxy - sx * sy) / (1024 * sxx - sx * sx);
    return {(sy - slope * sx) / 1024, slope};
}

TEST_F(SensorTest, RadianceFitsOfBothMethods) {
    const std::vector<RefSatellite> satellites = Satellites();
    const Counts c{{400, 410, 420, 430}, 726, 990, 391, 995, 387, 1000};

    // Non-linear: the corrected radiance is an exact quadratic in the count.
    const RefSatellite& noaa15 = satellites[7];
    TSensor sensor;
    sensor.SetSatellite(7);
    const double tbb = sensor.BlackbodyTemperature(c.prt[0], c.prt[1], c.prt[2], c.prt[3]);
    sensor.CalibrateThermal(c.target3, c.space3, tbb, c.target4, c.space4, c.target5, c.space5);
    const RefChannel& k = noaa15.ch4;
    const Real nbb = RefRadiance(k.vc, k.effA + k.effB * Real(tbb));
    const Real beta = -(nbb - k.ns) / (c.space4 - c.target4);
    const Real alpha = k.ns - beta * c.space4;
    const TSensor::TRadianceFit fit4 = sensor.RadianceFit(4);
    EXPECT_NEAR(fit4[0], static_cast<double>(k.b0 + (1 + k.b1) * alpha + k.b2 * alpha * alpha), 1e-7);
    EXPECT_NEAR(fit4[1], static_cast<double>((1 + k.b1) * beta + 2 * k.b2 * alpha * beta), 1e-9);
    EXPECT_NEAR(fit4[2], static_cast<double>(k.b2 * beta * beta), 1e-12);

    // Channel 3: a three-term fit of a straight line, the square term dropped.
    const auto [i3, g3] = RefLine(RefLinearRadiance(noaa15.ch3, tbb, c.target3, c.space3));
    EXPECT_NEAR(sensor.RadianceFit(3)[0], static_cast<double>(i3), 1e-9);
    EXPECT_NEAR(sensor.RadianceFit(3)[1], static_cast<double>(g3), 1e-12);
    EXPECT_EQ(sensor.RadianceFit(3)[2], 0.0);

    // Older satellites: straight-line fits of the quadratically corrected radiance.
    sensor.SetSatellite(6);
    sensor.CalibrateThermal(c.target3, c.space3, tbb, c.target4, c.space4, c.target5, c.space5);
    const auto [i5, g5] = RefLine(RefLinearRadiance(satellites[6].ch5, tbb, c.target5, c.space5));
    EXPECT_NEAR(sensor.RadianceFit(5)[0], static_cast<double>(i5), 1e-7);
    EXPECT_NEAR(sensor.RadianceFit(5)[1], static_cast<double>(g5), 1e-10);
    EXPECT_EQ(sensor.RadianceFit(5)[2], 0.0);
}

// ---- Temperature palette --------------------------------------------------------

using Rgb = std::array<int32_t, 3>;

Rgb Colour(const TSensor& sensor, double t) {
    Rgb c{};
    sensor.TemperatureToColour(t, c[0], c[1], c[2]);
    return c;
}

// Line i gives the colour (i, 255 - i, seed) unless replaced.
std::string PaletteText(int lines, int seed, const std::map<int, std::string>& replaced = {},
                        const char* lineEnd = "\n") {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        const auto r = replaced.find(i);
        text += r != replaced.end() ? r->second : std::to_string(i) + " " + std::to_string(255 - i) + " " +
                                                      std::to_string(seed);
        text += lineEnd;
    }
    return text;
}

TEST_F(SensorTest, PaletteSpansTheRangeWithTruncatedIndexes) {
    TSensor sensor;
    sensor.SetPaletteLow(0);
    sensor.SetPaletteHigh(255);
    sensor.SetPaletteFile(folder_.Write("sst.pal", PaletteText(256, 7, {}, "\r\n")));
    ASSERT_NE(sensor.PaletteFile(), "");
    EXPECT_EQ(Colour(sensor, 0.0), (Rgb{0, 255, 7}));
    EXPECT_EQ(Colour(sensor, 255.0), (Rgb{255, 0, 7}));
    EXPECT_EQ(Colour(sensor, 99.9), (Rgb{99, 156, 7}));
    EXPECT_EQ(Colour(sensor, -0.99), (Rgb{0, 255, 7}));  // truncates toward zero
    EXPECT_EQ(Colour(sensor, -1.0), (Rgb{30, 30, 30}));
    EXPECT_EQ(Colour(sensor, 255.999), (Rgb{255, 0, 7}));
    EXPECT_EQ(Colour(sensor, 256.0), (Rgb{30, 30, 30}));
    EXPECT_EQ(Colour(sensor, std::nan("")), (Rgb{30, 30, 30}));
}

TEST_F(SensorTest, ABadNumberStopsReadingButKeepsTheComponentsBefore) {
    TSensor sensor;
    sensor.SetPaletteLow(0);
    sensor.SetPaletteHigh(255);
    sensor.SetPaletteFile(folder_.Write("a.pal", PaletteText(256, 1)));
    sensor.SetPaletteFile(folder_.Write("b.pal", PaletteText(256, 2, {{10, "9 9 x"}})));
    EXPECT_EQ(sensor.PaletteFile(), "");
    // A file that changes only its last entry shows what the failed read left.
    std::map<int, std::string> skipped;
    for (int i = 0; i < 255; ++i) skipped[i] = "0 0";
    sensor.SetPaletteFile(folder_.Write("c.pal", PaletteText(256, 3, skipped)));
    ASSERT_NE(sensor.PaletteFile(), "");
    EXPECT_EQ(Colour(sensor, 9.0), (Rgb{9, 246, 2}));
    EXPECT_EQ(Colour(sensor, 10.0), (Rgb{9, 9, 1}));
    EXPECT_EQ(Colour(sensor, 11.0), (Rgb{11, 244, 1}));
    EXPECT_EQ(Colour(sensor, 255.0), (Rgb{255, 0, 3}));
}

}  // namespace
}  // namespace kestrune
