#include "app/ImageDisplay.h"

#include "app/EventGuard.h"
#include "render/BMPExtImage.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kestrune {

// A copy in the screen's own pixel format, so that showing it converts nothing more.
QImage ToImage(const TExtBitmap& bitmap) {
    if (bitmap.Empty()) return {};
    const auto stride = static_cast<qsizetype>(bitmap.RowStride());
    switch (bitmap.PixelFormat()) {
        case TPixelFormat::pf8bit: {
            QImage image(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_Indexed8);
            QList<QRgb> colours;
            for (const TRGBQuad& entry : bitmap.Palette()) colours.append(qRgb(entry.Red, entry.Green, entry.Blue));
            image.setColorTable(colours);
            return image.convertToFormat(QImage::Format_RGB32);
        }
        case TPixelFormat::pf32bit:
            return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_RGB32).copy();
        default:
            return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), stride, QImage::Format_BGR888)
                .convertToFormat(QImage::Format_RGB32);
    }
}

TImageDisplay::TImageDisplay(QWidget* parent) : QWidget(parent) {
    setObjectName("ImageDisplay");
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

void TImageDisplay::SetPicture(QImage picture) {
    picture_ = std::move(picture);
    scaled_ = {};
    update();
}

void TImageDisplay::SetBand(TBand band, QPoint from, QPoint to) {
    band_ = band;
    bandFrom_ = from;
    bandTo_ = to;
    update();
}

QPoint TImageDisplay::PicturePoint(QPoint position, bool oneToOne) const {
    int x = std::max(position.x(), 0);
    int y = std::max(position.y(), 0);
    if (!oneToOne && width() > 0 && height() > 0) {
        x = static_cast<int>(int64_t{PictureWidth()} * x / width());
        y = static_cast<int>(int64_t{PictureHeight()} * y / height());
    }
    return {x, y};
}

QPoint TImageDisplay::ControlPoint(QPoint pixel) const {
    if (PictureWidth() <= 0 || PictureHeight() <= 0) return pixel;
    return {static_cast<int>(int64_t{pixel.x()} * width() / PictureWidth()),
            static_cast<int>(int64_t{pixel.y()} * height() / PictureHeight())};
}

void TImageDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull() && ScaledPicture && width() < picture_.width()) {
        if (scaled_.size() != size()) Guarded([&] { scaled_ = ScaledPicture(size()); });
        painter.drawImage(rect(), scaled_.isNull() ? picture_ : scaled_);
    } else if (!picture_.isNull()) {
        painter.drawImage(rect(), picture_);
    }
    if (band_ == TBand::None) return;
    // Drawn so that it shows on any picture, as the old exclusive-or pen did.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white));
    const QPoint from = ControlPoint(bandFrom_);
    const QPoint to = ControlPoint(bandTo_);
    if (band_ == TBand::Rectangle)
        painter.drawRect(QRect(from, to).normalized());
    else
        painter.drawLine(from, to);
}

void TImageDisplay::mousePressEvent(QMouseEvent* event) {
    Guarded([&] {
        if (OnMouseDown) OnMouseDown(*event);
    });
}

void TImageDisplay::mouseMoveEvent(QMouseEvent* event) {
    Guarded([&] {
        if (OnMouseMove) OnMouseMove(*event);
    });
}

void TImageDisplay::mouseReleaseEvent(QMouseEvent* event) {
    Guarded([&] {
        if (OnMouseUp) OnMouseUp(*event);
    });
}

void TImageDisplay::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    Guarded([&] {
        if (OnMouseLeave) OnMouseLeave();
    });
}

}  // namespace kestrune
