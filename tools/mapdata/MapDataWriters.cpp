#include "tools/mapdata/MapDataWriters.h"

#include "render/qelODPSdata.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace kestrune::mapdata {

namespace {

constexpr int BitsPerDegree = LandMaskCellBits;
constexpr int Columns = 360 * BitsPerDegree;
constexpr int WordsPerRow = Columns / 64;
constexpr int RowBytes = BitsPerDegree / 8;
constexpr size_t CellWords = BitsPerDegree / 64;
constexpr int LastRecord = 0xFFFF;

void AppendLittleEndian16(TBytes& file, int value) {
    file.push_back(static_cast<uint8_t>(value & 0xFF));
    file.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

int16_t Minutes(float degrees) {
    const long minutes = std::lround(degrees * 60.0);
    if (minutes < INT16_MIN || minutes > INT16_MAX) throw std::range_error("Coordinate beyond the segment file's range");
    return static_cast<int16_t>(minutes);
}

// One edge of a polygon, south end first, in bit columns and rows.
struct TEdge {
    double x0, y0, x1, y1;
    int polygon;
};

// The polygon's points in bit coordinates, each longitude taken within half
// a turn of the one before (shoreline files jump between 0 and 360 at
// Greenwich, or between 180 and -180). The closing step is taken the same
// way: a ring that has then gone a whole turn round encircles a pole, and is
// closed over it.
std::vector<std::array<double, 2>> BitPoints(const TPolygon& polygon) {
    std::vector<std::array<double, 2>> points;
    points.reserve(polygon.size() + 3);
    const auto bitPoint = [](double longitude, double latitude) {
        return std::array<double, 2>{(longitude + 180.0) * BitsPerDegree, (latitude + 90.0) * BitsPerDegree};
    };
    const double start = polygon.front().Longitude;
    double longitude = start;
    double latitudes = 0;
    for (const TGroundPoint& point : polygon) {
        longitude += std::remainder(point.Longitude - longitude, 360.0);
        points.push_back(bitPoint(longitude, point.Latitude));
        latitudes += point.Latitude;
    }
    const double closedAt = longitude + std::remainder(start - longitude, 360.0);
    if (std::fabs(closedAt - start) > 180.0) {
        const double pole = latitudes / static_cast<double>(polygon.size()) < 0 ? -90.0 : 90.0;
        points.push_back(bitPoint(closedAt, polygon.front().Latitude));
        points.push_back(bitPoint(closedAt, pole));
        points.push_back(bitPoint(start, pole));
    }
    return points;
}

// Edges by the band of 128 rows they cross.
std::vector<std::vector<TEdge>> EdgesByBand(const std::vector<TPolygon>& polygons) {
    std::vector<std::vector<TEdge>> bands(180);
    for (size_t p = 0; p < polygons.size(); ++p) {
        if (polygons[p].size() < 3) continue;
        const auto points = BitPoints(polygons[p]);
        for (size_t i = 0; i < points.size(); ++i) {
            auto a = points[i];
            auto b = points[(i + 1) % points.size()];
            if (a[1] == b[1]) continue;
            if (a[1] > b[1]) std::swap(a, b);
            const TEdge edge{a[0], a[1], b[0], b[1], static_cast<int>(p)};
            const int first = std::clamp(static_cast<int>(a[1]) / BitsPerDegree, 0, 179);
            const int last = std::clamp(static_cast<int>(b[1]) / BitsPerDegree, 0, 179);
            for (int band = first; band <= last; ++band) bands[static_cast<size_t>(band)].push_back(edge);
        }
    }
    return bands;
}

// Flips the bits of columns first..last-1 of a row (columns wrap round the earth).
void FlipColumns(std::vector<uint64_t>& row, int64_t first, int64_t last) {
    const int64_t length = last - first;
    if (length <= 0) return;
    if (length >= Columns) {
        for (uint64_t& word : row) word = ~word;
        return;
    }
    first = (first % Columns + Columns) % Columns;
    for (int64_t column = first; column < first + length;) {
        const int64_t wrapped = column % Columns;
        const int64_t bit = wrapped % 64;
        const int64_t count = std::min<int64_t>({64 - bit, first + length - column, Columns - wrapped});
        const uint64_t mask = count == 64 ? ~uint64_t{0} : ((uint64_t{1} << count) - 1) << bit;
        row[static_cast<size_t>(wrapped / 64)] ^= mask;
        column += count;
    }
}

// The bits of one row: odd crossings of each polygon left of a bit's centre.
void FillRow(const std::vector<TEdge>& edges, int row, std::vector<uint64_t>& bits,
             std::vector<std::pair<int, double>>& crossings) {
    std::fill(bits.begin(), bits.end(), 0);
    crossings.clear();
    const double y = row + 0.5;
    for (const TEdge& edge : edges) {
        if (y < edge.y0 || y >= edge.y1) continue;
        crossings.emplace_back(edge.polygon, edge.x0 + (y - edge.y0) * (edge.x1 - edge.x0) / (edge.y1 - edge.y0));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size();) {
        // A polygon crossed an odd number of times (a degenerate one) loses its last crossing.
        if (crossings[i].first != crossings[i + 1].first) {
            ++i;
            continue;
        }
        FlipColumns(bits, static_cast<int64_t>(std::ceil(crossings[i].second - 0.5)),
                    static_cast<int64_t>(std::ceil(crossings[i + 1].second - 0.5)));
        i += 2;
    }
}

void AppendBigEndianIndex(TBytes& file, const std::vector<uint16_t>& index) {
    for (const uint16_t entry : index) {
        file.push_back(static_cast<uint8_t>(entry >> 8));
        file.push_back(static_cast<uint8_t>(entry & 0xFF));
    }
}

}  // namespace

void AppendSegmentRecord(TBytes& file, uint8_t kind, std::span<const TGroundPoint> points) {
    const auto count = static_cast<uint32_t>(points.size());
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<uint8_t>(count >> shift));
    file.push_back(kind);
    for (const TGroundPoint& point : points) {
        AppendLittleEndian16(file, Minutes(point.Longitude));
        AppendLittleEndian16(file, Minutes(point.Latitude));
    }
}

std::vector<TGroundPoint> DistinctMinutePoints(std::span<const TGroundPoint> points) {
    std::vector<TGroundPoint> kept;
    kept.reserve(points.size());
    for (const TGroundPoint& point : points) {
        if (!kept.empty() && Minutes(point.Longitude) == Minutes(kept.back().Longitude) &&
            Minutes(point.Latitude) == Minutes(kept.back().Latitude))
            continue;
        kept.push_back(point);
    }
    return kept;
}

TBytes BuildLandMask(const std::vector<TPolygon>& polygons) {
    const auto bands = EdgesByBand(polygons);
    std::vector<uint16_t> index(LandMaskIndexEntries, LandMaskSea);
    TBytes details;
    int nextRecord = LandMaskIndexRecords;
    std::vector<std::vector<uint64_t>> band(BitsPerDegree, std::vector<uint64_t>(WordsPerRow));
    std::vector<std::pair<int, double>> crossings;
    for (int b = 0; b < 180; ++b) {
        for (int r = 0; r < BitsPerDegree; ++r)
            FillRow(bands[static_cast<size_t>(b)], b * BitsPerDegree + r, band[static_cast<size_t>(r)], crossings);
        for (int cell = 0; cell < 360; ++cell) {
            bool allLand = true, allSea = true;
            for (const auto& row : band)
                for (size_t w = 0; w < CellWords; ++w) {
                    const uint64_t word = row[static_cast<size_t>(cell) * CellWords + w];
                    allLand = allLand && word == ~uint64_t{0};
                    allSea = allSea && word == 0;
                }
            uint16_t& entry = index[static_cast<size_t>(b * 360 + cell)];
            if (allSea || allLand) {
                entry = allLand ? LandMaskLand : LandMaskSea;
                continue;
            }
            if (nextRecord > LastRecord) throw std::range_error("Too many coastal cells for the land mask's index");
            entry = static_cast<uint16_t>(nextRecord++);
            for (const auto& row : band)
                for (int byte = 0; byte < RowBytes; ++byte) {
                    const int column = cell * BitsPerDegree + byte * 8;
                    const uint64_t word = row[static_cast<size_t>(column / 64)];
                    uint8_t bits = 0;
                    for (int bit = 0; bit < 8; ++bit) bits = static_cast<uint8_t>(bits << 1 | ((word >> (column % 64 + bit)) & 1));
                    details.push_back(bits);
                }
        }
    }
    TBytes file;
    AppendBigEndianIndex(file, index);
    file.resize(static_cast<size_t>(LandMaskIndexRecords) * LandMaskRecordBytes, 0);
    file.insert(file.end(), details.begin(), details.end());
    return file;
}

}  // namespace kestrune::mapdata
