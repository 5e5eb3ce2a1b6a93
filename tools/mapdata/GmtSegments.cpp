#include "tools/mapdata/GmtSegments.h"

#include <charconv>
#include <cmath>
#include <map>
#include <utility>

namespace kestrune::mapdata {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string_view NextWord(std::string_view& line) {
    size_t start = 0;
    while (start < line.size() && Blank(line[start])) ++start;
    size_t end = start;
    while (end < line.size() && !Blank(line[end])) ++end;
    const std::string_view word = line.substr(start, end - start);
    line.remove_prefix(end);
    return word;
}

bool ParseDouble(std::string_view word, double& value) {
    if (word.empty()) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && std::isfinite(value);
}

[[noreturn]] void Fail(size_t lineNumber, const std::string& what) {
    throw EGmtTextError("Line " + std::to_string(lineNumber) + " of the GMT text: " + what);
}

// "> Shore Bin # 74, Level 1": the number after "Level".
int HeaderLevel(std::string_view header, size_t lineNumber) {
    const size_t at = header.find("Level");
    int level = 0;
    if (at != std::string_view::npos) {
        std::string_view rest = header.substr(at + 5);
        const std::string_view word = NextWord(rest);
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), level);
        if (error == std::errc() && end == word.data() + word.size() && level > 0) return level;
    }
    Fail(lineNumber, "a segment header without its level");
}

TGroundPoint ParsePoint(std::string_view line, size_t lineNumber) {
    double longitude = 0, latitude = 0;
    if (!ParseDouble(NextWord(line), longitude) || !ParseDouble(NextWord(line), latitude))
        Fail(lineNumber, "not a longitude and a latitude");
    if (std::fabs(longitude) > 360.0 || std::fabs(latitude) > 90.0) Fail(lineNumber, "a point beyond the earth");
    return {static_cast<float>(longitude), static_cast<float>(latitude)};
}

void KeepPiece(std::vector<TGmtPiece>& pieces, TGmtPiece& piece) {
    if (piece.Points.size() >= 2) pieces.push_back(std::move(piece));
    piece = {};
}

// Ends meet when GMT wrote the same numbers; the meridian 180 is -180.
std::pair<float, float> EndKey(const TGroundPoint& point) {
    return {point.Longitude == 180.0f ? -180.0f : point.Longitude, point.Latitude};
}

bool SamePlace(const TGroundPoint& a, const TGroundPoint& b) { return EndKey(a) == EndKey(b); }

}  // namespace

std::vector<TGmtPiece> ReadGmtSegments(std::string_view text) {
    std::vector<TGmtPiece> pieces;
    TGmtPiece piece;
    bool inSegment = false;
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t index = 0; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        const size_t lineNumber = index + 1;
        std::string_view probe = line;
        if (NextWord(probe).empty() || line.front() == '#') continue;
        if (line.front() == '>') {
            KeepPiece(pieces, piece);
            piece.Level = HeaderLevel(line, lineNumber);
            inSegment = true;
            continue;
        }
        if (!inSegment) Fail(lineNumber, "a point before the first segment header");
        piece.Points.push_back(ParsePoint(line, lineNumber));
    }
    KeepPiece(pieces, piece);
    return pieces;
}

std::vector<TJoinedLine> JoinPieces(std::vector<TGmtPiece> pieces) {
    // The open pieces of each level by their first point.
    std::map<std::pair<int, std::pair<float, float>>, size_t> byStart;
    for (size_t i = 0; i < pieces.size(); ++i)
        if (!SamePlace(pieces[i].Points.front(), pieces[i].Points.back()))
            byStart.emplace(std::make_pair(pieces[i].Level, EndKey(pieces[i].Points.front())), i);
    std::vector<bool> used(pieces.size(), false);
    std::vector<TJoinedLine> lines;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        TJoinedLine line{pieces[i].Level, false, std::move(pieces[i].Points)};
        while (!SamePlace(line.Points.front(), line.Points.back())) {
            const auto next = byStart.find({line.Level, EndKey(line.Points.back())});
            if (next == byStart.end() || used[next->second]) break;
            used[next->second] = true;
            const auto& more = pieces[next->second].Points;
            line.Points.insert(line.Points.end(), more.begin() + 1, more.end());
        }
        line.Closed = SamePlace(line.Points.front(), line.Points.back());
        if (line.Closed) line.Points.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace kestrune::mapdata
