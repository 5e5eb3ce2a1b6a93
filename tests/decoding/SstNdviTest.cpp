// Albedo tables, vegetation index and split-window sea-surface temperature.
#include "decoding/Sensor.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kestrune {
namespace {

using testing::TTempFolder;

class SstNdviTest : public ::testing::Test {
protected:
    TTempFolder folder_;
};

// ---- Albedo tables and vegetation index -------------------------------------

TEST_F(SstNdviTest, Noaa15ChannelOneAlbedosFollowTwoLines) {
    TSensor sensor;
    sensor.SetSatellite(7);
    const float* a1 = sensor.VisibleTable1();
    EXPECT_NEAR(a1[496], (0.0568 * 496 - 2.187) / 100, 1e-6);   // lower line: 25.986 %
    EXPECT_NEAR(a1[497], (0.1633 * 497 - 54.993) / 100, 1e-6);  // upper line: 26.167 %
    EXPECT_EQ(a1[0], 0.0f);      // -2.187 % clamped
    EXPECT_EQ(a1[1023], 1.0f);   // 112.063 % clamped
    EXPECT_NEAR(sensor.VisibleTable2()[511], (0.0596 * 511 - 2.41) / 100, 1e-6);
    EXPECT_NEAR(sensor.VisibleTable2()[512], (0.1629 * 512 - 55.244) / 100, 1e-6);
    EXPECT_NEAR(sensor.VisibleTable3()[800], (0.186 * 800 - 81.25198) / 100, 1e-6);
}

TEST_F(SstNdviTest, SatellitesWithoutAFileGetThePlainRampNotTheLastSatellites) {
    TSensor sensor;
    sensor.SetSatellite(7);
    ASSERT_EQ(sensor.VisibleTable1()[0], 0.0f);
    ASSERT_EQ(sensor.VisibleTable1()[1023], 1.0f);
    ASSERT_NE(sensor.VisibleTable1()[512], static_cast<float>(512 / 1023.0));
    sensor.SetSatellite(5);
    EXPECT_EQ(sensor.VisibleCalibration(1).Slope2, 0.0f);
    EXPECT_EQ(sensor.VisibleCalibration(1).Intersection, 0);
    for (const float* table : {sensor.VisibleTable1(), sensor.VisibleTable2(), sensor.VisibleTable3()}) {
        EXPECT_EQ(table[0], 0.0f);
        EXPECT_EQ(table[512], static_cast<float>(512 / 1023.0));
        EXPECT_EQ(table[1023], 1.0f);
    }
}

TEST_F(SstNdviTest, VegetationIndex) {
    TSensor sensor;
    sensor.SetSatellite(7);
    EXPECT_EQ(sensor.Ndvi(0, 0), -1.0f);  // both albedos clamped to 0
    const double a1 = (0.0568 * 496 - 2.187) / 100, a2 = (0.0596 * 511 - 2.41) / 100;
    EXPECT_NEAR(sensor.Ndvi(496, 511), (a2 - a1) / (a2 + a1), 1e-6);
    EXPECT_NEAR(sensor.Ndvi(1023, 1023), 0.0, 1e-7);  // both 100 %
    EXPECT_EQ(sensor.Ndvi(1023, 0), -1.0f);           // (0 - 1) / 1
    EXPECT_EQ(sensor.Ndvi(-1, 500), -1.0f);
    EXPECT_EQ(sensor.Ndvi(500, 1024), -1.0f);
    sensor.SetSatellite(6);
    EXPECT_EQ(sensor.Ndvi(300, 300), 0.0f);  // equal albedos
}

// ---- Sea-surface temperature --------------------------------------------------

struct Coefficients {
    double gain, split, slant, offset;
};

struct SstSets {
    Coefficients day, night, guessDay, guessNight;
};

// NOAA-15's four sets as published.
const SstSets Noaa15{{0.913116, 0.0905762, 0.47694, 246.887},
                     {0.92256, 0.0936114, 0.548055, 249.819},
                     {0.964243, 2.71296, 0.387491, 262.443},
                     {0.976789, 2.77072, 0.435832, 266.29}};
struct SstSettings {
    float minT4 = -5.0f;
    bool cloudTest = true;
    float maxZenith = 63.0f;
};

// The split-window formula written out, each stored value rounded to single precision.
float ReferenceSst(double t4Kelvin, double t5Kelvin, float zenith, bool day, const SstSets& sets,
                   const SstSettings& settings) {
    const float t4 = static_cast<float>(t4Kelvin), t5 = static_cast<float>(t5Kelvin);
    if (t4 - 273.16 < settings.minT4) return -100.0f;
    if (settings.cloudTest && std::fabs(static_cast<float>(1.0439 * t5 - 11.49) - double(t4)) > 1.0) return -100.0f;
    const float d = t4 - t5;
    float s = 0.52f;
    if (zenith != -1.0f) {
        if (zenith > settings.maxZenith) return -100.0f;
        s = static_cast<float>(1.0 / std::cos(zenith * std::numbers::pi / 180.0) - 1.0);
    }
    const Coefficients& g = day ? sets.guessDay : sets.guessNight;
    const float f = static_cast<float>(g.gain * t4 + g.split * d + g.slant * d * s - g.offset);
    const Coefficients& k = day ? sets.day : sets.night;
    return static_cast<float>(k.gain * t4 + k.split * d * f + k.slant * d * s - k.offset);
}

void Calibrate(TSensor& sensor, uint8_t id) {
    sensor.SetSatellite(id);
    const double tbb = sensor.BlackbodyTemperature(400, 410, 420, 430);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
}

void Apply(TSensor& sensor, const SstSettings& settings) {
    sensor.SetSstMinT4(settings.minT4);
    sensor.SetSstCloudTest(settings.cloudTest);
    sensor.SetSstMaxZenith(settings.maxZenith);
}

// Compares over a grid of count pairs around the cloud-test line, and counts
// how many pairs gave a value so that both outcomes are known to be covered.
void ExpectSstGrid(uint8_t id, const SstSets& sets, const SstSettings& settings, float zenith, bool day) {
    TSensor sensor;
    Calibrate(sensor, id);
    Apply(sensor, settings);
    int values = 0, nones = 0;
    for (int c4 = 200; c4 < 800; c4 += 11) {
        for (int c5 = c4 - 40; c5 <= c4 + 40; c5 += 2) {
            const float want = ReferenceSst(sensor.ThermalTable4()[c4], sensor.ThermalTable5()[c5], zenith, day, sets,
                                            settings);
            const float got = sensor.SeaSurfaceTemperature(c4, c5, zenith, day);
            ASSERT_FLOAT_EQ(got, want) << "counts " << c4 << ", " << c5;
            (want == -100.0f ? nones : values) += 1;
        }
    }
    EXPECT_GT(values, 20);
    EXPECT_GT(nones, 20);
}

TEST_F(SstNdviTest, DayAndNightSstOfNoaa15) {
    ExpectSstGrid(7, Noaa15, {}, -1.0f, true);
    ExpectSstGrid(7, Noaa15, {}, -1.0f, false);
    ExpectSstGrid(7, Noaa15, {}, 40.0f, true);
    ExpectSstGrid(7, Noaa15, {-20.0f, false, 63.0f}, 12.5f, false);
}

TEST_F(SstNdviTest, ZenithLimitAndTheUnknownAngle) {
    TSensor sensor;
    Calibrate(sensor, 7);
    sensor.SetSstCloudTest(false);
    const int c4 = 500, c5 = 510;
    ASSERT_NE(sensor.SeaSurfaceTemperature(c4, c5, 63.0f, true), -100.0f);  // at the limit
    EXPECT_EQ(sensor.SeaSurfaceTemperature(c4, c5, 63.001f, true), -100.0f);
    sensor.SetSstMaxZenith(0.0f);
    EXPECT_FLOAT_EQ(sensor.SeaSurfaceTemperature(c4, c5, -1.0f, true),
                    ReferenceSst(sensor.ThermalTable4()[c4], sensor.ThermalTable5()[c5], -1.0f, true, Noaa15,
                                 {-5.0f, false, 0.0f}));
}

TEST_F(SstNdviTest, GrazingAnglesGiveNoSst) {
    TSensor sensor;
    Calibrate(sensor, 7);
    sensor.SetSstCloudTest(false);
    sensor.SetSstMaxZenith(120.0f);
    EXPECT_NE(sensor.SeaSurfaceTemperature(500, 510, 89.0f, true), -100.0f);
    EXPECT_EQ(sensor.SeaSurfaceTemperature(500, 510, 90.0f, true), -100.0f);
    EXPECT_EQ(sensor.SeaSurfaceTemperature(500, 510, 100.0f, true), -100.0f);
    EXPECT_EQ(sensor.SeaSurfaceTemperature(500, 510, std::nanf(""), true), -100.0f);
}

}  // namespace
}  // namespace kestrune
