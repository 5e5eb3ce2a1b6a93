// Colour tables that users keep as images: the false colour view's colour
// look-up image and the ash palette strip.
#pragma once

#include "render/ViewLookups.h"

#include <optional>
#include <string>

namespace kestrune {

// The colour look-up image; nothing when the file is missing, unreadable
// (also without the two bytes some writers append) or not exactly
// 361 x 1024 pixels of 24 bits.
std::optional<TClutImage> LoadClut(const std::string& fileName);

// Pixel (k + 50, 0) of a 101-pixel-wide image is the colour of a channel
// difference of k tenths of a kelvin; black entries when the file is
// missing, unreadable or of another width.
TAshPalette LoadAshPalette(const std::string& fileName);

}  // namespace kestrune
