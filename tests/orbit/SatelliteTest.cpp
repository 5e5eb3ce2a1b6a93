#include "orbit/Satellite.h"

#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

constexpr double Pi = sgp::Pi;

TEST(ElementSet, ReportSetParsesIntoModelUnits) {
    TSatellite s;
    s.LoadTLE("1 88888u          80275.98708465  .00073094  13844-3  66816-4 0    8",
              "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  105");
    EXPECT_EQ(s.Line1.substr(0, 8), "1 88888U");
    EXPECT_EQ(s.CatalogNumber, "88888");
    EXPECT_EQ(s.ElementSetNumber, "008");
    EXPECT_DOUBLE_EQ(s.EpochField, 80275.98708465);
    EXPECT_NEAR(s.EpochJD, 2444238.5 + 275.98708465, 1e-8);
    EXPECT_NEAR(s.MeanMotionDot, 0.00073094 * 2 * Pi / (1440.0 * 1440.0), 1e-18);
    EXPECT_NEAR(s.MeanMotionDDot, 0.13844e-3 * 2 * Pi / (1440.0 * 1440.0 * 1440.0), 1e-22);
    EXPECT_NEAR(s.BStar, 0.66816e-4, 1e-15);
    EXPECT_NEAR(s.Inclination, 72.8435 * Pi / 180.0, 1e-15);
    EXPECT_NEAR(s.RightAscension, 115.9689 * Pi / 180.0, 1e-15);
    EXPECT_NEAR(s.Eccentricity, 0.0086731, 1e-15);
    EXPECT_NEAR(s.ArgOfPerigee, 52.6988 * Pi / 180.0, 1e-15);
    EXPECT_NEAR(s.MeanAnomaly, 110.5714 * Pi / 180.0, 1e-15);
    EXPECT_NEAR(s.MeanMotion, 16.05824518 * 2 * Pi / 1440.0, 1e-15);
    EXPECT_DOUBLE_EQ(s.EpochRevolution, 105.0);
    EXPECT_TRUE(s.NeedsInit);
    EXPECT_FALSE(s.DeepSpace);
    // The catalogue fields stay empty for a set loaded on its own.
    EXPECT_TRUE(s.Name.empty());
    EXPECT_DOUBLE_EQ(s.SemiAngle, 0.0);
}

TEST(ElementSet, TwoDigitYearsPivotAt57) {
    testing::TleElements e;
    e.epochYear = 56;
    e.epochDay = 365.5;
    TSatellite s;
    s.LoadTLE(testing::TleLine1(e), testing::TleLine2(e));
    EXPECT_NEAR(s.EpochJD, YearStartJulianDate(2056) + 365.5, 1e-7);
    e.epochYear = 57;
    e.epochDay = 1.0;
    s.LoadTLE(testing::TleLine1(e), testing::TleLine2(e));
    EXPECT_NEAR(s.EpochJD, YearStartJulianDate(1957) + 1.0, 1e-7);
}

}  // namespace
}  // namespace kestrune
