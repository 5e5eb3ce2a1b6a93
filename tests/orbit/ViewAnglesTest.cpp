#include "orbit/ViewAngles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrune {
namespace {

constexpr double Deg = 3.14159265358979323846 / 180.0;

// The sun at the equinox and the solstice of 2020, as the almanacs give
// their instants: on the equator at right ascension 0, then 23.44 degrees
// north at right ascension 90 degrees.
TEST(SunDirection, EquinoxAndSolstice) {
    const TVector equinox = SunDirection(2458928.5 + (3 + 50.0 / 60) / 24);  // 20 March 03:50 UTC
    EXPECT_NEAR(equinox.X, 1.0, 1e-6);
    EXPECT_NEAR(equinox.Y, 0.0, 1e-3);
    EXPECT_NEAR(equinox.Z, 0.0, 1e-3);
    const TVector solstice = SunDirection(2459020.5 + (21 + 44.0 / 60) / 24);  // 20 June 21:44 UTC
    EXPECT_NEAR(solstice.X, 0.0, 1e-3);
    EXPECT_NEAR(std::asin(solstice.Z) / Deg, 23.436, 0.01);
    EXPECT_NEAR(std::hypot(solstice.X, std::hypot(solstice.Y, solstice.Z)), 1.0, 1e-12);
}

// A direction zenith degrees from the vertical and azimuth degrees east of
// north, at a point on the equator at right ascension 0 (up is x, north z, east y).
TVector Towards(double zenith, double azimuth) {
    return {std::cos(zenith * Deg), std::sin(zenith * Deg) * std::sin(azimuth * Deg),
            std::sin(zenith * Deg) * std::cos(azimuth * Deg), 1.0};
}

TEST(ViewAngles, ZenithsAndTheirRelativeAzimuthWorkedByHand) {
    const TVector ground{6378.135, 0, 0, 6378.135};
    const TGeodetic geodetic{0, 0, 0, 0};
    struct Case {
        double sunZenith, sunAzimuth, satelliteZenith, satelliteAzimuth, relative;
    };
    for (const Case& c : {Case{60, 170, 40, -170, 20}, Case{30, 10, 55, 100, 90}, Case{100, -90, 5, 90, 180},
                          Case{45, 350, 20, 10, 20}}) {
        const TVector look = Towards(c.satelliteZenith, c.satelliteAzimuth);
        const TVector satellite{ground.X + 850 * look.X, ground.Y + 850 * look.Y, ground.Z + 850 * look.Z, 0};
        const TViewAngles angles = ViewAnglesAt(ground, geodetic, satellite, Towards(c.sunZenith, c.sunAzimuth));
        EXPECT_NEAR(angles.SolarZenith, c.sunZenith, 1e-4);
        EXPECT_NEAR(angles.SatelliteZenith, c.satelliteZenith, 1e-4);
        EXPECT_NEAR(angles.RelativeAzimuth, c.relative, 1e-3) << c.sunAzimuth << " and " << c.satelliteAzimuth;
    }
}

}  // namespace
}  // namespace kestrune
