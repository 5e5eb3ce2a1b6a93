#include "decoding/HueScale.h"

#include "platform/SysUtils.h"

#include <cmath>

namespace kestrune {
namespace {

int32_t ComponentByte(double component) {
    return static_cast<int32_t>(Round(component * 255.0));
}

// 0 <= result < 360; a hue that is not a number counts as 0.
double NormalisedHue(double hue) {
    if (!std::isfinite(hue)) return 0.0;
    double h = std::fmod(hue, 360.0);
    if (h < 0.0) h += 360.0;
    return h >= 360.0 ? 0.0 : h;
}

}  // namespace

void HsvToRgb(double Hue, double Saturation, double Value, double& R, double& G, double& B) {
    if (Saturation == 0.0) {
        R = G = B = Value;
        return;
    }
    const double h = NormalisedHue(Hue) / 60.0;
    const int sector = static_cast<int>(h);
    const double f = h - sector;
    const double p = Value * (1.0 - Saturation);
    const double q = Value * (1.0 - Saturation * f);
    const double t = Value * (1.0 - Saturation * (1.0 - f));
    switch (sector) {
        case 0: R = Value; G = t; B = p; break;
        case 1: R = q; G = Value; B = p; break;
        case 2: R = p; G = Value; B = t; break;
        case 3: R = p; G = q; B = Value; break;
        case 4: R = t; G = p; B = Value; break;
        default: R = Value; G = p; B = q; break;
    }
}

void ValueToHueRgb(double Value, double Low, double High, int32_t& R, int32_t& G, int32_t& B) {
    if (Value < Low) {
        R = 170, G = 190, B = 190;
        return;
    }
    if (Value > High) {
        R = 100, G = 100, B = 85;
        return;
    }
    const double range = High - Low;
    const double hue = range > 0.0 ? 315.0 * (High - Value) / range : 0.0;
    double r = 0.0, g = 0.0, b = 0.0;
    HsvToRgb(hue, 1.0, 1.0, r, g, b);
    R = ComponentByte(r);
    G = ComponentByte(g);
    B = ComponentByte(b);
}

}  // namespace kestrune
