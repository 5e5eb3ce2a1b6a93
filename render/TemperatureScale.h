// The temperature scale beside the thermal views: a colour strip with a tick
// and a label every few degrees, painted through the bitmap's canvas. The
// side panel shows it, and saved temperature and SST images carry a copy.
#pragma once

#include <cstdint>

namespace kestrune {

class TExtBitmap;
class TSensor;

struct TTemperatureScaleInputs {
    uint8_t View = 0;            // the SST view scales the sensor's SST palette
    bool UserRange = false;      // CheckBoxUserRange
    int UserMin = -60;           // UpDownUserMinTemp
    int UserMax = 40;            // UpDownUserMaxTemp
    const TSensor* Sensor = nullptr;
};

enum class TScaleColours { GreySteps, Hue, SstPalette };

struct TScaleRange {
    int Low = -60;
    int High = 40;
    int Step = 10;
    TScaleColours Colours = TScaleColours::GreySteps;
};

// Degrees Celsius covered and the label step.
TScaleRange TemperatureScaleRange(const TTemperatureScaleInputs& inputs);

// Sizes the bitmap (24-bit) and paints the scale on it.
void PaintTemperatureScale(TExtBitmap& scale, int width, int height, const TTemperatureScaleInputs& inputs);

// The size saved images use when no window painted the scale.
constexpr int DefaultScaleWidth = 90;
constexpr int DefaultScaleHeight = 200;

}  // namespace kestrune
