#include "render/OverlayCanvas.h"

#include "render/BMPExtImage.h"

namespace kestrune {

TBitmapOverlayCanvas::TBitmapOverlayCanvas(TExtBitmap& bitmap)
    : canvas_(bitmap.Canvas()), width_(bitmap.Width()), height_(bitmap.Height()) {
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

void TBitmapOverlayCanvas::MoveTo(int x, int y) { Apply().MoveTo(x, y); }
void TBitmapOverlayCanvas::LineTo(int x, int y) { Apply().LineTo(x, y); }
void TBitmapOverlayCanvas::Polyline(std::span<const TPoint> points) { Apply().Polyline(points); }
void TBitmapOverlayCanvas::Ellipse(int left, int top, int right, int bottom) {
    Apply().Ellipse(left, top, right, bottom);
}
void TBitmapOverlayCanvas::TextOut(int x, int y, const std::string& text) { Apply().TextOut(x, y, text); }
TSize TBitmapOverlayCanvas::TextExtent(const std::string& text) { return Apply().TextExtent(text); }

}  // namespace kestrune
