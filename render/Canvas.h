// Lines, shapes and text on a bitmap, with the pen, brush and font state and
// the drawing rules of the original's canvas: a line leaves out its end
// point, rectangles and ellipses span left..right - 1 and top..bottom - 1,
// text is placed by its top-left corner and, with a solid brush, drawn on a
// filled box. Implemented with QPainter on a QImage that wraps the bitmap's
// own pixels (no copy), so direct pixel writes and canvas drawing mix freely.
//
// Qt needs a QGuiApplication for any painting (its font database). The
// program has its own; elsewhere (tests, tools) the canvas makes an
// offscreen one on first use, so drawing works without a display and
// without QT_QPA_PLATFORM being set. Text is always DejaVu Sans, whatever
// the system's font settings, so products look the same everywhere.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class QColor;
class QImage;
class QPainter;

namespace kestrune {

class TExtBitmap;

// A colour as the settings store it: red in the low byte, then green, blue.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
// Stored colours lie within 0 .. StoredColourLimit; others are not colours.
constexpr int32_t StoredColourLimit = static_cast<int32_t>(clWhite);

constexpr uint8_t RedOf(TColor colour) { return static_cast<uint8_t>(colour & 0xFF); }
constexpr uint8_t GreenOf(TColor colour) { return static_cast<uint8_t>((colour >> 8) & 0xFF); }
constexpr uint8_t BlueOf(TColor colour) { return static_cast<uint8_t>((colour >> 16) & 0xFF); }
constexpr TColor RgbColor(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<TColor>(red) | (static_cast<TColor>(green) << 8) | (static_cast<TColor>(blue) << 16);
}

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom lie just outside the rectangle.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

struct TSize {
    int Width = 0;
    int Height = 0;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TFont {
    int Size = 8;  // points at 96 pixels an inch: 8 points are 11 pixels
    TColor Color = clBlack;
    bool Bold = false;
    bool Italic = false;
};

class ECanvasError : public Exception {
public:
    using Exception::Exception;
};

// Makes an offscreen QGuiApplication when the process has no application
// object yet; raises ECanvasError when it has a non-GUI one.
void EnsureGuiApplication();

// The colour as Qt paints it (TColor keeps red in its low byte).
QColor ToQColor(TColor colour);

class TCanvas {
public:
    explicit TCanvas(TExtBitmap& bitmap);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TFont Font;

    TPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y);
    // From the pen position to (x, y), (x, y) itself left out.
    void LineTo(int x, int y);
    // Lines through the points, the last point left out.
    void Polyline(std::span<const TPoint> points);
    // Outline with the pen, inside with the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    // The rectangle in the brush colour (nothing with a clear brush).
    void FillRect(const TRect& rect);
    // Text with its top-left corner at (x, y).
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text);
    int TextHeight(const std::string& text);
    TSize TextExtent(const std::string& text);
    // The whole source bitmap, unscaled, with its top-left corner at (x, y).
    void Draw(int x, int y, const TExtBitmap& source);

    // Ends painting on the current pixels; the bitmap calls it before its
    // pixel memory changes. The next drawing starts afresh.
    void ReleasePixels();

private:
    // Opens painting on the bitmap; nullptr for an empty one.
    QPainter* Painter();
    void ApplyPen(QPainter& painter) const;
    void ApplyBrush(QPainter& painter) const;

    TExtBitmap& bitmap_;
    std::unique_ptr<QImage> image_;
    std::unique_ptr<QPainter> painter_;
    TPoint penPos_;
};

}  // namespace kestrune
