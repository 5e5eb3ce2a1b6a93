// Overlay and mask files as the public data sets and other programs write
// them: GSHHS shoreline files in either byte order with each of their header
// layouts, own segment files and land masks of given polygons.
#pragma once

#include "orbit/Orbits.h"

#include <cstdint>
#include <vector>

namespace kestrune::test {

// One GSHHS polygon as written.
struct TGshhsPolygon {
    int32_t Level = 1;
    int32_t Area = 1000;  // tenths of a square kilometre
    std::vector<TGroundPoint> Points;
};

// Header layouts: 36 bytes (oldest), 40 bytes (version 3 in word 8), 44
// bytes (the flag word's second byte holds the version, 7 and later).
enum class TGshhsLayout { Header36, Header40, Header44 };

std::vector<uint8_t> BuildGshhsFile(const std::vector<TGshhsPolygon>& polygons, bool bigEndian,
                                    TGshhsLayout layout = TGshhsLayout::Header44, uint8_t version = 13);

}  // namespace kestrune::test
