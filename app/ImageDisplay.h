// The image control of the main window: shows the display bitmap at the
// control's size (smaller through its owner's scaled picture, larger by
// repeating pixels), with the band of a mouse drag drawn over it, and passes
// the mouse on to its owner. Also the conversion of our bitmaps to Qt images.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QMouseEvent;

namespace kestrune {

class TExtBitmap;

// A copy of the bitmap as a Qt image in the screen's pixel format; null for an empty bitmap.
QImage ToImage(const TExtBitmap& bitmap);

class TImageDisplay : public QWidget {
public:
    explicit TImageDisplay(QWidget* parent);

    // The picture; a null image clears the control.
    void SetPicture(QImage picture);
    bool HasPicture() const { return !picture_.isNull(); }
    int PictureWidth() const { return picture_.width(); }
    int PictureHeight() const { return picture_.height(); }
    const QImage& Picture() const { return picture_; }

    // The drag band, in picture pixels: a rectangle, a line or nothing.
    enum class TBand { None, Rectangle, Line };
    void SetBand(TBand band, QPoint from, QPoint to);
    TBand Band() const { return band_; }

    // A control position in picture pixels: clamped to 0 at the left and
    // top and, unless one screen pixel is one picture pixel, scaled.
    QPoint PicturePoint(QPoint position, bool oneToOne) const;
    // A picture pixel in control coordinates.
    QPoint ControlPoint(QPoint pixel) const;

    std::function<void(QMouseEvent& event)> OnMouseDown;
    std::function<void(QMouseEvent& event)> OnMouseMove;
    std::function<void(QMouseEvent& event)> OnMouseUp;
    std::function<void()> OnMouseLeave;
    // The picture at a size smaller than its own, drawn for the screen;
    // asked again only when the picture or the size changes.
    std::function<QImage(QSize size)> ScaledPicture;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage picture_;
    QImage scaled_;
    TBand band_ = TBand::None;
    QPoint bandFrom_;
    QPoint bandTo_;
};

}  // namespace kestrune
