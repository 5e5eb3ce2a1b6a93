#include "render/ViewLookups.h"

#include "decoding/HueScale.h"
#include "decoding/Sensor.h"
#include "render/ColourScales.h"
#include "render/RenderHost.h"
#include "../platform/TempFolder.h"
#include "SyntheticPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>

namespace kestrune {
namespace {

using testing::TTempFolder;

bool Same(const TBgrEntry& e, int red, int green, int blue) {
    return e.Red == red && e.Green == green && e.Blue == blue;
}
#define EXPECT_COLOUR(entry, r, g, b)                                                         \
    EXPECT_TRUE(Same(entry, r, g, b)) << "got red " << int((entry).Red) << " green " \
                                      << int((entry).Green) << " blue " << int((entry).Blue)

// Every count at the same temperature (kelvin).
std::array<double, CountRange> Uniform(double kelvin) {
    std::array<double, CountRange> table{};
    table.fill(kelvin);
    return table;
}

// Count c at (c - 512) / 10 degrees Celsius.
std::array<double, CountRange> Ramp() {
    std::array<double, CountRange> table{};
    for (int c = 0; c < CountRange; ++c) table[c] = 273.16 + (c - 512) / 10.0;
    return table;
}

TEST(ViewLookups, GammaChoicesAndTables) {
    const float menuGammas[] = {0.6f, 0.8f, 1.0f, 1.3f, 1.7f, 2.1f, 2.5f};
    for (int item = 0; item < 7; ++item) EXPECT_FLOAT_EQ(GammaForSelection(item), menuGammas[item]) << item;
    EXPECT_FLOAT_EQ(GammaForSelection(-1), 1.0f);
    EXPECT_FLOAT_EQ(GammaForSelection(7), 1.0f);

    TCountTable gamma{};
    BuildChannelGammaTable(gamma, 2.5);
    EXPECT_EQ(gamma[0], 0);
    EXPECT_EQ(gamma[512], 193);
    EXPECT_EQ(gamma[1023], 255);
    BuildChannelGammaTable(gamma, 1.0);
    EXPECT_EQ(gamma[512], 128);  // 127.62

    TSnowGammaTable snow{};
    BuildSnowGammaTable(snow);
    EXPECT_EQ(snow[0], 0);
    EXPECT_EQ(snow[255], 255);
    EXPECT_EQ(snow[128], 170);  // 255 x (128/255)^(1/1.7) = 170.4
}

TEST(ViewLookups, FalseColourSeaRowsRiseFromAQuarterOfTheSeaColour) {
    const auto thermal = Uniform(283.16);
    TFalseColourTable table;
    BuildFalseColourLookup(table, {thermal.data(), 40, RgbColor(0, 0, 255), 1.0, nullptr}, nullptr);
    EXPECT_COLOUR(table.At(0, 0), 0, 0, 63);
    EXPECT_COLOUR(table.At(0, 39), 0, 0, 93);
    EXPECT_COLOUR(table.At(700, 20), 0, 0, 78);  // Round(31 x 20/40 + 63) = Round(78.5) = 78
    // Row 40 is land: lightness 40/1023 of the 10 C hue.
    const THueAndFactor hue = TemperatureToHueLightness(true, 10.0);
    const double f = 40.0 / 1023.0;
    const TRgbBytes land = FractionToBytes(HslToRgb(hue.hue, (f * f + 0.75) * hue.factor, f));
    EXPECT_COLOUR(table.At(0, 40), land.red, land.green, land.blue);
}

TEST(ViewLookups, FalseColourWithoutSeaRunsFromBlackToWhite) {
    const auto thermal = Ramp();
    TFalseColourTable table;
    BuildFalseColourLookup(table, {thermal.data(), 0, RgbColor(0, 0, 255), 1.3, nullptr}, nullptr);
    for (int c : {0, 400, 1023}) {
        EXPECT_COLOUR(table.At(c, 0), 0, 0, 0);
        EXPECT_COLOUR(table.At(c, 1023), 255, 255, 255);
    }
    const double f = std::pow(500.0 / 1023.0, 1.0 / 1.3);
    // Counts 906 on lie beyond the scale's 39.4 C: their rows are the same.
    for (int c : {700, 905, 906, 907, 1023}) {
        const THueAndFactor hue = TemperatureToHueLightness(true, (c - 512) / 10.0);
        const TRgbBytes mid = FractionToBytes(HslToRgb(hue.hue, (f * f + 0.75) * hue.factor, f));
        EXPECT_COLOUR(table.At(c, 500), mid.red, mid.green, mid.blue);
    }
}

TEST(PaletteFile, EntriesLoadAndDamagedFilesKeepTheGreyRampBeyond) {
    TTempFolder folder;
    std::string standard = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int k = 0; k < 256; ++k) standard += std::to_string(k) + " " + std::to_string(255 - k) + " 7\r\n";
    std::string over256 = "JASC-PAL\n0100\n300\n";
    for (int k = 0; k < 300; ++k) over256 += "0 0 255\n";
    const std::string badLine = "JASC-PAL\n0100\n256\n9 9 9\n8 x 8\n7 7 7\n";
    const std::string indexed = "Palette\n256\n0 10 20 30\n5 1 1 1\n  2   40 50 60  \n";
    const struct {
        std::string text;
        int count;
        std::array<int, 3> rgb;
    } cases[] = {
        {standard, 3, {0, 255, 7}},       {standard, 4, {1, 254, 7}},     {standard, 1023, {255, 0, 7}},
        {over256, 1023, {0, 0, 255}},     // a count above 256 uses the first 256
        {"JASC-PAL\n0100\n256\n9 9 9\n8 8 8\n", 4, {8, 8, 8}},
        {"JASC-PAL\n0100\n256\n9 9 9\n8 8 8\n", 8, {2, 2, 2}},  // the grey ramp i >> 2 beyond
        {badLine, 0, {9, 9, 9}},          {badLine, 8, {2, 2, 2}},        // reading ends at the bad line
        {"JASC-PAL\n0100\n256\n9 9\n", 0, {0, 0, 0}},
        {"JASC-PAL\n0100\n256\n300 9 9\n", 0, {0, 0, 0}},
        {indexed, 0, {10, 20, 30}},       {indexed, 4, {1, 1, 1}},        {indexed, 8, {40, 50, 60}},
        {"GIMP Palette\n0 0 0\n", 1023, {255, 255, 255}},
        {"", 517, {129, 129, 129}},
    };
    for (const auto& c : cases) {
        TPalette1D palette{};
        LoadPaletteFile(palette, folder.Write("p.pal", c.text));
        EXPECT_COLOUR(palette[c.count], c.rgb[0], c.rgb[1], c.rgb[2]) << c.text << " count " << c.count;
    }
    TPalette1D missing{};
    EXPECT_FALSE(LoadPaletteFile(missing, folder / "none.pal"));
    EXPECT_COLOUR(missing[1023], 255, 255, 255);
    // A file is a palette when it gives at least one colour.
    const std::pair<std::string, bool> palettes[] = {
        {standard, true}, {indexed, true}, {badLine, true}, {"JASC-PAL\n0100\n256\n9 9\n", false},
        {"Palette\n256\n1 10 20 30\n", false}, {"GIMP Palette\n0 0 0\n", false}, {"", false},
        {"255,0,0\n", false}};
    for (const auto& [text, palette] : palettes) {
        TPalette1D colours{};
        EXPECT_EQ(LoadPaletteFile(colours, folder.Write("p.pal", text)), palette) << text;
    }
}

TEST(ViewLookups, VegetationLevels) {
    EXPECT_EQ(VegetationLevel(0.25), 135);
    EXPECT_EQ(VegetationLevel(-0.06), 255);
    EXPECT_EQ(VegetationLevel(0.7), 0);
    EXPECT_EQ(VegetationLevel(-0.05), 240);
    EXPECT_EQ(VegetationLevel(0.6), 12);  // 240 - 0.65 x 350 = 12.5, halves to even
}

TEST(ViewLookups, MvlLookupMixesChannelsTwoAndFour) {
    TFalseColourTable table;
    BuildMvlLookup(table);
    EXPECT_COLOUR(table.At(1023, 0), 255, 255, 0);
    EXPECT_COLOUR(table.At(0, 1023), 0, 0, 255);
    EXPECT_COLOUR(table.At(200, 100), 175, 100, 25);  // green 2 x 50, red green + (green - blue)
}

class SensorLookupTest : public ::testing::Test {
protected:
    SensorLookupTest() {
        const double tbb = sensor_.BlackbodyTemperature(300, 300, 300, 300);
        sensor_.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    }
    TTempFolder folder_;
    TSensor sensor_;
    THRPTvideo video_;
    TViewOptions options_;
    TFalseColourTable table_;
    TPalette1D palette_{};

    // The first pair whose colour is not that of the sensor's own SST of it, or "" when none.
    std::string FirstPairNotAsTheSensorSays() const {
        for (int a = 0; a < CountRange; ++a)
            for (int b = 0; b < CountRange; ++b)
                if (!(table_.At(a, b) == SstPaletteColour(sensor_, sensor_.SeaSurfaceTemperature(a, b, -1.0f, true))))
                    return std::to_string(a) + ", " + std::to_string(b);
        return {};
    }
};

// By rows, rejected neighbours sharing a colour: still, pair by pair, the
// colour of the sensor's SST without a zenith, by day, with and without the
// cloud test, over another range, and uncalibrated.
TEST_F(SensorLookupTest, SstTableColoursEveryPairAsTheSensorsOwnSst) {
    options_.CheckBoxSSTIrCloudCheck = true;
    BuildSstLookup(table_, sensor_, options_);
    EXPECT_EQ(FirstPairNotAsTheSensorSays(), "");
    EXPECT_TRUE(sensor_.SstCloudTest());
    options_.CheckBoxSSTIrCloudCheck = false;
    options_.UpDownSSTCh4Reject = -20;
    sensor_.SetPaletteLow(5);
    sensor_.SetPaletteHigh(12);
    BuildSstLookup(table_, sensor_, options_);
    EXPECT_EQ(FirstPairNotAsTheSensorSays(), "");
    std::set<int> colours;
    for (int a = 0; a < CountRange; ++a)
        for (int b = 0; b < CountRange; ++b) {
            const TBgrEntry& colour = table_.At(a, b);
            colours.insert(colour.Red << 16 | colour.Green << 8 | colour.Blue);
        }
    EXPECT_GT(colours.size(), 100u) << "a scale of colours, not only the rejected pairs'";
    sensor_.CalibrateThermal(0, 0, 0.0, 1, 1, 1, 1);
    BuildSstLookup(table_, sensor_, options_);
    EXPECT_EQ(FirstPairNotAsTheSensorSays(), "");
}

}  // namespace
}  // namespace kestrune
