#include "render/OverlayDrawing.h"

#include "orbit/qelMapping.h"
#include "render/BMPExtImage.h"
#include "render/FireDetection.h"
#include "render/qelCartography.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

namespace kestrune {
namespace {

// Ten pixels a degree: x from longitude -20, y down from latitude 60.
// Points south of 80 S, and those the test names, cannot be placed.
class TLinearMapping : public TMapping {
public:
    int GetHeight() const override { return 600; }  // jump limit 500
    bool LatLonToXY(int& X, int& Y, float Longitude, float Latitude) override {
        ++Placed;
        if (Latitude < -80 || (Fails && Fails(Longitude, Latitude))) return false;
        X = static_cast<int>(std::lround((Longitude + 20) * 10));
        Y = static_cast<int>(std::lround((60 - Latitude) * 10));
        return true;
    }
    bool RowWithoutLocationBetween(int row, int otherRow) const override {
        return std::any_of(RowsWithoutLocation.begin(), RowsWithoutLocation.end(), [&](int without) {
            return without > std::min(row, otherRow) && without < std::max(row, otherRow);
        });
    }
    std::function<bool(float, float)> Fails;
    std::vector<int> RowsWithoutLocation;
    int Placed = 0;
};

// Every call logged as text; text is 6 pixels a byte wide and 12 high.
class TRecordingCanvas : public TOverlayCanvas {
public:
    int Width() const override { return 400; }
    int Height() const override { return 300; }
    void MoveTo(int x, int y) override { Log(Format("MoveTo %d,%d", x, y)); }
    void LineTo(int x, int y) override { Log(Format("LineTo %d,%d", x, y)); }
    void Polyline(std::span<const TPoint> points) override {
        Polylines.emplace_back(points.begin(), points.end());
        Log(Format("Polyline %zu", points.size()));
    }
    void Ellipse(int left, int top, int right, int bottom) override {
        Log(Format("Ellipse %d,%d,%d,%d", left, top, right, bottom));
    }
    void TextOut(int x, int y, const std::string& text) override {
        Log(Format("TextOut %d,%d %s", x, y, text.c_str()) + Format(" font %06X", Font.Color));
    }
    TSize TextExtent(const std::string& text) override { return {6 * static_cast<int>(text.size()), 12}; }

    void Log(const std::string& call) { Calls.push_back(call + Format(" pen %06X/%d", Pen.Color, Pen.Width)); }
    bool Has(const std::string& call) const { return std::find(Calls.begin(), Calls.end(), call) != Calls.end(); }
    int Count(const std::string& prefix) const {
        return static_cast<int>(std::count_if(Calls.begin(), Calls.end(),
                                              [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }

    std::vector<std::string> Calls;
    std::vector<std::vector<TPoint>> Polylines;
};

bool Locate(int x, int y, float& latitude, float& longitude) {
    longitude = static_cast<float>(x) / 10 - 20;
    latitude = 60 - static_cast<float>(y) / 10;
    return true;
}

class OverlayDrawingTest : public ::testing::Test {
protected:
    OverlayDrawingTest() { list_.Mapping = &mapping_; }

    TLineSegment Segment(std::initializer_list<TGroundPoint> points, uint8_t kind = 0) {
        TLineSegment segment;
        segment.Flag = kind;
        for (const TGroundPoint& point : points) segment.Add(point.Longitude, point.Latitude);
        return segment;
    }
    TOverlayPainter Painter(int nudgeX = 0, int nudgeY = 0) {
        return TOverlayPainter(canvas_, mapping_, Locate, nudgeX, nudgeY);
    }

    TLinearMapping mapping_;
    TRecordingCanvas canvas_;
    TCartogList list_;
    std::vector<std::string> noStations_;
};

using TRun = std::vector<TPoint>;

TEST_F(OverlayDrawingTest, SegmentsBreakAtJumpsAndUnplaceablePointsAndCloseOnlyWithoutAJump) {
    list_.AddSegment(Segment({{-19, 50}, {-18, 50}, {-17, 51}, {60, 50}, {61, 50}}));
    list_.AddSegment(Segment({{0, 40}, {1, 40}, {1, -85}, {2, 40}, {2.02f, 40}, {2.04f, 40}}, 5));
    list_.AddSegment(Segment({{0, 0}, {1, 1}}, 2));  // a kind that is read but not drawn
    list_.AddSegment(Segment({{0, 30}, {1, 30}, {1, 31}}));
    list_.DrawOverlaySegments(canvas_, 3, 2);
    const std::vector<TRun> expected = {
        {{13, 98}, {23, 98}, {33, 88}},
        {{803, 98}, {813, 98}},  // no closing line back across the image
        {{203, 198}, {213, 198}},
        {{223, 198}, {223, 198}, {203, 198}},  // the same pixel once, the last always; closed
        {{203, 298}, {213, 298}, {213, 288}, {203, 298}},
    };
    EXPECT_EQ(canvas_.Polylines, expected);
    EXPECT_EQ(canvas_.Brush.Style, TBrushStyle::bsClear);
}

// A track has no line from its last point back to its first: GPX track
// segments and KML line strings are drawn open, while a KML polygon's ring
// and the own segment files' lines are closed as before.
TEST_F(OverlayDrawingTest, TracksAndLineStringsAreOpenRingsAndSegmentFilesClosed) {
    list_.LoadGPX("<gpx><trk><trkseg><trkpt lat=\"50\" lon=\"-19\"/><trkpt lat=\"50\" lon=\"-18\"/>"
                  "<trkpt lat=\"51\" lon=\"-17\"/></trkseg></trk></gpx>");
    list_.LoadKML("<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
                  "<Placemark><LineString><coordinates>0,40 1,40 1,41</coordinates></LineString></Placemark>"
                  "<Placemark><Polygon><outerBoundaryIs><LinearRing><coordinates>0,30 1,30 1,31"
                  "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>"
                  "<Placemark><MultiGeometry><kml:LineString xmlns:kml=\"http://www.opengis.net/kml/2.2\">"
                  "<coordinates>2,20 3,20 3,21</coordinates></kml:LineString></MultiGeometry></Placemark>"
                  "</Document></kml>",
                  "route.kml");
    list_.AddSegment(Segment({{5, 10}, {6, 10}, {6, 11}}));
    ASSERT_TRUE(list_.ClosePolygons);
    list_.DrawOverlaySegments(canvas_, 0, 0);
    const std::vector<TRun> expected = {
        {{10, 100}, {20, 100}, {30, 90}},
        {{200, 200}, {210, 200}, {210, 190}},
        {{200, 300}, {210, 300}, {210, 290}, {200, 300}},
        {{220, 400}, {230, 400}, {230, 390}},
        {{250, 500}, {260, 500}, {260, 490}, {250, 500}},
    };
    EXPECT_EQ(canvas_.Polylines, expected);
}

TEST_F(OverlayDrawingTest, LongRunsAreDrawnInPiecesThatShareTheirEnds) {
    TLineSegment segment;
    for (int i = 0; i < 20000; ++i) segment.Add(static_cast<float>(i) / 10, 0);
    list_.AddSegment(segment);
    list_.ClosePolygons = false;
    list_.DrawOverlaySegments(canvas_, 0, 0);
    ASSERT_EQ(canvas_.Polylines.size(), 2u);
    EXPECT_EQ(canvas_.Polylines[0].size(), 16000u);
    EXPECT_EQ(canvas_.Polylines[1].front(), canvas_.Polylines[0].back());
    EXPECT_EQ(canvas_.Polylines[0].size() + canvas_.Polylines[1].size(), 20001u);
}

TEST_F(OverlayDrawingTest, FireRegionIsOneLineADegreeStartingWithThePenUp) {
    TFireSettings fire;
    fire.FireSaveLimitRegion = true;  // north 29, south 27, west -19, east -15
    canvas_.Pen.Color = 0x123456;
    EXPECT_TRUE(Painter(5, 5).DrawFireRegion(fire));
    EXPECT_EQ(canvas_.Calls.front(), "MoveTo 10,310 pen FFFFFF/1");  // no nudge
    EXPECT_EQ(canvas_.Count("LineTo"), 4 + 2 + 4 + 2);
    EXPECT_EQ(canvas_.Calls.back(), "LineTo 10,310 pen FFFFFF/1");
    EXPECT_EQ(canvas_.Pen.Color, 0x123456u);

    canvas_.Calls.clear();
    mapping_.Fails = [](float longitude, float latitude) { return longitude == -19 && latitude == 29; };
    Painter().DrawFireRegion(fire);
    EXPECT_EQ(canvas_.Calls.front(), "MoveTo 20,310 pen FFFFFF/1");
    EXPECT_EQ(canvas_.Count("LineTo"), 3 + 2 + 4 + 1);

    fire.FireSaveLimitRegion = false;
    EXPECT_FALSE(Painter().DrawFireRegion(fire));
}

TEST_F(OverlayDrawingTest, MarkerLinesDrawSymbolAndLabelByDirection) {
    const TMarkerStyle style{0x00FFFF, 1, TBrushStyle::bsClear, MarkerSouth, true};
    canvas_.Pen = {0x111111, 2, TPenStyle::psSolid};
    list_.DrawMarkerFile(canvas_, 0, 0, {"o,Home,12.5,41.9,NE", "#o,Home,12.5,41.9,NE", "+,x,bad,1", "x,a,1"}, true,
                         style);
    // At (325, 181): a 15-pixel circle, the label right of and above it
    // (24 x 12), its halo first.
    const std::vector<std::string> expected = {
        "Ellipse 318,174,333,189 pen 00FFFF/3",
        "TextOut 331,163 Home font 020A02 pen 00FFFF/3", "TextOut 333,163 Home font 020A02 pen 00FFFF/3",
        "TextOut 331,165 Home font 020A02 pen 00FFFF/3", "TextOut 333,165 Home font 020A02 pen 00FFFF/3",
        "TextOut 332,164 Home font 00FFFF pen 00FFFF/3"};
    EXPECT_EQ(canvas_.Calls, expected);
    EXPECT_EQ(canvas_.Pen.Color, 0x111111u);
    EXPECT_EQ(canvas_.Pen.Width, 2);
}

TEST_F(OverlayDrawingTest, EverySymbolHasItsStrokes) {
    const struct {
        char symbol;
        int strokes;  // MoveTo, LineTo and Ellipse calls
    } cases[] = {{'*', 8}, {'+', 4}, {'.', 1}, {'O', 1}, {'X', 4}, {'^', 3}, {'o', 1}, {'x', 4}, {'~', 4}, {'?', 0}};
    for (const auto& c : cases) {
        canvas_.Calls.clear();
        list_.DrawMarker(canvas_, 0, 0, 0, 50, c.symbol, "", {});
        EXPECT_EQ(static_cast<int>(canvas_.Calls.size()), c.strokes) << c.symbol;
    }
    canvas_.Calls.clear();
    list_.DrawMarker(canvas_, 0, 0, 0, 50, '.', "", {0xFF, 3});
    EXPECT_EQ(canvas_.Calls[0], "Ellipse 197,97,204,104 pen 0000FF/1");
}

TEST_F(OverlayDrawingTest, OverlayDrawsEachEnabledLayerInItsColour) {
    TCartogList user;
    user.Mapping = &mapping_;
    user.AddSegment(Segment({{0, 40}, {1, 40}}));
    list_.AddSegment(Segment({{0, 50}, {1, 50}}));
    const std::vector<std::string> stations = {"*,Station,0,45"};
    TOverlaySettings settings;
    settings.OverlayGridlabels = false;
    EXPECT_FALSE(Painter().DrawOverlay(settings, {list_, user, stations}));
    EXPECT_TRUE(canvas_.Calls.empty());

    settings.OverlayBoundaries = settings.OverlayUser = settings.OverlayHome = settings.OverlayStations = true;
    settings.HomeLatitude = 41.9f;
    settings.HomeLongitude = 12.5f;
    EXPECT_TRUE(Painter(1, 1).DrawOverlay(settings, {list_, user, stations}));
    EXPECT_TRUE(canvas_.Has("Polyline 3 pen 00FFFF/1"));  // boundaries in yellow, closed
    EXPECT_TRUE(canvas_.Has("Polyline 3 pen FF0000/1"));  // user overlay in blue
    EXPECT_TRUE(canvas_.Has("Ellipse 319,173,334,188 pen 00FFFF/3"));  // home, longitude first, nudged
    // Each station four times in black underneath, then in the home colour.
    EXPECT_EQ(canvas_.Count("TextOut"), 5);
    EXPECT_EQ(canvas_.Calls.back(), "TextOut 180,161 Station font 00FFFF pen 00FFFF/3");
}

// The image shows longitudes -20 .. 20 and latitudes 30 .. 60: lines far
// from it are not placed point by point, and the picture stays the same.
TEST_F(OverlayDrawingTest, LinesFarFromTheImageArePassedOver) {
    list_.AddSegment(Segment({{100, 50}, {101, 50}, {101, 51}}));  // in Asia
    TLineSegment coast;
    for (int step = 0; step <= 400; ++step) coast.Add(-10 + 0.5f * static_cast<float>(step), 45);  // out to 190 E
    for (int step = 400; step >= 0; --step) coast.Add(-10 + 0.5f * static_cast<float>(step), 44);  // and back
    coast.Flag = 0;
    list_.AddSegment(coast);
    TOverlaySettings settings;
    settings.OverlayBoundaries = true;
    Painter().DrawOverlay(settings, {list_, list_, noStations_});
    const int placedWhenShown = mapping_.Placed;
    const auto shownRuns = canvas_.Polylines;
    mapping_.Placed = 0;
    canvas_.Polylines.clear();
    list_.DrawOverlaySegments(canvas_, 0, 0);
    EXPECT_EQ(mapping_.Placed, 3 + 802);
    EXPECT_LT(placedWhenShown, 300);
    // Both ways, the lines within the image are the same.
    const auto inside = [](const std::vector<TRun>& runs) {
        std::vector<std::pair<TPoint, TPoint>> lines;
        for (const TRun& run : runs)
            for (size_t i = 0; i + 1 < run.size(); ++i)
                if (run[i].X < 400 || run[i + 1].X < 400) lines.emplace_back(run[i], run[i + 1]);
        return lines;
    };
    EXPECT_EQ(inside(shownRuns), inside(canvas_.Polylines));
    EXPECT_FALSE(inside(shownRuns).empty());
}

TEST_F(OverlayDrawingTest, GraticuleStaysInsideTheBitmapAndLabelsEachGridLineOnce) {
    TOverlaySettings settings;
    settings.OverlayGridlines = true;
    settings.OverlayGridPoleMarkers = true;
    Painter().DrawOverlay(settings, {list_, list_, noStations_});
    for (const TRun& run : canvas_.Polylines)
        for (const TPoint& point : run)
            ASSERT_TRUE(point.X >= 0 && point.X < 400 && point.Y >= 0 && point.Y < 300) << point.X << "," << point.Y;
    // Meridians every 5 degrees from -20 to 15, parallels 35 to 60; no pole circle shows.
    EXPECT_EQ(canvas_.Polylines.size(), 8u + 6u);
    const std::string degree = "\xC2\xB0";
    // The label column is the first one past the nearest: 0 degrees at x = 201.
    EXPECT_TRUE(canvas_.Has("TextOut 192,0 0" + degree + " font 000000 pen 0000FF/1"));
    EXPECT_TRUE(canvas_.Has("TextOut 139,288 5" + degree + "W font 000000 pen 0000FF/1"));
    EXPECT_TRUE(canvas_.Has("TextOut 336,0 15" + degree + "E font 000000 pen 0000FF/1"));
    EXPECT_EQ(canvas_.Count("TextOut 0,45 55" + degree + "N"), 1);  // left, at row 51
    EXPECT_EQ(canvas_.Count("TextOut 370,45 55" + degree + "N"), 1);
    // 20 W lies at the left edge: its label would stick out.
    EXPECT_EQ(canvas_.Count("TextOut") , 2 * 7 + 2 * 5);
}

// Ground the mapping cannot place within the picture (lost in a gap in the
// signal) breaks each grid line: no stroke is drawn across it.
TEST_F(OverlayDrawingTest, GridLinesBreakWhereTheGroundCannotBePlaced) {
    mapping_.Fails = [](float, float latitude) { return latitude > 44.5f && latitude < 48.5f; };
    Painter().DrawGraticule(0, 0, false);
    int crossingRows = 0;
    for (const TRun& run : canvas_.Polylines)
        for (size_t i = 0; i + 1 < run.size(); ++i) {
            const int upper = std::min(run[i].Y, run[i + 1].Y), lower = std::max(run[i].Y, run[i + 1].Y);
            if (upper <= 116 && lower >= 154) ++crossingRows;
        }
    EXPECT_EQ(crossingRows, 0);
    // Meridians every 5 degrees from -20 to 15, each in two pieces; parallels 35 to 60 but 45.
    EXPECT_EQ(canvas_.Polylines.size(), 2 * 8u + 5u);
}

// Lines without location (damaged records) between two placed points of
// a grid line or a coastline: no stroke joins them across the rows.
TEST_F(OverlayDrawingTest, NoLineCrossesRowsWithoutLocation) {
    mapping_.RowsWithoutLocation = {124, 125, 126};
    Painter().DrawGraticule(0, 0, false);
    list_.AddSegment(Segment({{-19, 49}, {-19, 48}, {-19, 47}, {-19, 46}}));
    list_.DrawOverlaySegments(canvas_, 0, 0);
    for (const TRun& run : canvas_.Polylines)
        for (size_t i = 0; i + 1 < run.size(); ++i)
            EXPECT_FALSE(std::min(run[i].Y, run[i + 1].Y) < 125 && std::max(run[i].Y, run[i + 1].Y) > 125)
                << run[i].X << "," << run[i].Y << " to " << run[i + 1].X << "," << run[i + 1].Y;
    EXPECT_EQ(canvas_.Polylines.back(), (TRun{{10, 130}, {10, 140}})) << "the coastline south of the rows";
    EXPECT_EQ(canvas_.Polylines[canvas_.Polylines.size() - 2], (TRun{{10, 110}, {10, 120}}));
    // The grid nudged 3 rows up: the rows are those of the ground, not of the strokes.
    canvas_.Polylines.clear();
    Painter().DrawGraticule(0, 3, false);
    for (const TRun& run : canvas_.Polylines)
        for (size_t i = 0; i + 1 < run.size(); ++i)
            EXPECT_FALSE(std::min(run[i].Y, run[i + 1].Y) < 122 && std::max(run[i].Y, run[i + 1].Y) > 122)
                << "nudged: " << run[i].X << "," << run[i].Y << " to " << run[i + 1].X << "," << run[i + 1].Y;
}

TEST_F(OverlayDrawingTest, NearThePolesOnlyMultiplesOfFifteenAreLabelled) {
    TOverlayPainter painter(canvas_, mapping_,
                            [](int x, int, float& latitude, float& longitude) {
                                longitude = static_cast<float>(x) / 10 - 20;
                                latitude = 85;
                                return true;
                            },
                            0, 0);
    painter.DrawGraticule(0, 0, true);
    const std::string degree = "\xC2\xB0";
    EXPECT_TRUE(canvas_.Has("TextOut 192,0 0" + degree + " font 000000 pen 000000/1"));
    EXPECT_EQ(canvas_.Count("TextOut 139,0"), 0);  // 5 W
    EXPECT_EQ(canvas_.Count("TextOut 336,0 15"), 1);
}

TEST(OverlayImageTest, SegmentsAreDrawnInThePenColourOnTheBitmap) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(400, 300);
    TLinearMapping mapping;
    TCartogList list;
    list.Mapping = &mapping;
    TLineSegment segment;
    segment.Add(-15, 50);
    segment.Add(-5, 50);
    list.AddSegment(segment);
    list.ClosePolygons = false;
    {
        TBitmapOverlayCanvas canvas(bitmap);
        canvas.Pen.Color = 0x00FFFF;
        list.DrawOverlaySegments(canvas, 0, 0);
    }
    const uint8_t* on = bitmap.ScanLine(100) + 3 * 100;
    const uint8_t* off = bitmap.ScanLine(102) + 3 * 100;
    EXPECT_EQ(on[0], 0);  // blue, green, red: yellow on the white bitmap
    EXPECT_EQ(on[1], 255);
    EXPECT_EQ(on[2], 255);
    EXPECT_EQ(off[0], 255);
}

}  // namespace
}  // namespace kestrune
