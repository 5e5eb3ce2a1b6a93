// Hue colour scale shared by the calibration's temperature colours and the
// renderer's colour tables.
#pragma once

#include <cstdint>

namespace kestrune {

// HSV to RGB in 60-degree sectors; hue in degrees (any value, brought into
// 0..360), saturation and value 0..1; components 0..1. Saturation 0 gives
// three equal components.
void HsvToRgb(double Hue, double Saturation, double Value, double& R, double& G, double& B);

// Below Low (170, 190, 190); above High (100, 100, 85); otherwise the fully
// saturated hue 315 x (High - Value) / (High - Low) degrees, so High is red
// and Low magenta. An empty range (Value = Low = High) counts as the top of
// the scale.
void ValueToHueRgb(double Value, double Low, double High, int32_t& R, int32_t& G, int32_t& B);

}  // namespace kestrune
