#include "tools/viewdata/ViewDataWriters.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrune::viewdata {

namespace {

// The hue columns of a colour look-up image are half degrees from -120 degrees Celsius.
double ColumnCelsius(int column) { return column / 2.0 - 120.0; }

void PutPixel(TExtBitmap& bitmap, int x, int y, const TBgrEntry& colour) {
    uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
    pixel[0] = colour.Blue;
    pixel[1] = colour.Green;
    pixel[2] = colour.Red;
}

void MakeClutBitmap(TExtBitmap& clut) {
    clut.SetPixelFormat(TPixelFormat::pf24bit);
    clut.SetSize(TClutImage::Width, TClutImage::Height);
}

// The range of the computed hues' temperature scale.
constexpr double ColdestHue = -60.0;
constexpr double WarmestHue = 39.4;
constexpr double ScaleShare = 0.5;
constexpr int TopCount = TClutImage::Height - 1;

}  // namespace

void BuildAshPalette(TExtBitmap& strip, const TColourScale& diverging) {
    strip.SetPixelFormat(TPixelFormat::pf24bit);
    strip.SetSize(static_cast<int>(TAshPalette().size()), AshPaletteRows);
    for (int k = -50; k <= 50; ++k)
        for (int row = 0; row < AshPaletteRows; ++row) PutPixel(strip, k + 50, row, diverging.At((k + 50) / 100.0));
}

void BuildStandardClut(TExtBitmap& clut) {
    // The view's own builder over one count a hue column, so that the
    // picture holds exactly what the view computes.
    std::vector<double> thermal(CountRange, KelvinOffset);
    for (int column = 0; column < TClutImage::Width; ++column) thermal[column] = ColumnCelsius(column) + KelvinOffset;
    TFalseColourTable table;
    BuildFalseColourLookup(table, {thermal.data(), 0, 0, 1.0, nullptr}, nullptr);
    MakeClutBitmap(clut);
    for (int column = 0; column < TClutImage::Width; ++column)
        for (int v = 0; v < CountRange; ++v) PutPixel(clut, column, TopCount - v, table.At(column, v));
}

void BuildScaleClut(TExtBitmap& clut, const TColourScale& scale) {
    MakeClutBitmap(clut);
    for (int column = 0; column < TClutImage::Width; ++column) {
        const double t = std::clamp(ColumnCelsius(column), ColdestHue, WarmestHue);
        const TBgrEntry colour = scale.At((t - ColdestHue) / (WarmestHue - ColdestHue));
        const auto tinted = [&](uint8_t component, double brightness) {
            return static_cast<uint8_t>(std::lround(brightness * (255.0 * (1 - ScaleShare) + component * ScaleShare)));
        };
        for (int v = 0; v < CountRange; ++v) {
            const double brightness = v / static_cast<double>(TopCount);
            PutPixel(clut, column, TopCount - v,
                     {tinted(colour.Blue, brightness), tinted(colour.Green, brightness), tinted(colour.Red, brightness)});
        }
    }
}

void CheckWorldMap(const TExtBitmap& map, const std::string& fileName) {
    if (map.PixelFormat() != TPixelFormat::pf24bit || map.Height() <= 200 || map.Width() != 2 * map.Height())
        throw Exception(fileName + " is not a colour world map twice as wide as high and over 200 lines high");
}

}  // namespace kestrune::viewdata
