// Writers of the map files the program reads beside itself: the program's
// own overlay segment file ("Countries.dat") and the 1/128-degree land/sea
// mask ("OdpsLandMask.dat") rasterised from land, lake and island polygons.
// Used by make_map_data at build time and by tests that need such files.
#pragma once

#include "orbit/Orbits.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune::mapdata {

using TBytes = std::vector<uint8_t>;

// One record of the own segment file: point count, kind, then each point as
// signed 16-bit longitude and latitude in minutes of arc, little-endian.
void AppendSegmentRecord(TBytes& file, uint8_t kind, std::span<const TGroundPoint> points);

// The points that the segment file's minutes of arc keep apart: a point in
// the same minute as the last one kept is dropped.
std::vector<TGroundPoint> DistinctMinutePoints(std::span<const TGroundPoint> points);

// Polygons in degrees, longitudes in any turn (a step of more than half a
// turn between two points, the closing one too, is taken the short way
// round). A point lies on land when it is inside an odd number of them, so
// lakes inside land and islands inside lakes come out right. A ring that
// goes a whole turn round encircles the nearer pole.
using TPolygon = std::vector<TGroundPoint>;

// The land/sea mask file of the polygons: the cell index, then one detail
// record for each cell that is neither wholly land nor wholly sea.
TBytes BuildLandMask(const std::vector<TPolygon>& polygons);

}  // namespace kestrune::mapdata
