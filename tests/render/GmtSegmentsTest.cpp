#include "tools/mapdata/GmtSegments.h"

#include "tools/mapdata/MapDataWriters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrune::mapdata {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

MATCHER_P2(IsPoint, longitude, latitude, "") {
    return arg.Longitude == static_cast<float>(longitude) && arg.Latitude == static_cast<float>(latitude);
}

// An island cut by the bin edge at 5 degrees east, as "gmt coast -M -W"
// writes it: the piece of each bin, the second before the first.
const char* const CutIsland =
    "> Shore Bin # 1300, Level 1\n"
    "5\t52.5\n"
    "5.25\t52.75\n"
    "5\t53\n"
    "> Shore Bin # 1299, Level 1\n"
    "5\t53\n"
    "4.75\t52.75\n"
    "5\t52.5\n";

TEST(GmtSegmentsTest, ReadsPiecesWithTheirLevels) {
    const auto pieces = ReadGmtSegments(std::string("# coast -Rd -Di -M -W\n") + CutIsland +
                                        "\n> Shore Bin # 1300, Level 2\r\n  5.1 52.6\r\n5.2\t52.7\r\n"
                                        "> Shore Bin # 1301, Level 1\n10 50\n");
    ASSERT_EQ(pieces.size(), 3u);  // the one-point piece is dropped
    EXPECT_EQ(pieces[0].Level, 1);
    EXPECT_THAT(pieces[0].Points, ElementsAre(IsPoint(5, 52.5), IsPoint(5.25, 52.75), IsPoint(5, 53)));
    EXPECT_EQ(pieces[2].Level, 2);
    EXPECT_THAT(pieces[2].Points, ElementsAre(IsPoint(5.1, 52.6), IsPoint(5.2, 52.7)));
}

TEST(GmtSegmentsTest, DamagedTextNamesItsLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"5\t52\n", "Line 1 of the GMT text: a point before the first segment header"},
        {"> Shore Bin # 3\n5\t52\n", "Line 1 of the GMT text: a segment header without its level"},
        {"> Shore Bin # 3, Level x\n", "a segment header without its level"},
        {"> Border Bin # 3, Level 1\n5\t52\n5,5\t52\n", "Line 3 of the GMT text: not a longitude and a latitude"},
        {"> Border Bin # 3, Level 1\n5\n", "not a longitude and a latitude"},
        {"> Border Bin # 3, Level 1\n5\t52x\n", "not a longitude and a latitude"},
        {"> Border Bin # 3, Level 1\nnan\t52\n", "not a longitude and a latitude"},
        {"> Border Bin # 3, Level 1\n5\t91\n", "Line 2 of the GMT text: a point beyond the earth"},
    };
    for (const auto& c : cases) {
        try {
            ReadGmtSegments(c.text);
            ADD_FAILURE() << c.text;
        } catch (const EGmtTextError& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.text;
        }
    }
}

TEST(GmtSegmentsTest, PiecesJoinIntoClosedShorelines) {
    const auto lines = JoinPieces(ReadGmtSegments(CutIsland));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].Closed);
    EXPECT_EQ(lines[0].Level, 1);
    EXPECT_THAT(lines[0].Points,
                ElementsAre(IsPoint(5, 52.5), IsPoint(5.25, 52.75), IsPoint(5, 53), IsPoint(4.75, 52.75)));
}

// Chukotka's shore crosses the date line: GMT ends the western piece at 180
// and starts the eastern one at -180.
TEST(GmtSegmentsTest, PiecesMeetAcrossTheDateLine) {
    const auto lines = JoinPieces(ReadGmtSegments("> Shore Bin # 10, Level 1\n"
                                                  "-180\t66\n-179\t66.5\n-180\t67\n"
                                                  "> Shore Bin # 9, Level 1\n"
                                                  "180\t67\n179\t66.5\n180\t66\n"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].Closed);
    EXPECT_THAT(lines[0].Points, ElementsAre(IsPoint(-180, 66), IsPoint(-179, 66.5), IsPoint(-180, 67), IsPoint(179, 66.5)));
}

// A lake's shore that touches the land's is not the land's, and a border
// stays an open line; lines keep the order of their first pieces.
TEST(GmtSegmentsTest, OnlyEndsOfOneLevelMeet) {
    const auto lines = JoinPieces(ReadGmtSegments("> Border Bin # 1, Level 1\n"
                                                  "0\t45\n1\t45\n"
                                                  "> Shore Bin # 1, Level 2\n"
                                                  "1\t45\n0\t45\n"
                                                  "> Border Bin # 2, Level 1\n"
                                                  "1\t45\n2\t46\n"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(lines[0].Closed);
    EXPECT_EQ(lines[0].Level, 1);
    EXPECT_THAT(lines[0].Points, ElementsAre(IsPoint(0, 45), IsPoint(1, 45), IsPoint(2, 46)));
    EXPECT_FALSE(lines[1].Closed);
    EXPECT_EQ(lines[1].Level, 2);
}

// The segment file keeps minutes of arc: points that fall into the minute
// of the one before are left out.
TEST(GmtSegmentsTest, PointsWithinOneMinuteAreKeptOnce) {
    const std::vector<TGroundPoint> points{{-3.0f, 55.0f},  {-3.005f, 55.005f}, {-3.01f, 55.0f}, {-3.02f, 55.0f},
                                           {-3.04f, 55.0f}, {-3.04f, 55.1f},    {-3.0f, 55.0f}};
    EXPECT_THAT(DistinctMinutePoints(points), ElementsAre(IsPoint(-3.0, 55.0), IsPoint(-3.01, 55.0), IsPoint(-3.04, 55.0),
                                                          IsPoint(-3.04, 55.1), IsPoint(-3.0, 55.0)));
}

}  // namespace
}  // namespace kestrune::mapdata
