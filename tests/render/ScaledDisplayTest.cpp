#include "render/ScaledDisplay.h"

#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "render/BMPExtImage.h"
#include "render/RenderView.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/SyntheticPass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace kestrune {
namespace {

// A pass of 2,048 samples shown in a 512-pixel-wide window.
constexpr int PictureWidth = 2048;
constexpr int PictureHeight = 1200;
constexpr int ScreenWidth = 512;
constexpr int ScreenHeight = 300;

void MakeBlack(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) std::fill_n(bitmap.ScanLine(y), bitmap.RowBytes(), uint8_t{0});
}

int Brightest(const TExtBitmap& bitmap, int x, int y) {
    const uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
    return std::max({pixel[0], pixel[1], pixel[2]});
}

// The rows of a column where a line shows (at least a quarter bright).
std::vector<int> LitRows(const TExtBitmap& bitmap, int x) {
    std::vector<int> rows;
    for (int y = 0; y < bitmap.Height(); ++y)
        if (Brightest(bitmap, x, y) >= 64) rows.push_back(y);
    return rows;
}

// Every column between first and last shows the line, each within a pixel
// of the one before: an unbroken line (other lines may cross it).
void ExpectWholeLine(const TExtBitmap& bitmap, int first, int last) {
    int previous = -1;
    for (int x = first; x <= last; ++x) {
        const std::vector<int> rows = LitRows(bitmap, x);
        ASSERT_FALSE(rows.empty()) << "the line breaks at column " << x;
        const int row = previous < 0 ? rows.front()
                                      : *std::min_element(rows.begin(), rows.end(), [&](int a, int b) {
                                            return std::abs(a - previous) < std::abs(b - previous);
                                        });
        if (previous >= 0) {
            EXPECT_LE(std::abs(row - previous), 1) << "column " << x;
        }
        previous = row;
    }
}

// A coastline-like slant, one picture pixel wide.
const std::vector<TPoint> Slant{{0, 100}, {700, 400}, {PictureWidth - 1, 1100}};

TEST(ScaledDisplayTest, ThinLinesDrawnAtTheScreensScaleStayWhole) {
    TExtBitmap screen;
    MakeBlack(screen, ScreenWidth, ScreenHeight);
    {
        TBitmapOverlayCanvas canvas(screen, PictureWidth, PictureHeight);
        EXPECT_EQ(canvas.Width(), PictureWidth);
        EXPECT_EQ(canvas.Height(), PictureHeight);
        canvas.Pen.Color = clWhite;
        canvas.Polyline(Slant);
        canvas.MoveTo(1000, 0);
        canvas.LineTo(1000, PictureHeight - 1);
    }
    ExpectWholeLine(screen, 0, ScreenWidth - 2);
    // The picture's points land on the screen pixels that show them.
    EXPECT_FALSE(LitRows(screen, 700 / 4).empty());
    EXPECT_EQ(LitRows(screen, 700 / 4).front(), 400 / 4);
    EXPECT_EQ(Brightest(screen, 1000 / 4, 150), 255);
    EXPECT_EQ(Brightest(screen, 1000 / 4 + 1, 150), 0);
}

// Labels keep the font's size on the screen; measured in picture pixels
// they are four times as large, so they are placed and kept inside as on
// the picture.
TEST(ScaledDisplayTest, LabelsKeepTheirSizeOnTheScreen) {
    TExtBitmap screen;
    MakeBlack(screen, ScreenWidth, ScreenHeight);
    const TSize onScreen = TBitmapOverlayCanvas(screen).TextExtent("15\xC2\xB0W");
    TBitmapOverlayCanvas canvas(screen, PictureWidth, PictureHeight);
    const TSize inPicture = canvas.TextExtent("15\xC2\xB0W");
    EXPECT_EQ(inPicture.Width, (onScreen.Width * PictureWidth + ScreenWidth - 1) / ScreenWidth);
    EXPECT_EQ(inPicture.Height, (onScreen.Height * PictureHeight + ScreenHeight - 1) / ScreenHeight);
    canvas.Font.Color = clWhite;
    canvas.TextOut(800, 400, "15\xC2\xB0W");
    int top = ScreenHeight, bottom = -1, left = ScreenWidth, right = -1;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (Brightest(screen, x, y) >= 128) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    EXPECT_GE(bottom - top + 1, 7) << "glyphs of an 11-pixel font";
    EXPECT_GE(right - left + 1, onScreen.Width - 4);
    EXPECT_GE(left, 200);
    EXPECT_GE(top, 100);
}

// Each screen pixel is the mean of the picture pixels it shows: stripes one
// pixel wide turn grey instead of black or white by chance.
TEST(ScaledDisplayTest, PictureScalesByAveraging) {
    TExtBitmap picture;
    MakeBlack(picture, PictureWidth, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 1; x < PictureWidth; x += 2) std::fill_n(picture.ScanLine(y) + 3 * x, 3, uint8_t{255});
    TExtBitmap screen;
    ScaleSmoothly(picture, screen, ScreenWidth, 16);
    ASSERT_EQ(screen.Width(), ScreenWidth);
    ASSERT_EQ(screen.Height(), 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 1; x < ScreenWidth - 1; ++x) EXPECT_NEAR(Brightest(screen, x, y), 128, 4) << x << " " << y;
    TExtBitmap empty;
    ScaleSmoothly(empty, screen, ScreenWidth, 16);
    EXPECT_TRUE(screen.Empty());
}

class ScreenPictureTest : public ::testing::Test {
protected:
    ScreenPictureTest() : view_(pass_, host_) {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        testing::MakePass(pass_, PictureWidth, PictureHeight, {1, 2, 3, 4, 5},
                          [](int, int x, int) { return static_cast<uint16_t>(x % 2 == 0 ? 0 : 1023); });
        pass_.EarthLocations->AddLocationFlags(1);
        view_.SetViewTabs(testing::ViewsOffered(pass_));
        view_.KeepsPictureForScreen = true;
        view_.Services.DrawOverlay = [this](TOverlayCanvas& canvas) {
            ++overlayDrawings_;
            if (failing_) throw std::runtime_error("damaged boundary file");
            canvas.Pen.Color = RgbColor(255, 0, 0);
            canvas.Polyline(Slant);
            return true;
        };
    }
    ~ScreenPictureTest() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }

    testing::TTempFolder folder_;
    TPassState pass_;
    THeadlessRenderHost host_;
    TRenderView view_;
    int overlayDrawings_ = 0;
    bool failing_ = false;
};

// The screen shows the view smoothly scaled with the overlays drawn again
// over it; the display itself keeps them at full size for saving.
TEST_F(ScreenPictureTest, OverlaysAreDrawnAgainOverTheScaledView) {
    ASSERT_TRUE(view_.SelectView("Ch 4"));
    EXPECT_EQ(overlayDrawings_, 1);
    const TExtBitmap& display = view_.DisplayBitmap();
    EXPECT_EQ(display.ScanLine(400)[3 * 700 + 2], 255) << "the line on the display";
    TExtBitmap screen;
    view_.ScreenPicture(screen, ScreenWidth, ScreenHeight);
    EXPECT_EQ(overlayDrawings_, 2);
    ASSERT_EQ(screen.Width(), ScreenWidth);
    ASSERT_EQ(screen.Height(), ScreenHeight);
    int previous = -1;
    for (int x = 0; x < ScreenWidth - 1; ++x) {
        int row = -1;
        for (int y = 0; y < ScreenHeight && row < 0; ++y) {
            const uint8_t* pixel = screen.ScanLine(y) + 3 * x;
            if (pixel[2] == 255 && pixel[1] == 0 && pixel[0] == 0) row = y;
        }
        ASSERT_GE(row, 0) << "the red line breaks at column " << x;
        if (previous >= 0) {
            EXPECT_LE(std::abs(row - previous), 1) << x;
        }
        previous = row;
    }
    // Beside the line, the stripes of the view come out grey.
    const uint8_t* beside = screen.ScanLine(10) + 3 * 300;
    EXPECT_NEAR(beside[0], 128, 12);
}

// The screen is the plain view scaled with the overlays drawn over it at
// that scale, to the byte; overlays that mark nothing are not drawn again.
TEST_F(ScreenPictureTest, TheScreenScalesThePictureAsItWasBeforeItsOverlays) {
    view_.OverlayShown = false;
    ASSERT_TRUE(view_.SelectView("Ch 4"));
    TExtBitmap expected;
    ScaleSmoothly(view_.DisplayBitmap(), expected, ScreenWidth, ScreenHeight);
    {
        TBitmapOverlayCanvas canvas(expected, PictureWidth, PictureHeight);
        canvas.Pen.Color = RgbColor(255, 0, 0);
        canvas.Polyline(Slant);
    }
    view_.OverlayShown = true;
    view_.Redisplay();
    TExtBitmap screen;
    view_.ScreenPicture(screen, ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y)
        ASSERT_TRUE(std::equal(screen.ScanLine(y), screen.ScanLine(y) + screen.RowBytes(), expected.ScanLine(y))) << y;

    view_.Services.DrawOverlay = [this](TOverlayCanvas& canvas) {
        ++overlayDrawings_;
        canvas.MoveTo(10, 10);
        return true;
    };
    view_.Redisplay();
    const int drawings = overlayDrawings_;
    view_.ScreenPicture(screen, ScreenWidth, ScreenHeight);
    EXPECT_EQ(overlayDrawings_, drawings);
    ScaleSmoothly(view_.DisplayBitmap(), expected, ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y)
        ASSERT_TRUE(std::equal(screen.ScanLine(y), screen.ScanLine(y) + screen.RowBytes(), expected.ScanLine(y))) << y;
}

// Without overlays the screen is the display scaled; a drawing that fails
// on the screen has already been reported once, when drawn on the display.
TEST_F(ScreenPictureTest, FailuresAreToldOnceAndOverlaysOffShowTheViewAlone) {
    failing_ = true;
    ASSERT_TRUE(view_.SelectView("Ch 4"));
    EXPECT_EQ(TDialogService::Instance().Requests().size(), 1u);
    TExtBitmap screen;
    view_.ScreenPicture(screen, ScreenWidth, ScreenHeight);
    EXPECT_EQ(overlayDrawings_, 1) << "nothing was drawn, so the view alone is scaled";
    EXPECT_EQ(TDialogService::Instance().Requests().size(), 1u);

    failing_ = false;
    view_.OverlayShown = false;
    view_.Redisplay();
    view_.ScreenPicture(screen, ScreenWidth, ScreenHeight);
    EXPECT_EQ(overlayDrawings_, 1);
    TExtBitmap scaled;
    ScaleSmoothly(view_.DisplayBitmap(), scaled, ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; y += 37)
        EXPECT_TRUE(std::equal(screen.ScanLine(y), screen.ScanLine(y) + screen.RowBytes(), scaled.ScanLine(y))) << y;
}

}  // namespace
}  // namespace kestrune
