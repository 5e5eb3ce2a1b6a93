// Palette files as users make them: the temperature palette of 256
// "red green blue" lines, and the "JASC-PAL" and indexed "Palette" texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune::test {

struct TPaletteColour {
    int Red = 0;
    int Green = 0;
    int Blue = 0;
};

// count colours running (i, 255 - i, blue), the ramp the palette tests tell entries by.
std::vector<TPaletteColour> RampColours(int count, int blue);

// One "r g b" line a colour.
std::string TemperaturePaletteText(const std::vector<TPaletteColour>& colours, const char* lineEnd = "\n");
// "JASC-PAL", version, count, then one "r g b" line a colour.
std::string JascPaletteText(const std::vector<TPaletteColour>& colours, const char* lineEnd = "\r\n");
// "Palette", count, then "index r g b" lines.
std::string IndexedPaletteText(const std::vector<std::pair<int, TPaletteColour>>& entries);

}  // namespace kestrune::test
