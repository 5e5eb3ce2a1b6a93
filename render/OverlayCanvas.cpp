#include "render/OverlayCanvas.h"

#include "render/BMPExtImage.h"

#include <cmath>
#include <utility>

namespace kestrune {

TBitmapOverlayCanvas::TBitmapOverlayCanvas(TExtBitmap& bitmap)
    : TBitmapOverlayCanvas(bitmap, bitmap.Width(), bitmap.Height()) {}

TBitmapOverlayCanvas::TBitmapOverlayCanvas(TExtBitmap& copy, int pictureWidth, int pictureHeight)
    : canvas_(copy.Canvas()), width_(pictureWidth), height_(pictureHeight) {
    if (pictureWidth > 0 && pictureHeight > 0) {
        scaleX_ = static_cast<double>(copy.Width()) / pictureWidth;
        scaleY_ = static_cast<double>(copy.Height()) / pictureHeight;
    }
    Pen = canvas_.Pen;
    Brush = canvas_.Brush;
    Font = canvas_.Font;
}

TBitmapOverlayCanvas::~TBitmapOverlayCanvas() { Apply(); }

TCanvas& TBitmapOverlayCanvas::Apply() {
    canvas_.Pen = Pen;
    canvas_.Brush = Brush;
    canvas_.Font = Font;
    return canvas_;
}

TCanvas& TBitmapOverlayCanvas::Mark() {
    if (BeforeFirstMark) std::exchange(BeforeFirstMark, nullptr)();
    return Apply();
}

TPoint TBitmapOverlayCanvas::Scaled(int x, int y) const {
    if (scaleX_ == 1.0 && scaleY_ == 1.0) return {x, y};
    return {static_cast<int>(std::floor((x + 0.5) * scaleX_)), static_cast<int>(std::floor((y + 0.5) * scaleY_))};
}

void TBitmapOverlayCanvas::MoveTo(int x, int y) {
    const TPoint at = Scaled(x, y);
    Apply().MoveTo(at.X, at.Y);
}

void TBitmapOverlayCanvas::LineTo(int x, int y) {
    const TPoint at = Scaled(x, y);
    Mark().LineTo(at.X, at.Y);
}

void TBitmapOverlayCanvas::Polyline(std::span<const TPoint> points) {
    if (scaleX_ == 1.0 && scaleY_ == 1.0) return Mark().Polyline(points);
    scaled_.clear();
    for (const TPoint& point : points) scaled_.push_back(Scaled(point.X, point.Y));
    Mark().Polyline(scaled_);
}

void TBitmapOverlayCanvas::Ellipse(int left, int top, int right, int bottom) {
    const TPoint topLeft = Scaled(left, top);
    const TPoint bottomRight = Scaled(right, bottom);
    Mark().Ellipse(topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y);
}

void TBitmapOverlayCanvas::TextOut(int x, int y, const std::string& text) {
    const TPoint at = Scaled(x, y);
    Mark().TextOut(at.X, at.Y, text);
}

TSize TBitmapOverlayCanvas::TextExtent(const std::string& text) {
    const TSize extent = Apply().TextExtent(text);
    return {static_cast<int>(std::ceil(extent.Width / scaleX_)), static_cast<int>(std::ceil(extent.Height / scaleY_))};
}

}  // namespace kestrune
