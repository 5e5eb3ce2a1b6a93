// The resonance of 24-hour and 12-hour orbits with the earth's gravity field,
// which the deep-space model integrates in 720-minute steps.
#include "orbit/Satellite.h"

#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrune {
namespace {

constexpr double Deg = 3.14159265358979323846 / 180.0;
constexpr double MinutesPerDay = 1440.0;
constexpr double EarthRadiusKm = 6378.135;

// The orbit of a 24-hour satellite that is not quite equatorial.
struct TSynchronousOrbit {
    double inclination = 0.05;
    double rightAscension = 0.0;
    double argOfPerigee = 0.0;
    double eccentricity = 0.0002;
};

// A geostationary satellite at a mean anomaly that puts it over some
// longitude; the mean motion leaves it drifting slowly.
TSatellite Geostationary(double meanAnomaly, const TSynchronousOrbit& orbit = {}) {
    testing::TleElements elements;
    elements.catalog = 40001;
    elements.meanMotion = 1.0027;
    elements.eccentricity = orbit.eccentricity;
    elements.inclination = orbit.inclination;
    elements.rightAscension = orbit.rightAscension;
    elements.argOfPerigee = orbit.argOfPerigee;
    elements.meanAnomaly = meanAnomaly;
    elements.ndot = " .00000000";
    elements.bstar = " 00000-0";
    TSatellite satellite;
    satellite.LoadTLE(testing::TleLine1(elements), testing::TleLine2(elements));
    return satellite;
}

// Sub-satellite longitude in degrees east, days after the epoch.
double LongitudeAt(TSatellite& satellite, double days) {
    TVector p, v;
    const double jd = satellite.EpochJD + days;
    satellite.Propagate(p, v, jd);
    ScaleStateToKm(p, v);
    TGeodetic geodetic;
    EciToGeodetic(p, geodetic, jd);
    return geodetic.Longitude / Deg;
}

struct Drift {
    double longitude;     // degrees east, in the middle of the span
    double acceleration;  // degrees per day squared
};

// A parabola fitted to the daily longitudes of a span of days.
Drift MeasureDrift(TSatellite& satellite, int days) {
    std::vector<double> t, lon;
    double previous = LongitudeAt(satellite, 0.0), unwrapped = previous;
    for (int day = 0; day <= days; ++day) {
        const double now = LongitudeAt(satellite, day);
        double step = now - previous;
        if (step > 180) step -= 360;
        if (step < -180) step += 360;
        unwrapped += day == 0 ? 0.0 : step;
        previous = now;
        t.push_back(day - days / 2.0);
        lon.push_back(unwrapped);
    }
    // Least squares for lon = c0 + c1 t + c2 t^2 over t symmetric about 0.
    double s0 = 0, s2 = 0, s4 = 0, y0 = 0, y2 = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const double tt = t[i] * t[i];
        s0 += 1;
        s2 += tt;
        s4 += tt * tt;
        y0 += lon[i];
        y2 += lon[i] * tt;
    }
    const double c2 = (y2 * s0 - y0 * s2) / (s4 * s0 - s2 * s2);
    const double c0 = (y0 - c2 * s2) / s0;
    double middle = std::fmod(c0, 360.0);
    if (middle < 0) middle += 360;
    return {middle, 2 * c2};
}

// The earth's equator is slightly elliptic: a geostationary satellite is
// pulled towards the stable longitudes near 75 E and 105 W and away from 15 W
// and 165 E, at most about 0.0017 degree per day squared half-way between.
TEST(Sdp4Resonance, GeostationarySatellitesDriftTowardsTheStableLongitudes) {
    std::vector<Drift> drifts;
    for (double anomaly = 0; anomaly < 360; anomaly += 15) {
        TSatellite satellite = Geostationary(anomaly);
        ASSERT_TRUE(satellite.DeepSpace);
        drifts.push_back(MeasureDrift(satellite, 60));
    }
    // Where the acceleration turns from eastward to westward, going east.
    std::vector<double> stable;
    double largest = 0;
    for (size_t i = 0; i < drifts.size(); ++i) {
        const Drift& a = drifts[i];
        const Drift& b = drifts[(i + 1) % drifts.size()];
        largest = std::max(largest, std::fabs(a.acceleration));
        if (a.acceleration > 0 && b.acceleration <= 0) {
            double span = b.longitude - a.longitude;
            if (span < 0) span += 360;
            stable.push_back(std::fmod(a.longitude + span * a.acceleration / (a.acceleration - b.acceleration), 360.0));
        }
    }
    ASSERT_EQ(stable.size(), 2u);
    std::sort(stable.begin(), stable.end());
    EXPECT_NEAR(stable[0], 75.1, 5.0);
    EXPECT_NEAR(stable[1], 360.0 - 105.3, 5.0);
    EXPECT_NEAR(largest, 0.0017, 0.0005);
}

// The resonance pulls a 24-hour satellite along the equator with three
// harmonics of its longitude L (degrees per day squared):
//   A1 sin(L - 7.52) + A2 sin(2 (L - 165.26)) + A3 sin(3 (L - 21.46)),
// the terms of the earth's gravity field of degree and order 3,1; 2,2 and
// 3,3. Worked by hand for this orbit (a = 6.611 earth radii, n = 0.0043750
// rad/min, inclination near 0: f311 = -1.5, f220 = 3, f330 = 15):
//   A1 = 3 n^2 / a^2 x f311 x Q31 / a = -7.60e-5
//   A2 = 2 x 3 n^2 / a^2 x f220 x Q22 = 1.675e-3
//   A3 = 3 x 3 n^2 / a^2 x f330 x Q33 / a = 2.35e-4
// The drift measured at 24 longitudes must show each harmonic with its
// strength and phase.
TEST(Sdp4Resonance, TheThreeHarmonicsOfTheGeostationaryDrift) {
    std::vector<Drift> drifts;
    for (double anomaly = 0; anomaly < 360; anomaly += 15) {
        TSatellite satellite = Geostationary(anomaly);
        drifts.push_back(MeasureDrift(satellite, 30));
    }
    // Least squares for c0 + sum over k of (a_k cos kL + b_k sin kL), k = 1..3.
    constexpr int Terms = 7;
    std::vector<std::vector<double>> normal(Terms, std::vector<double>(Terms + 1, 0.0));
    for (const Drift& drift : drifts) {
        double row[Terms] = {1.0};
        for (int k = 1; k <= 3; ++k) {
            row[2 * k - 1] = std::cos(k * drift.longitude * Deg);
            row[2 * k] = std::sin(k * drift.longitude * Deg);
        }
        for (int i = 0; i < Terms; ++i) {
            for (int j = 0; j < Terms; ++j) normal[i][j] += row[i] * row[j];
            normal[i][Terms] += row[i] * drift.acceleration;
        }
    }
    for (int i = 0; i < Terms; ++i)
        for (int r = 0; r < Terms; ++r) {
            if (r == i) continue;
            const double factor = normal[r][i] / normal[i][i];
            for (int c = i; c <= Terms; ++c) normal[r][c] -= factor * normal[i][c];
        }
    const auto coefficient = [&](int i) { return normal[i][Terms] / normal[i][i]; };
    // The first harmonic, twenty times weaker than the second, is blurred by
    // the sun's pull on satellites at different longitudes by up to 5e-6.
    const struct {
        double amplitude;
        double phase;  // degrees
        double tolerance;
    } expected[] = {{-7.60e-5, 7.5235, 8e-6}, {1.675e-3, 165.2594, 1.7e-5}, {2.35e-4, 21.4562, 4.7e-6}};
    for (int k = 1; k <= 3; ++k) {
        // A sin(k (L - p)) = A cos(k p) sin kL - A sin(k p) cos kL.
        const double a = coefficient(2 * k - 1), b = coefficient(2 * k);
        const auto [amplitude, phase, tolerance] = expected[k - 1];
        SCOPED_TRACE(k);
        EXPECT_NEAR(b, amplitude * std::cos(k * phase * Deg), tolerance);
        EXPECT_NEAR(a, -amplitude * std::sin(k * phase * Deg), tolerance);
    }
}

// A Molniya orbit: half a sidereal day, eccentricity 0.72, apogee over the
// north at the critical inclination.
TSatellite Molniya() {
    testing::TleElements elements;
    elements.catalog = 40000;
    elements.meanMotion = 2.00637;
    elements.eccentricity = 0.72;
    elements.inclination = 63.4;
    elements.argOfPerigee = 270.0;
    elements.rightAscension = 100.0;
    elements.meanAnomaly = 10.0;
    TSatellite satellite;
    satellite.LoadTLE(testing::TleLine1(elements), testing::TleLine2(elements));
    return satellite;
}

TVector PositionKm(TSatellite& satellite, double minutes) {
    TVector p, v;
    satellite.SDP4(p, v, minutes);
    ScaleStateToKm(p, v);
    return p;
}

double DistanceKm(const TVector& a, const TVector& b) {
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) + (a.Z - b.Z) * (a.Z - b.Z));
}

// The resonance is integrated in 720-minute steps and taken on from the last
// step by its Taylor series: both must agree where a step ends, in either
// direction of time, whichever state the satellite was left in.
TEST(Sdp4Resonance, TheIntegratorStepsJoinWithoutAJump) {
    for (TSatellite satellite : {Molniya(), Geostationary(40.0)}) {
        for (const double boundary : {720.0, 5040.0, 21600.0, -720.0, -7200.0}) {
            const double epsilon = boundary > 0 ? 0.001 : -0.001;
            TSatellite fresh = satellite;
            const TVector before = PositionKm(fresh, boundary - epsilon);
            const TVector after = PositionKm(fresh, boundary + epsilon);
            TVector p, v;
            fresh.SDP4(p, v, boundary);
            ScaleStateToKm(p, v);
            // Two thousandths of a minute at up to 10 km/s: 1.2 km apart at most.
            EXPECT_LT(DistanceKm(before, after), 0.002 * 60 * v.W * 1.01) << boundary;
            // Reached the other way round, from beyond the boundary.
            TSatellite back = satellite;
            PositionKm(back, boundary + 3 * epsilon * 720000);
            EXPECT_LT(DistanceKm(PositionKm(back, boundary - epsilon), before), 0.05) << boundary;
        }
    }
}

// The resonance moves a Molniya satellite along its track day by day; these
// are this model's places after 1, 10 and 30 days (km), kept so that a change
// of a resonance term or of the integrator shows.
TEST(Sdp4Resonance, MolniyaPlacesOverAMonth) {
    struct Place {
        double days;
        double x, y, z;
    };
    const Place places[] = {
        {1.0, -999.1712, 11136.9987, -1816.5920},
        {10.0, -7456.3501, 16587.1450, 9774.4304},
        {30.0, -15158.0102, 15263.8178, 27002.7765},
        {-10.0, 2915.8538, -11380.8150, -1247.1828},
    };
    for (const Place& place : places) {
        TSatellite satellite = Molniya();
        const TVector p = PositionKm(satellite, place.days * MinutesPerDay);
        EXPECT_NEAR(p.X, place.x, 0.1) << place.days;
        EXPECT_NEAR(p.Y, place.y, 0.1) << place.days;
        EXPECT_NEAR(p.Z, place.z, 0.1) << place.days;
    }
}

// The places of geostationary satellites over three longitudes, and of two
// on an orbit inclined by 8 degrees, after 1, 10 and 30 days and 10 days
// before the epoch (km), kept so that a change of a 24-hour resonance term
// that moves them by more than 50 m shows; each lies 42,164 km from the
// earth's centre.
TEST(Sdp4Resonance, GeostationaryPlacesOverAMonth) {
    struct Place {
        double anomaly;
        double days;
        double x, y, z;
    };
    const TSynchronousOrbit inclined{8.0, 60.0, 120.0, 0.0003};
    const struct {
        TSynchronousOrbit orbit;
        std::vector<Place> places;
    } orbits[] = {
        {{},
         {{40.0, 1.0, 31816.2871, 27659.2830, 21.7100},     {40.0, 10.0, 27159.6517, 32243.5774, 21.7181},
          {40.0, 30.0, 14345.0938, 39642.3328, 31.9859},    {40.0, -10.0, 36399.0433, 21271.1446, 17.2279},
          {160.0, 1.0, -39873.5008, 13734.9934, -3.5369},   {160.0, 10.0, -41499.0310, 7515.2797, -6.7175},
          {160.0, 30.0, -41680.7730, -6444.7320, -19.6892}, {160.0, -10.0, -36579.2849, 20984.6590, 7.4638},
          {280.0, 1.0, 8018.5980, -41393.6577, -18.1829},   {280.0, 10.0, 14252.8323, -39680.0205, -14.9854},
          {280.0, 30.0, 26656.4686, -32663.6583, -12.1872}, {280.0, -10.0, 126.7266, -42164.2510, -24.6449}}},
        {inclined,
         {{40.0, 10.0, -27095.9538, -32277.2376, 1019.2061},  {40.0, 30.0, -14413.2295, -39601.6772, -1074.0764},
          {40.0, -10.0, -36214.7388, -21379.1865, 2902.8556}, {220.0, 10.0, 27139.8420, 32262.2183, -1025.6001},
          {220.0, 30.0, 14472.0897, 39589.6473, 1066.0397},   {220.0, -10.0, 36249.4812, 21364.7982, -2908.0730}}},
    };
    for (const auto& [orbit, places] : orbits)
        for (const Place& place : places) {
            SCOPED_TRACE(::testing::Message() << orbit.inclination << " " << place.anomaly << " " << place.days);
            TSatellite satellite = Geostationary(place.anomaly, orbit);
            const TVector p = PositionKm(satellite, place.days * MinutesPerDay);
            EXPECT_LT(DistanceKm(p, TVector{place.x, place.y, place.z, 0.0}), 0.05);
            EXPECT_NEAR(std::hypot(p.X, p.Y, p.Z), 42164.0, 15.0);
        }
}

}  // namespace
}  // namespace kestrune
