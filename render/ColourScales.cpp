#include "render/ColourScales.h"

#include "decoding/qelHistogram.h"
#include "platform/SysUtils.h"
#include "render/BMPExtImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace kestrune {

namespace {

// ---- hue and factor scales of the false colour view -----------------------

struct THueSegment {
    int lastRounded;  // the segment serves rounded temperatures up to here
    double start, width;
    double hue0, hue1;
    double factor0, factor1;
};

constexpr std::array<THueSegment, 11> HueSegments{{
    {-51, -60, 10, 330, 280, 0.05, 0.1},
    {-41, -50, 10, 280, 260, 0.1, 0.11},
    {-31, -40, 10, 260, 230, 0.11, 0.12},
    {-21, -30, 10, 230, 210, 0.12, 0.11},
    {-11, -20, 10, 210, 185, 0.11, 0.07},
    {-1, -10, 10, 185, 165, 0.07, 0.0},
    {4, 0, 5, 110, 95, 0.0, 0.1},
    {9, 5, 5, 95, 85, 0.1, 0.12},
    {17, 10, 7, 85, 55, 0.12, 0.19},
    {27, 18, 10, 55, 35, 0.19, 0.25},
    {39, 28, 12, 35, 15, 0.25, 0.35},
}};

constexpr std::array<double, 10> CoarseHues{280, 260, 230, 210, 185, 150, 105, 55, 35, 15};
constexpr std::array<double, 10> CoarseFactors{0.07, 0.15, 0.2, 0.17, 0.1, 0.0, 0.13, 0.21, 0.25, 0.29};

// NaN goes to the low end.
double Clamp(double value, double low, double high) { return value > low ? std::min(value, high) : low; }

uint8_t ByteOf(double fraction) { return static_cast<uint8_t>(RoundToRange(255.0 * fraction, 0, 255)); }

// ---- the stepped temperature scale -----------------------------------------

// Rows of two indexes each, from index 40 (-60 C) to 139 (just below 40 C).
constexpr std::array<TRgbFraction, 50> GreyScaleRows{{
    {0, 0, 0},       {0.1, 0.1, 0.1}, {0.2, 0.2, 0.2}, {0.3, 0.3, 0.3}, {0.4, 0.4, 0.4},
    {0.5, 0.5, 0.5}, {0.4, 0.4, 0.5}, {0.3, 0.3, 0.5}, {0.2, 0.2, 0.5}, {0.1, 0.1, 0.5},
    {0, 0, 0.5},     {0.2, 0, 0.6},   {0.4, 0, 0.7},   {0.6, 0, 0.8},   {0.8, 0, 0.9},
    {1, 0, 1},       {0.8, 0, 1},     {0.6, 0, 1},     {0.4, 0, 1},     {0.2, 0, 1},
    {0, 0, 1},       {0, 0.2, 1},     {0, 0.4, 1},     {0, 0.6, 1},     {0, 0.8, 1},
    {0, 1, 1},       {0.2, 1, 1},     {0.4, 1, 1},     {0.6, 1, 1},     {0.8, 1, 1},
    {1, 1, 1},       {0.8, 1, 0.8},   {0.6, 1, 0.6},   {0.4, 1, 0.4},   {0.2, 1, 0.3},
    {0, 1, 0},       {0.2, 1, 0},     {0.4, 1, 0},     {0.6, 1, 0},     {0.8, 1, 0},
    {1, 1, 0},       {1, 0.8, 0},     {1, 0.6, 0},     {1, 0.4, 0},     {1, 0.2, 0},
    {1, 0, 0},       {1, 0.2, 0.2},   {1, 0.4, 0.4},   {1, 0.6, 0.6},   {1, 0.8, 0.8},
}};

uint8_t GammaByte(double component, double exponent) {
    return ByteOf(component > 0.0 ? std::pow(component, exponent) : 0.0);
}

// ---- enhancement curves ----------------------------------------------------

// Grey warmGrey at warmT falling linearly to coldGrey at coldT; applies from
// coldT upward when no warmer segment applied.
struct TCurveSegment {
    double warmT;
    double warmGrey;
    double coldT;
    double coldGrey;
};

constexpr TCurveSegment Linear(double warmGrey, double warmT, double coldGrey, double coldT) {
    return {warmT, warmGrey, coldT, coldGrey};
}
constexpr TCurveSegment Constant(double grey, double warmT, double coldT) {
    return {warmT, grey, coldT, grey};
}
// A step: the grey from this temperature up to the next warmer step.
constexpr TCurveSegment From(double grey, double t) { return {t, grey, t, grey}; }
constexpr TCurveSegment Below(double grey) {
    return From(grey, -std::numeric_limits<double>::infinity());
}

struct TEnhancementCurve {
    std::string_view name;
    std::string_view caption;
    std::vector<TCurveSegment> segments;  // warm to cold
};

const std::vector<TEnhancementCurve>& Curves() {
    static const std::vector<TEnhancementCurve> curves{
        {"Snow (3a)", "Snow (3a)", {}},
        {"BD", "BD",
         {Linear(0, 28.2, 255, 9.4), Linear(109, 9.2, 202, -30.5), Constant(60, -30.7, -41.9),
          Constant(110, -42.2, -54), Constant(160, -54.4, -64), Constant(0, -64.4, -69.5),
          Constant(255, -69.9, -75.7), Constant(135, -76.2, -80.6), Constant(85, -81.2, -110.3)}},
        {"CC", "CC",
         {Linear(1, 24.7, 50, -0.1), Linear(50, -0.2, 250, -35.2), Constant(105, -35.5, -41.1),
          Constant(155, -41.4, -47.4), Constant(185, -47.6, -52.1), Constant(70, -52.5, -58.4),
          Constant(0, -58.8, -62.1), Linear(0, -62.5, 255, -80), Constant(255, -80.6, -110.3)}},
        {"EC", "EC",
         {Linear(1, 37.2, 32, 20.8), Linear(33, 20.6, 200, -13.3), Constant(0, -13.5, -15.8),
          Linear(52, -15.9, 255, -50.3), Constant(0, -50.6, -60.2), Constant(168, -60.6, -70.4),
          Constant(255, -70.8, -110.3)}},
        {"HE", "HE",
         {Linear(0, 27.7, 60, 15.9), Linear(65, 15.7, 210, 0.1), Linear(80, -0.1, 255, -29.8),
          Constant(60, -30.1, -39.8), Constant(110, -40.1, -44.8), Constant(160, -45.1, -49.7),
          Constant(0, -50, -54.7), Constant(255, -55, -59.9), Linear(55, -60.2, 255, -79.5),
          Linear(55, -80, 255, -99.4), Constant(255, -100.4, -110.3)}},
        {"HF", "HF",
         {Linear(0, 27.7, 255, -29.8), Constant(60, -30.1, -39.8), Constant(110, -40.1, -44.8),
          Constant(160, -45.1, -49.7), Constant(0, -50, -54.7), Constant(255, -55, -59.9),
          Linear(55, -60.2, 255, -79.5), Linear(55, -80, 255, -99.4), Constant(255, -100.4, -110.3)}},
        {"JF", "JF",
         {Linear(10, 24.7, 255, 10.2), Constant(255, 10, 0.1), Linear(115, -0.1, 177, -32.9),
          Constant(117, -33.2, -42.7), Constant(155, -43, -53.7), Constant(70, -54, -59.9),
          Constant(0, -60.2, -63.6), Linear(15, -64, 255, -80), Constant(255, -80.6, -110.3)}},
        {"JJ", "JJ",
         {Linear(5, 22.7, 255, 0.1), Linear(115, -0.1, 177, -32.9), Constant(117, -33.2, -42),
          Linear(1, -42.2, 209, -59.8), Linear(36, -60.2, 255, -80.6), Linear(8, -81.2, 255, -104.9),
          Constant(255, -106.9, -110.3)}},
        {"MD", "MD",
         {Linear(0, 29.2, 100, 6.8), Linear(101, 6.7, 176, -31.2), Constant(117, -31.6, -42.3),
          Constant(155, -42.5, -53.3), Constant(70, -53.6, -59.4), Constant(0, -59.7, -63.1),
          Linear(0, -63.5, 255, -80.5), Constant(255, -81.1, -110.1)}},
        {"MB", "MB",
         {Linear(0, 29.2, 135, 6.8), Linear(136, 6.7, 210, -31.2), Linear(85, -31.6, 120, -42.3),
          Linear(150, -42.5, 185, -53.3), Linear(60, -53.6, 95, -59.4), Constant(0, -59.7, -63.1),
          Linear(0, -63.5, 255, -80.5), Constant(255, -81.1, -110.1)}},
        {"WV old", "WV (-10..-60)", {Linear(0, -10.8, 255, -60.2), Constant(255, -60.5, -124.9)}},
        {"WV new", "WV (-5..-90)", {Linear(0, -5, 255, -90), Constant(255, -90.1, -124.9)}},
        {"ZA", "ZA",
         {Linear(0, 29.2, 100, 6.8), Linear(101, 6.7, 200, -55.7), Linear(203, -56, 255, -75.2)}},
        {"BD enh", "BD (enh)",
         {From(160, 9), From(202, -31), From(60, -42), From(110, -54), From(160, -64), From(0, -70),
          From(255, -75), From(135, -80.2), From(95, -83.9), Below(64)}},
        {"BD1", "BD1",
         {From(160, 9), From(202, -31), From(60, -42), From(110, -54), From(160, -64), From(0, -70),
          From(255, -76), From(132, -81), From(92, -83.9), Below(64)}},
    };
    return curves;
}

double SegmentGrey(const TCurveSegment& s, double t) {
    if (s.warmGrey == s.coldGrey) return s.warmGrey;
    return s.warmGrey + (t - s.warmT) * (s.coldGrey - s.warmGrey) / (s.coldT - s.warmT);
}

}  // namespace

int RoundToRange(double value, int low, int high) {
    return static_cast<int>(Round(Clamp(value, low, high)));
}

THueAndFactor TemperatureToHueLightness(bool segments, double temperature) {
    const double t = Clamp(temperature, -60.0, 39.4);
    if (!segments) {
        const auto i = std::clamp<int64_t>(Round((t - 5.01) / 10.0), -6, 3) + 6;
        return {CoarseHues[i], CoarseFactors[i]};
    }
    const int64_t rounded = Round(t);
    const auto segment = std::find_if(HueSegments.begin(), HueSegments.end() - 1,
                                      [rounded](const THueSegment& s) { return rounded <= s.lastRounded; });
    const double f = Clamp((t - segment->start) / segment->width, 0.0, 1.0);
    return {(1.0 - f) * segment->hue0 + f * segment->hue1, (1.0 - f) * segment->factor0 + f * segment->factor1};
}

double HueToComponent(double hue, double m1, double m2) {
    if (hue < 60.0) return m2 + (m1 - m2) * hue / 60.0;
    if (hue < 180.0) return m1;
    if (hue < 240.0) return m2 + (m1 - m2) * (240.0 - hue) / 60.0;
    return m2;
}

namespace {
double WrapHue(double hue) {
    hue = std::fmod(hue, 360.0);
    return hue < 0.0 ? hue + 360.0 : hue;
}
}  // namespace

TRgbFraction HslToRgb(double hue, double saturation, double lightness) {
    saturation = std::min(saturation, 1.0);
    if (saturation <= 0.0) return {lightness, lightness, lightness};
    const double m1 = lightness <= 0.5 ? lightness * (1.0 + saturation)
                                       : lightness + saturation - lightness * saturation;
    const double m2 = 2.0 * lightness - m1;
    return {HueToComponent(WrapHue(hue + 120.0), m1, m2), HueToComponent(WrapHue(hue), m1, m2),
            HueToComponent(WrapHue(hue - 120.0), m1, m2)};
}

TRgbBytes FractionToBytes(const TRgbFraction& colour) {
    return {ByteOf(colour.red), ByteOf(colour.green), ByteOf(colour.blue)};
}

TRgbBytes TemperatureToGreyRgb(double temperature) {
    const double shifted = temperature + 100.0;
    // Out of the integer range the scale is grey in any case.
    const int64_t i = std::fabs(shifted) < 1e9 ? Trunc(shifted) : 0;
    TRgbFraction colour{0.5, 0.5, 0.5};
    if (i >= 40 && i <= 139) colour = GreyScaleRows[(i - 40) / 2];
    else if (i >= 140 && i <= 199) colour = {1.0, 1.0, 1.0};
    const double exponent = (i & 1) != 0 ? 0.67 : 0.53;
    return {GammaByte(colour.red, exponent), GammaByte(colour.green, exponent), GammaByte(colour.blue, exponent)};
}

std::string_view EnhancementCurveName(int curve) {
    return curve >= 0 && curve < EnhancementCurveCount ? Curves()[curve].name : std::string_view{};
}

int EnhancementCurveByName(std::string_view nameOrCaption) {
    const auto& curves = Curves();
    for (int i = 0; i < EnhancementCurveCount; ++i)
        if (SameText(curves[i].name, nameOrCaption) || SameText(curves[i].caption, nameOrCaption)) return i;
    return -1;
}

int TemperatureToGrey(int curve, double temperature) {
    if (curve < 1 || curve >= EnhancementCurveCount) return 0;
    const auto& segments = Curves()[curve].segments;
    auto segment = std::find_if(segments.begin(), segments.end() - 1,
                                [temperature](const TCurveSegment& s) { return temperature >= s.coldT; });
    return RoundToRange(SegmentGrey(*segment, temperature), 0, 255);
}

void AutoStretchBitmap(TExtBitmap& bitmap) {
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit || bitmap.Empty()) return;
    const int width = bitmap.Width();
    TqelHistogram histogram(768);
    histogram.SetHighPercent(99.4f);
    histogram.SetLowPercent(0.6f);
    for (int y = 0; y < bitmap.Height(); y += 10) {
        const uint8_t* pixel = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x, pixel += 3) histogram.Add(pixel[0] + pixel[1] + pixel[2]);
    }
    const int low = histogram.Low() / 3;
    const int high = histogram.High() / 3;
    if (high <= low) return;
    std::array<uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(v < low ? 0 : v > high ? 255 : (v - low) * 255 / (high - low));
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* byte = bitmap.ScanLine(y);
        for (size_t i = 0; i < bitmap.RowBytes(); ++i) byte[i] = table[byte[i]];
    }
}

}  // namespace kestrune
