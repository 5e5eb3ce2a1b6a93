#include "orbit/ViewAngles.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

using namespace sgp;

constexpr double Degree = Pi / 180.0;
constexpr double J2000 = 2451545.0;

double Dot(const TVector& a, const TVector& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// Zenith and azimuth (east of north) of a unit direction in the local frame.
struct TLocalDirection {
    double zenith;
    double azimuth;
};

class TLocalFrame {
public:
    explicit TLocalFrame(const TGeodetic& point) {
        const double sinLat = std::sin(point.Latitude), cosLat = std::cos(point.Latitude);
        const double sinRa = std::sin(point.RightAscension), cosRa = std::cos(point.RightAscension);
        up_ = {cosLat * cosRa, cosLat * sinRa, sinLat, 1.0};
        north_ = {-sinLat * cosRa, -sinLat * sinRa, cosLat, 1.0};
        east_ = {-sinRa, cosRa, 0.0, 1.0};
    }

    TLocalDirection Of(const TVector& unit) const {
        return {std::acos(std::clamp(Dot(unit, up_), -1.0, 1.0)), std::atan2(Dot(unit, east_), Dot(unit, north_))};
    }

private:
    TVector up_, north_, east_;
};

TVector UnitTowards(const TVector& from, const TVector& to) {
    TVector d{to.X - from.X, to.Y - from.Y, to.Z - from.Z, 0.0};
    VectorMagnitude(d);
    VectorNormalise(d);
    return d;
}

}  // namespace

TVector SunDirection(double jd) {
    const double n = jd - J2000;
    const double meanLongitude = (280.460 + 0.9856474 * n) * Degree;
    const double meanAnomaly = (357.528 + 0.9856003 * n) * Degree;
    const double longitude = meanLongitude + (1.915 * std::sin(meanAnomaly) + 0.020 * std::sin(2.0 * meanAnomaly)) * Degree;
    const double obliquity = (23.439 - 0.0000004 * n) * Degree;
    return {std::cos(longitude), std::cos(obliquity) * std::sin(longitude), std::sin(obliquity) * std::sin(longitude),
            1.0};
}

TViewAngles ViewAnglesAt(const TVector& ground, const TGeodetic& groundGeodetic, const TVector& satellite,
                         const TVector& sun) {
    const TLocalFrame frame(groundGeodetic);
    const TLocalDirection toSun = frame.Of(sun);
    const TLocalDirection toSatellite = frame.Of(UnitTowards(ground, satellite));
    double relative = std::fmod(std::fabs(toSun.azimuth - toSatellite.azimuth), TwoPi);
    if (relative > Pi) relative = TwoPi - relative;
    return {static_cast<float>(toSun.zenith / Degree), static_cast<float>(toSatellite.zenith / Degree),
            static_cast<float>(relative / Degree)};
}

}  // namespace kestrune
