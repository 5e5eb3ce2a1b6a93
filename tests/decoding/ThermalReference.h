// The thermal calibration worked independently of the program: the Planck
// functions, the PRT polynomial and the two calibration methods written out
// plainly in long double, with every satellite's published constants typed
// in again. Tests compare the program's tables with these.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace kestrune::test {

using Real = long double;

inline Real RefRadiance(Real vc, Real t) {
    if (t <= 0) return 0;
    return 1.1910427e-5L * vc * vc * vc / (std::exp(1.4387752L * vc / t) - 1);
}

inline Real RefTemperature(Real vc, Real n) {
    if (n <= 0) return 0;
    return 1.4387752L * vc / std::log(1 + 1.1910427e-5L * vc * vc * vc / n);
}

struct RefPrt {
    double d0, d1, d2, d3 = 0.0, d4 = 0.0;
};

// One channel's constants; unused members stay zero.
struct RefChannel {
    double vc;
    double effA = 0.0, effB = 1.0;         // effective blackbody (newer satellites)
    double ns = 0.0, b0 = 0.0, b1 = 0.0, b2 = 0.0;  // non-linear correction
    double linB = 1.0, linA = 0.0, linD = 0.0, linNs = 0.0;  // quadratic correction
};

struct RefSatellite {
    uint8_t id;
    RefPrt prt[4];
    RefChannel ch3, ch4, ch5;
    bool nonLinear;
};

// Channel 3 of the older method: space radiance 0.0069, no correction.
inline RefChannel Ch3Linear(double vc) { return {vc, 0, 1, 0, 0, 0, 0, 1.0, 0.0, 0.0, 0.0069}; }
inline RefChannel Ch3Klm(double vc, double a, double b) { return {vc, a, b, 0, 0, 0, 0, 1.0, 0.0, 0.0, 0.0069}; }
inline RefChannel Klm(double vc, double a, double b, double ns, double b0, double b1, double b2) {
    return {vc, a, b, ns, b0, b1, b2};
}
inline RefChannel Lin(double vc, double b, double a, double d, double ns) { return {vc, 0, 1, 0, 0, 0, 0, b, a, d, ns}; }

inline const RefPrt DefaultPrt{276.597, 0.051275, 1.363e-6};

inline std::vector<RefSatellite> Satellites() {
    const RefChannel lin4 = Lin(929.08035, 0.92378, 0.0003822, 3.72, -4.05);
    const RefChannel lin5 = Lin(834.98565, 0.96194, 0.0001742, 2.0, -2.29);
    std::vector<RefSatellite> s;
    s.push_back({0, {DefaultPrt, DefaultPrt, DefaultPrt, DefaultPrt}, Ch3Linear(2644.353), lin4, lin5, false});
    s.push_back({1,
                 {{277.099, 0.05048, 2.823e-6}, {276.734, 0.05069, 2.493e-6}, {276.876, 0.05148, 1.04e-6},
                  {276.16, 0.05128, 1.414e-6}},
                 Ch3Linear(2671.1), Lin(927.01, 0.8978, 0.0004819, 5.25, -5.16),
                 Lin(840.686, 0.9368, 0.0002425, 3.93, -4.28), false});
    s.push_back({2,
                 {{277.018, 0.05128, 0}, {276.75, 0.05128, 0}, {276.862, 0.05128, 0}, {276.546, 0.05128, 0}},
                 Ch3Linear(2676.46), Lin(929.24, 0.8864, 0.0006033, 5.24, -5.53),
                 Lin(844.995, 0.9531, 0.0002198, 2.42, -3.06), false});
    const RefPrt noaa10{276.659, 0.051275, 1.363e-6};
    s.push_back({3, {noaa10, noaa10, noaa10, noaa10}, Ch3Linear(2659.18),
                 Lin(909.38, 0.8843, 0.0005882, 5.76, -7.29), Lin(909.38, 0.8843, 0.0005882, 5.76, -7.29), false});
    s.push_back({4, {DefaultPrt, DefaultPrt, DefaultPrt, DefaultPrt}, Ch3Linear(2679.775),
                 Lin(927.595, 0.8412, 0.0008739, 7.21, -8.05), Lin(841.975, 0.946, 0.0002504, 2.92, -3.51), false});
    s.push_back({5, {DefaultPrt, DefaultPrt, DefaultPrt, DefaultPrt}, Ch3Linear(2638.1395),
                 Lin(920.78975, 0.8893, 0.0005968, 5.11, -5.51), Lin(837.1946, 0.963, 0.0001775, 1.91, -2.51),
                 false});
    RefChannel ch3noaa14 = Ch3Linear(2644.353);
    ch3noaa14.linB = 1.00359;
    ch3noaa14.linD = -0.0031;
    s.push_back({6, {DefaultPrt, DefaultPrt, DefaultPrt, DefaultPrt}, ch3noaa14, lin4, lin5, false});
    s.push_back({7,
                 {{276.60157, 0.051045, 1.36328e-6}, {276.62531, 0.050909, 1.47266e-6},
                  {276.67413, 0.050907, 1.47656e-6}, {276.59258, 0.050966, 1.47656e-6}},
                 Ch3Klm(2695.9743, 1.621256, 0.998015),
                 Klm(925.4075, 0.33781, 0.998719, -4.5, 4.76, -0.0932, 0.0004524),
                 Klm(839.8979, 0.304558, 0.999024, -3.61, 3.83, -0.0659, 0.0002811), true});
    s.push_back({8,
                 {{276.355, 0.05562, -1.59e-5, 2.486e-8, -1.199e-11},
                  {276.142, 0.05605, -1.707e-5, 2.595e-8, -1.224e-11},
                  {275.996, 0.05486, -1.223e-5, 1.862e-8, -8.53e-12},
                  {276.132, 0.05494, -1.344e-5, 2.112e-8, -1.001e-11}},
                 Ch3Klm(2700.1148, 1.592459, 0.998147),
                 Klm(917.2289, 0.33238, 0.998522, -2.467, 2.96, -0.05411, 0.00024532),
                 Klm(838.1255, 0.674623, 0.998363, -2.009, 2.25, -0.03665, 0.00014854), true});
    s.push_back({9,
                 {{276.628, 0.05098, 1.371e-6}, {276.538, 0.05098, 1.371e-6}, {276.761, 0.05097, 1.369e-6},
                  {276.66, 0.051, 1.348e-6}},
                 Ch3Klm(2669.3554, 1.70238, 0.997378),
                 Klm(926.2947, 0.271683, 0.998794, -8.55, 8.22, -0.15795, 0.00075579),
                 Klm(839.8246, 0.30918, 0.999012, -3.97, 4.31, -0.07318, 0.00030976), true});
    s.push_back({10,
                 {{276.601, 0.0509, 1.657e-6}, {276.683, 0.05101, 1.482e-6}, {276.565, 0.05117, 1.313e-6},
                  {276.615, 0.05103, 1.484e-6}},
                 Ch3Klm(2659.7952, 1.698704, 0.99696),
                 Klm(928.146, 0.436645, 0.998607, -5.53, 5.82, -0.11069, 0.00052337),
                 Klm(833.2532, 0.253179, 0.999057, -2.22, 2.67, -0.0436, 0.00017715), true});
    s.push_back({11,
                 {{276.6067, 0.051111, 1.405783e-6}, {276.6119, 0.05109, 1.496037e-6},
                  {276.6311, 0.051033, 1.49699e-6}, {276.6268, 0.051058, 1.49311e-6}},
                 Ch3Klm(2670.0, 1.67396, 0.997364),
                 Klm(928.9, 0.53959, 0.998913, -5.49, 5.7, -0.11187, 0.00054668),
                 Klm(831.9, 0.36064, 0.998913, -3.39, 3.58, -0.05991, 0.00024985), true});
    const RefSatellite metopA{12,
                              {{276.6194, 0.050919, 1.470892e-6}, {276.6511, 0.050892, 1.489e-6},
                               {276.6597, 0.050845, 1.520646e-6}, {276.3685, 0.050992, 1.48239e-6}},
                              Ch3Klm(2687.0, 0.206699, 0.996577),
                              Klm(927.2, 0.55126, 0.998509, -4.98, 5.44, -0.10152, 0.00046964),
                              Klm(837.7, 0.34716, 0.998947, -3.4, 3.84, -0.06249, 0.00025239), true};
    s.push_back(metopA);
    s.push_back({13,
                 {{276.5853, 0.050933, 1.54333e-6}, {276.5335, 0.051033, 1.49751e-6},
                  {276.5721, 0.051097, 1.42928e-6}, {276.575, 0.05102, 1.50841e-6}},
                 Ch3Klm(2666.9951, 0.206699, 0.996577),
                 Klm(932.6465, 0.55126, 0.998509, -4.75, 4.85, -0.096771, 0.00048091),
                 Klm(838.857, 0.34716, 0.998947, -4.39, 4.36, -0.076635, 0.00033524), true});
    RefSatellite metopC = metopA;  // MetOp-C flies with MetOp-A's constants
    metopC.id = 14;
    s.push_back(metopC);
    return s;
}

struct Counts {
    double prt[4];
    int target3, space3, target4, space4, target5, space5;
};

struct Expected {
    Real prtTemperature = 0;
    std::vector<Real> t3, t4, t5;  // empty: not calibrated
};

inline Real RefPrtTemperature(const RefSatellite& s, const double prt[4]) {
    Real sum = 0;
    for (int i = 0; i < 4; ++i) {
        const RefPrt& d = s.prt[i];
        const double p = prt[i];
        const double t = d.d0 + p * (d.d1 + p * (d.d2 + p * (d.d3 + p * d.d4)));
        sum += static_cast<float>(t);
    }
    return sum / 4;
}

inline std::vector<Real> RefNonLinear(const RefChannel& k, Real prtTemperature, int target, int space) {
    const Real nbb = RefRadiance(k.vc, k.effA + k.effB * prtTemperature);
    std::vector<Real> table(1024);
    for (int c = 0; c < 1024; ++c) {
        const Real nlin = k.ns + (nbb - k.ns) * (space - c) / (space - target);
        const Real n = nlin + k.b0 + k.b1 * nlin + k.b2 * nlin * nlin;
        table[c] = n > 0 ? (RefTemperature(k.vc, n) - k.effA) / k.effB : 0;
    }
    return table;
}

inline std::vector<Real> RefLinearRadiance(const RefChannel& k, Real tbb, int target, int space) {
    const Real nbb = RefRadiance(k.vc, tbb);
    std::vector<Real> radiance(1024);
    for (int c = 0; c < 1024; ++c) {
        const Real nlin = k.linNs + (nbb - k.linNs) * (c - space) / (target - space);
        radiance[c] = k.linA * nlin * nlin + k.linB * nlin + k.linD;
    }
    return radiance;
}

inline std::vector<Real> RefLinear(const RefChannel& k, Real tbb, int target, int space) {
    std::vector<Real> table = RefLinearRadiance(k, tbb, target, space);
    for (Real& n : table) n = RefTemperature(k.vc, n);
    return table;
}

inline Expected RefCalibration(const RefSatellite& s, const Counts& c) {
    Expected e;
    e.prtTemperature = RefPrtTemperature(s, c.prt);
    const Real tbb = e.prtTemperature;
    if (s.nonLinear) {
        e.t4 = RefNonLinear(s.ch4, tbb, c.target4, c.space4);
        e.t5 = RefNonLinear(s.ch5, tbb, c.target5, c.space5);
    } else {
        e.t4 = RefLinear(s.ch4, tbb, c.target4, c.space4);
        e.t5 = RefLinear(s.ch5, tbb, c.target5, c.space5);
    }
    // Channel 3 always by the plain method with the measured temperature.
    if (c.target3 > 400 && c.space3 > 500 && c.target3 != c.space3) e.t3 = RefLinear(s.ch3, tbb, c.target3, c.space3);
    return e;
}

}  // namespace kestrune::test
