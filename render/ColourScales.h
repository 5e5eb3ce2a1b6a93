// Fixed functions that turn a temperature (degrees Celsius) into a colour or
// a grey level for the thermal views, the HSL conversion they use and the
// named enhancement curves of the NOAA view, and the percentile stretch of a
// finished view. The HSV conversion and the hue
// ramp between two limits live with the calibration (decoding/HueScale.h),
// which needs them too.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrune {

class TExtBitmap;

// Colour components 0..1.
struct TRgbFraction {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// Colour components 0..255.
struct TRgbBytes {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const TRgbBytes&, const TRgbBytes&) = default;
};

struct THueAndFactor {
    double hue = 0.0;     // degrees
    double factor = 0.0;  // 0..0.35, the caller's saturation factor
};

// Rounded (halves to even) and limited to low..high; NaN gives low.
int RoundToRange(double value, int low, int high);

// segments = true: the 10-degree segment scale of the false colour view;
// false: the coarse ten-entry table.
THueAndFactor TemperatureToHueLightness(bool segments, double temperature);

double HueToComponent(double hue, double m1, double m2);
TRgbFraction HslToRgb(double hue, double saturation, double lightness);
// Each component times 255, rounded.
TRgbBytes FractionToBytes(const TRgbFraction& colour);

// The stepped two-degree colour scale of the temperature view.
TRgbBytes TemperatureToGreyRgb(double temperature);

// Enhancement curves 1..14; 0 is the snow composite of the NOAA view, not a
// curve. Curve index and menu item differ in order ("MB"/"MD") and in some
// captions, so callers go from the item's text to the curve by name.
constexpr int EnhancementCurveCount = 15;
// "Snow (3a)", "BD", ... "BD1"; "" outside 0..14.
std::string_view EnhancementCurveName(int curve);
// Curve of a name or caption (case ignored), -1 when none matches.
int EnhancementCurveByName(std::string_view nameOrCaption);

// Grey 0..255 of a temperature through a curve; 0 for curve 0 and any index
// outside 1..14.
int TemperatureToGrey(int curve, double temperature);

// Stretches a 24-bit bitmap in place between the 0.6 % and 99.4 % points of
// the brightness (blue + green + red) of every tenth line; other bitmaps,
// and one whose points coincide, are left as they are.
void AutoStretchBitmap(TExtBitmap& bitmap);

}  // namespace kestrune
