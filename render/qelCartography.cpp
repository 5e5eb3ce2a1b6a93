#include "render/qelCartography.h"

#include "orbit/qelMapping.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace kestrune {

namespace {

// Overlays are read whole: the largest real one, a full-resolution GSHHS
// shoreline, is about 150 MB.
constexpr int64_t MostOverlayFileBytes = int64_t{256} << 20;
constexpr size_t InitialCapacity = 1500;
constexpr size_t CapacityStep = 5000;
// A GSHHS file whose point count reads above this in little-endian order is big-endian.
constexpr uint32_t MostGshhsPoints = 2000000;
constexpr size_t LongestGshhsHeader = 44;
constexpr size_t GshhsBytesPerCapacity = 120;
constexpr int32_t SmallestLakeArea = 100;  // tenths of a square kilometre
constexpr size_t PolylinePiece = 16000;
// Projection kind whose overlay lines may jump only half as far.
constexpr uint8_t HalfJumpProjection = 12;
constexpr size_t LongestColumnLatitude = 999;
constexpr size_t LongestGpxValue = 99;
constexpr TColor HaloColour = 0x020A02;

uint32_t LittleEndianWord(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

bool ParseNumber(std::string_view text, float& value) {
    double number = 0;
    if (!TryStrToFloat(Trim(text), number)) return false;
    value = static_cast<float>(number);
    return true;
}

// The quoted value after name=" in a GPX line, at most 99 characters.
std::optional<std::string_view> GpxAttribute(std::string_view line, std::string_view name) {
    const std::string key = std::string(name) + "=\"";
    const size_t start = line.find(key);
    if (start == std::string_view::npos) return std::nullopt;
    const std::string_view rest = line.substr(start + key.size());
    return rest.substr(0, std::min(rest.find('"'), LongestGpxValue));
}

// The text inside each "<...>" of a GPX file, in order, whatever the line
// breaks: lower-cased, trimmed, white space inside a tag made blanks.
std::vector<std::string> GpxTags(std::string_view text) {
    std::vector<std::string> tags;
    size_t position = 0;
    while ((position = text.find('<', position)) != std::string_view::npos) {
        const size_t end = text.find('>', position + 1);
        if (end == std::string_view::npos) break;
        std::string tag = LowerCase(text.substr(position + 1, end - position - 1));
        std::replace_if(tag.begin(), tag.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        tags.push_back(Trim(tag));
        position = end + 1;
    }
    return tags;
}

// The pieces of a KML coordinates text: tuples are separated by white space.
std::vector<std::string_view> WhiteSpacePieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() && static_cast<unsigned char>(text[position]) <= ' ') ++position;
        const size_t start = position;
        while (position < text.size() && static_cast<unsigned char>(text[position]) > ' ') ++position;
        if (position > start) pieces.push_back(text.substr(start, position - start));
    }
    return pieces;
}

// A "longitude,latitude[,altitude]" tuple.
bool ParseTuple(std::string_view piece, float& longitude, float& latitude) {
    const size_t comma = piece.find(',');
    const std::string_view rest = piece.substr(comma + 1);
    return ParseNumber(piece.substr(0, comma), longitude) && ParseNumber(rest.substr(0, rest.find(',')), latitude);
}

// Draws a run as polylines of at most 16,000 points, each starting at the
// last point of the one before; then empties it.
// Points of a long segment in one stretch for passing over those far from the image.
constexpr size_t StretchPoints = 64;

void DrawRun(TOverlayCanvas& canvas, std::vector<TPoint>& run) {
    for (size_t start = 0; start + 1 < run.size(); start += PolylinePiece - 1)
        canvas.Polyline(std::span<const TPoint>(run).subspan(start, std::min(PolylinePiece, run.size() - start)));
    run.clear();
}

// Top-left corner offsets of a label from its point (subtracted from x,
// added to y), by direction; w is half the text width, h its height.
TPoint LabelOffset(int direction, int w, int h, int penWidth) {
    const int below = penWidth == 1 ? h - 4 : h;
    switch (direction) {
        case 0: return {w, -5 - h};
        case 1: return {-7, -5 - h};
        case 2: return {-7, -(h / 2) - 1};
        case 3: return {-7, below};
        case 5: return {2 * w + 7, below};
        case 6: return {2 * w + 7, -(h / 2) - 1};
        case 7: return {2 * w + 7, -5 - h};
        default: return {w, below};
    }
}

void Stroke(TOverlayCanvas& canvas, std::initializer_list<TPoint> points) {
    const TPoint* point = points.begin();
    canvas.MoveTo(point->X, point->Y);
    for (++point; point != points.end(); ++point) canvas.LineTo(point->X, point->Y);
}

void DrawSymbol(TOverlayCanvas& canvas, char symbol, int x, int y) {
    switch (symbol) {
        case '*':
            Stroke(canvas, {{x - 6, y}, {x + 7, y}});
            Stroke(canvas, {{x, y - 6}, {x, y + 7}});
            Stroke(canvas, {{x - 5, y - 5}, {x + 6, y + 6}});
            Stroke(canvas, {{x - 5, y + 5}, {x + 6, y - 6}});
            break;
        case '+':
            Stroke(canvas, {{x, y - 6}, {x, y + 7}});
            Stroke(canvas, {{x - 6, y}, {x + 7, y}});
            break;
        case '.':
            canvas.Pen.Width = 1;
            canvas.Ellipse(x - 3, y - 3, x + 4, y + 4);
            break;
        case 'O': canvas.Ellipse(x - 10, y - 10, x + 11, y + 11); break;
        case 'X':
            Stroke(canvas, {{x - 8, y - 8}, {x + 9, y + 9}});
            Stroke(canvas, {{x - 8, y + 8}, {x + 9, y - 9}});
            break;
        case '^': Stroke(canvas, {{x - 4, y + 2}, {x, y - 3}, {x + 4, y + 2}}); break;
        case 'o': canvas.Ellipse(x - 7, y - 7, x + 8, y + 8); break;
        case 'x':
            Stroke(canvas, {{x - 5, y - 5}, {x + 6, y + 6}});
            Stroke(canvas, {{x - 5, y + 5}, {x + 6, y - 6}});
            break;
        case '~': Stroke(canvas, {{x - 8, y}, {x - 4, y - 2}, {x + 4, y + 2}, {x + 8, y}}); break;
        default: break;
    }
}

int MarkerDirection(std::string_view text, int fallback) {
    static constexpr std::string_view Names[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    const std::string upper = UpperCase(text);
    for (int direction = 0; direction < 8; ++direction)
        if (upper == Names[direction]) return direction;
    return fallback;
}

}  // namespace

void TLineSegment::Add(float longitude, float latitude) {
    Points.push_back({longitude, latitude});
    MaxLat = std::max(MaxLat, latitude);
    MinLat = std::min(MinLat, latitude);
    MaxLon = std::max(MaxLon, longitude);
    MinLon = std::min(MinLon, longitude);
}

void TLineSegment::ApplyDatelineRule() {
    if (MaxLon > 180) MaxLon -= 360;
    if (MinLon > 180) MinLon -= 360;
}

TGshhsReader::TGshhsReader(std::span<const uint8_t> file) : file_(file) {
    if (file_.size() < 36) {
        position_ = file_.size();
        return;
    }
    bigEndian_ = LittleEndianWord(file_, 4) > MostGshhsPoints;
    if (Word(32) == 3) headerBytes_ = 40;
    const uint8_t version = static_cast<uint8_t>(Word(8) >> 8);
    // Every release from the one with version 7 on has the 44-byte header
    // (files of version 12 and 13 are common).
    if (version >= 7 && file_.size() >= LongestGshhsHeader) headerBytes_ = 44;
}

uint32_t TGshhsReader::Word(size_t offset) const {
    const uint32_t word = LittleEndianWord(file_, offset);
    return bigEndian_ ? __builtin_bswap32(word) : word;
}

bool TGshhsReader::Next(TGshhsHeader& header) {
    const size_t left = file_.size() - position_;
    if (left < static_cast<size_t>(headerBytes_)) return false;
    header.Id = static_cast<int32_t>(Word(position_));
    header.Count = static_cast<int32_t>(Word(position_ + 4));
    const uint32_t flag = Word(position_ + 8);
    header.Level = static_cast<uint8_t>(flag & 0xFF);
    header.Version = static_cast<uint8_t>(flag >> 8);
    header.Area = static_cast<int32_t>(Word(position_ + 28));
    // A count the file cannot hold ends the walk.
    if (header.Count < 0 || static_cast<uint64_t>(header.Count) * 8 > left - headerBytes_) {
        position_ = file_.size();
        return false;
    }
    count_ = header.Count;
    points_ = position_ + headerBytes_;
    position_ = points_ + static_cast<size_t>(count_) * 8;
    return true;
}

void TGshhsReader::ReadPoints(std::vector<TGroundPoint>& points) {
    points.resize(static_cast<size_t>(count_));
    for (size_t i = 0; i < points.size(); ++i) {
        const auto longitude = static_cast<int32_t>(Word(points_ + 8 * i));
        const auto latitude = static_cast<int32_t>(Word(points_ + 8 * i + 4));
        points[i] = {static_cast<float>(longitude / 1e6), static_cast<float>(latitude / 1e6)};
    }
}

TCartogList::TCartogList() { segments_.reserve(InitialCapacity); }

void TCartogList::Clear() {
    segments_.clear();
    reaches_.clear();
    MaxPoints = 0;
}

void TCartogList::AddSegment(TLineSegment segment) {
    MaxPoints = std::max(MaxPoints, segment.Count());
    if (segments_.size() == segments_.capacity()) segments_.reserve(segments_.capacity() + CapacityStep);
    segments_.push_back(std::move(segment));
}

void TCartogList::AddWithDatelineRule(TLineSegment segment) {
    segment.ApplyDatelineRule();
    AddSegment(std::move(segment));
}

void TCartogList::LoadFileList(std::string_view text) {
    Clear();
    FileList = SplitString(text, '|');
    for (const std::string& name : FileList) LoadFile(name);
}

void TCartogList::LoadFile(const std::string& fileName) {
    ClosePolygons = true;
    std::string content;
    // A file that is not there is passed over; one that is there but gives
    // nothing to draw, or is no file one can read, is told, or the user would
    // look for lines in vain.
    const TKeptFile kept = ReadKeptFile(fileName, MostOverlayFileBytes, content);
    if (kept.Kind == TKeptFile::TKind::Missing) return;
    if (kept.Kind != TKeptFile::TKind::Read) {
        TDialogService::Instance().ShowMessage(LeftAloneNote(kept), {}, TMsgDlgType::mtWarning);
        return;
    }
    const size_t segmentsBefore = segments_.size();
    DispatchFile(fileName, content);
    const bool noPoint = std::all_of(segments_.begin() + static_cast<std::ptrdiff_t>(segmentsBefore), segments_.end(),
                                     [](const TLineSegment& segment) { return segment.Points.empty(); });
    if (noPoint && TellEmptyFiles)
        TDialogService::Instance().ShowMessage(FormatResStr(res::SNoOverlayPoints, {ShownFileNameText(fileName)}), {},
                                               TMsgDlgType::mtWarning);
}

void TCartogList::DispatchFile(const std::string& fileName, const std::string& content) {
    if (content.size() < 4) return;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(content.data()), content.size());
    try {
        if (LittleEndianWord(bytes, 0) == 0) {
            FileKind = OverlayGshhs;
            LoadGSHHS(bytes);
            ClosePolygons = false;
        } else if (content.compare(0, 4, "# -b") == 0) {
            FileKind = OverlayColumnText;
            LoadColumnText(content);
            ClosePolygons = false;
        } else if (UpperCase(ExtractFileExt(fileName)) == ".GPX") {
            FileKind = OverlayGpx;
            LoadGPX(content);
        } else if (UpperCase(ExtractFileExt(fileName)) == ".KML") {
            FileKind = OverlayKml;
            LoadKML(content, fileName);
        } else {
            FileKind = OverlaySegmentFile;
            LoadSegmentFile(bytes);
        }
    } catch (const std::exception&) {
        // What was read before the damage stays.
    }
}

void TCartogList::LoadSegmentFile(std::span<const uint8_t> file) {
    size_t position = 0;
    while (file.size() - position >= 5) {
        const auto count = static_cast<int32_t>(LittleEndianWord(file, position));
        const uint8_t kind = file[position + 4];
        position += 5;
        const size_t left = file.size() - position;
        if (left == 0 || count < 0 || static_cast<uint64_t>(count) * 4 > left) return;
        TLineSegment segment;
        segment.Flag = kind;
        segment.Points.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i, position += 4) {
            const auto longitude = static_cast<int16_t>(file[position] | file[position + 1] << 8);
            const auto latitude = static_cast<int16_t>(file[position + 2] | file[position + 3] << 8);
            segment.Add(longitude / 60.0f, latitude / 60.0f);
        }
        AddSegment(std::move(segment));
    }
}

void TCartogList::LoadGSHHS(std::span<const uint8_t> file) {
    segments_.reserve(segments_.size() + file.size() / GshhsBytesPerCapacity);
    TGshhsReader reader(file);
    TGshhsHeader header;
    std::vector<TGroundPoint> points;
    while (reader.Next(header)) {
        const bool wanted = header.Level == 1 || header.Level == 3 || header.Level == 6 ||
                            (header.Level == 2 && header.Area >= SmallestLakeArea);
        if (!wanted) continue;
        reader.ReadPoints(points);
        TLineSegment segment;
        segment.Points.reserve(points.size());
        for (const TGroundPoint& point : points) segment.Add(point.Longitude, point.Latitude);
        AddWithDatelineRule(std::move(segment));
    }
}

void TCartogList::LoadColumnText(std::string_view text) {
    TLineSegment segment;
    const auto finish = [&] {
        if (!segment.Points.empty()) AddSegment(std::move(segment));
        segment = TLineSegment();
    };
    for (const std::string& rawLine : SplitLines(text)) {
        const std::string line = Trim(rawLine);
        if (line.size() <= 4) {
            finish();
            continue;
        }
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        float longitude = 0, latitude = 0;
        if (ParseNumber(line.substr(0, tab), longitude) &&
            ParseNumber(std::string_view(line).substr(tab + 1, LongestColumnLatitude), latitude))
            segment.Add(longitude, latitude);
    }
    finish();
}

// GPX is XML: devices write it on one line, or with a track segment and its
// points on one line, as often as one element a line. It is read tag by tag.
void TCartogList::LoadGPX(std::string_view text) {
    std::optional<TLineSegment> track;
    for (const std::string& lowered : GpxTags(text)) {
        if (!track) {
            if (lowered == "trkseg") {
                track.emplace();
                track->Open = true;
            }
            continue;
        }
        if (lowered == "/trkseg") {
            AddWithDatelineRule(std::move(*track));
            track.reset();
            continue;
        }
        if (!lowered.starts_with("trkpt ")) continue;
        const auto latitudeText = GpxAttribute(lowered, "lat");
        const auto longitudeText = GpxAttribute(lowered, "lon");
        float longitude = 0, latitude = 0;
        if (latitudeText && longitudeText && ParseNumber(*latitudeText, latitude) &&
            ParseNumber(*longitudeText, longitude))
            track->Add(longitude, latitude);
    }
}

void TCartogList::LoadKML(std::string_view text, const std::string& fileName) {
    QXmlStreamReader xml(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
    // Each coordinates text, and whether it is a line string's (a path,
    // drawn open) rather than a ring's or a point's.
    std::vector<std::pair<std::string, bool>> coordinateTexts;
    std::vector<QString> inside;  // the elements the reader is in
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && !inside.empty()) inside.pop_back();
        if (token != QXmlStreamReader::StartElement) continue;
        if (xml.qualifiedName() == QLatin1String("coordinates")) {
            const bool lineString = !inside.empty() && inside.back() == QLatin1String("LineString");
            coordinateTexts.emplace_back(xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString(),
                                         lineString);
        } else {
            inside.push_back(xml.name().toString());
        }
    }
    // A document that does not parse is read as nothing.
    if (xml.hasError()) return;
    int badPairs = 0;
    std::string firstBadPair;
    for (const auto& [coordinates, lineString] : coordinateTexts) {
        TLineSegment segment;
        segment.Open = lineString;
        for (const std::string_view piece : WhiteSpacePieces(coordinates)) {
            if (piece.find(',') == std::string_view::npos) continue;
            float longitude = 0, latitude = 0;
            if (ParseTuple(piece, longitude, latitude)) {
                segment.Add(longitude, latitude);
            } else if (badPairs++ == 0) {
                firstBadPair = piece;
            }
        }
        if (!segment.Points.empty()) AddWithDatelineRule(std::move(segment));
    }
    if (badPairs > 0)
        TDialogService::Instance().ShowMessage(
            FormatResStr(res::SBadPairs, {firstBadPair, std::to_string(badPairs), ShownFileNameText(fileName)}), {},
            TMsgDlgType::mtWarning);
}

const TCartogList::TSegmentReach& TCartogList::SegmentReach(size_t index) const {
    while (reaches_.size() <= index) {
        const std::span<const TGroundPoint> points = segments_[reaches_.size()].Points;
        TSegmentReach reach{CapAround(points), {}};
        for (size_t start = 0; points.size() > StretchPoints && start < points.size(); start += StretchPoints)
            reach.Stretches.push_back(CapAround(points.subspan(start, std::min(StretchPoints, points.size() - start))));
        reaches_.push_back(std::move(reach));
    }
    return reaches_[index];
}

void TCartogList::DrawOverlaySegments(TOverlayCanvas& canvas, int xOffset, int yOffset,
                                      std::span<const TGroundCap> shown) const {
    if (Mapping == nullptr || segments_.empty()) return;
    canvas.Brush.Style = TBrushStyle::bsClear;
    std::vector<TPoint> run;
    run.reserve(static_cast<size_t>(MaxPoints) + 2);
    const int jumpLimit = Mapping->GetHeight() * (Mapping->Projection() == HalfJumpProjection ? 3 : 5) / 6;
    const auto away = [&](const TGroundCap& cap) {
        return !shown.empty() &&
               std::none_of(shown.begin(), shown.end(), [&](const TGroundCap& s) { return CapsMeet(s, cap); });
    };
    for (size_t index = 0; index < segments_.size(); ++index) {
        const TLineSegment& segment = segments_[index];
        const int kind = segment.Flag & ~1;
        if (kind != 0 && kind != 4 && kind != 8) continue;
        const TSegmentReach* reach = shown.empty() ? nullptr : &SegmentReach(index);
        if (reach != nullptr && away(reach->Whole)) continue;
        std::optional<TPoint> first;
        std::optional<TPoint> stored;
        // Nor does a line cross rows whose ground is not known.
        const auto jumps = [&](const TPoint& point) {
            return stored && (std::abs(point.X - stored->X) > jumpLimit ||
                              Mapping->RowWithoutLocationBetween(stored->Y + yOffset, point.Y + yOffset));
        };
        const size_t count = segment.Points.size();
        for (size_t i = 0; i < count; ++i) {
            // Of a stretch away from the image only the ends are placed, with
            // no line between them.
            if (reach != nullptr && !reach->Stretches.empty() && i % StretchPoints == 1 &&
                away(reach->Stretches[i / StretchPoints])) {
                const size_t last = std::min(i - 1 + StretchPoints, count) - 1;
                if (last > i) {
                    DrawRun(canvas, run);
                    i = last;
                }
            }
            TPoint point;
            if (!Mapping->LatLonToXY(point.X, point.Y, segment.Points[i].Longitude, segment.Points[i].Latitude)) {
                DrawRun(canvas, run);
                continue;
            }
            point.X += xOffset;
            point.Y -= yOffset;
            if (jumps(point)) DrawRun(canvas, run);
            if (!first) first = point;
            if (!stored || !(point == *stored) || i + 1 == count) {
                run.push_back(point);
                stored = point;
            }
        }
        // The closing line obeys the jump rule like every other line.
        if (ClosePolygons && !segment.Open && first && !jumps(*first)) run.push_back(*first);
        DrawRun(canvas, run);
    }
}

void TCartogList::DrawMarkerFile(TOverlayCanvas& canvas, int xOffset, int yOffset,
                                 const std::vector<std::string>& lines, bool bold, const TMarkerStyle& style) const {
    TMarkerStyle marker = style;
    marker.PenWidth = bold ? 3 : 1;
    for (const std::string& line : lines) {
        if (line.starts_with('#')) continue;
        const std::vector<std::string> fields = SplitCommaText(line);
        if (fields.size() < 4) continue;
        float longitude = 0, latitude = 0;
        if (!ParseNumber(fields[2], longitude) || !ParseNumber(fields[3], latitude)) continue;
        marker.Direction = fields.size() > 4 ? MarkerDirection(fields[4], style.Direction) : style.Direction;
        const char symbol = fields[0].empty() ? '\0' : fields[0][0];
        DrawMarker(canvas, xOffset, yOffset, longitude, latitude, symbol, fields[1], marker);
    }
}

void TCartogList::DrawMarker(TOverlayCanvas& canvas, int xOffset, int yOffset, float longitude, float latitude,
                             char symbol, const std::string& label, const TMarkerStyle& style) const {
    int x = 0, y = 0;
    if (Mapping == nullptr || !Mapping->LatLonToXY(x, y, longitude, latitude)) return;
    x += xOffset;
    y -= yOffset;
    const TBrush savedBrush = canvas.Brush;
    const TPen savedPen = canvas.Pen;
    const TFont savedFont = canvas.Font;
    canvas.Pen.Color = style.Colour;
    canvas.Pen.Width = style.PenWidth;
    canvas.Brush.Style = TBrushStyle::bsClear;
    DrawSymbol(canvas, symbol, x, y);
    if (!label.empty()) {
        canvas.Brush.Style = style.LabelBrush;
        if (style.LabelBrush != TBrushStyle::bsClear) canvas.Brush.Color = savedBrush.Color;
        const TSize extent = canvas.TextExtent(label);
        const TPoint offset = LabelOffset(style.Direction, extent.Width / 2, extent.Height, canvas.Pen.Width);
        const int left = x - offset.X;
        const int top = y + offset.Y;
        if (style.Halo) {
            canvas.Font.Color = HaloColour;
            for (const TPoint& step : {TPoint{-1, -1}, TPoint{1, -1}, TPoint{-1, 1}, TPoint{1, 1}})
                canvas.TextOut(left + step.X, top + step.Y, label);
        }
        canvas.Font.Color = style.Colour;
        canvas.TextOut(left, top, label);
    }
    canvas.Brush = savedBrush;
    canvas.Pen = savedPen;
    canvas.Font = savedFont;
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    std::vector<std::string> fields;
    size_t position = 0;
    const auto skipBlanks = [&] {
        while (position < line.size() && static_cast<unsigned char>(line[position]) <= ' ') ++position;
    };
    skipBlanks();
    while (position < line.size()) {
        std::string field;
        if (line[position] == '"') {
            // A doubled quote inside the quotes stands for one.
            for (++position; position < line.size(); ++position) {
                if (line[position] == '"') {
                    if (position + 1 < line.size() && line[position + 1] == '"') {
                        field += '"';
                        ++position;
                        continue;
                    }
                    ++position;
                    break;
                }
                field += line[position];
            }
        } else {
            while (position < line.size() && line[position] != ',' &&
                   static_cast<unsigned char>(line[position]) > ' ')
                field += line[position++];
        }
        fields.push_back(std::move(field));
        skipBlanks();
        if (position < line.size() && line[position] == ',') {
            ++position;
            skipBlanks();
            if (position == line.size()) fields.emplace_back();
        }
    }
    return fields;
}

}  // namespace kestrune
