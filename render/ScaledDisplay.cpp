#include "render/ScaledDisplay.h"

#include "render/BMPExtImage.h"

#include <QImage>

#include <cstring>

namespace kestrune {

void ScaleSmoothly(const TExtBitmap& source, TExtBitmap& target, int width, int height) {
    target.SetPixelFormat(TPixelFormat::pf24bit);
    if (source.Empty() || source.PixelFormat() != TPixelFormat::pf24bit || width <= 0 || height <= 0) {
        target.SetSize(0, 0);
        return;
    }
    const QImage picture(source.ScanLine(0), source.Width(), source.Height(),
                         static_cast<qsizetype>(source.RowStride()), QImage::Format_BGR888);
    // Qt averages every covered pixel when it makes a picture smaller smoothly.
    const QImage scaled = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_BGR888);
    target.SetSize(width, height);
    for (int y = 0; y < height; ++y) std::memcpy(target.ScanLine(y), scaled.constScanLine(y), target.RowBytes());
}

}  // namespace kestrune
