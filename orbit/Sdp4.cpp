// Deep-space model (SDP4 with subroutine DEEP of Spacetrack Report No. 3):
// lunar-solar secular and periodic terms, and the numerically integrated
// resonance of 12-hour and 24-hour orbits.
#include "orbit/Satellite.h"

#include <cmath>

namespace kestrune {

namespace {

using namespace sgp;

// Sun and moon.
constexpr double Zns = 1.19459e-5;
constexpr double C1ss = 2.9864797e-6;
constexpr double Zes = 0.01675;
constexpr double Znl = 1.5835218e-4;
constexpr double C1l = 4.7968065e-7;
constexpr double Zel = 0.0549;
constexpr double Zcosis = 0.91744867;
constexpr double Zsinis = 0.39785416;
constexpr double Zsings = -0.98088458;
constexpr double Zcosgs = 0.1945905;
// Below this inclination the node has no lunar-solar secular rate.
constexpr double LowInclination = 5.2359877e-2;
// From this inclination the periodics are applied directly, below it through Lyddane's form.
constexpr double LyddaneInclination = 0.2;
constexpr double PeriodicReuseMinutes = 30.0;

// Resonance.
constexpr double Q22 = 1.7891679e-6, Q31 = 2.1460748e-6, Q33 = 2.2123015e-7;
constexpr double G22 = 5.7686396, G32 = 0.95240898, G44 = 1.8014998, G52 = 1.0508330, G54 = 4.4108898;
constexpr double Root22 = 1.7891679e-6, Root32 = 3.7393792e-7, Root44 = 7.3636953e-9;
constexpr double Root52 = 1.1428639e-7, Root54 = 2.1765803e-9;
constexpr double Thdt = 4.3752691e-3;
constexpr double Fasx2 = 0.13130908, Fasx4 = 2.8843198, Fasx6 = 0.37448087;
constexpr double SynchronousLow = 0.0034906585, SynchronousHigh = 0.0052359877;
constexpr double HalfDayLow = 8.26e-3, HalfDayHigh = 9.24e-3;
constexpr double StepPositive = 720.0;
constexpr double StepNegative = -720.0;
constexpr double StepSquaredHalf = 259200.0;

// Orientation of the perturbing body's orbit.
struct TPerturber {
    double zcosg, zsing, zcosi, zsini, zcosh, zsinh;
    double cc, zn, ze;
};

// The satellite's epoch quantities the lunar-solar block reads.
struct TEpochOrbit {
    double eq, eqsq, siniq, cosiq, rteqsq, bsq, sinomo, cosomo, xnoi, xqncl;
};

TLunarSolarTerms LunarSolarBlock(const TPerturber& b, const TEpochOrbit& o) {
    const double a1 = b.zcosg * b.zcosh + b.zsing * b.zcosi * b.zsinh;
    const double a3 = -b.zsing * b.zcosh + b.zcosg * b.zcosi * b.zsinh;
    const double a7 = -b.zcosg * b.zsinh + b.zsing * b.zcosi * b.zcosh;
    const double a8 = b.zsing * b.zsini;
    const double a9 = b.zsing * b.zsinh + b.zcosg * b.zcosi * b.zcosh;
    const double a10 = b.zcosg * b.zsini;
    const double a2 = o.cosiq * a7 + o.siniq * a8;
    const double a4 = o.cosiq * a9 + o.siniq * a10;
    const double a5 = -o.siniq * a7 + o.cosiq * a8;
    const double a6 = -o.siniq * a9 + o.cosiq * a10;

    const double x1 = a1 * o.cosomo + a2 * o.sinomo;
    const double x2 = a3 * o.cosomo + a4 * o.sinomo;
    const double x3 = -a1 * o.sinomo + a2 * o.cosomo;
    const double x4 = -a3 * o.sinomo + a4 * o.cosomo;
    const double x5 = a5 * o.sinomo;
    const double x6 = a6 * o.sinomo;
    const double x7 = a5 * o.cosomo;
    const double x8 = a6 * o.cosomo;

    const double eqsq = o.eqsq;
    const double z31 = 12.0 * x1 * x1 - 3.0 * x3 * x3;
    const double z32 = 24.0 * x1 * x2 - 6.0 * x3 * x4;
    const double z33 = 12.0 * x2 * x2 - 3.0 * x4 * x4;
    double z1 = 3.0 * (a1 * a1 + a2 * a2) + z31 * eqsq;
    double z2 = 6.0 * (a1 * a3 + a2 * a4) + z32 * eqsq;
    double z3 = 3.0 * (a3 * a3 + a4 * a4) + z33 * eqsq;
    const double z11 = -6.0 * a1 * a5 + eqsq * (-24.0 * x1 * x7 - 6.0 * x3 * x5);
    const double z12 = -6.0 * (a1 * a6 + a3 * a5) + eqsq * (-24.0 * (x2 * x7 + x1 * x8) - 6.0 * (x3 * x6 + x4 * x5));
    const double z13 = -6.0 * a3 * a6 + eqsq * (-24.0 * x2 * x8 - 6.0 * x4 * x6);
    const double z21 = 6.0 * a2 * a5 + eqsq * (24.0 * x1 * x5 - 6.0 * x3 * x7);
    const double z22 = 6.0 * (a4 * a5 + a2 * a6) + eqsq * (24.0 * (x2 * x5 + x1 * x6) - 6.0 * (x4 * x7 + x3 * x8));
    const double z23 = 6.0 * a4 * a6 + eqsq * (24.0 * x2 * x6 - 6.0 * x4 * x8);
    z1 = z1 + z1 + o.bsq * z31;
    z2 = z2 + z2 + o.bsq * z32;
    z3 = z3 + z3 + o.bsq * z33;
    const double s3 = b.cc * o.xnoi;
    const double s2 = -0.5 * s3 / o.rteqsq;
    const double s4 = s3 * o.rteqsq;
    const double s1 = -15.0 * o.eq * s4;
    const double s5 = x1 * x3 + x2 * x4;
    const double s6 = x2 * x3 + x1 * x4;
    const double s7 = x2 * x4 - x1 * x3;

    TLunarSolarTerms p;
    p.se = s1 * b.zn * s5;
    p.si = s2 * b.zn * (z11 + z13);
    p.sl = -b.zn * s3 * (z1 + z3 - 14.0 - 6.0 * eqsq);
    p.sgh = s4 * b.zn * (z31 + z33 - 6.0);
    p.sh = o.xqncl < LowInclination ? 0.0 : -b.zn * s2 * (z21 + z23);
    p.ee2 = 2.0 * s1 * s6;
    p.e3 = 2.0 * s1 * s7;
    p.xi2 = 2.0 * s2 * z12;
    p.xi3 = 2.0 * s2 * (z13 - z11);
    p.xl2 = -2.0 * s3 * z2;
    p.xl3 = -2.0 * s3 * (z3 - z1);
    p.xl4 = -2.0 * s3 * (-21.0 - 9.0 * eqsq) * b.ze;
    p.xgh2 = 2.0 * s4 * z32;
    p.xgh3 = 2.0 * s4 * (z33 - z31);
    p.xgh4 = -18.0 * s4 * b.ze;
    p.xh2 = -2.0 * s2 * z22;
    p.xh3 = -2.0 * s2 * (z23 - z21);
    return p;
}

// sh / sin(i): sh is zero below the low inclination, where sin(i) may be zero too.
double NodeRate(double sh, double siniq) { return sh == 0.0 ? 0.0 : CheckedDivide(sh, siniq); }

// Long-period terms of one body at its mean anomaly zm: of eccentricity,
// inclination, mean longitude, perigee and node.
struct TLongPeriodTerms {
    double e, i, l, gh, h;
};

TLongPeriodTerms LongPeriodTerms(const TLunarSolarTerms& b, double zm, double ze) {
    const double zf = zm + 2.0 * ze * std::sin(zm);
    const double sinzf = std::sin(zf);
    const double f2 = 0.5 * sinzf * sinzf - 0.25;
    const double f3 = -0.5 * sinzf * std::cos(zf);
    return {b.ee2 * f2 + b.e3 * f3, b.xi2 * f2 + b.xi3 * f3, b.xl2 * f2 + b.xl3 * f3 + b.xl4 * sinzf,
            b.xgh2 * f2 + b.xgh3 * f3 + b.xgh4 * sinzf, b.xh2 * f2 + b.xh3 * f3};
}

}  // namespace

void TSatellite::SDP4(TVector& position, TVector& velocity, double minutesSinceEpoch) {
    if (NeedsInit) {
        InitEpochConstants();
        DeepInit();
        NeedsInit = false;
    }
    const TEpochConstants& k = k_;
    const double t = minutesSinceEpoch;
    TSecularElements s = SecularGravityAndDrag(t);
    double xn = k.xnodp;
    double em = 0.0;
    double xinc = 0.0;
    DeepSecular(s.xmdf, s.omgadf, s.xnode, em, xinc, xn, t);

    TMeanElements elements;
    elements.a = RaisePower(CheckedDivide(Ke, xn), TwoThirds) * s.tempa * s.tempa;
    elements.e = em - s.tempe;
    double xmam = s.xmdf + k.xnodp * s.templ;
    DeepPeriodic(elements.e, xinc, s.omgadf, s.xnode, xmam, t);
    elements.omega = s.omgadf;
    elements.xnode = s.xnode;
    elements.xl = xmam + s.omgadf + s.xnode;
    elements.inclination = xinc;
    PositionAndVelocity(elements, position, velocity);
}

void TSatellite::DeepInit() {
    ds_ = TDeepSpaceTerms{};
    double daysSince1950 = 0.0;
    ds_.thgr = GreenwichSiderealAtEpoch(EpochField, daysSince1950);
    DeepLunarSolarTerms(daysSince1950);
    DeepResonanceInit();
}

void TSatellite::DeepLunarSolarTerms(double daysSince1950) {
    const TEpochConstants& k = k_;
    TDeepSpaceTerms& d = ds_;

    // Lunar orbit at the epoch.
    const double day = daysSince1950 + 18261.5;
    const double xnodce = 4.5236020 - 9.2422029e-4 * day;
    const double stem = std::sin(xnodce);
    const double ctem = std::cos(xnodce);
    const double zcosil = 0.91375164 - 0.03568096 * ctem;
    const double zsinil = std::sqrt(1.0 - zcosil * zcosil);
    const double zsinhl = 0.089683511 * stem / zsinil;
    const double zcoshl = std::sqrt(1.0 - zsinhl * zsinhl);
    const double c = 4.7199672 + 0.22997150 * day;
    const double gam = 5.8351514 + 0.0019443680 * day;
    d.zmol = WrapTwoPi(c - gam);
    double zx = Zsinis * stem / zsinil;
    const double zy = zcoshl * ctem + Zcosis * zsinhl * stem;
    zx = QuadrantArcTan(zx, zy);
    zx = gam + zx - xnodce;
    const double zcosgl = std::cos(zx);
    const double zsingl = std::sin(zx);
    d.zmos = WrapTwoPi(6.2565837 + 0.017201977 * day);

    const TEpochOrbit o{Eccentricity, k.eosq, k.sinio, k.cosio, k.betao, k.betao2,
                        std::sin(ArgOfPerigee), std::cos(ArgOfPerigee), 1.0 / k.xnodp, Inclination};
    const double sinq = std::sin(RightAscension);
    const double cosq = std::cos(RightAscension);

    d.sun = LunarSolarBlock({Zcosgs, Zsings, Zcosis, Zsinis, cosq, sinq, C1ss, Zns, Zes}, o);
    d.moon = LunarSolarBlock({zcosgl, zsingl, zcosil, zsinil, zcoshl * cosq + zsinhl * sinq,
                              sinq * zcoshl - cosq * zsinhl, C1l, Znl, Zel},
                             o);
    const double sunNodeRate = NodeRate(d.sun.sh, k.sinio);
    const double moonNodeRate = NodeRate(d.moon.sh, k.sinio);
    d.sse = d.sun.se + d.moon.se;
    d.ssi = d.sun.si + d.moon.si;
    d.ssl = d.sun.sl + d.moon.sl;
    d.ssg = (d.sun.sgh - k.cosio * sunNodeRate) + (d.moon.sgh - k.cosio * moonNodeRate);
    d.ssh = sunNodeRate + moonNodeRate;
}

void TSatellite::DeepResonanceInit() {
    TDeepSpaceTerms& d = ds_;
    const double xnq = k_.xnodp;
    d.synchronous = xnq < SynchronousHigh && xnq > SynchronousLow;
    const bool halfDay = !d.synchronous && xnq >= HalfDayLow && xnq <= HalfDayHigh && Eccentricity >= 0.5;
    d.resonant = d.synchronous || halfDay;
    if (!d.resonant) return;
    const double bfact = d.synchronous ? InitSynchronousResonance() : InitHalfDayResonance();
    d.xfact = bfact - xnq;
    d.xli = d.xlamo;
    d.xni = xnq;
    d.atime = 0.0;
}

double TSatellite::InitHalfDayResonance() {
    const TEpochConstants& k = k_;
    TDeepSpaceTerms& d = ds_;
    const double eq = Eccentricity;
    const double eqsq = k.eosq;
    const double eoc = eq * eqsq;
    const auto cubic = [&](double c0, double c1, double c2, double c3) { return c0 + c1 * eq + c2 * eqsq + c3 * eoc; };
    const bool low = eq <= 0.65;
    const double g201 = -0.306 - (eq - 0.64) * 0.440;
    const double g211 = low ? cubic(3.616, -13.247, 16.290, 0.0) : cubic(-72.099, 331.819, -508.738, 266.724);
    const double g310 = low ? cubic(-19.302, 117.390, -228.419, 156.591) : cubic(-346.844, 1582.851, -2415.925, 1246.113);
    const double g322 = low ? cubic(-18.9068, 109.7927, -214.6334, 146.5816) : cubic(-342.585, 1554.908, -2366.899, 1215.972);
    const double g410 = low ? cubic(-41.122, 242.694, -471.094, 313.953) : cubic(-1052.797, 4758.686, -7193.992, 3651.957);
    const double g422 = low ? cubic(-146.407, 841.880, -1629.014, 1083.435) : cubic(-3581.69, 16178.11, -24462.77, 12422.52);
    const double g520 = low          ? cubic(-532.114, 3017.977, -5740.0, 3708.276)
                        : eq > 0.715 ? cubic(-5149.66, 29936.92, -54087.36, 31324.56)
                                     : cubic(1464.74, -4664.75, 3763.64, 0.0);
    const bool below07 = eq < 0.7;
    const double g533 = below07 ? cubic(-919.2277, 4988.61, -9064.77, 5542.21) : cubic(-37995.78, 161616.52, -229838.2, 109377.94);
    const double g521 = below07 ? cubic(-822.71072, 4568.6173, -8491.4146, 5337.524) : cubic(-51752.104, 218913.95, -309468.16, 146349.42);
    const double g532 = below07 ? cubic(-853.666, 4690.25, -8624.77, 5341.4) : cubic(-40023.88, 170470.89, -242699.48, 115605.82);

    const double siniq = k.sinio;
    const double cosiq = k.cosio;
    const double cosq2 = k.theta2;
    const double sini2 = siniq * siniq;
    const double f220 = 0.75 * (1.0 + 2.0 * cosiq + cosq2);
    const double f221 = 1.5 * sini2;
    const double f321 = 1.875 * siniq * (1.0 - 2.0 * cosiq - 3.0 * cosq2);
    const double f322 = -1.875 * siniq * (1.0 + 2.0 * cosiq - 3.0 * cosq2);
    const double f441 = 35.0 * sini2 * f220;
    const double f442 = 39.3750 * sini2 * sini2;
    const double f522 = 9.84375 * siniq *
                        (sini2 * (1.0 - 2.0 * cosiq - 5.0 * cosq2) + 0.33333333 * (-2.0 + 4.0 * cosiq + 6.0 * cosq2));
    const double f523 = siniq * (4.92187512 * sini2 * (-2.0 - 4.0 * cosiq + 10.0 * cosq2) +
                                 6.56250012 * (1.0 + 2.0 * cosiq - 3.0 * cosq2));
    const double f542 = 29.53125 * siniq * (2.0 - 8.0 * cosiq + cosq2 * (-12.0 + 8.0 * cosiq + 10.0 * cosq2));
    const double f543 = 29.53125 * siniq * (-2.0 - 8.0 * cosiq + cosq2 * (12.0 + 8.0 * cosiq - 10.0 * cosq2));

    const double aqnv = 1.0 / k.aodp;
    double temp1 = 3.0 * k.xnodp * k.xnodp * aqnv * aqnv;
    double temp = temp1 * Root22;
    d.d2201 = temp * f220 * g201;
    d.d2211 = temp * f221 * g211;
    temp1 = temp1 * aqnv;
    temp = temp1 * Root32;
    d.d3210 = temp * f321 * g310;
    d.d3222 = temp * f322 * g322;
    temp1 = temp1 * aqnv;
    temp = 2.0 * temp1 * Root44;
    d.d4410 = temp * f441 * g410;
    d.d4422 = temp * f442 * g422;
    temp1 = temp1 * aqnv;
    temp = temp1 * Root52;
    d.d5220 = temp * f522 * g520;
    d.d5232 = temp * f523 * g532;
    temp = 2.0 * temp1 * Root54;
    d.d5421 = temp * f542 * g521;
    d.d5433 = temp * f543 * g533;
    d.xlamo = MeanAnomaly + RightAscension + RightAscension - d.thgr - d.thgr;
    return k.xmdot + k.xnodot + k.xnodot - Thdt - Thdt + d.ssl + d.ssh + d.ssh;
}

double TSatellite::InitSynchronousResonance() {
    const TEpochConstants& k = k_;
    TDeepSpaceTerms& d = ds_;
    const double eqsq = k.eosq;
    const double siniq = k.sinio;
    const double cosiq = k.cosio;
    const double aqnv = 1.0 / k.aodp;
    const double g200 = 1.0 + eqsq * (-2.5 + 0.8125 * eqsq);
    const double g310 = 1.0 + 2.0 * eqsq;
    const double g300 = 1.0 + eqsq * (-6.0 + 6.60937 * eqsq);
    const double f220 = 0.75 * (1.0 + cosiq) * (1.0 + cosiq);
    const double f311 = 0.9375 * siniq * siniq * (1.0 + 3.0 * cosiq) - 0.75 * (1.0 + cosiq);
    const double f330 = 1.875 * (1.0 + cosiq) * (1.0 + cosiq) * (1.0 + cosiq);
    const double del1 = 3.0 * k.xnodp * k.xnodp * aqnv * aqnv;
    d.del2 = 2.0 * del1 * f220 * g200 * Q22;
    d.del3 = 3.0 * del1 * f330 * g300 * Q33 * aqnv;
    d.del1 = del1 * f311 * g310 * Q31 * aqnv;
    d.xlamo = MeanAnomaly + RightAscension + ArgOfPerigee - d.thgr;
    const double xpidot = k.omgdot + k.xnodot;
    return k.xmdot + xpidot - Thdt + d.ssl + d.ssg + d.ssh;
}

void TSatellite::DeepDotTerms(double& xndot, double& xnddt, double& xldot) const {
    const TDeepSpaceTerms& d = ds_;
    const double xli = d.xli;
    if (d.synchronous) {
        xndot = d.del1 * std::sin(xli - Fasx2) + d.del2 * std::sin(2.0 * (xli - Fasx4)) +
                d.del3 * std::sin(3.0 * (xli - Fasx6));
        xnddt = d.del1 * std::cos(xli - Fasx2) + 2.0 * d.del2 * std::cos(2.0 * (xli - Fasx4)) +
                3.0 * d.del3 * std::cos(3.0 * (xli - Fasx6));
    } else {
        const double xomi = ArgOfPerigee + k_.omgdot * d.atime;
        const double x2omi = xomi + xomi;
        const double x2li = xli + xli;
        xndot = d.d2201 * std::sin(x2omi + xli - G22) + d.d2211 * std::sin(xli - G22) +
                d.d3210 * std::sin(xomi + xli - G32) + d.d3222 * std::sin(-xomi + xli - G32) +
                d.d4410 * std::sin(x2omi + x2li - G44) + d.d4422 * std::sin(x2li - G44) +
                d.d5220 * std::sin(xomi + xli - G52) + d.d5232 * std::sin(-xomi + xli - G52) +
                d.d5421 * std::sin(xomi + x2li - G54) + d.d5433 * std::sin(-xomi + x2li - G54);
        xnddt = d.d2201 * std::cos(x2omi + xli - G22) + d.d2211 * std::cos(xli - G22) +
                d.d3210 * std::cos(xomi + xli - G32) + d.d3222 * std::cos(-xomi + xli - G32) +
                d.d5220 * std::cos(xomi + xli - G52) + d.d5232 * std::cos(-xomi + xli - G52) +
                2.0 * (d.d4410 * std::cos(x2omi + x2li - G44) + d.d4422 * std::cos(x2li - G44) +
                       d.d5421 * std::cos(xomi + x2li - G54) + d.d5433 * std::cos(-xomi + x2li - G54));
    }
    xldot = d.xni + d.xfact;
    xnddt = xnddt * xldot;
}

void TSatellite::DeepSecular(double& xll, double& omgasm, double& xnodes, double& em, double& xinc,
                             double& xn, double t) {
    TDeepSpaceTerms& d = ds_;
    xll += d.ssl * t;
    omgasm += d.ssg * t;
    xnodes += d.ssh * t;
    em = Eccentricity + d.sse * t;
    xinc = Inclination + d.ssi * t;
    if (xinc < 0.0) {
        xinc = -xinc;
        xnodes += Pi;
        omgasm -= Pi;
    }
    if (!d.resonant) return;

    double xndot = 0.0, xnddt = 0.0, xldot = 0.0;
    const auto integrate = [&](double delt) {
        DeepDotTerms(xndot, xnddt, xldot);
        d.xli = d.xli + xldot * delt + xndot * StepSquaredHalf;
        d.xni = d.xni + xndot * delt + xnddt * StepSquaredHalf;
        d.atime += delt;
    };

    // Step back towards the epoch while the requested time lies nearer to it;
    // restart from the epoch when there is no usable state on t's side.
    double delt = 0.0;
    for (;;) {
        const bool restart = d.atime == 0.0 || (t >= 0.0 && d.atime < 0.0) || (t < 0.0 && d.atime >= 0.0);
        if (restart) {
            delt = t >= 0.0 ? StepPositive : StepNegative;
            d.atime = 0.0;
            d.xni = k_.xnodp;
            d.xli = d.xlamo;
            break;
        }
        if (std::abs(t) >= std::abs(d.atime)) {
            delt = t > 0.0 ? StepPositive : StepNegative;
            break;
        }
        integrate(t >= 0.0 ? StepNegative : StepPositive);
    }
    while (std::abs(t - d.atime) >= StepPositive) integrate(delt);

    const double ft = t - d.atime;
    DeepDotTerms(xndot, xnddt, xldot);
    xn = d.xni + xndot * ft + xnddt * ft * ft * 0.5;
    const double xl = d.xli + xldot * ft + xndot * ft * ft * 0.5;
    const double temp = -xnodes + d.thgr + t * Thdt;
    xll = d.synchronous ? xl - omgasm + temp : xl + temp + temp;
}

void TSatellite::DeepPeriodic(double& em, double& xinc, double& omgasm, double& xnodes, double& xll,
                              double t) {
    TDeepSpaceTerms& d = ds_;
    const double sinis = std::sin(xinc);
    const double cosis = std::cos(xinc);
    if (std::abs(d.savtsn - t) >= PeriodicReuseMinutes) {
        d.savtsn = t;
        const TLongPeriodTerms sun = LongPeriodTerms(d.sun, d.zmos + Zns * t, Zes);
        const TLongPeriodTerms moon = LongPeriodTerms(d.moon, d.zmol + Znl * t, Zel);
        d.pe = sun.e + moon.e;
        d.pinc = sun.i + moon.i;
        d.pl = sun.l + moon.l;
        d.pgh = sun.gh + moon.gh;
        d.ph = sun.h + moon.h;
    }
    double pgh = d.pgh;
    double ph = d.ph;
    xinc += d.pinc;
    em += d.pe;

    if (Inclination >= LyddaneInclination) {
        ph = ph / k_.sinio;
        pgh = pgh - k_.cosio * ph;
        omgasm += pgh;
        xnodes += ph;
        xll += d.pl;
        return;
    }
    // Lyddane's modification keeps small inclinations regular. The node is
    // recomputed from its sine and cosine; it must stay within half a turn of
    // the value the mean longitude was built with, or the perigee takes up
    // the difference of a whole turn.
    xnodes = std::fmod(xnodes, TwoPi);
    const double sinok = std::sin(xnodes);
    const double cosok = std::cos(xnodes);
    double alfdp = sinis * sinok;
    double betdp = sinis * cosok;
    const double dalf = ph * cosok + d.pinc * cosis * sinok;
    const double dbet = -ph * sinok + d.pinc * cosis * cosok;
    alfdp += dalf;
    betdp += dbet;
    double xls = xll + omgasm + cosis * xnodes;
    const double dls = d.pl + pgh - d.pinc * xnodes * sinis;
    xls += dls;
    const double previousNode = xnodes;
    xnodes = QuadrantArcTan(alfdp, betdp);
    if (std::abs(previousNode - xnodes) > Pi) xnodes += xnodes < previousNode ? TwoPi : -TwoPi;
    xll += d.pl;
    omgasm = xls - xll - std::cos(xinc) * xnodes;
}

}  // namespace kestrune
