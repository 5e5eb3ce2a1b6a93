#include "app/ControlSizer.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWidget>

#include <algorithm>

namespace kestrune {

namespace {

constexpr int HandleSize = 5;

const std::array<Qt::CursorShape, 8> HandleCursors{
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor};

QPoint HandlePoint(const QRect& bounds, int position) {
    const int left = bounds.x();
    const int top = bounds.y();
    const int centre = left + bounds.width() / 2;
    const int right = left + bounds.width();
    const int middle = top + bounds.height() / 2;
    const int bottom = top + bounds.height();
    const std::array<QPoint, 8> points{QPoint(left, top),    QPoint(centre, top),  QPoint(right, top),
                                       QPoint(right, middle), QPoint(right, bottom), QPoint(centre, bottom),
                                       QPoint(left, bottom),  QPoint(left, middle)};
    return points[static_cast<size_t>(position)];
}

QPoint ParentPoint(const QWidget& control, const QMouseEvent& event) {
    return control.parentWidget()->mapFromGlobal(event.globalPosition().toPoint());
}

}  // namespace

QRect SizedBounds(const QRect& bounds, int handle, QPoint point, const QRect& parentClient) {
    // An edge dragged beyond the parent stops at its edge, so that the control never leaves it.
    point.setX(std::clamp(point.x(), parentClient.left(), parentClient.left() + parentClient.width()));
    point.setY(std::clamp(point.y(), parentClient.top(), parentClient.top() + parentClient.height()));
    int left = bounds.x();
    int top = bounds.y();
    int right = bounds.x() + bounds.width();
    int bottom = bounds.y() + bounds.height();
    const bool moveLeft = handle == 0 || handle == 6 || handle == 7;
    const bool moveRight = handle >= 2 && handle <= 4;
    const bool moveTop = handle <= 2;
    const bool moveBottom = handle >= 4 && handle <= 6;
    if (moveLeft) left = point.x();
    if (moveRight) right = point.x();
    if (moveTop) top = point.y();
    if (moveBottom) bottom = point.y();
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    // An edge dragged onto the opposite one leaves a pixel to take the control by, inside the parent.
    const auto keepPixel = [](int& low, int& high, int limit) {
        if (high > low) return;
        if (low < limit) high = low + 1;
        else low = high - 1;
    };
    keepPixel(left, right, parentClient.left() + parentClient.width());
    keepPixel(top, bottom, parentClient.top() + parentClient.height());
    const QRect sized(QPoint(left, top), QPoint(right - 1, bottom - 1));
    return sized.intersected(parentClient);
}

QRect MovedBounds(const QRect& bounds, QPoint offset, const QRect& parentClient) {
    // Dragged beyond an edge, the control stops at it whole; one larger than the parent keeps its top left inside.
    const auto kept = [](int start, int size, int lowest, int room) {
        return std::max(lowest, std::min(start, lowest + room - size));
    };
    QRect moved = bounds.translated(offset);
    moved.moveTo(kept(moved.x(), moved.width(), parentClient.x(), parentClient.width()),
                 kept(moved.y(), moved.height(), parentClient.y(), parentClient.height()));
    return moved.intersected(parentClient);
}

TControlSizer::TControlSizer(QObject* owner) : QObject(owner) {}

TControlSizer::~TControlSizer() {
    if (control_ != nullptr) control_->removeEventFilter(this);
    for (QWidget* handle : handles_) delete handle;
    delete band_;
}

void TControlSizer::SetControl(QWidget* control) {
    if (control == control_) return;
    if (control_ != nullptr) control_->removeEventFilter(this);
    SetHandlesActive(false);
    control_ = control;
    if (control_ == nullptr) return;
    QWidget* parent = control_->parentWidget();
    for (size_t position = 0; position < handles_.size(); ++position) {
        if (handles_[position] == nullptr) {
            handles_[position] = new QWidget;
            handles_[position]->setObjectName(QString("GrabHandle%1").arg(position));
            handles_[position]->setFixedSize(HandleSize, HandleSize);
            handles_[position]->setAutoFillBackground(true);
            QPalette colours = handles_[position]->palette();
            colours.setColor(QPalette::Window, Qt::black);
            handles_[position]->setPalette(colours);
            handles_[position]->setCursor(HandleCursors[position]);
            handles_[position]->installEventFilter(this);
        }
        handles_[position]->setParent(parent);
    }
    if (band_ == nullptr || band_->parentWidget() != parent) {
        delete band_;
        band_ = new QRubberBand(QRubberBand::Rectangle, parent);
    }
    control_->installEventFilter(this);
    SetHandlesActive(allowResize_);
}

void TControlSizer::SetAllowResize(bool allow) {
    allowResize_ = allow;
    SetHandlesActive(allow && control_ != nullptr);
}

void TControlSizer::SetHandlesActive(bool active) {
    handlesActive_ = active;
    PlaceHandles();
}

void TControlSizer::PlaceHandles() {
    for (size_t position = 0; position < handles_.size(); ++position) {
        QWidget* handle = handles_[position];
        if (handle == nullptr) continue;
        if (control_ == nullptr || !handlesActive_) {
            handle->hide();
            continue;
        }
        const QPoint point = HandlePoint(control_->geometry(), static_cast<int>(position));
        handle->move(point.x() - HandleSize / 2, point.y() - HandleSize / 2);
        handle->show();
        handle->raise();
    }
}

void TControlSizer::ShowBand(const QRect& bounds) {
    band_->setGeometry(bounds);
    band_->show();
    band_->raise();
}

bool TControlSizer::eventFilter(QObject* watched, QEvent* event) {
    if (control_ == nullptr) return false;
    for (size_t position = 0; position < handles_.size(); ++position)
        if (watched == handles_[position]) return HandleEvent(static_cast<int>(position), event);
    if (watched == control_) return ControlEvent(event);
    return false;
}

bool TControlSizer::HandleEvent(int position, QEvent* event) {
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (mouse == nullptr) return false;
    const QRect client = control_->parentWidget()->rect();
    const QRect sized = SizedBounds(control_->geometry(), position, ParentPoint(*control_, *mouse), client);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton) return false;
            mouseIsDown_ = true;
            if (OnStartSize) OnStartSize();
            ShowBand(sized);
            return true;
        case QEvent::MouseMove:
            if (mouseIsDown_) ShowBand(sized);
            return mouseIsDown_;
        case QEvent::MouseButtonRelease:
            if (!mouseIsDown_) return false;
            mouseIsDown_ = false;
            band_->hide();
            control_->setGeometry(sized);
            PlaceHandles();
            if (OnEndSize) OnEndSize();
            return true;
        default: return false;
    }
}

bool TControlSizer::ControlEvent(QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) PlaceHandles();
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!allowMove_ || mouse == nullptr) return false;
    const QPoint point = ParentPoint(*control_, *mouse);
    const QRect client = control_->parentWidget()->rect();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton || mouseIsDown_) return false;
            mouseDownPoint_ = point;
            mouseIsDown_ = true;
            dragging_ = false;
            SetHandlesActive(false);
            return true;
        case QEvent::MouseMove: {
            if (!mouseIsDown_) return false;
            const QPoint offset = point - mouseDownPoint_;
            if (!dragging_) {
                dragging_ = std::abs(offset.x()) >= DragThreshold || std::abs(offset.y()) >= DragThreshold;
                if (dragging_ && OnStartMove) OnStartMove();
            }
            if (dragging_) ShowBand(MovedBounds(control_->geometry(), offset, client));
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (!mouseIsDown_) return false;
            const bool moved = dragging_;
            if (moved) {
                band_->hide();
                control_->setGeometry(MovedBounds(control_->geometry(), point - mouseDownPoint_, client));
            }
            mouseIsDown_ = false;
            dragging_ = false;
            mouseDownPoint_ = QPoint(-1, -1);
            SetHandlesActive(allowResize_);
            if (moved && OnEndMove) OnEndMove();
            return true;
        }
        default: return false;
    }
}

}  // namespace kestrune
