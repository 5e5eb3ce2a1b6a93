#include "render/qelCartography.h"

#include "platform/DialogService.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/OverlayFileWriter.h"
#include "tools/mapdata/MapDataWriters.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::TTempFolder;

std::vector<TGroundPoint> Points(std::initializer_list<TGroundPoint> points) { return points; }

class CartographyTest : public ::testing::Test {
protected:
    CartographyTest() {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    ~CartographyTest() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        return folder_.Write(name, std::string(bytes.begin(), bytes.end()));
    }
    static size_t MessageCount() { return TDialogService::Instance().Requests().size(); }

    TTempFolder folder_;
    TCartogList list_;
};

TEST_F(CartographyTest, OwnSegmentFileRoundTripsInMinutesOfArc) {
    std::vector<uint8_t> file;
    mapdata::AppendSegmentRecord(file, 4, Points({{-3.5f, 55.25f}, {-3.0f, 56.0f}, {-2.25f, 55.5f}}));
    mapdata::AppendSegmentRecord(file, 2, Points({{170.0f, -40.0f}, {190.0f, -41.0f}}));
    list_.LoadFile(Write("Countries.dat", file));
    ASSERT_EQ(list_.Segments().size(), 2u);
    const TLineSegment& first = list_.Segments()[0];
    EXPECT_EQ(first.Flag, 4);
    EXPECT_FLOAT_EQ(first.Points[1].Longitude, -3.0f);
    EXPECT_FLOAT_EQ(first.Points[1].Latitude, 56.0f);
    EXPECT_FLOAT_EQ(first.MinLon, -3.5f);
    EXPECT_FLOAT_EQ(first.MaxLat, 56.0f);
    // No dateline rule for the own file: the box keeps 190.
    EXPECT_FLOAT_EQ(list_.Segments()[1].MaxLon, 190.0f);
    EXPECT_EQ(list_.MaxPoints, 3);
    EXPECT_EQ(list_.FileKind, OverlaySegmentFile);
    EXPECT_TRUE(list_.ClosePolygons);
}

// Counts that the bytes left cannot hold end the file; what came before stays.
TEST_F(CartographyTest, DamagedSegmentFilesKeepTheSegmentsBeforeTheDamage) {
    std::vector<uint8_t> good;
    mapdata::AppendSegmentRecord(good, 0, Points({{1, 2}, {3, 4}}));
    struct Case {
        const char* what;
        std::vector<uint8_t> tail;
    } cases[] = {
        {"header without points", {3, 0, 0, 0, 0}},
        {"negative count", {0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 2, 3, 4}},
        {"count past the end", {0xFF, 0xFF, 0xFF, 0x7F, 0, 1, 2, 3, 4}},
        {"points cut short", {2, 0, 0, 0, 0, 1, 2, 3, 4, 5}},
        {"half a header", {1, 0}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = good;
        file.insert(file.end(), c.tail.begin(), c.tail.end());
        list_.LoadFile(Write("damaged.dat", file));
        EXPECT_EQ(list_.Segments().size(), 1u) << c.what;
        list_.Clear();
    }
}

TEST_F(CartographyTest, GshhsTwinsOfEitherByteOrderAndEveryLayoutGiveTheSameSegments) {
    const std::vector<test::TGshhsPolygon> polygons = {
        {1, 5000, Points({{350, 10}, {355, 11}, {352, 12}, {350, 10}})},
        {2, 99, Points({{1, 1}, {2, 2}, {1, 1}})},      // small lake: skipped
        {2, 100, Points({{3, 3}, {4, 4}, {3, 3}})},     // lake of 10 km2: read
        {4, 1000, Points({{5, 5}, {6, 6}})},            // pond: skipped
        {5, 1000, Points({{7, 7}, {8, 8}})},            // ice front: skipped
        {6, 1000, Points({{-60, -70}, {-50, -71}})},    // grounding line: read
    };
    std::vector<std::vector<TLineSegment>> results;
    for (const auto layout : {test::TGshhsLayout::Header36, test::TGshhsLayout::Header40, test::TGshhsLayout::Header44})
        for (const bool bigEndian : {false, true}) {
            TCartogList list;
            list.LoadFile(Write("shore.b", test::BuildGshhsFile(polygons, bigEndian, layout)));
            EXPECT_EQ(list.FileKind, OverlayGshhs);
            EXPECT_FALSE(list.ClosePolygons);
            results.push_back(list.Segments());
        }
    ASSERT_EQ(results[0].size(), 3u);
    for (const auto& result : results) {
        ASSERT_EQ(result.size(), 3u);
        for (size_t s = 0; s < 3; ++s)
            for (size_t p = 0; p < result[s].Points.size(); ++p) {
                EXPECT_EQ(result[s].Points[p].Longitude, results[0][s].Points[p].Longitude);
                EXPECT_EQ(result[s].Points[p].Latitude, results[0][s].Points[p].Latitude);
            }
    }
    // The box is taken 360 degrees west; the points keep their longitudes.
    EXPECT_FLOAT_EQ(results[0][0].MinLon, -10.0f);
    EXPECT_FLOAT_EQ(results[0][0].MaxLon, -5.0f);
    EXPECT_FLOAT_EQ(results[0][0].Points[1].Longitude, 355.0f);
    EXPECT_FLOAT_EQ(results[0][2].Points[0].Latitude, -70.0f);
}

TEST_F(CartographyTest, GshhsPolygonCutShortOrCountedBeyondTheFileEndsTheReading) {
    const std::vector<test::TGshhsPolygon> polygons = {{1, 1000, Points({{1, 1}, {2, 2}, {1, 1}})},
                                                       {1, 1000, Points({{3, 3}, {4, 4}, {3, 3}})}};
    for (const bool bigEndian : {false, true}) {
        std::vector<uint8_t> file = test::BuildGshhsFile(polygons, bigEndian);
        file.resize(file.size() - 3);
        TCartogList list;
        list.LoadFile(Write("cut.b", file));
        EXPECT_EQ(list.Segments().size(), 1u);
        file = test::BuildGshhsFile(polygons, bigEndian);
        file[44 + 24 + (bigEndian ? 4 : 7)] = 0x7F;  // the second polygon's count, huge
        list.Clear();
        list.LoadFile(Write("huge.b", file));
        EXPECT_EQ(list.Segments().size(), 1u);
    }
}

TEST_F(CartographyTest, ColumnTextBlocksAreOpenSegments) {
    list_.LoadFile(folder_.Write("rivers.txt", "# -b\n1.5\t50.25\n2.5\t51.0\n# -b\n3.0\t52\nno tab here\n4.0\tx\n"
                                               ">\n5.0\t53\n6.0\t54\n"));
    EXPECT_EQ(list_.FileKind, OverlayColumnText);
    EXPECT_FALSE(list_.ClosePolygons);
    ASSERT_EQ(list_.Segments().size(), 3u);
    EXPECT_EQ(list_.Segments()[0].Count(), 2);
    EXPECT_FLOAT_EQ(list_.Segments()[0].Points[0].Latitude, 50.25f);
    EXPECT_EQ(list_.Segments()[1].Count(), 1);
    EXPECT_EQ(list_.Segments()[2].Count(), 2);
}

TEST_F(CartographyTest, GpxTracksEndAtTheirSegmentEnd) {
    const std::string gpx =
        "<gpx>\n<trk><name>t</name>\n<trkseg>\n"
        "  <trkpt lat=\"41.5\" lon=\"350.25\"><ele>3</ele></trkpt>\n"
        "  <TRKPT LON=\"355\" LAT=\"42\"/>\n"
        "  <trkpt lat=\"x\" lon=\"1\"/>\n"
        "</trkseg>\n<trkseg>\n<trkpt lat=\"1\" lon=\"2\"/>\n";  // never closed: dropped
    list_.LoadFile(folder_.Write("walk.GPX", gpx));
    EXPECT_EQ(list_.FileKind, OverlayGpx);
    ASSERT_EQ(list_.Segments().size(), 1u);
    const TLineSegment& track = list_.Segments()[0];
    ASSERT_EQ(track.Count(), 2);
    EXPECT_FLOAT_EQ(track.Points[0].Longitude, 350.25f);
    EXPECT_FLOAT_EQ(track.Points[1].Latitude, 42.0f);
    EXPECT_FLOAT_EQ(track.MinLon, -9.75f);
    EXPECT_FLOAT_EQ(track.MaxLon, -5.0f);
}

// Devices write a GPX file on one line: it reads as the same file broken
// into a tag a line.
TEST_F(CartographyTest, AGpxFileOnOneLineGivesTheSameTrack) {
    const std::string gpx = "<gpx><trk><trkseg><trkpt lat=\"41.5\" lon=\"350.25\"><ele>3</ele></trkpt>"
                            "<trkpt lat=\"42\" lon=\"355\"/></trkseg><trkseg><trkpt lat=\"1\" lon=\"2\"/>"
                            "<trkpt lat=\"1.5\" lon=\"2.5\"/></trkseg></trk></gpx>";
    list_.LoadFile(folder_.Write("walk.gpx", gpx));
    ASSERT_EQ(list_.Segments().size(), 2u);
    EXPECT_EQ(list_.Segments()[0].Count(), 2);
    EXPECT_FLOAT_EQ(list_.Segments()[0].Points[1].Longitude, 355.0f);
    EXPECT_EQ(list_.Segments()[1].Count(), 2);
    EXPECT_FLOAT_EQ(list_.Segments()[1].Points[1].Latitude, 1.5f);
}

// KML's tuples are separated by any white space; bad pairs are reported
// once for the file, with their number.
TEST_F(CartographyTest, KmlCoordinatesOnSeparateLinesAndOneMessageForAllBadPairs) {
    std::string bad;
    for (int i = 0; i < 3000; ++i) bad += " x" + std::to_string(i) + ",y";
    const std::string kml = "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>"
                            "<Placemark><LineString><coordinates>\n  -3.5,55.9,0\n\t-3.4,56.0,0\n-3.3,56.1"
                            "</coordinates></LineString></Placemark>"
                            "<Placemark><Point><coordinates>" + bad + " 10,20 </coordinates></Point></Placemark>"
                            "</Document></kml>";
    list_.LoadFile(folder_.Write("route.kml", kml));
    EXPECT_EQ(list_.FileKind, OverlayKml);
    ASSERT_EQ(list_.Segments().size(), 2u);
    EXPECT_EQ(list_.Segments()[0].Count(), 3);
    EXPECT_FLOAT_EQ(list_.Segments()[0].Points[2].Latitude, 56.1f);
    EXPECT_EQ(list_.Segments()[1].Count(), 1);
    ASSERT_EQ(MessageCount(), 1u);
    const std::string& message = TDialogService::Instance().Requests()[0].text;
    EXPECT_EQ(message.rfind("Bad pair: x0,y (3000 bad pairs in ", 0), 0u) << message;
}

// Devices write GPX on one line, or a segment's points on the line of its
// <trkseg>, or a point's attributes on lines of their own: the tracks are
// the same.
TEST_F(CartographyTest, GpxTracksWhateverTheLineBreaks) {
    const std::string points = "<trkpt lat=\"41.5\" lon=\"350.25\"><ele>3</ele><time>2023-05-03T12:00:00Z</time></trkpt>"
                               "<trkpt lat=\"42\" lon=\"355\"/><trkpt lat=\"x\" lon=\"1\"/>";
    const struct {
        const char* what;
        std::string text;
    } layouts[] = {
        {"one line", "<?xml version=\"1.0\"?><gpx version=\"1.1\"><trk><trkseg>" + points +
                         "</trkseg><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>"},
        {"segment and points on one line", "<gpx>\r\n<trk>\r\n<trkseg>" + points +
                                               "</trkseg>\r\n<trkseg><trkpt lat=\"1\" lon=\"2\"/>\r\n</trkseg>\r\n</trk></gpx>"},
        {"attributes on lines of their own", "<gpx><trk>\n<trkseg>\n<trkpt\n  lat=\"41.5\"\n  lon=\"350.25\">\n</trkpt>\n"
                                             "<trkpt\tlat=\"42\" lon=\"355\"/>\n</trkseg>\n<trkseg>\n<trkpt lat=\"1\"\n"
                                             "lon=\"2\"/>\n</trkseg>\n</trk>\n</gpx>\n"},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.what);
        list_.LoadFileList(folder_.Write("track.gpx", layout.text));
        ASSERT_EQ(list_.Segments().size(), 2u);
        const TLineSegment& track = list_.Segments()[0];
        ASSERT_EQ(track.Count(), 2);
        EXPECT_FLOAT_EQ(track.Points[0].Longitude, 350.25f);
        EXPECT_FLOAT_EQ(track.Points[0].Latitude, 41.5f);
        EXPECT_FLOAT_EQ(track.Points[1].Longitude, 355.0f);
        EXPECT_FLOAT_EQ(track.MinLon, -9.75f);
        EXPECT_FLOAT_EQ(list_.Segments()[1].Points[0].Longitude, 2.0f);
    }
    EXPECT_EQ(MessageCount(), 0u);
}

// A file that is there but yields no point to draw says so, once for the
// file; one that is not there is passed over.
TEST_F(CartographyTest, AnOverlayFileWithoutAPointIsTold) {
    const std::string names[] = {
        folder_.Write("broken.kml", "<kml><coordinates>1,2 x,y</coordinates>"),
        folder_.Write("tiny.kml", "<k"),
        folder_.Write("route.gpx", "<gpx><rte><rtept lat=\"1\" lon=\"2\"/></rte></gpx>"),
        folder_.Write("open.gpx", "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>"),
    };
    for (const std::string& name : names) list_.LoadFile(name);
    list_.LoadFile(folder_ / "missing.gpx");
    EXPECT_TRUE(list_.Empty());
    ASSERT_EQ(MessageCount(), std::size(names));
    for (size_t k = 0; k < std::size(names); ++k)
        EXPECT_EQ(TDialogService::Instance().Requests()[k].text,
                  "No point could be read from the overlay file " + names[k]);
}

TEST_F(CartographyTest, FileListLoadsEveryFileAndSkipsMissingOnes) {
    std::vector<uint8_t> own;
    mapdata::AppendSegmentRecord(own, 0, Points({{1, 2}, {3, 4}}));
    const std::string first = Write("a.dat", own);
    const std::string second =
        folder_.Write("b.gpx", "<trkseg>\n<trkpt lat=\"1\" lon=\"2\"/>\n<trkpt lat=\"1\" lon=\"3\"/>\n</trkseg>\n");
    list_.LoadFileList(first + "|" + folder_ / "missing.dat" + "|" + second);
    EXPECT_EQ(list_.Segments().size(), 2u);
    EXPECT_EQ(list_.FirstFileName(), first);
    EXPECT_EQ(list_.FileList.size(), 3u);
    list_.LoadFileList("");
    EXPECT_TRUE(list_.Empty());
    EXPECT_EQ(list_.MaxPoints, 0);
    EXPECT_EQ(MessageCount(), 0u);
}

TEST(CommaTextTest, FieldsSplitAtCommasAndBlanksUnlessQuoted) {
    const struct {
        const char* line;
        std::vector<std::string> fields;
    } cases[] = {
        {"o,Home,12.5,41.9,NE", {"o", "Home", "12.5", "41.9", "NE"}},
        {"*  \"Mount Kenya, east\" 37.3 -0.15", {"*", "Mount Kenya, east", "37.3", "-0.15"}},
        {"x,,1,2", {"x", "", "1", "2"}},
        {"\"say \"\"hi\"\"\",a", {"say \"hi\"", "a"}},
        {"a,", {"a", ""}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommaText(c.line), c.fields) << c.line;
}

}  // namespace
}  // namespace kestrune
