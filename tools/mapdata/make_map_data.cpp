// Turns the public GSHHS shorelines and World Data Bank II borders (".b"
// files, either byte order) into the map files the program reads beside
// itself: "Countries.dat" (coastlines and national borders in the program's
// own segment format) and "OdpsLandMask.dat" (land/sea mask rasterised from
// the shoreline polygons, lakes and islands in lakes by their level).
//   make_map_data <shorelines.b> <borders.b> <output folder>
#include "platform/FileIO.h"
#include "render/qelCartography.h"
#include "tools/mapdata/MapDataWriters.h"

#include <iostream>
#include <string>

namespace {

using namespace kestrune;
using namespace kestrune::mapdata;

constexpr uint8_t CoastKind = 0;
constexpr uint8_t BorderKind = 4;
constexpr uint8_t NationalBorderLevel = 1;
constexpr int32_t SmallestDrawnLake = 100;  // tenths of a square kilometre, as the GSHHS reader draws them

TBytes ReadWhole(const std::string& path) {
    std::string content;
    if (!ReadFileText(path, content)) throw Exception("Cannot read " + path);
    return TBytes(content.begin(), content.end());
}

// The shorelines the GSHHS reader draws: land, islands in lakes, the
// Antarctic grounding line, and lakes of at least 10 square kilometres.
bool DrawnShoreline(const TGshhsHeader& header) {
    return header.Level == 1 || header.Level == 3 || header.Level == 6 ||
           (header.Level == 2 && header.Area >= SmallestDrawnLake);
}

// Land (1), lakes (2), islands in lakes (3), ponds on those (4) and
// Antarctica by its grounding line (6) nest, so odd containment is land.
bool MaskShoreline(const TGshhsHeader& header) { return header.Level <= 4 || header.Level == 6; }

void ReadShorelines(const TBytes& file, TBytes& segments, std::vector<TPolygon>& polygons) {
    TGshhsReader reader(file);
    TGshhsHeader header;
    TPolygon points;
    while (reader.Next(header)) {
        reader.ReadPoints(points);
        if (DrawnShoreline(header)) AppendSegmentRecord(segments, CoastKind, points);
        if (MaskShoreline(header)) polygons.push_back(points);
    }
}

// Borders are open lines, and the own segment file's lines are drawn
// closed: each border goes out and back, so that its closing line has no length.
void ReadBorders(const TBytes& file, TBytes& segments) {
    TGshhsReader reader(file);
    TGshhsHeader header;
    TPolygon points;
    while (reader.Next(header)) {
        if (header.Level != NationalBorderLevel) continue;
        reader.ReadPoints(points);
        if (points.size() < 2) continue;
        points.insert(points.end(), points.rbegin() + 1, points.rend() - 1);
        AppendSegmentRecord(segments, BorderKind, points);
    }
}

void WriteBytes(const std::string& path, const TBytes& bytes) {
    WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: make_map_data <shorelines.b> <borders.b> <output folder>\n";
        return 2;
    }
    try {
        const std::string folder = IncludeTrailingPathDelimiter(argv[3]);
        TBytes segments;
        std::vector<TPolygon> polygons;
        ReadShorelines(ReadWhole(argv[1]), segments, polygons);
        ReadBorders(ReadWhole(argv[2]), segments);
        if (polygons.empty()) throw Exception(std::string("No shoreline polygons in ") + argv[1]);
        WriteBytes(folder + "Countries.dat", segments);
        WriteBytes(folder + "OdpsLandMask.dat", BuildLandMask(polygons));
    } catch (const std::exception& error) {
        std::cerr << "make_map_data: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
