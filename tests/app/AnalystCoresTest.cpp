// The UI-free parts of the analyst's windows: the video adjust settings and
// their ".xfr" files, the go-to places and coordinates, the temperature
// profile's pixels and labels, the print geometry, and the comma text they
// share.
#include "app/CommaText.h"
#include "app/ControlSizer.h"
#include "app/GoToLocation.h"
#include "app/HistogramForm.h"
#include "app/LoadClutForm.h"
#include "app/OverlayOptions.h"
#include "app/PrintLayout.h"
#include "app/ResidualForm.h"
#include "app/StandardNameForm.h"
#include "app/TemperatureProfile.h"
#include "app/VideoAdjust.h"
#include "decoding/HRPTvideo.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"

#include <QDialog>

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

namespace kestrune {
namespace {

TEST(CommaTextTest, ItemsWithCommasBlanksAndQuotesRoundTrip) {
    const std::vector<std::string> items{"plain", "with,comma", "with blank", "say \"hi\"", "", "last"};
    EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items);
    EXPECT_EQ(SplitCommaText("R 10,900  250"), (std::vector<std::string>{"R", "10", "900", "250"}));
    EXPECT_EQ(SplitCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("\"unclosed"), (std::vector<std::string>{"unclosed"}));
}

// ---- video adjust -------------------------------------------------------------

TEST(VideoAdjustTest, MarkerScaleEndsAtTheTopCount) {
    TMarkers markers;
    markers.BlackHome = 8;
    markers.WhiteHome = 399;
    EXPECT_EQ(markers.Value(markers.WhiteHome), 1023);
    EXPECT_EQ(markers.Value(markers.BlackHome), 0);
    EXPECT_EQ(markers.Position(1023), 399);
    markers.BlackLeft = 8;
    markers.WhiteLeft = 399;
    EXPECT_EQ(markers.GreyPosition(1.0f), 204);  // halfway (407 / 2 rounds to even)
}

TEST(VideoAdjustTest, DraggingTheWhiteMarkerToTheEndGivesWhite1023AndGreySetsGamma) {
    TVideoAdjust adjust;
    adjust.ColourChoice();
    adjust.DragMarker(MarkerWhite, adjust.Markers.WhiteHome + 200);
    EXPECT_EQ(adjust.White, 1023);
    const int black = adjust.Markers.BlackLeft;
    const int white = adjust.Markers.WhiteLeft;
    // Grey a quarter of the way up: gamma (white - grey) / (grey - black) = 3.
    const int grey = black + (white - black) / 4;
    adjust.DragMarker(MarkerGrey, grey + adjust.Markers.Width / 2);
    EXPECT_NEAR(adjust.Gamma, static_cast<float>(white - grey) / static_cast<float>(grey - black), 1e-6);
    EXPECT_EQ(adjust.Colours[ColourRed].Gamma, adjust.Gamma);
    EXPECT_EQ(adjust.Colours[ColourGreen].Gamma, 1.0f);  // only the selected colour
    adjust.DragMarker(MarkerBlack, adjust.Markers.BlackHome + 100);
    EXPECT_GT(adjust.Colours[ColourRed].Black, 0);
    EXPECT_EQ(adjust.Colours[ColourRed].Transfer[0], 0);
}

TEST(VideoAdjustTest, EqualRgbMakesAllThreeTablesAlike) {
    TVideoAdjust adjust;
    adjust.EqualRgb = true;
    adjust.Selected = ColourBlue;
    adjust.ColourChoice();
    adjust.DragMarker(MarkerBlack, adjust.Markers.BlackHome + 60);
    EXPECT_EQ(adjust.Colours[ColourGreen].Transfer, adjust.Colours[ColourRed].Transfer);
    EXPECT_EQ(adjust.Colours[ColourBlue].Transfer, adjust.Colours[ColourRed].Transfer);
    EXPECT_GT(adjust.Colours[ColourBlue].Black, 0);
}

TEST(VideoAdjustTest, XfrFilesLoadBackIdentically) {
    testing::TTempFolder folder;
    TVideoAdjust saved;
    saved.SetTransferFileName("/data/230503_1200_noaa18.wsd");
    EXPECT_EQ(saved.TransferFileName(), "/data/230503_1200_noaa18.xfr");
    saved.Colours[ColourRed] = {2.5f, 10, 900, {}};
    saved.Colours[ColourGreen] = {0.5f, 100, 800, {}};
    saved.Colours[ColourBlue] = {1.0f, 0, 1023, {}};
    for (TColourTransfer& colour : saved.Colours)
        BuildGammaTable(colour.Transfer, colour.Black, colour.White, colour.Gamma);
    const std::string path = folder / "pass.xfr";
    saved.SaveXfr(path);
    EXPECT_EQ(saved.XfrText(), "HRPT Xfer for /data/230503_1200_noaa18\r\nR 10 900 250\r\nG 100 800 50\r\nB 0 1023 100\r\n");
    TVideoAdjust loaded;
    ASSERT_TRUE(loaded.LoadXfr(path));
    for (size_t colour = 0; colour < 3; ++colour) {
        EXPECT_EQ(loaded.Colours[colour].Black, saved.Colours[colour].Black);
        EXPECT_EQ(loaded.Colours[colour].White, saved.Colours[colour].White);
        EXPECT_EQ(loaded.Colours[colour].Gamma, saved.Colours[colour].Gamma);
        EXPECT_EQ(loaded.Colours[colour].Transfer, saved.Colours[colour].Transfer);
    }
    EXPECT_FALSE(loaded.LoadXfr(folder / "missing.xfr"));
}

TEST(VideoAdjustTest, DamagedXfrLinesAreSkipped) {
    TVideoAdjust adjust;
    const TVideoAdjust untouched;
    adjust.ReadXfrText("HRPT Xfer for pass\nR 10 x 250\nG 1 2\nQ 1 2 3\nB 99999999999 1 100\n\"\" 1 2 3\n");
    for (size_t colour = 0; colour < 3; ++colour) {
        EXPECT_EQ(adjust.Colours[colour].Black, untouched.Colours[colour].Black);
        EXPECT_EQ(adjust.Colours[colour].Transfer, untouched.Colours[colour].Transfer);
    }
    adjust.ReadXfrText("R,10,900,250\r\n");
    EXPECT_EQ(adjust.Colours[ColourRed].Black, 10);
    EXPECT_EQ(adjust.Colours[ColourRed].White, 900);
    EXPECT_FLOAT_EQ(adjust.Colours[ColourRed].Gamma, 2.5f);
}

TEST(VideoAdjustTest, HistogramBarsOfALargePassDoNotOverflow) {
    TqelHistogram histogram;
    // A dominant bin of a large pass: its scaling passes 32 bits.
    histogram.Counts()[500] = 2000000000;
    histogram.Counts()[499] = 1000000000;
    histogram.Counts()[501] = 1000000000;
    histogram.Counts()[100] = 5;
    const std::vector<int> bars = HistogramBars(histogram, 393, 169);
    ASSERT_EQ(bars.size(), 391u);
    const int column = 500 * 390 / 1023 + 1;
    EXPECT_GT(bars[static_cast<size_t>(column)], 80);
    EXPECT_LE(*std::max_element(bars.begin(), bars.end()), 167);
    EXPECT_GE(*std::min_element(bars.begin(), bars.end()), 0);
    TqelHistogram empty;
    EXPECT_TRUE(HistogramBars(empty, 393, 169).empty());
}

TEST(VideoAdjustTest, TransferOnlyWhileUsed) {
    TVideoAdjust adjust;
    EXPECT_EQ(adjust.Transfer(0), nullptr);
    adjust.UseTransfer = true;
    ASSERT_NE(adjust.Transfer(2), nullptr);
    EXPECT_EQ(adjust.Transfer(2)[1023], 1023);
    EXPECT_EQ(adjust.Transfer(3), nullptr);
    // Dropped, they say whether a picture was drawn through them since the last drop.
    EXPECT_TRUE(adjust.DropTransfer());
    EXPECT_EQ(adjust.Transfer(2), nullptr);
    EXPECT_FALSE(adjust.DropTransfer());
}

// ---- go to location -----------------------------------------------------------

TEST(GoToLocationTest, AFirstRunShowsKelbourneAndFiveEmptyRows) {
    const TPlaces places = ParsePlaces(DefaultPlacesText);
    EXPECT_EQ(places[0].Name, "Kelbourne");
    EXPECT_EQ(places[0].Latitude, "55.9");
    EXPECT_EQ(places[0].Longitude, "-3.2");
    for (size_t row = 1; row < places.size(); ++row) EXPECT_TRUE(places[row].Name.empty());
}

TEST(GoToLocationTest, NamesWithCommasBlanksAndQuotesRoundTrip) {
    TPlaces places;
    places[0] = {"Dundee, \"Ninewells\" roof", "56,46", "-3.04"};
    places[3] = {"Tromsø", "69.65", "18.96"};
    EXPECT_EQ(ParsePlaces(PlacesText(places))[0].Name, places[0].Name);
    const TPlaces back = ParsePlaces(PlacesText(places));
    for (size_t row = 0; row < places.size(); ++row) {
        EXPECT_EQ(back[row].Name, places[row].Name);
        EXPECT_EQ(back[row].Latitude, places[row].Latitude);
        EXPECT_EQ(back[row].Longitude, places[row].Longitude);
    }
}

TEST(GoToLocationTest, CoordinatesAndRanges) {
    EXPECT_EQ(StrToCoordinate("56,5"), 56.5);
    EXPECT_EQ(StrToCoordinate(" -3.2 "), -3.2);
    EXPECT_FALSE(StrToCoordinate("north"));
    EXPECT_FALSE(StrToCoordinate(""));
    EXPECT_FALSE(StrToCoordinate("nan"));
    struct TCase {
        const char* Longitude;
        TGoToResult::TKind Kind;
    };
    for (const TCase& c : {TCase{"200", TGoToResult::Go}, TCase{"359.9", TGoToResult::Go},
                           TCase{"360", TGoToResult::OutOfRange}, TCase{"-181", TGoToResult::OutOfRange},
                           TCase{"400", TGoToResult::OutOfRange}, TCase{"east", TGoToResult::NotFound}})
        EXPECT_EQ(GoToPlace({"Here", "10", c.Longitude}).Kind, c.Kind) << c.Longitude;
    EXPECT_EQ(GoToPlace({"", "", ""}).Message, "Valid latitude or longitude for \"\" not found");
    EXPECT_EQ(GoToPlace({"High", "91", "0"}).Kind, TGoToResult::OutOfRange);
}

// ---- temperature profile ------------------------------------------------------

TEST(TemperatureProfileTest, PixelsAlongTheLongerSpan) {
    ASSERT_EQ(ProfilePixels(5, 7, 5, 7).size(), 1u);
    const std::vector<TProfilePixel> wide = ProfilePixels(10, 20, 0, 15);
    ASSERT_EQ(wide.size(), 11u);
    EXPECT_EQ(wide.front().X, 0);
    EXPECT_EQ(wide.front().Y, 15);
    EXPECT_EQ(wide[1].Y, 16);  // 15.5 rounds to even
    EXPECT_EQ(wide.back().Y, 20);
    const std::vector<TProfilePixel> diagonal = ProfilePixels(0, 0, 4, 4);
    ASSERT_EQ(diagonal.size(), 5u);  // equal spans: one per row
    EXPECT_EQ(diagonal[2].X, 2);
    EXPECT_TRUE(ProfilePixels(-1, 0, 4, 4).empty());
}

TEST(TemperatureProfileTest, AxisLabelsCarryTheCompassSuffix) {
    EXPECT_EQ(AxisLabel("-3.20", true), "-3.20\u00B0W");
    EXPECT_EQ(AxisLabel("12", true), "12\u00B0E");
    EXPECT_EQ(AxisLabel("-5", false), "-5\u00B0S");
    EXPECT_EQ(AxisLabel("56.5", false), "56.5\u00B0N");
    EXPECT_EQ(AxisLabel("0.00", false), "0.00");
    EXPECT_EQ(AxisLabel("17,74", true), "17,74\u00B0E") << "under de_DE";
    EXPECT_EQ(AxisLabel("-0,50", false), "-0,50\u00B0S") << "under de_DE";
    EXPECT_EQ(AxisLabel("0,00", true), "0,00");
}

// ---- print geometry -----------------------------------------------------------

TEST(PrintLayoutTest, FitIntoTheEqualMarginArea) {
    EXPECT_EQ(FitToArea(4000, 6000, 2048, 1000), (TPrintRect{0, 2024, 4000, 1953}));
    EXPECT_EQ(FitToArea(3000, 3000, 500, 500), (TPrintRect{0, 0, 3000, 3000}));
    EXPECT_EQ(FitToArea(3000, 3000, 0, 500), TPrintRect{});
    EXPECT_TRUE(PrintsInLandscape(500, 500));
    EXPECT_FALSE(PrintsInLandscape(500, 501));
}

TEST(PrintLayoutTest, SheetsTileThePictureRowByRow) {
    const std::vector<TPrintRect> nine = SheetTiles(9, 1000, 600);
    ASSERT_EQ(nine.size(), 9u);
    EXPECT_EQ(nine[1], (TPrintRect{333, 0, 333, 200}));
    EXPECT_EQ(nine[8].Right(), 999);  // the last column is not printed
    EXPECT_EQ(SheetTiles(1, 1000, 600).front(), (TPrintRect{0, 0, 1000, 600}));
    EXPECT_EQ(SheetTiles(16, 1000, 600).size(), 16u);
    EXPECT_TRUE(SheetTiles(16, 3, 600).empty());
    EXPECT_TRUE(SheetTiles(4, 0, 0).empty());
}

TEST(PrintLayoutTest, PreviewAndSelection) {
    const TPrintRect design{1, 1, 449, 449};
    EXPECT_EQ(PreviewRect(design, 2048, 1024), (TPrintRect{1, 1, 449, 224}));
    EXPECT_EQ(PreviewRect(design, 1024, 2048), (TPrintRect{1, 1, 224, 449}));
    EXPECT_EQ(PreviewRect(design, 0, 0), design);
    const TPrintRect preview{1, 1, 449, 224};
    // A box dragged partly outside is pulled back to the preview's edges.
    EXPECT_EQ(ClampSelection({-40, 100, 200, 300}, preview), (TPrintRect{0, 100, 160, 125}));
    // A box beyond the preview, or cut to nothing, keeps a pixel at the nearest edge.
    EXPECT_EQ(ClampSelection({900, 700, 224, 112}, preview), (TPrintRect{449, 224, 1, 1}));
    EXPECT_EQ(ClampSelection({100, 50, 0, 0}, preview), (TPrintRect{100, 50, 1, 1}));
    EXPECT_EQ(SelectionInPicture({449, 224, 1, 1}, preview, 2048, 1024), (TPrintRect{2043, 1019, 5, 5}));
    EXPECT_EQ(SelectionInPicture({1, 1, 224, 112}, preview, 2048, 1024), (TPrintRect{0, 0, 1021, 512}));
    EXPECT_EQ(SelectionInPicture({1, 1, 224, 112}, {1, 1, 0, 0}, 2048, 1024), TPrintRect{});
}

// ---- control sizer ------------------------------------------------------------

TEST(ControlSizerTest, ResizingPastTheOppositeCornerNormalisesAndStaysInTheParent) {
    const QRect parent(0, 0, 400, 300);
    const QRect bounds(100, 100, 50, 40);
    // The bottom-right handle dragged above and left of the top-left corner.
    EXPECT_EQ(SizedBounds(bounds, 4, QPoint(60, 80), parent), QRect(QPoint(60, 80), QPoint(99, 99)));
    EXPECT_EQ(SizedBounds(bounds, 3, QPoint(900, 0), parent), QRect(QPoint(100, 100), QPoint(399, 139)));
    EXPECT_EQ(SizedBounds(bounds, 1, QPoint(0, -20), parent), QRect(QPoint(100, 0), QPoint(149, 139)));
    // Dragged beyond an edge, the box stops at it whole.
    EXPECT_EQ(MovedBounds(bounds, QPoint(-120, 0), parent), QRect(0, 100, 50, 40));
    EXPECT_EQ(MovedBounds(bounds, QPoint(5000, 4000), parent), QRect(350, 260, 50, 40));
    EXPECT_EQ(MovedBounds(QRect(10, 10, 500, 40), QPoint(20, 0), parent), QRect(0, 10, 400, 40));
    // A handle dragged far beyond the parent, or onto the opposite edge, leaves a box inside it.
    EXPECT_EQ(SizedBounds(QRect(350, 260, 50, 40), 7, QPoint(5000, 4000), parent), QRect(399, 260, 1, 40));
    EXPECT_EQ(SizedBounds(bounds, 5, QPoint(0, 100), parent), QRect(100, 100, 50, 1));
}

// ---- the smaller windows ------------------------------------------------------

TEST(SmallerWindowsTest, ChoicesOfTheSmallDialogs) {
    EXPECT_EQ(LocateFilterIndex("/maps/world.KML"), 3);
    EXPECT_EQ(LocateFilterIndex("gshhs_c.b"), 2);
    EXPECT_EQ(LocateFilterIndex("Countries.dat"), 1);
    EXPECT_EQ(LocateFilterIndex("rivers"), 4);
    EXPECT_EQ(ClutAfterChoice(QDialog::Accepted, "/p/CLUT_sea.bmp", "/p/old.bmp"), "/p/CLUT_sea.bmp");
    EXPECT_EQ(ClutAfterChoice(QDialog::Accepted, "", "/p/old.bmp"), "");
    EXPECT_EQ(ClutAfterChoice(ResultUseStandard, "", "/p/old.bmp"), "");
    EXPECT_EQ(ClutAfterChoice(QDialog::Rejected, "/p/CLUT_sea.bmp", "/p/old.bmp"), "/p/old.bmp");
    const double moment = EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0);
    EXPECT_EQ(StandardNameExample({"yyyy-mm-dd-hhnn", false, false, true}, moment),
              "Example pass using that format:  2023-05-03-1200-n18-fc-corrected.jpg");
    EXPECT_EQ(StandardNameExample({"yymmdd", false, false, false}, moment),
              "Example pass using that format:  230503-n18.jpg");
}

TEST(SmallerWindowsTest, HistogramListingAndResiduals) {
    TqelHistogram histogram;
    histogram.Counts()[0] = 10;
    histogram.Counts()[31] = 5;
    const std::string listing = HistogramListing(histogram);
    EXPECT_EQ(listing.substr(0, 5 + 3 * 10 + 1), "   0  99  0  0  0  0  0  0  0  0  0 ");
    EXPECT_NE(listing.find("\r  30   0 50"), std::string::npos);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\r'), 35);  // 1024 bins, 30 to a line

    TResidualTable residuals(120);
    for (TResidualRow& row : residuals) row.fill({3.0f, 4.0f});
    EXPECT_EQ(ResidualLines(residuals).size(), 3u);  // lines 0, 51 and 102
    EXPECT_EQ(ResidualLines(residuals).front().substr(0, 10), "3,4  3,4  ");
    const TResidualGraph graph = ResidualVectors(residuals, 520, 400);
    ASSERT_FALSE(graph.Vectors.empty());
    EXPECT_DOUBLE_EQ(graph.Rms, 5.0);
    EXPECT_EQ(graph.Vectors.front(), (std::array<int, 4>{10, 10, 13, 6}));
    EXPECT_TRUE(ResidualVectors({}, 520, 400).Vectors.empty());
}

}  // namespace
}  // namespace kestrune
