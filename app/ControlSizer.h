// Grab handles around a control so that the user can resize it by its
// eight handles and move it by dragging it, with a rubber band shown while
// dragging. The print window sizes its selection box with one.
#pragma once

#include <QObject>
#include <QRect>

#include <array>
#include <functional>

class QRubberBand;
class QWidget;

namespace kestrune {

// The control's bounds with the edges that a handle (0 top left, 1 top,
// 2 top right, 3 right, 4 bottom right, 5 bottom, 6 bottom left, 7 left)
// names moved to point (kept within the parent's client area), corners
// ordered, at least a pixel wide and high.
QRect SizedBounds(const QRect& bounds, int handle, QPoint point, const QRect& parentClient);
// The bounds moved by offset, but no further than the parent's client area
// lets them go whole.
QRect MovedBounds(const QRect& bounds, QPoint offset, const QRect& parentClient);

class TControlSizer : public QObject {
public:
    explicit TControlSizer(QObject* owner);
    ~TControlSizer() override;

    // The control sized; nullptr hides the handles. Setting the same again does nothing.
    void SetControl(QWidget* control);
    QWidget* Control() const { return control_; }
    void SetAllowMove(bool allow) { allowMove_ = allow; }
    void SetAllowResize(bool allow);

    static constexpr int DragThreshold = 3;
    // A move starts when the mouse has gone DragThreshold pixels with the button held; a resize
    // when a handle is pressed. Each ends when the button is released.
    std::function<void()> OnStartMove;
    std::function<void()> OnStartSize;
    std::function<void()> OnEndMove;
    std::function<void()> OnEndSize;

    // Puts the handles round the control's bounds again.
    void PlaceHandles();
    QWidget* Handle(int position) const { return handles_[static_cast<size_t>(position)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleEvent(int position, QEvent* event);
    bool ControlEvent(QEvent* event);
    void ShowBand(const QRect& bounds);
    void SetHandlesActive(bool active);

    QWidget* control_ = nullptr;
    std::array<QWidget*, 8> handles_{};
    QRubberBand* band_ = nullptr;
    bool allowMove_ = true;
    bool allowResize_ = true;
    bool handlesActive_ = false;
    bool mouseIsDown_ = false;
    bool dragging_ = false;
    QPoint mouseDownPoint_{-1, -1};
};

}  // namespace kestrune
