// The drawing surface of the overlays: the few canvas operations that the
// overlay lines, markers and the graticule use, with the pen, brush and font
// state they set. The display bitmap's canvas stands behind it in the
// program; tests put a recording surface in its place.
#pragma once

#include "render/Canvas.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

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
// Over a smaller copy of a picture it draws the picture's overlays at the
// copy's scale: points are scaled, while pens and text keep their size in
// the copy's pixels; it measures itself and text in picture pixels, so that
// whatever the overlays place by them lands where it would on the picture.
class TBitmapOverlayCanvas : public TOverlayCanvas {
public:
    explicit TBitmapOverlayCanvas(TExtBitmap& bitmap);
    TBitmapOverlayCanvas(TExtBitmap& copy, int pictureWidth, int pictureHeight);
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

    // Called once, before the first operation that marks pixels: a copy of
    // the picture without its overlays is made then, and only when needed.
    std::function<void()> BeforeFirstMark;

private:
    // The state set here onto the bitmap's canvas before each operation.
    TCanvas& Apply();
    // Apply, for an operation that marks pixels.
    TCanvas& Mark();
    // The bitmap's pixel that shows the centre of a picture pixel.
    TPoint Scaled(int x, int y) const;

    TCanvas& canvas_;
    int width_;
    int height_;
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
    std::vector<TPoint> scaled_;
};

}  // namespace kestrune
