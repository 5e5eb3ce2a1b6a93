// Colour tables of the product views, built once per render so that the
// render loop colours every pixel with a few indexed reads: gamma tables,
// the screen blend of the VI false colour, the 2-D lookups over two counts
// (false colour, ash, SST, vegetation, MVL) and the 1-D palettes over one
// count (enhancement curves, palette files, temperature scale).
#pragma once

#include "decoding/HRPTvideo.h"
#include "render/ViewOptions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

class TRenderHost;
class TSensor;

// One colour of a table, in the byte order of a 24-bit pixel.
struct TBgrEntry {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    friend bool operator==(const TBgrEntry&, const TBgrEntry&) = default;
};
static_assert(sizeof(TBgrEntry) == 3);

using TPalette1D = std::array<TBgrEntry, CountRange>;
using TSnowGammaTable = std::array<uint8_t, 256>;

// 1024 x 1024 colours; row = first count, column = second count.
class TFalseColourTable {
public:
    TFalseColourTable() : entries_(static_cast<size_t>(CountRange) * CountRange) {}
    TBgrEntry* Row(int first) { return entries_.data() + static_cast<ptrdiff_t>(first) * CountRange; }
    const TBgrEntry* Row(int first) const {
        return entries_.data() + static_cast<ptrdiff_t>(first) * CountRange;
    }
    const TBgrEntry& At(int first, int second) const { return Row(first)[second]; }

private:
    std::vector<TBgrEntry> entries_;
};

// 1024 x 1024 levels of the screen blend: row = stretched colour-channel
// level, column = brightness level.
class TBlendScreen {
public:
    TBlendScreen() : levels_(static_cast<size_t>(CountRange) * CountRange) {}
    int32_t* Row(int colour) { return levels_.data() + static_cast<ptrdiff_t>(colour) * CountRange; }
    const int32_t* Row(int colour) const { return levels_.data() + static_cast<ptrdiff_t>(colour) * CountRange; }

private:
    std::vector<int32_t> levels_;
};

// The colour look-up image of the false colour view: 361 hue columns by 1024
// brightness rows, row 1023 - v for brightness v.
class TClutImage {
public:
    static constexpr int Width = 361;
    static constexpr int Height = CountRange;
    TClutImage() : pixels_(static_cast<size_t>(Width) * Height) {}
    TBgrEntry& Pixel(int column, int row) { return pixels_[static_cast<size_t>(row) * Width + column]; }
    const TBgrEntry& Pixel(int column, int row) const {
        return pixels_[static_cast<size_t>(row) * Width + column];
    }

private:
    std::vector<TBgrEntry> pixels_;
};

// Colours of channel 4 - channel 5 differences of -5.0 .. +5.0 K in tenths.
using TAshPalette = std::array<TBgrEntry, 101>;

// "Gamma 0.6" .. "Gamma 2.5" for items 0..6, 1.0 for anything else.
float GammaForSelection(int itemIndex);

// Channel views: entry i = Round(255 x (i / 1023) ^ (1 / gamma)), entry 0 = 0.
void BuildChannelGammaTable(TCountTable& table, double gamma);
// The snow composite: entry i = Round(255 x (i / 255) ^ (1 / 1.7)).
void BuildSnowGammaTable(TSnowGammaTable& table);
void BuildBlendScreen(TBlendScreen& blend);

// Kelvin of 0 degrees Celsius as the views, the cursor read-out and the
// products count it.
constexpr double KelvinOffset = 273.16;

// Temperatures (K) per count of channel 3..6; nullptr while the pass is not
// calibrated and for other channels.
const double* SensorThermalTable(const TSensor& sensor, int channel);
// The calibration table of a false colour channel (5, 6, else 4).
const double* ColourChannelThermalTable(const TSensor& sensor, int colourChannel);

struct TFalseColourParams {
    const double* thermal = nullptr;  // the colour channel's temperatures (K); nullptr builds nothing
    int seaThreshold = 0;             // rows below it are sea; 0 none
    TColor seaColour = 0;
    double gamma = 1.0;
    const TClutImage* clut = nullptr;
};
// Reports progress at most every 70 ms when a host is given.
void BuildFalseColourLookup(TFalseColourTable& table, const TFalseColourParams& params, TRenderHost* host);

void BuildAshLookup(TFalseColourTable& table, const double* thermal4, const double* thermal5,
                    const TAshPalette& palette);

// Enhancement curve 1..14 over the channel-4 temperatures.
void BuildNoaaPalette(TPalette1D& palette, int curve, const double* thermal4);

// "JASC-PAL" or "Palette" text palettes of up to 256 colours, each spread
// over four levels; the grey ramp where the file gives nothing. True when
// the file gave a colour.
bool LoadPaletteFile(TPalette1D& palette, const std::string& fileName);

void BuildTemperaturePalette(TPalette1D& palette, const double* thermal4, bool userRange, int userMin,
                             int userMax);

// The SST palette's colour of a temperature (degrees Celsius).
TBgrEntry SstPaletteColour(const TSensor& sensor, double celsius);

// Sets the sensor's SST tests from the side panel, then colours every
// channel-4 / channel-5 count pair through the sensor's SST palette.
void BuildSstLookup(TFalseColourTable& table, TSensor& sensor, const TViewOptions& options);

// Vegetation index of every channel-1 / channel-2 count pair; with a palette
// file named it is loaded into palette and used.
void BuildVegetationLookup(TFalseColourTable& table, TPalette1D& palette, const TSensor& sensor,
                           THRPTvideo& video, const TViewOptions& options,
                           const std::string& ndviPaletteFileName);
// Grey level 0..255 of an NDVI value (255 for bare, 0 for dense vegetation).
int VegetationLevel(double ndvi);

void BuildMvlLookup(TFalseColourTable& table);

}  // namespace kestrune
