#include "tests/support/PaletteFileWriter.h"

namespace kestrune::test {

namespace {

std::string ColourText(const TPaletteColour& colour) {
    return std::to_string(colour.Red) + " " + std::to_string(colour.Green) + " " + std::to_string(colour.Blue);
}

}  // namespace

std::vector<TPaletteColour> RampColours(int count, int blue) {
    std::vector<TPaletteColour> colours;
    for (int i = 0; i < count; ++i) colours.push_back({i, 255 - i, blue});
    return colours;
}

std::string TemperaturePaletteText(const std::vector<TPaletteColour>& colours, const char* lineEnd) {
    std::string text;
    for (const TPaletteColour& colour : colours) text += ColourText(colour) + lineEnd;
    return text;
}

std::string JascPaletteText(const std::vector<TPaletteColour>& colours, const char* lineEnd) {
    return std::string("JASC-PAL") + lineEnd + "0100" + lineEnd + std::to_string(colours.size()) + lineEnd +
           TemperaturePaletteText(colours, lineEnd);
}

std::string IndexedPaletteText(const std::vector<std::pair<int, TPaletteColour>>& entries) {
    std::string text = "Palette\n" + std::to_string(entries.size()) + "\n";
    for (const auto& [index, colour] : entries) text += std::to_string(index) + " " + ColourText(colour) + "\n";
    return text;
}

}  // namespace kestrune::test
