#include "orbit/Satellite.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace kestrune {

namespace {

using namespace sgp;

constexpr double RadiansPerRevPerDay = TwoPi / MinutesPerDay;
constexpr double SimpleModePerigee = 1.0 + 220.0 / EarthRadiusKm;

// Un-Kozai mean motion and semi-major axis with the quantities they need.
struct TRecoveredOrbit {
    double cosio, theta2, x3thm1, eosq, betao2, betao;
    double aodp, xnodp;
};

TRecoveredOrbit RecoverMeanMotion(double meanMotion, double eccentricity, double inclination) {
    TRecoveredOrbit o{};
    const double a1 = RaisePower(CheckedDivide(Ke, meanMotion), TwoThirds);
    o.cosio = std::cos(inclination);
    o.theta2 = o.cosio * o.cosio;
    o.x3thm1 = 3.0 * o.theta2 - 1.0;
    o.eosq = eccentricity * eccentricity;
    o.betao2 = 1.0 - o.eosq;
    o.betao = CheckedSqrt(o.betao2);
    const double del1 = CheckedDivide(1.5 * K2 * o.x3thm1, a1 * a1 * o.betao * o.betao2);
    const double ao = a1 * (1.0 - del1 * (0.5 * TwoThirds + del1 * (1.0 + 134.0 / 81.0 * del1)));
    const double delo = CheckedDivide(1.5 * K2 * o.x3thm1, ao * ao * o.betao * o.betao2);
    o.xnodp = CheckedDivide(meanMotion, 1.0 + delo);
    o.aodp = CheckedDivide(ao, 1.0 - delo);
    return o;
}

// NaN, and lengths that are not finite numbers once in km: junk elements can
// put a satellite further out than a double can square.
void RequireFinite(const TVector& position, const TVector& velocity) {
    const auto finiteLength = [](const TVector& v) {
        return std::isfinite((v.X * v.X + v.Y * v.Y + v.Z * v.Z) * (EarthRadiusKm * EarthRadiusKm));
    };
    if (!finiteLength(position) || !finiteLength(velocity)) throw EMathError("Invalid floating point operation");
}

}  // namespace

std::string TwoDigitText(int value) {
    value = std::clamp(value, 0, 99);
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string ThreeDigitText(int value) {
    value = std::clamp(value, 0, 999);
    return static_cast<char>('0' + value / 100) + TwoDigitText(value % 100);
}

void BlanksToZeros(std::string& text) { std::replace(text.begin(), text.end(), ' ', '0'); }

namespace {

std::string TleFieldText(std::string_view line, int start, int length) {
    std::string text = Copy(line, start, length);
    BlanksToZeros(text);
    return text;
}

}  // namespace

int TleIntField(std::string_view line, int start, int length) {
    return StrToIntDef(TleFieldText(line, start, length), 0);
}

double TleRealField(std::string_view line, int start, int length) {
    // An empty field reads as "0".
    const std::string text = TleFieldText(line, start, length);
    return text.empty() ? 0.0 : StrToFloatDef(text, 0.0);
}

namespace {

struct TElementField {
    int Start;
    int Length;
    bool Point;  // may hold a decimal point
    const char* Name;
};

constexpr TElementField Line1Fields[] = {{19, 14, true, "epoch"},           {34, 10, true, "first derivative"},
                                         {45, 6, false, "second derivative"}, {51, 2, false, "its exponent"},
                                         {54, 6, false, "drag term"},         {60, 2, false, "its exponent"},
                                         {66, 3, false, "element set number"}};
constexpr TElementField Line2Fields[] = {{9, 8, true, "inclination"},  {18, 8, true, "right ascension"},
                                         {27, 7, false, "eccentricity"}, {35, 8, true, "argument of perigee"},
                                         {44, 8, true, "mean anomaly"},  {53, 11, true, "mean motion"},
                                         {64, 5, false, "revolution number"}};

// A sign, then digits with at most one decimal point where one may stand.
bool IsDecimalText(std::string_view text, bool point) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    bool digit = false;
    bool pointSeen = !point;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
        } else {
            return false;
        }
    }
    return digit || text.empty();
}

}  // namespace

namespace {

// The field names are the element-set format's own and stay as they stand.
std::string FieldText(std::string_view line, const TElementField& field, TTextOf textOf, uint16_t fault,
                      std::string_view more = {}) {
    const std::string columns =
        FormatRes(textOf(res::SElementColumns), {std::to_string(field.Start), std::to_string(field.Start + field.Length - 1),
                                                 field.Name, Copy(line, field.Start, field.Length)});
    return FormatRes(textOf(fault), {columns, more});
}

// Values no satellite's orbit has: an inclination outside 0..180 degrees,
// a mean motion of 0 or less, a perigee inside the earth.
std::string OrbitFault(std::string_view line2, TTextOf textOf) {
    const TElementField& inclination = Line2Fields[0];
    const TElementField& eccentricity = Line2Fields[2];
    const TElementField& meanMotion = Line2Fields[5];
    const double degrees = TleRealField(line2, inclination.Start, inclination.Length);
    if (degrees < 0.0 || degrees > 180.0) return FieldText(line2, inclination, textOf, res::SElementNoInclination);
    const double revolutions = TleRealField(line2, meanMotion.Start, meanMotion.Length);
    if (revolutions <= 0.0) return FieldText(line2, meanMotion, textOf, res::SElementNoOrbit);
    const double semiMajorAxis = std::pow(Ke / (revolutions * RadiansPerRevPerDay), TwoThirds);  // earth radii
    const double perigee = semiMajorAxis * (1.0 - TleRealField(line2, eccentricity.Start, eccentricity.Length) * 1e-7);
    if (perigee < 1.0)
        return FieldText(line2, eccentricity, textOf, res::SElementPerigeeInside,
                         Format("%.0f", (1.0 - perigee) * EarthRadiusKm));
    return {};
}

}  // namespace

std::string ElementLineFault(std::string_view line, TTextOf textOf) {
    const bool first = !line.empty() && line.front() == '1';
    for (const TElementField& field : first ? std::span(Line1Fields) : std::span(Line2Fields)) {
        if (!IsDecimalText(TleFieldText(line, field.Start, field.Length), field.Point))
            return FieldText(line, field, textOf, res::SElementNotANumber);
    }
    return first ? std::string() : OrbitFault(line, textOf);
}

std::string ElementSetFault(std::string_view line1, std::string_view line2, TTextOf textOf) {
    if (line1.substr(0, 2) != "1 " || line2.substr(0, 2) != "2 ") return textOf(res::SElementLinesNotNumbered);
    if (line1.size() < 68 || line2.size() < 68) return textOf(res::SElementLineShort);
    if (line1.substr(2, 5) != line2.substr(2, 5)) return textOf(res::SElementLinesDifferentNumbers);
    int number = 1;
    for (const std::string_view line : {line1, line2}) {
        if (const std::string fault = ElementLineFault(line, textOf); !fault.empty())
            return FormatRes(textOf(res::SElementLineCause), {std::to_string(number), fault});
        ++number;
    }
    return {};
}

void TSatellite::LoadTLE(const std::string& line1, const std::string& line2) {
    Line1 = UpperCase(line1);
    Line2 = UpperCase(line2);
    CatalogNumber = Copy(Line1, 3, 5);

    EpochField = TleRealField(Line1, 19, 14);
    EpochJD = EpochToJulianDate(EpochField);
    const double firstDerivative = TleRealField(Line1, 34, 10);
    const double secondMantissa = TleRealField(Line1, 45, 6) * 0.00001;
    const int secondExponent = TleIntField(Line1, 51, 2);
    const double bstarMantissa = TleRealField(Line1, 54, 6) * 0.00001;
    const int bstarExponent = TleIntField(Line1, 60, 2);
    ElementSetNumber = ThreeDigitText(TleIntField(Line1, 66, 3));

    const double inclination = TleRealField(Line2, 9, 8);
    const double rightAscension = TleRealField(Line2, 18, 8);
    Eccentricity = TleRealField(Line2, 27, 7) * 0.0000001;
    if (Eccentricity == 0.0) Eccentricity = 1.0e-10;
    const double argOfPerigee = TleRealField(Line2, 35, 8);
    const double meanAnomaly = TleRealField(Line2, 44, 8);
    const double meanMotion = TleRealField(Line2, 53, 11);
    EpochRevolution = TleIntField(Line2, 64, 5);

    MeanMotionDDot = secondMantissa * RaisePower(10.0, secondExponent) * TwoPi / CubeOf(MinutesPerDay);
    BStar = bstarMantissa * RaisePower(10.0, bstarExponent) / 1.0;
    Inclination = DegToRad(inclination);
    RightAscension = DegToRad(rightAscension);
    ArgOfPerigee = DegToRad(argOfPerigee);
    MeanAnomaly = DegToRad(meanAnomaly);
    MeanMotion = meanMotion * RadiansPerRevPerDay;
    MeanMotionDot = firstDerivative * TwoPi / (MinutesPerDay * MinutesPerDay);

    const TRecoveredOrbit recovered = RecoverMeanMotion(MeanMotion, Eccentricity, Inclination);
    DeepSpace = TwoPi / recovered.xnodp >= DeepSpacePeriodMinutes;
    NeedsInit = true;
}

void TSatellite::Propagate(TVector& position, TVector& velocity, double jd) {
    const double days = jd - EpochJD;
    const double t = days * MinutesPerDay;
    if (DeepSpace)
        SDP4(position, velocity, t);
    else
        SGP4(position, velocity, t);
    if (ArgOfLatitude < 0.0) ArgOfLatitude += TwoPi;
    const double periodDays = TwoPi / (MeanMotion * MinutesPerDay);
    // A junk mean motion can count more orbits than the 32-bit counter holds.
    const double revolutions = days / periodDays + EpochRevolution + 0.5 - ArgOfLatitude / TwoPi;
    Revolution = static_cast<int32_t>(Trunc(std::clamp(revolutions, double{INT32_MIN}, double{INT32_MAX})));
    MeanRevolutions = (MeanMotion * t + MeanAnomaly - MeanMotionDot * t * t) / TwoPi + EpochRevolution;
}

void TSatellite::InitEpochConstants() {
    const TRecoveredOrbit o = RecoverMeanMotion(MeanMotion, Eccentricity, Inclination);
    TEpochConstants& k = k_;
    k.cosio = o.cosio;
    k.theta2 = o.theta2;
    k.x3thm1 = o.x3thm1;
    k.eosq = o.eosq;
    k.betao2 = o.betao2;
    k.betao = o.betao;
    k.aodp = o.aodp;
    k.xnodp = o.xnodp;
    k.sinio = std::sin(Inclination);
    k.x1mth2 = 1.0 - k.theta2;
    k.x7thm1 = 7.0 * k.theta2 - 1.0;

    // Atmosphere density parameters follow the perigee height.
    k.s4 = S;
    k.qoms24 = Q0MinusSToFourth;
    const double perigeeKm = (k.aodp * (1.0 - Eccentricity) - 1.0) * EarthRadiusKm;
    if (perigeeKm < 156.0) {
        const double sKm = perigeeKm <= 98.0 ? 20.0 : perigeeKm - 78.0;
        const double q0MinusS = (120.0 - sKm) / EarthRadiusKm;
        k.qoms24 = q0MinusS * q0MinusS * q0MinusS * q0MinusS;
        k.s4 = sKm / EarthRadiusKm + 1.0;
    }

    const double pinvsq = 1.0 / (k.aodp * k.aodp * k.betao2 * k.betao2);
    k.tsi = CheckedDivide(1.0, k.aodp - k.s4);
    k.eta = k.aodp * Eccentricity * k.tsi;
    const double etasq = k.eta * k.eta;
    const double eeta = Eccentricity * k.eta;
    const double psisq = std::abs(1.0 - etasq);
    k.coef = k.qoms24 * k.tsi * k.tsi * k.tsi * k.tsi;
    k.coef1 = k.coef / RaisePower(psisq, 3.5);
    const double c2 = k.coef1 * k.xnodp *
                      (k.aodp * (1.0 + 1.5 * etasq + eeta * (4.0 + etasq)) +
                       0.75 * K2 * k.tsi / psisq * k.x3thm1 * (8.0 + 3.0 * etasq * (8.0 + etasq)));
    k.c1 = BStar * c2;
    k.c4 = 2.0 * k.xnodp * k.coef1 * k.aodp * k.betao2 *
           (k.eta * (2.0 + 0.5 * etasq) + Eccentricity * (0.5 + 2.0 * etasq) -
            2.0 * K2 * k.tsi / (k.aodp * psisq) *
                (-3.0 * k.x3thm1 * (1.0 - 2.0 * eeta + etasq * (1.5 - 0.5 * eeta)) +
                 0.75 * k.x1mth2 * (2.0 * etasq - eeta * (1.0 + etasq)) * std::cos(2.0 * ArgOfPerigee)));

    const double theta4 = k.theta2 * k.theta2;
    const double temp1 = 3.0 * K2 * pinvsq * k.xnodp;
    const double temp2 = temp1 * K2 * pinvsq;
    const double temp3 = 1.25 * K4 * pinvsq * pinvsq * k.xnodp;
    k.xmdot = k.xnodp + 0.5 * temp1 * k.betao * k.x3thm1 +
              0.0625 * temp2 * k.betao * (13.0 - 78.0 * k.theta2 + 137.0 * theta4);
    const double x1m5th = 1.0 - 5.0 * k.theta2;
    k.omgdot = -0.5 * temp1 * x1m5th + 0.0625 * temp2 * (7.0 - 114.0 * k.theta2 + 395.0 * theta4) +
               temp3 * (3.0 - 36.0 * k.theta2 + 49.0 * theta4);
    const double xhdot1 = -temp1 * k.cosio;
    k.xnodot = xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * k.theta2) + 2.0 * temp3 * (3.0 - 7.0 * k.theta2)) * k.cosio;
    k.xnodcf = 3.5 * k.betao2 * xhdot1 * k.c1;
    k.t2cof = 1.5 * k.c1;
    k.xlcof = CheckedDivide(0.125 * A30OverK2 * k.sinio * (3.0 + 5.0 * k.cosio), 1.0 + k.cosio);
    k.aycof = 0.25 * A30OverK2 * k.sinio;
}

void TSatellite::InitNearEarthTerms() {
    const TEpochConstants& k = k_;
    TNearEarthTerms& n = ne_;
    n.simple = k.aodp * (1.0 - Eccentricity) < SimpleModePerigee;
    const double eeta = Eccentricity * k.eta;
    n.c3 = k.coef * k.tsi * A30OverK2 * k.xnodp * k.sinio / Eccentricity;
    const double etasq = k.eta * k.eta;
    n.c5 = 2.0 * k.coef1 * k.aodp * k.betao2 * (1.0 + 2.75 * (etasq + eeta) + eeta * etasq);
    n.omgcof = BStar * n.c3 * std::cos(ArgOfPerigee);
    n.xmcof = CheckedDivide(-TwoThirds * k.coef * BStar, eeta);
    const double delmo = 1.0 + k.eta * std::cos(MeanAnomaly);
    n.delmo = delmo * delmo * delmo;
    n.sinmo = std::sin(MeanAnomaly);
    if (n.simple) return;
    const double c1sq = k.c1 * k.c1;
    n.d2 = 4.0 * k.aodp * k.tsi * c1sq;
    const double temp = n.d2 * k.tsi * k.c1 / 3.0;
    n.d3 = (17.0 * k.aodp + k.s4) * temp;
    n.d4 = 0.5 * temp * k.aodp * k.tsi * (221.0 * k.aodp + 31.0 * k.s4) * k.c1;
    n.t3cof = n.d2 + 2.0 * c1sq;
    n.t4cof = 0.25 * (3.0 * n.d3 + k.c1 * (12.0 * n.d2 + 10.0 * c1sq));
    n.t5cof = 0.2 * (3.0 * n.d4 + 12.0 * k.c1 * n.d3 + 6.0 * n.d2 * n.d2 + 15.0 * c1sq * (2.0 * n.d2 + c1sq));
}

TSatellite::TSecularElements TSatellite::SecularGravityAndDrag(double t) const {
    const TEpochConstants& k = k_;
    const double tsq = t * t;
    return {MeanAnomaly + k.xmdot * t,
            ArgOfPerigee + k.omgdot * t,
            RightAscension + k.xnodot * t + k.xnodcf * tsq,
            1.0 - k.c1 * t,
            BStar * k.c4 * t,
            k.t2cof * tsq};
}

void TSatellite::SGP4(TVector& position, TVector& velocity, double minutesSinceEpoch) {
    if (NeedsInit) {
        InitEpochConstants();
        InitNearEarthTerms();
        NeedsInit = false;
    }
    const TEpochConstants& k = k_;
    const TNearEarthTerms& n = ne_;
    const double t = minutesSinceEpoch;
    TSecularElements s = SecularGravityAndDrag(t);
    double omega = s.omgadf;
    double xmp = s.xmdf;
    if (!n.simple) {
        const double delomg = n.omgcof * t;
        const double delmBase = 1.0 + k.eta * std::cos(s.xmdf);
        const double delm = n.xmcof * (delmBase * delmBase * delmBase - n.delmo);
        const double temp = delomg + delm;
        xmp = s.xmdf + temp;
        omega = s.omgadf - temp;
        const double tsq = t * t;
        const double tcube = tsq * t;
        const double tfour = t * tcube;
        s.tempa = s.tempa - n.d2 * tsq - n.d3 * tcube - n.d4 * tfour;
        s.tempe = s.tempe + BStar * n.c5 * (std::sin(xmp) - n.sinmo);
        s.templ = s.templ + n.t3cof * tcube + tfour * (n.t4cof + t * n.t5cof);
    }
    TMeanElements elements;
    elements.a = k.aodp * s.tempa * s.tempa;
    elements.e = Eccentricity - s.tempe;
    elements.omega = omega;
    elements.xnode = s.xnode;
    elements.xl = xmp + omega + s.xnode + k.xnodp * s.templ;
    elements.inclination = Inclination;
    PositionAndVelocity(elements, position, velocity);
}

void TSatellite::PositionAndVelocity(const TMeanElements& el, TVector& position, TVector& velocity) {
    const TEpochConstants& k = k_;
    const double beta = CheckedSqrt(1.0 - el.e * el.e);
    const double xn = Ke / RaisePower(el.a, 1.5);

    // Long-period periodics.
    const double axn = el.e * std::cos(el.omega);
    double temp = CheckedDivide(1.0, el.a * beta * beta);
    const double xll = temp * k.xlcof * axn;
    const double aynl = temp * k.aycof;
    const double xlt = el.xl + xll;
    const double ayn = el.e * std::sin(el.omega) + aynl;

    // Kepler's equation for the eccentric longitude. Sine and cosine stay
    // those of the estimate the last correction started from.
    const double capu = WrapTwoPi(xlt - el.xnode);
    double temp2 = capu;
    double sinepw = 0, cosepw = 0, temp3 = 0, temp4 = 0, temp5 = 0, temp6 = 0;
    for (int i = 0; i < KeplerIterations; ++i) {
        sinepw = std::sin(temp2);
        cosepw = std::cos(temp2);
        temp3 = axn * sinepw;
        temp4 = ayn * cosepw;
        temp5 = axn * cosepw;
        temp6 = ayn * sinepw;
        const double epw = CheckedDivide(capu - temp4 + temp3 - temp2, 1.0 - temp5 - temp6) + temp2;
        if (std::abs(epw - temp2) <= KeplerTolerance) break;
        temp2 = epw;
    }

    // Short-period preliminaries.
    const double ecose = temp5 + temp6;
    const double esine = temp3 - temp4;
    const double elsq = axn * axn + ayn * ayn;
    temp = 1.0 - elsq;
    const double pl = el.a * temp;
    const double r = el.a * (1.0 - ecose);
    double temp1 = CheckedDivide(1.0, r);
    const double rdot = Ke * CheckedSqrt(el.a) * esine * temp1;
    const double rfdot = Ke * CheckedSqrt(pl) * temp1;
    temp2 = el.a * temp1;
    const double betal = CheckedSqrt(temp);
    temp3 = 1.0 / (1.0 + betal);
    const double cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
    const double sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
    const double u = QuadrantArcTan(sinu, cosu);
    const double sin2u = 2.0 * sinu * cosu;
    const double cos2u = 2.0 * cosu * cosu - 1.0;
    temp = CheckedDivide(1.0, pl);
    temp1 = K2 * temp;
    temp2 = temp1 * temp;

    // Short-period periodics.
    const double rk = r * (1.0 - 1.5 * temp2 * betal * k.x3thm1) + 0.5 * temp1 * k.x1mth2 * cos2u;
    const double uk = u - 0.25 * temp2 * k.x7thm1 * sin2u;
    const double xnodek = el.xnode + 1.5 * temp2 * k.cosio * sin2u;
    const double xinck = el.inclination + 1.5 * temp2 * k.cosio * k.sinio * cos2u;
    const double rdotk = rdot - xn * temp1 * k.x1mth2 * sin2u;
    const double rfdotk = rfdot + xn * temp1 * (k.x1mth2 * cos2u + 1.5 * k.x3thm1);

    // Orientation vectors.
    const double sinuk = std::sin(uk), cosuk = std::cos(uk);
    const double sinik = std::sin(xinck), cosik = std::cos(xinck);
    const double sinnok = std::sin(xnodek), cosnok = std::cos(xnodek);
    const double xmx = -sinnok * cosik;
    const double xmy = cosnok * cosik;
    const double ux = xmx * sinuk + cosnok * cosuk;
    const double uy = xmy * sinuk + sinnok * cosuk;
    const double uz = sinik * sinuk;
    const double vx = xmx * cosuk - cosnok * sinuk;
    const double vy = xmy * cosuk - sinnok * sinuk;
    const double vz = sinik * cosuk;

    position.X = rk * ux;
    position.Y = rk * uy;
    position.Z = rk * uz;
    velocity.X = rdotk * ux + rfdotk * vx;
    velocity.Y = rdotk * uy + rfdotk * vy;
    velocity.Z = rdotk * uz + rfdotk * vz;
    RequireFinite(position, velocity);
    ArgOfLatitude = uk;
}

}  // namespace kestrune
