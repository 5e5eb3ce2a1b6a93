#include "orbit/OrbitMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrune {
namespace {

constexpr double Pi = sgp::Pi;

TEST(OrbitMath, JulianDatesOfEpochsAndDateTimes) {
    EXPECT_DOUBLE_EQ(YearStartJulianDate(2000), 2451543.5);
    EXPECT_DOUBLE_EQ(YearStartJulianDate(1980), 2444238.5);
    EXPECT_DOUBLE_EQ(EpochToJulianDate(1.5), 2451545.0);
    // Years below 57 are this century, 57 and above the last.
    EXPECT_NEAR(EpochToJulianDate(56365.5), YearStartJulianDate(2056) + 365.5, 1e-8);
    EXPECT_NEAR(EpochToJulianDate(57001.0), YearStartJulianDate(1957) + 1.0, 1e-8);
    // A 14-character field can hold numbers no epoch has: they read as 0.
    for (double junk : {99999999999999.0, 1e300, -1.5, 100000.0})
        EXPECT_DOUBLE_EQ(EpochToJulianDate(junk), EpochToJulianDate(0.0)) << junk;
    EXPECT_EQ(DayNumberOfYear(2000, 3, 1), 61);
    EXPECT_EQ(DayNumberOfYear(1900, 3, 1), 60);
    EXPECT_EQ(DayNumberOfYear(2023, 12, 31), 365);
    EXPECT_DOUBLE_EQ(DayFraction(12, 0, 0, 0), 0.5);
    // Milliseconds are cut to hundredths of a second.
    const TDateTime noon = EncodeDate(2000, 1, 1) + EncodeTime(12, 0, 0, 999);
    EXPECT_NEAR(DateTimeToJulian(noon), 2451545.0 + 0.99 / 86400.0, 1e-10);
    EXPECT_NEAR(DateTimeToJulian(EncodeDate(2024, 2, 29)), 2460369.5, 1e-9);
}

TEST(OrbitMath, SiderealAngleMatchesTheStandardValueAtJ2000) {
    // Greenwich mean sidereal time at 2000 January 1 12h UT is 280.46061837 degrees.
    EXPECT_NEAR(GreenwichSiderealAtJD(2451545.0) * 180.0 / Pi, 280.46061837, 1e-6);
    double daysSince1950 = 0.0;
    const double atEpoch = GreenwichSiderealAtEpoch(1.5, daysSince1950);
    EXPECT_NEAR(atEpoch, GreenwichSiderealAtJD(2451545.0), 1e-9);
    EXPECT_NEAR(daysSince1950, 2451545.0 - 2433281.5, 1e-8);
}

TEST(OrbitMath, GeodeticCoordinatesOfKnownPoints) {
    TGeodetic g;
    const double jd = 2451545.0;
    EciToGeodetic(TVector{7000.0, 0.0, 0.0, 0.0}, g, jd);
    EXPECT_DOUBLE_EQ(g.Latitude, 0.0);
    EXPECT_NEAR(g.Height, 7000.0 - 6378.135, 1e-9);
    EXPECT_NEAR(g.Longitude, 2.0 * Pi - GreenwichSiderealAtJD(jd), 1e-12);

    // A point 45 degrees geodetic latitude, 1000 km up, built from the ellipsoid.
    const double e2 = sgp::EarthEccentricitySquared;
    const double phi = Pi / 4.0;
    const double n = 6378.135 / std::sqrt(1.0 - e2 * std::sin(phi) * std::sin(phi));
    const TVector p{(n + 1000.0) * std::cos(phi), 0.0, (n * (1.0 - e2) + 1000.0) * std::sin(phi), 0.0};
    EciToGeodetic(p, g, jd);
    EXPECT_NEAR(g.Latitude, phi, 1e-10);
    EXPECT_NEAR(g.Height, 1000.0, 1e-6);

    // The poles and the centre stay finite.
    EciToGeodetic(TVector{0.0, 0.0, -7000.0, 0.0}, g, jd);
    EXPECT_DOUBLE_EQ(g.Latitude, -Pi / 2.0);
    EXPECT_NEAR(g.Height, 7000.0 - 6378.135 * std::sqrt(1.0 - e2), 1e-6);
    EciToGeodetic(TVector{1e-9, 0.0, 1.0, 0.0}, g, jd);
    EXPECT_TRUE(std::isfinite(g.Latitude));
    EXPECT_TRUE(std::isfinite(g.Height));
}

}  // namespace
}  // namespace kestrune
