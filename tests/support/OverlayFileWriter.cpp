#include "tests/support/OverlayFileWriter.h"

#include <cmath>

namespace kestrune::test {

namespace {

void AppendWord(std::vector<uint8_t>& file, int64_t value, bool bigEndian) {
    const auto word = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(word >> (bigEndian ? 24 - 8 * i : 8 * i)));
}

int32_t MicroDegrees(float degrees) { return static_cast<int32_t>(std::lround(degrees * 1e6)); }

}  // namespace

std::vector<uint8_t> BuildGshhsFile(const std::vector<TGshhsPolygon>& polygons, bool bigEndian, TGshhsLayout layout,
                                    uint8_t version) {
    std::vector<uint8_t> file;
    int32_t id = 0;
    for (const TGshhsPolygon& polygon : polygons) {
        const bool flagged = layout == TGshhsLayout::Header44;
        AppendWord(file, id++, bigEndian);
        AppendWord(file, static_cast<int64_t>(polygon.Points.size()), bigEndian);
        AppendWord(file, polygon.Level | (flagged ? version << 8 : 0), bigEndian);
        for (int bound = 0; bound < 4; ++bound) AppendWord(file, 0, bigEndian);  // west, east, south, north
        AppendWord(file, polygon.Area, bigEndian);
        if (layout == TGshhsLayout::Header40) AppendWord(file, 3, bigEndian);    // version
        if (layout == TGshhsLayout::Header36) AppendWord(file, 0, bigEndian);    // greenwich, source
        if (flagged)
            for (const int64_t word : {int64_t{polygon.Area}, int64_t{-1}, int64_t{-1}}) AppendWord(file, word, bigEndian);
        if (layout == TGshhsLayout::Header40) AppendWord(file, 0, bigEndian);
        for (const TGroundPoint& point : polygon.Points) {
            AppendWord(file, MicroDegrees(point.Longitude), bigEndian);
            AppendWord(file, MicroDegrees(point.Latitude), bigEndian);
        }
    }
    return file;
}

}  // namespace kestrune::test
