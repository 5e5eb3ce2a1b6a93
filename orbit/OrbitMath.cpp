#include "orbit/OrbitMath.h"

#include <cmath>

namespace kestrune {

namespace {

constexpr double J2000 = 2451545.0;
constexpr double DaysPerJulianCentury = 36525.0;
constexpr double JulianDate1950 = 2433281.5;
constexpr double SiderealSecondsPerDay = 86636.555366976;
constexpr int YearPivot = 57;
constexpr double GeodeticTolerance = 1.0e-10;
// The latitude iteration gains about two digits per step; a point far from
// the surface (or at the centre) must still end.
constexpr int GeodeticIterations = 20;

struct TEpochYearDay {
    int year;
    double day;
};

// The epoch field YYDDD.DDDDDDDD; a value the field cannot hold reads as 0,
// like a field that does not convert.
TEpochYearDay SplitEpoch(double epoch) {
    if (!(epoch >= 0.0 && epoch < 100000.0)) epoch = 0.0;
    const double scaled = epoch * 0.001;
    const double wholeYears = std::trunc(scaled);
    const int twoDigitYear = static_cast<int>(wholeYears);
    const int year = twoDigitYear + (twoDigitYear >= YearPivot ? 1900 : 2000);
    return {year, (scaled - wholeYears) * 1000.0};
}

// Sidereal angle from 0h UT of a day and the fraction of the day since then.
double SiderealAngle(double jd0, double ut) {
    const double t = (jd0 - J2000) / DaysPerJulianCentury;
    const double g = 24110.54841 + t * (8640184.812866 + t * (0.093104 - t * 6.2e-6));
    const double seconds = PositiveModulus(g + SiderealSecondsPerDay * ut, SecsPerDay);
    return sgp::TwoPi * seconds / SecsPerDay;
}

}  // namespace

double CubeOf(double x) { return x * x * x; }

double RaisePower(double base, double exponent) {
    if (base <= 0.0) throw EMathError("Invalid argument in Function Power!");
    return std::exp(exponent * std::log(base));
}

double DegToRad(double degrees) { return sgp::Pi * degrees / 180.0; }

double PositiveModulus(double x, double divisor) {
    const double result = x - std::trunc(x / divisor) * divisor;
    return result < 0.0 ? result + divisor : result;
}

double WrapTwoPi(double x) { return PositiveModulus(x, sgp::TwoPi); }

double QuadrantArcTan(double sinPart, double cosPart) {
    if (cosPart == 0.0) return sinPart > 0.0 ? sgp::Pi / 2.0 : 3.0 * sgp::Pi / 2.0;
    const double angle = std::atan(sinPart / cosPart);
    return cosPart > 0.0 ? angle : angle + sgp::Pi;
}

double CheckedSqrt(double x) {
    if (!(x >= 0.0)) throw EMathError("Invalid floating point operation");
    return std::sqrt(x);
}

double CheckedDivide(double dividend, double divisor) {
    if (divisor == 0.0) throw EMathError("Floating point division by zero");
    return dividend / divisor;
}

void VectorMagnitude(TVector& v) { v.W = std::sqrt(v.X * v.X + v.Y * v.Y + v.Z * v.Z); }

void VectorAdd(const TVector& a, const TVector& b, TVector& result) {
    result.X = a.X + b.X;
    result.Y = a.Y + b.Y;
    result.Z = a.Z + b.Z;
    VectorMagnitude(result);
}

void VectorScale(const TVector& a, TVector& result, double k) {
    result.X = a.X * k;
    result.Y = a.Y * k;
    result.Z = a.Z * k;
    result.W = std::abs(k) * a.W;
}

void VectorCross(const TVector& a, const TVector& b, TVector& result) {
    const TVector cross{a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X, 0.0};
    result = cross;
    VectorMagnitude(result);
}

void VectorNormalise(TVector& v) {
    v.X /= v.W;
    v.Y /= v.W;
    v.Z /= v.W;
}

double YearStartJulianDate(int year) {
    const int y = year - 1;
    const int a = y / 100;
    const int b = 2 - a + a / 4;
    return std::trunc(365.25 * y) + 428.0 + 1720994.5 + b;
}

double EpochToJulianDate(double epoch) {
    const TEpochYearDay parts = SplitEpoch(epoch);
    return YearStartJulianDate(parts.year) + parts.day;
}

int DayNumberOfYear(int year, int month, int day) {
    static constexpr int MonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int result = day;
    for (int m = 1; m < month && m <= 12; ++m) result += MonthLengths[m - 1];
    if (month > 2 && IsLeapYear(year)) ++result;
    return result;
}

double DayFraction(int hour, int minute, int second, int hundredths) {
    return (((second + hundredths / 100.0) / 60.0 + minute) / 60.0 + hour) / 24.0;
}

double DateTimeToJulian(TDateTime time) {
    const DateParts p = DecodeDateTime(time);
    return YearStartJulianDate(p.year) + DayNumberOfYear(p.year, p.month, p.day) +
           DayFraction(p.hour, p.minute, p.second, p.millisecond / 10);
}

TDateTime UtcNow() { return NowUtc(); }

double GreenwichSiderealAtEpoch(double epoch, double& daysSince1950) {
    const TEpochYearDay parts = SplitEpoch(epoch);
    const double wholeDay = std::trunc(parts.day);
    const double ut = parts.day - wholeDay;
    const double jd0 = YearStartJulianDate(parts.year) + wholeDay;
    daysSince1950 = jd0 - JulianDate1950 + ut;
    return SiderealAngle(jd0, ut);
}

double GreenwichSiderealAtJD(double jd) {
    const double shifted = jd + 0.5;
    const double ut = shifted - std::trunc(shifted);
    return SiderealAngle(jd - ut, ut);
}

void ScaleStateToKm(TVector& position, TVector& velocity) {
    constexpr double kmPerSecond = sgp::EarthRadiusKm / 60.0;
    VectorScale(position, position, sgp::EarthRadiusKm);
    VectorScale(velocity, velocity, kmPerSecond);
    VectorMagnitude(position);
    VectorMagnitude(velocity);
}

void EciToGeodetic(const TVector& position, TGeodetic& geodetic, double jd) {
    constexpr double a = sgp::EarthRadiusKm;
    constexpr double e2 = sgp::EarthEccentricitySquared;
    geodetic.RightAscension = QuadrantArcTan(position.Y, position.X);
    geodetic.Longitude = WrapTwoPi(geodetic.RightAscension - GreenwichSiderealAtJD(jd));
    const double r = std::sqrt(position.X * position.X + position.Y * position.Y);
    double latitude = 0.0;
    if (r == 0.0) {
        // On the polar axis the angle of (r, Z) would land on 3 pi/2 below the equator.
        latitude = position.Z >= 0.0 ? sgp::Pi / 2.0 : -sgp::Pi / 2.0;
    } else {
        latitude = QuadrantArcTan(position.Z, r);
        for (int i = 0; i < GeodeticIterations; ++i) {
            const double phi = latitude;
            const double sinPhi = std::sin(phi);
            const double c = 1.0 / std::sqrt(1.0 - e2 * sinPhi * sinPhi);
            latitude = QuadrantArcTan(position.Z + a * c * e2 * sinPhi, r);
            if (std::abs(latitude - phi) < GeodeticTolerance) break;
        }
    }
    // r / cos(latitude) - a c, written so that it stays finite at the poles.
    const double sinLat = std::sin(latitude);
    geodetic.Latitude = latitude;
    geodetic.Height = r * std::cos(latitude) + position.Z * sinLat - a * std::sqrt(1.0 - e2 * sinLat * sinLat);
}

}  // namespace kestrune
