#include "render/Canvas.h"

#include "render/BMPExtImage.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

#include <cstdlib>

namespace kestrune {
namespace {

// No display and no platform setting: the canvas must manage on its own.
class NoDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
};
const auto* const noDisplay = ::testing::AddGlobalTestEnvironment(new NoDisplay);

constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;

std::unique_ptr<TExtBitmap> WhiteBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit) {
    auto bitmap = std::make_unique<TExtBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);  // new pixels are white
    return bitmap;
}

TColor PixelAt(const TExtBitmap& bitmap, int x, int y) {
    const uint8_t* pixel = bitmap.ScanLine(y) + x * BytesPerPixel(bitmap.PixelFormat());
    return RgbColor(pixel[2], pixel[1], pixel[0]);
}

int CountPixels(const TExtBitmap& bitmap, TColor colour) {
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            count += PixelAt(bitmap, x, y) == colour;
    return count;
}

TEST(TCanvas, WorksWithoutADisplayThroughAnOffscreenApplication) {
    auto bitmap = WhiteBitmap(4, 4);
    bitmap->Canvas().MoveTo(0, 0);
    bitmap->Canvas().LineTo(3, 0);
    ASSERT_NE(QGuiApplication::instance(), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
    EXPECT_NO_THROW(EnsureGuiApplication());
}

TEST(TCanvas, LinesLeaveOutTheirEndPoint) {
    auto bitmap = WhiteBitmap(20, 10);
    TCanvas& canvas = bitmap->Canvas();
    canvas.MoveTo(2, 2);
    canvas.LineTo(10, 2);
    EXPECT_EQ(canvas.PenPos(), (TPoint{10, 2}));
    for (int x = 2; x < 10; ++x)
        EXPECT_EQ(PixelAt(*bitmap, x, 2), clBlack) << x;
    EXPECT_EQ(PixelAt(*bitmap, 10, 2), clWhite);
    EXPECT_EQ(PixelAt(*bitmap, 1, 2), clWhite);
    canvas.Pen.Color = clRed;
    canvas.LineTo(10, 8);
    EXPECT_EQ(CountPixels(*bitmap, clRed), 6);
    EXPECT_EQ(PixelAt(*bitmap, 10, 2), clRed);
    EXPECT_EQ(PixelAt(*bitmap, 10, 8), clWhite);
    const uint8_t* pixel = bitmap->ScanLine(3) + 30;
    EXPECT_EQ(pixel[0], 0);  // stored blue, green, red
    EXPECT_EQ(pixel[2], 255);
}

TEST(TCanvas, TextOnASolidBrushFillsItsBox) {
    auto bitmap = WhiteBitmap(120, 40);
    TCanvas& canvas = bitmap->Canvas();
    canvas.Brush.Color = 0xE0E0E0;
    canvas.Font.Color = 0x202020;
    canvas.TextOut(5, 7, " Pass ");
    const TSize box = canvas.TextExtent(" Pass ");
    // A name's byte that is no character (kept as ED B3 9C) is one U+FFFD.
    EXPECT_EQ(canvas.TextWidth("out_\xED\xB3\x9C"), canvas.TextWidth("out_\xEF\xBF\xBD"));
    EXPECT_EQ(PixelAt(*bitmap, 5, 7), 0xE0E0E0u);
    EXPECT_EQ(PixelAt(*bitmap, 5 + box.Width - 1, 7 + box.Height - 1), 0xE0E0E0u);
    int inked = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) {
            const bool inside = x >= 5 && x < 5 + box.Width && y >= 7 && y < 7 + box.Height;
            if (!inside)
                ASSERT_EQ(PixelAt(*bitmap, x, y), clWhite) << x << "," << y;
            else if (PixelAt(*bitmap, x, y) != 0xE0E0E0u)
                ++inked;
        }
    EXPECT_GT(inked, 20);

    auto clear = WhiteBitmap(120, 40);
    clear->Canvas().Brush.Color = 0x00FF00;
    clear->Canvas().Brush.Style = TBrushStyle::bsClear;
    clear->Canvas().TextOut(5, 7, " Pass ");
    EXPECT_EQ(CountPixels(*clear, 0x00FF00), 0);
    EXPECT_LT(CountPixels(*clear, clWhite), 120 * 40);
    EXPECT_EQ(PixelAt(*clear, 5, 7), clWhite);
}

}  // namespace
}  // namespace kestrune
