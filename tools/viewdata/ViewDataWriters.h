// The pictures the views read beside the program, made from public data at
// build time: the ash palette strip, the false colour view's colour look-up
// images (the built-in table written out, and published colour scales laid
// over the brightness levels), and the check of the ground path's world map.
#pragma once

#include "render/BMPExtImage.h"
#include "tools/viewdata/ColourScale.h"

namespace kestrune::viewdata {

// Rows of the ash palette strip; the view reads the first.
constexpr int AshPaletteRows = 12;

// 101 columns for channel differences of -5.0 .. +5.0 K: a diverging scale
// centred on no difference.
void BuildAshPalette(TExtBitmap& strip, const TColourScale& diverging);

// The colour look-up image of the computed false colour hues (gamma 1.0):
// loaded as a CLUT it gives the view it replaces.
void BuildStandardClut(TExtBitmap& clut);

// A scale over the temperatures that the computed hues span (-60 .. 39.4
// degrees Celsius, cold first), laid over the brightness: half the scale's
// colour and half white, times the brightness level.
void BuildScaleClut(TExtBitmap& clut, const TColourScale& scale);

// A world map for the ground path view: a plate carree picture twice as wide
// as high and more than 200 lines high. Raises Exception otherwise.
void CheckWorldMap(const TExtBitmap& map, const std::string& fileName);

}  // namespace kestrune::viewdata
