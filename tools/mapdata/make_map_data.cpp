// Turns the GSHHG shorelines and national borders, as GMT's coast module
// writes them out (see GmtSegments.h), into the map files the program reads
// beside itself: "Countries.dat" (coastlines and national borders in the
// program's own segment format) and "OdpsLandMask.dat" (land/sea mask
// rasterised from the joined shorelines, lakes and islands in lakes by
// their level).
//   make_map_data <shorelines.txt> <borders.txt> <output folder>
#include "platform/FileIO.h"
#include "tools/mapdata/GmtSegments.h"
#include "tools/mapdata/MapDataWriters.h"

#include <iostream>
#include <string>

namespace {

using namespace kestrune;
using namespace kestrune::mapdata;

constexpr uint8_t CoastKind = 0;
constexpr uint8_t BorderKind = 4;

std::string ReadWhole(const std::string& path) {
    std::string content;
    if (!ReadFileText(path, content)) throw Exception("Cannot read " + path);
    return content;
}

// Every shoreline closes: one that does not is a cut in the data, and the
// mask would spill land along its missing side.
void AddShorelines(const std::string& text, TBytes& segments, std::vector<TPolygon>& polygons) {
    for (TJoinedLine& line : JoinPieces(ReadGmtSegments(text))) {
        if (!line.Closed) throw Exception("A shoreline of level " + std::to_string(line.Level) + " does not close");
        const TPolygon points = DistinctMinutePoints(line.Points);
        if (points.size() >= 3) AppendSegmentRecord(segments, CoastKind, points);
        if (line.Points.size() >= 3) polygons.push_back(std::move(line.Points));
    }
}

// Borders are open lines, and the own segment file's lines are drawn
// closed: each border goes out and back, so that its closing line has no length.
void AddBorders(const std::string& text, TBytes& segments) {
    for (const TJoinedLine& line : JoinPieces(ReadGmtSegments(text))) {
        TPolygon points = DistinctMinutePoints(line.Points);
        if (points.size() < 2) continue;
        if (!line.Closed) points.insert(points.end(), points.rbegin() + 1, points.rend() - 1);
        AppendSegmentRecord(segments, BorderKind, points);
    }
}

void WriteBytes(const std::string& path, const TBytes& bytes) {
    WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: make_map_data <shorelines.txt> <borders.txt> <output folder>\n";
        return 2;
    }
    try {
        const std::string folder = IncludeTrailingPathDelimiter(argv[3]);
        TBytes segments;
        std::vector<TPolygon> polygons;
        AddShorelines(ReadWhole(argv[1]), segments, polygons);
        AddBorders(ReadWhole(argv[2]), segments);
        if (polygons.empty()) throw Exception(std::string("No shorelines in ") + argv[1]);
        WriteBytes(folder + "Countries.dat", segments);
        WriteBytes(folder + "OdpsLandMask.dat", BuildLandMask(polygons));
    } catch (const std::exception& error) {
        std::cerr << "make_map_data: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
