// The ground path view: every located pixel takes the colour of its place
// on a world map image (plate carree, 360 degrees wide, 180 high).
#pragma once

#include "render/ViewLookups.h"

#include <string>

namespace kestrune {

class TExtBitmap;

inline constexpr char GroundPathMasterFileName[] = "GroundPathMaster.jpg";
// Pixels without a location or without a map: red 16, green 16, blue 48.
inline constexpr TBgrEntry GroundPathNoData{48, 16, 16};

// Reads the world map as a 24-bit bitmap at full size; false (the bitmap
// left empty) when the file is missing or unreadable.
bool LoadGroundPathMaster(TExtBitmap& master, const std::string& fileName);

// The map's colour at a place; longitudes of any turn are folded into
// -180 .. 180 (180 itself is -180).
TBgrEntry GroundPathColour(const TExtBitmap& master, float latitude, float longitude);

}  // namespace kestrune
