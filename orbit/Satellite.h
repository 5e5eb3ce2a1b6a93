// One NORAD two-line element set with its catalogue data and the SGP4 and
// SDP4 propagators of Spacetrack Report No. 3 (WGS-72 constants).
#pragma once

#include "orbit/OrbitMath.h"
#include "platform/ProgramStrings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Two-line element field helpers. Columns count from 1.
std::string TwoDigitText(int value);
std::string ThreeDigitText(int value);
void BlanksToZeros(std::string& text);
// The field's text with blanks read as zeros; 0 when it does not convert.
int TleIntField(std::string_view line, int start, int length);
double TleRealField(std::string_view line, int start, int length);
// Why an element line cannot be read: the first of its fields that is not a
// number (blanks read as zeros), or, on line 2, a value no orbit has (an
// inclination outside 0..180 degrees, no mean motion, a perigee inside the
// earth); "" when the line can be used. In the program's own English, or in
// the texts textOf gives (resStr: the language in effect).
std::string ElementLineFault(std::string_view line, TTextOf textOf = ProgramText);
// Why a pair of lines is no element set: line numbers, catalogue numbers or
// a field; "" when it is one. In the texts textOf gives, as above.
std::string ElementSetFault(std::string_view line1, std::string_view line2, TTextOf textOf = ProgramText);

// What the sun or the moon contributes to a deep-space orbit: secular rates
// and the coefficients of its long-period terms.
struct TLunarSolarTerms {
    double se = 0, si = 0, sl = 0, sgh = 0, sh = 0;
    double ee2 = 0, e3 = 0, xi2 = 0, xi3 = 0, xl2 = 0, xl3 = 0, xl4 = 0;
    double xgh2 = 0, xgh3 = 0, xgh4 = 0, xh2 = 0, xh3 = 0;
};

class TSatellite {
public:
    // Element set.
    std::string CatalogNumber;     // line 1 columns 3-7, upper case
    std::string ElementSetNumber;  // three digits
    bool DeepSpace = false;        // period of 225 minutes or more: SDP4
    double MeanAnomaly = 0.0;      // radians
    double RightAscension = 0.0;   // radians
    double ArgOfPerigee = 0.0;     // radians
    double Eccentricity = 0.0;     // never exactly 0
    double Inclination = 0.0;      // radians
    double MeanMotion = 0.0;       // radians per minute
    double MeanMotionDot = 0.0;    // radians per minute squared
    double MeanMotionDDot = 0.0;   // radians per minute cubed
    double BStar = 0.0;            // per earth radius
    double EpochJD = 0.0;
    double EpochRevolution = 0.0;
    double EpochField = 0.0;       // YYDDD.DDDDDDDD as read

    // Catalogue data (filled for sets that enter a TSatelliteList).
    double SignedValue = 0.0;
    double DownlinkFrequency = 0.0;  // MHz, 0 when unknown
    std::string SourceFile;          // file name without folder
    double LaunchDate = 0.0;         // Julian date, 0 when unknown
    double MeanRevolutions = 0.0;    // at the last propagation
    std::string Name;
    std::string Notes;
    double ArgOfLatitude = 0.0;      // at the last propagation, 0 .. 2 pi
    int32_t Revolution = 0;          // at the last propagation
    int32_t RateCode = 0;
    uint8_t FamilyCode = 0;
    std::string Line1;
    std::string Line2;
    bool NeedsInit = false;          // the next propagation computes the epoch constants
    bool NoaaType = false;
    double SemiAngle = 0.0;          // scanner semi-angle, degrees

    // Parses the two lines; unreadable fields read as 0. A mean motion of 0
    // or below leaves the orbit undefined and raises EMathError.
    void LoadTLE(const std::string& line1, const std::string& line2);

    // Position (earth radii) and velocity (earth radii per minute) at a
    // Julian date; updates ArgOfLatitude, Revolution and MeanRevolutions.
    // Raises EMathError when the model's quantities become undefined.
    void Propagate(TVector& position, TVector& velocity, double jd);
    void SGP4(TVector& position, TVector& velocity, double minutesSinceEpoch);
    void SDP4(TVector& position, TVector& velocity, double minutesSinceEpoch);

private:
    // Epoch quantities shared by both models.
    struct TEpochConstants {
        double cosio = 0, sinio = 0, theta2 = 0, x3thm1 = 0, x1mth2 = 0, x7thm1 = 0;
        double eosq = 0, betao = 0, betao2 = 0;
        double aodp = 0, xnodp = 0;
        double s4 = 0, qoms24 = 0;
        double eta = 0, c1 = 0, c4 = 0;
        double xmdot = 0, omgdot = 0, xnodot = 0;
        double xnodcf = 0, t2cof = 0, xlcof = 0, aycof = 0;
        double coef = 0, coef1 = 0, tsi = 0;
    };
    // Further terms of the near-earth drag model.
    struct TNearEarthTerms {
        bool simple = false;
        double c3 = 0, c5 = 0, omgcof = 0, xmcof = 0, delmo = 0, sinmo = 0;
        double d2 = 0, d3 = 0, d4 = 0, t3cof = 0, t4cof = 0, t5cof = 0;
    };
    // Lunar-solar and resonance terms of the deep-space model.
    struct TDeepSpaceTerms {
        double thgr = 0;
        double sse = 0, ssi = 0, ssl = 0, ssg = 0, ssh = 0;  // secular rates of sun and moon together
        TLunarSolarTerms sun, moon;
        double zmos = 0, zmol = 0;
        bool resonant = false, synchronous = false;
        double del1 = 0, del2 = 0, del3 = 0;
        double d2201 = 0, d2211 = 0, d3210 = 0, d3222 = 0, d4410 = 0, d4422 = 0;
        double d5220 = 0, d5232 = 0, d5421 = 0, d5433 = 0;
        double xlamo = 0, xfact = 0;
        // Integrator state.
        double atime = 0, xli = 0, xni = 0;
        // Periodic terms are reused within 30 minutes.
        double savtsn = 1.0e20;
        double pe = 0, pinc = 0, pl = 0, pgh = 0, ph = 0;
    };
    // Mean elements after secular gravity and the drag of the C1 and C4 terms.
    struct TSecularElements {
        double xmdf, omgadf, xnode, tempa, tempe, templ;
    };
    // Elements after the secular and periodic updates of one instant.
    struct TMeanElements {
        double a = 0, e = 0, omega = 0, xl = 0, xnode = 0, inclination = 0;
    };

    void InitEpochConstants();
    void InitNearEarthTerms();
    TSecularElements SecularGravityAndDrag(double t) const;
    void PositionAndVelocity(const TMeanElements& elements, TVector& position, TVector& velocity);

    void DeepInit();
    // Secular effects; the integrator time t is minutes since epoch.
    void DeepSecular(double& xll, double& omgasm, double& xnodes, double& em, double& xinc,
                     double& xn, double t);
    void DeepPeriodic(double& em, double& xinc, double& omgasm, double& xnodes, double& xll,
                      double t);
    void DeepLunarSolarTerms(double daysSince1950);
    void DeepResonanceInit();
    // Resonance coefficients; each returns the rate the integrator starts from.
    double InitHalfDayResonance();
    double InitSynchronousResonance();
    void DeepDotTerms(double& xndot, double& xnddt, double& xldot) const;

    TEpochConstants k_;
    TNearEarthTerms ne_;
    TDeepSpaceTerms ds_;
};

}  // namespace kestrune
