// Constants, vectors, angles, time scales and frames of the orbit model.
// Lengths inside the propagators are earth radii (WGS-72, 6378.135 km), times
// are minutes since the element epoch, angles radians; Julian dates and
// TDateTime values are both UTC.
#pragma once

#include "platform/SysUtils.h"

#include <numbers>

namespace kestrune {

// A quantity of the orbit model that becomes undefined (square root of a
// negative, division by zero, a power of a base of zero or below, a result
// that is not a finite number) raises EMathError; the element set is unchanged.

namespace sgp {
constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2.0 * std::numbers::pi;
constexpr double EarthRadiusKm = 6378.135;               // km per earth radius
constexpr double Ke = 0.0743669161331734;                // sqrt(398600.8 * 3600 / 6378.135^3)
constexpr double K2 = 5.413079e-4;                       // J2 / 2
constexpr double K4 = 6.2098875e-7;                      // -3/8 J4
constexpr double A30OverK2 = 0.00469014030646883;        // -J3 / k2
constexpr double Q0MinusSToFourth = 1.880279159015271e-9; // ((120 - 78) / 6378.135)^4
constexpr double S = 1.01222928018927;                   // 1 + 78 / 6378.135
constexpr double TwoThirds = 2.0 / 3.0;
constexpr double KeplerTolerance = 1.0e-6;
constexpr int KeplerIterations = 10;
constexpr double MinutesPerDay = 1440.0;
constexpr double EarthFlattening = 1.0 / 298.26;
constexpr double EarthEccentricitySquared = EarthFlattening * (2.0 - EarthFlattening);
constexpr double DeepSpacePeriodMinutes = 225.0;
}  // namespace sgp

// X, Y, Z and, once an operation has set it, the length W.
struct TVector {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    double W = 0.0;
};

struct TGeodetic {
    double Latitude = 0.0;        // radians, geodetic
    double Longitude = 0.0;       // radians east, 0 .. < 2 pi
    double Height = 0.0;          // km above the ellipsoid
    double RightAscension = 0.0;  // radians, as QuadrantArcTan gives it
};

double CubeOf(double x);
// exp(exponent * ln(base)); EMathError "Invalid argument in Function Power!"
// for a base of zero or below.
double RaisePower(double base, double exponent);
double DegToRad(double degrees);
// A value in 0 .. < divisor for a positive divisor.
double PositiveModulus(double x, double divisor);
double WrapTwoPi(double x);
// Angle of (cosPart, sinPart) between -pi/2 and 3 pi/2; (0, 0) gives 3 pi/2.
double QuadrantArcTan(double sinPart, double cosPart);
// Square root that raises EMathError for a negative argument.
double CheckedSqrt(double x);
// Quotient that raises EMathError for a zero divisor.
double CheckedDivide(double dividend, double divisor);

void VectorMagnitude(TVector& v);
void VectorAdd(const TVector& a, const TVector& b, TVector& result);
// Components times k; W becomes |k| times a's W without being recomputed.
void VectorScale(const TVector& a, TVector& result, double k);
void VectorCross(const TVector& a, const TVector& b, TVector& result);
// Divides X, Y, Z by the stored W (the caller sets W first).
void VectorNormalise(TVector& v);

// Julian date of 0 January 0h of the year.
double YearStartJulianDate(int year);
// Element-set epoch YYDDD.DDDDDDDD to a Julian date; years 57-99 are 19xx.
// An epoch outside 0 .. < 100000 reads as 0.
double EpochToJulianDate(double epoch);
int DayNumberOfYear(int year, int month, int day);
double DayFraction(int hour, int minute, int second, int hundredths);
// Milliseconds are truncated to hundredths of a second.
double DateTimeToJulian(TDateTime time);
TDateTime UtcNow();
// Greenwich sidereal angle (0 .. 2 pi) at an element-set epoch; daysSince1950
// receives the epoch's days since 1950 Jan 0.0 for the deep-space model.
double GreenwichSiderealAtEpoch(double epoch, double& daysSince1950);
double GreenwichSiderealAtJD(double jd);

// Earth radii and earth radii per minute to km and km/s; W recomputed.
void ScaleStateToKm(TVector& position, TVector& velocity);
// Geodetic coordinates of a position in km at a Julian date.
void EciToGeodetic(const TVector& position, TGeodetic& geodetic, double jd);

}  // namespace kestrune
