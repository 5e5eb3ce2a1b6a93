// The drawing surface of the overlays: the few canvas operations that the
// overlay lines, markers and the graticule use, with the pen, brush and font
// state they set. The display bitmap's canvas stands behind it in the
// program; tests put a recording surface in its place.
#pragma once

#include "render/Canvas.h"

#include <span>
#include <string>

namespace kestrune {

class TOverlayCanvas {
public:
    virtual ~TOverlayCanvas() = default;

    TPen Pen;
    TBrush Brush;
    TFont Font;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void MoveTo(int x, int y) = 0;
    // From the pen position to (x, y), (x, y) itself left out.
    virtual void LineTo(int x, int y) = 0;
    // Lines through the points, the last point left out.
    virtual void Polyline(std::span<const TPoint> points) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual TSize TextExtent(const std::string& text) = 0;
};

// The overlay surface over a bitmap's own canvas: it starts from the
// canvas's pen, brush and font and leaves them as the drawing set them.
class TBitmapOverlayCanvas : public TOverlayCanvas {
public:
    explicit TBitmapOverlayCanvas(TExtBitmap& bitmap);
    ~TBitmapOverlayCanvas() override;
    TBitmapOverlayCanvas(const TBitmapOverlayCanvas&) = delete;
    TBitmapOverlayCanvas& operator=(const TBitmapOverlayCanvas&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(std::span<const TPoint> points) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void TextOut(int x, int y, const std::string& text) override;
    TSize TextExtent(const std::string& text) override;

private:
    // The state set here onto the bitmap's canvas before each operation.
    TCanvas& Apply();

    TCanvas& canvas_;
    int width_;
    int height_;
};

}  // namespace kestrune
