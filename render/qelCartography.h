// Map overlays as lists of polylines in geographic degrees (coastlines,
// borders, rivers, tracks, user shapes), read from the program's own segment
// files, the GSHHS shoreline database, "# -b" column text, GPX tracks and
// KML, and drawn onto the display through the pass's mapping; also the
// place markers of a stations file.
#pragma once

#include "orbit/Orbits.h"
#include "render/GroundCaps.h"
#include "render/OverlayCanvas.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class TMapping;

// One polyline; points are (longitude, latitude) in degrees.
struct TLineSegment {
    float MaxLat = -2147483648.0f;
    float MinLat = 2147483648.0f;
    float MaxLon = -2147483648.0f;
    float MinLon = 2147483648.0f;
    uint8_t Flag = 1;  // segment kind; bit 0 is ignored for drawing
    // A track (GPX) or a KML line string: drawn without a line from its last
    // point back to its first, whatever the list's ClosePolygons says.
    bool Open = false;
    std::vector<TGroundPoint> Points;

    int32_t Count() const { return static_cast<int32_t>(Points.size()); }
    // Adds a point and widens the box round it.
    void Add(float longitude, float latitude);
    // Box longitudes beyond 180 are taken 360 degrees west; the points stay.
    void ApplyDatelineRule();
};

// Kinds of overlay file, as LoadFile recognised the last one.
enum TOverlayFileKind : int32_t {
    OverlaySegmentFile = 0,
    OverlayGshhs = 1,
    OverlayColumnText = 2,
    OverlayGpx = 3,
    OverlayKml = 4
};

// The header fields of one GSHHS polygon that the loaders use.
struct TGshhsHeader {
    int32_t Id = 0;
    int32_t Count = 0;   // points
    uint8_t Level = 0;   // 1 land, 2 lake, 3 island in a lake, 4 pond, 5 and 6 Antarctica
    uint8_t Version = 0;
    int32_t Area = 0;    // tenths of a square kilometre
};

// Walks the polygons of a GSHHS file of either byte order and any of its
// header layouts. A polygon whose points the file does not hold whole ends
// the walk.
class TGshhsReader {
public:
    explicit TGshhsReader(std::span<const uint8_t> file);

    bool BigEndian() const { return bigEndian_; }
    int HeaderBytes() const { return headerBytes_; }
    // The next polygon's header; false at the end of the usable data.
    bool Next(TGshhsHeader& header);
    // The points of the polygon Next gave, degrees as stored.
    void ReadPoints(std::vector<TGroundPoint>& points);

private:
    uint32_t Word(size_t offset) const;

    std::span<const uint8_t> file_;
    bool bigEndian_ = false;
    int headerBytes_ = 36;
    size_t position_ = 0;
    size_t points_ = 0;     // offset of the current polygon's points
    int32_t count_ = 0;
};

// Label directions of the markers, N to NW.
enum TMarkerDirection : int { MarkerNorth = 0, MarkerEast = 2, MarkerSouth = 4 };

// How one marker is drawn.
struct TMarkerStyle {
    TColor Colour = clBlack;
    int PenWidth = 1;
    TBrushStyle LabelBrush = TBrushStyle::bsClear;
    int Direction = MarkerSouth;
    bool Halo = false;
};

class TCartogList {
public:
    TCartogList();

    int32_t FileKind = OverlaySegmentFile;
    std::vector<std::string> FileList;
    TMapping* Mapping = nullptr;  // not owned; nothing is drawn while unset
    std::string DefaultFileName;
    int32_t MaxPoints = 0;
    bool ClosePolygons = true;
    // A file that gives no point is told only while its overlay is shown.
    bool TellEmptyFiles = true;

    const std::vector<TLineSegment>& Segments() const { return segments_; }
    bool Empty() const { return segments_.empty(); }
    void Clear();
    void AddSegment(TLineSegment segment);

    // Clears, then loads every file of a "|"-separated list into this one list.
    void LoadFileList(std::string_view text);
    // Reads one file by its kind. Nothing escapes: a file that cannot be read
    // adds nothing, a damaged one keeps what was read before the damage. A
    // file that is read but yields no point is told (a warning message).
    void LoadFile(const std::string& fileName);
    std::string FirstFileName() const { return FileList.empty() ? std::string() : FileList.front(); }

    // The readers, each over the whole file.
    void LoadSegmentFile(std::span<const uint8_t> file);
    void LoadGSHHS(std::span<const uint8_t> file);
    void LoadColumnText(std::string_view text);
    void LoadGPX(std::string_view text);
    // fileName only names the file in the message about bad pairs.
    void LoadKML(std::string_view text, const std::string& fileName);

    // Every segment of a drawn kind, with the canvas's pen, as polylines
    // broken where the mapping cannot place a point or a line would jump
    // across the image. Given caps that cover the ground the image shows,
    // segments, and stretches of long ones, that meet none of them are
    // passed over: the lines there lie off the image.
    void DrawOverlaySegments(TOverlayCanvas& canvas, int xOffset, int yOffset,
                             std::span<const TGroundCap> shown = {}) const;
    // One marker for each usable line of a place-marker text such as
    // "stations.dat": symbol, label, longitude, latitude[, direction].
    void DrawMarkerFile(TOverlayCanvas& canvas, int xOffset, int yOffset, const std::vector<std::string>& lines,
                        bool bold, const TMarkerStyle& style) const;
    // One symbol ("*", "+", ".", "O", "X", "^", "o", "x", "~") and its label.
    void DrawMarker(TOverlayCanvas& canvas, int xOffset, int yOffset, float longitude, float latitude, char symbol,
                    const std::string& label, const TMarkerStyle& style) const;

private:
    void DispatchFile(const std::string& fileName, const std::string& content);
    void AddWithDatelineRule(TLineSegment segment);
    // Caps round a segment's points, the whole and each stretch of them,
    // worked out at their first use.
    struct TSegmentReach {
        TGroundCap Whole;
        std::vector<TGroundCap> Stretches;
    };
    const TSegmentReach& SegmentReach(size_t index) const;

    std::vector<TLineSegment> segments_;
    mutable std::vector<TSegmentReach> reaches_;
};

// Fields of a line of comma text: separated by commas or blanks, a field in
// double quotes may hold both.
std::vector<std::string> SplitCommaText(std::string_view line);

}  // namespace kestrune
