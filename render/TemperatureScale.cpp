#include "render/TemperatureScale.h"

#include "decoding/HueScale.h"
#include "decoding/Sensor.h"
#include "decoding/ViewNames.h"
#include "platform/SysUtils.h"
#include "platform/SystemUtils.h"
#include "render/BMPExtImage.h"
#include "render/Canvas.h"
#include "render/ColourScales.h"
#include "render/ViewLookups.h"

#include <algorithm>
#include <string>

namespace kestrune {

namespace {

int UserStep(int span) {
    if (span < 6) return 1;
    if (span < 11) return 2;
    if (span < 21) return 5;
    return 10;
}

TColor ScaleColour(const TScaleRange& range, const TTemperatureScaleInputs& inputs, double t) {
    switch (range.Colours) {
        case TScaleColours::SstPalette: {
            const TBgrEntry colour = SstPaletteColour(*inputs.Sensor, t);
            return RgbColor(colour.Red, colour.Green, colour.Blue);
        }
        case TScaleColours::Hue: {
            int32_t red = 0, green = 0, blue = 0;
            ValueToHueRgb(t, range.Low, range.High, red, green, blue);
            return RgbColor(static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue));
        }
        default: {
            const TRgbBytes colour = TemperatureToGreyRgb(t);
            return RgbColor(colour.red, colour.green, colour.blue);
        }
    }
}

std::string Label(int t) { return " " + std::to_string(t) + DegreeSign + "C "; }

// Pixels first..end-1 of row y in one colour, as a one-pixel line drawn there would leave them; written
// straight into the pixels, since the painter hands every line of a 5,400-line scale to its thread pool.
void PaintRow(TExtBitmap& scale, int first, int end, int y, TColor colour) {
    uint8_t* pixel = scale.ScanLine(y) + 3 * static_cast<ptrdiff_t>(std::max(first, 0));
    for (int x = std::max(first, 0); x < std::min(end, scale.Width()); ++x, pixel += 3) {
        pixel[0] = BlueOf(colour);
        pixel[1] = GreenOf(colour);
        pixel[2] = RedOf(colour);
    }
}

}  // namespace

TScaleRange TemperatureScaleRange(const TTemperatureScaleInputs& inputs) {
    if (inputs.View == ViewSst && inputs.Sensor) {
        return {inputs.Sensor->PaletteLow() - 1, inputs.Sensor->PaletteHigh() + 1, 5, TScaleColours::SstPalette};
    }
    if (inputs.UserRange) return {inputs.UserMin, inputs.UserMax, UserStep(inputs.UserMax - inputs.UserMin), TScaleColours::Hue};
    return {};
}

void PaintTemperatureScale(TExtBitmap& scale, int width, int height, const TTemperatureScaleInputs& inputs) {
    scale.SetPixelFormat(TPixelFormat::pf24bit);
    scale.SetSize(0, 0);
    scale.SetSize(width, height);
    if (scale.Empty()) return;
    const TScaleRange range = TemperatureScaleRange(inputs);
    const int span = range.High - range.Low;
    TCanvas& canvas = scale.Canvas();
    const int x0 = canvas.TextWidth(Label(-50));
    const int halfHeight = canvas.TextHeight(Label(-50)) / 2;
    for (int y = 0; y < height; ++y)
        PaintRow(scale, x0, width, y, ScaleColour(range, inputs, range.Low + static_cast<double>(span) * y / height));
    canvas.Pen.Width = 1;
    canvas.Pen.Style = TPenStyle::psSolid;
    if (span <= 0) return;
    canvas.Pen.Color = clBlack;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Color = clBlack;
    for (int t = range.Low + 1; t < range.High; ++t) {
        if (t % range.Step != 0) continue;
        const int y = static_cast<int>(Round(static_cast<double>(t - range.Low) * height / span));
        canvas.MoveTo(x0, y);
        canvas.LineTo(width, y);
        canvas.TextOut(0, y - halfHeight, Label(t));
    }
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

}  // namespace kestrune
