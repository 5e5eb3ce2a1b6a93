#include "orbit/Orbits.h"

#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrune {
namespace {

using testing::TleLine1;
using testing::TleLine2;

constexpr double Pi = sgp::Pi;
constexpr double Deg = Pi / 180.0;

// A sun-synchronous orbit at about 850 km, epoch 2020 day 100.5.
testing::TleElements WeatherSet() {
    testing::TleElements e;
    e.epochDay = 100.5;
    e.meanMotion = 14.26;
    e.inclination = 98.7;
    return e;
}

const TDateTime Epoch = EncodeDate(2020, 4, 9) + 0.5;  // day 100.5

TVector EarthPointInInertialFrame(const TGroundPoint& point, double jd) {
    const double e2 = sgp::EarthEccentricitySquared;
    const double phi = point.Latitude * Deg;
    const double lambda = point.Longitude * Deg + GreenwichSiderealAtJD(jd);
    const double n = 6378.135 / std::sqrt(1.0 - e2 * std::sin(phi) * std::sin(phi));
    return {n * std::cos(phi) * std::cos(lambda), n * std::cos(phi) * std::sin(lambda), n * (1.0 - e2) * std::sin(phi), 0};
}

double AngleBetween(const TVector& a, const TVector& b) {
    const double dot = a.X * b.X + a.Y * b.Y + a.Z * b.Z;
    const double la = std::sqrt(a.X * a.X + a.Y * a.Y + a.Z * a.Z);
    const double lb = std::sqrt(b.X * b.X + b.Y * b.Y + b.Z * b.Z);
    return std::acos(std::clamp(dot / (la * lb), -1.0, 1.0));
}

// Direction on the ground from a to b as a local (east, north) vector in km.
TVector GroundDirection(const TGroundPoint& a, const TGroundPoint& b) {
    const double east = (b.Longitude - a.Longitude) * std::cos(a.Latitude * Deg) * 111.2;
    return {east, (b.Latitude - a.Latitude) * 111.2, 0.0, 0.0};
}

class OrbitsTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    TOrbit orbit;
    TScanLinePoints points{};
    double altitude = 0.0;

    void Embed(const std::string& name, const testing::TleElements& elements) {
        orbit.SetSatelliteName(name);
        orbit.UseEmbeddedKeplers(TleLine1(elements), TleLine2(elements), Epoch);
    }

    // Checks that every anchor lies on the look ray of its scan angle.
    void ExpectScanAngles(TDateTime time, double spacing, double divisor) {
        orbit.LocateScanLine(time, points, altitude);
        TSatellite satellite;
        satellite.LoadTLE(orbit.Satellite->Line1, orbit.Satellite->Line2);
        const double jd = DateTimeToJulian(time);
        TVector r, v;
        satellite.Propagate(r, v, jd);
        ScaleStateToKm(r, v);
        TGeodetic below;
        EciToGeodetic(r, below, jd);
        EXPECT_NEAR(altitude, below.Height, 1e-6);
        const TVector down{-r.X, -r.Y, -r.Z, 0.0};
        for (int k = -25; k <= 25; ++k) {
            const TGroundPoint& point = points[static_cast<size_t>(k + 25)];
            ASSERT_TRUE(IsLocated(point));
            EXPECT_GT(point.Longitude, -180.0f);
            EXPECT_LE(point.Longitude, 180.0f);
            const TVector g = EarthPointInInertialFrame(point, jd);
            const TVector look{g.X - r.X, g.Y - r.Y, g.Z - r.Z, 0.0};
            const double expected = std::abs(spacing * k + 0.5) * orbit.SemiAngle / divisor;
            EXPECT_NEAR(AngleBetween(look, down) / Deg, expected, 2e-4) << "anchor " << k + 25;
        }
    }

    // Angle in degrees between the scan line and the ground track at time.
    double ScanToTrackAngle(TDateTime time) {
        TScanLinePoints before{}, after{};
        orbit.LocateScanLine(time - 1.0 / SecsPerDay, before, altitude);
        orbit.LocateScanLine(time + 1.0 / SecsPerDay, after, altitude);
        orbit.LocateScanLine(time, points, altitude);
        return AngleBetween(GroundDirection(points[20], points[30]), GroundDirection(before[25], after[25])) / Deg;
    }
};

TEST_F(OrbitsTest, NamesGiveIdentityAndScannerGeometry) {
    struct Row {
        const char* given;
        const char* name;
        const char* shortName;
        const char* catalogNumber;
        float semiAngle;
        double yaw;
        bool yawSteering;
        bool meteorM2;
    };
    // In this order on one orbit: each name sets the geometry afresh.
    const Row rows[] = {
        {"NOAA 15", "NOAA-15", "n15", "25338", 55.37f, 0.0, false, false},
        {"noaa 15", "NOAA 15", "", "", 55.37f, 0.0, false, false},  // the containment test minds case
        {"NOAA 16", "NOAA-16", "n16", "26536", 55.25f, 0.0, false, false},
        {"NOAA 18", "NOAA-18", "n18", "28654", 55.37f, 0.0, false, false},
        {"METEOR-M1", "METEOR-M1", "", "35865", 54.0f, -1.1, false, false},
        {"METEOR-M2", "METEOR-M2", "", "40069", 55.37f, 0.0, false, true},
        {"METEOR-M2 2", "METEOR-M2 2", "", "44387", 55.37f, 0.0, false, true},
        {"METOP A", "METOP-A", "metopA", "29499", 55.37f, 0.0, true, false},
        {"METOP B", "METOP-B", "", "38771", 55.37f, 0.0, true, false},
        {"FENGYUN 1D", "FY1D", "fy1d", "27431", 55.37f, 0.0, false, false},
        {"SPOT 4", "SPOT-4", "spot-4", "25260", 50.5f, 0.0, false, false},
        {"NOAA 7", "NOAA-7", "n7", "12553", 55.37f, 0.0, false, false},
        {"TIROS-N", "TIROS-N", "Tiros-N", "11060", 55.37f, 0.0, false, false},
        {"fy3a", "FY3A", "", "32958", 55.37f, 0.0, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.given);
        orbit.SetSatelliteName(row.given);
        EXPECT_EQ(orbit.SatelliteName, row.name);
        EXPECT_EQ(orbit.ShortName, row.shortName);
        EXPECT_EQ(orbit.CatalogNumber, row.catalogNumber);
        EXPECT_FLOAT_EQ(orbit.SemiAngle, row.semiAngle);
        EXPECT_DOUBLE_EQ(orbit.YawCorrection, row.yaw);
        EXPECT_EQ(orbit.YawSteering, row.yawSteering);
        EXPECT_EQ(orbit.IsMeteorM2(), row.meteorM2);
    }
}

TEST_F(OrbitsTest, NoaaAnchorsLieOnTheirLookRays) {
    Embed("NOAA 19", WeatherSet());
    for (double minutes : {0.0, 17.0, 42.5, 600.0}) ExpectScanAngles(Epoch + minutes / MinsPerDay, 40.0, 1023.5);
    // The centre anchor is half a sample off nadir, next to the sub-satellite point.
    EXPECT_GT(altitude, 800.0);
    EXPECT_LT(altitude, 900.0);
}

TEST_F(OrbitsTest, MeteorM2AnchorsUseItsOwnSpacing) {
    Embed("METEOR-M2", WeatherSet());
    ExpectScanAngles(Epoch + 10.0 / MinsPerDay, 30.0, 769.5);
}

TEST_F(OrbitsTest, LookRaysThatMissTheEarthGiveUnlocatedPoints) {
    testing::TleElements navigation = WeatherSet();
    navigation.meanMotion = 2.0056;
    navigation.inclination = 55.0;
    Embed("GPS BIIR-2", navigation);
    ASSERT_TRUE(orbit.Satellite->DeepSpace);
    orbit.LocateScanLine(Epoch + 0.1, points, altitude);
    EXPECT_GT(altitude, 19000.0);
    EXPECT_TRUE(IsLocated(points[25]));
    EXPECT_FALSE(IsLocated(points[0]));
    EXPECT_FALSE(IsLocated(points[50]));
    EXPECT_EQ(points[0].Latitude, UnlocatedCoordinate);
    for (const TGroundPoint& point : points) {
        EXPECT_TRUE(std::isfinite(point.Latitude));
        EXPECT_TRUE(std::isfinite(point.Longitude));
    }
}

TEST_F(OrbitsTest, DirectionOfTravel) {
    Embed("NOAA 19", WeatherSet());
    TSatellite satellite;
    satellite.LoadTLE(TleLine1(WeatherSet()), TleLine2(WeatherSet()));
    int north = 0, south = 0;
    for (double minutes = 0.0; minutes < 100.0; minutes += 7.0) {
        const TDateTime time = Epoch + minutes / MinsPerDay;
        TVector r, v;
        satellite.Propagate(r, v, DateTimeToJulian(time));
        EXPECT_EQ(orbit.IsNorthbound(time), v.Z > 0.0);
        (v.Z > 0.0 ? north : south)++;
    }
    EXPECT_GT(north, 0);
    EXPECT_GT(south, 0);
}

}  // namespace
}  // namespace kestrune
