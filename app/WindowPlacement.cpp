#include "app/WindowPlacement.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace kestrune {

namespace {

// The title bar's grip: the frame's top TitleBarRoom rows.
QRect TitleBar(QPoint frameTopLeft, int frameWidth) { return {frameTopLeft, QSize(std::max(frameWidth, 1), TitleBarRoom)}; }

bool Grippable(const QRect& titleBar, const QRect& screen) {
    const QRect common = titleBar.intersected(screen);
    return common.height() >= TitleBarRoom && common.width() >= std::min(TitleBarRoom, titleBar.width());
}

// The least move that puts the title bar's grip on screen.
QPoint MovedOnto(QPoint frameTopLeft, int frameWidth, const QRect& screen) {
    const int width = std::max(frameWidth, 1);
    const int grip = std::min(TitleBarRoom, width);
    const int leftmost = screen.left() - width + grip;
    const int left = std::clamp(frameTopLeft.x(), leftmost, std::max(leftmost, screen.right() + 1 - grip));
    const int top = std::clamp(frameTopLeft.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - TitleBarRoom));
    return {left, top};
}

int Distance(QPoint a, QPoint b) { return (a - b).manhattanLength(); }

// What a window manager's frame is taken to add before it has framed a
// window: a title bar, and borders as wide as most draw them.
constexpr QMargins UnknownFrame(4, TitleBarRoom, 4, 4);

// What the window manager's frame adds round a window's client area.
QMargins FrameMargins(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    if (outer == inner) return UnknownFrame;
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace

QPoint TitleBarOnScreen(QPoint frameTopLeft, int frameWidth, const std::vector<QRect>& screens) {
    const QRect titleBar = TitleBar(frameTopLeft, frameWidth);
    QPoint nearest = frameTopLeft;
    int shortest = std::numeric_limits<int>::max();
    for (const QRect& screen : screens) {
        if (Grippable(titleBar, screen)) return frameTopLeft;
        const QPoint moved = MovedOnto(frameTopLeft, frameWidth, screen);
        if (Distance(moved, frameTopLeft) < shortest) {
            shortest = Distance(moved, frameTopLeft);
            nearest = moved;
        }
    }
    return nearest;
}

QRect AreaHoldingTitleBar(const QRect& frame, const std::vector<QRect>& areas) {
    const QRect titleBar = TitleBar(frame.topLeft(), frame.width());
    const auto shared = [&titleBar](const QRect& area) {
        const QRect common = titleBar.intersected(area);
        return common.isEmpty() ? 0 : common.width() * common.height();
    };
    const auto most = std::max_element(areas.begin(), areas.end(),
                                       [&](const QRect& a, const QRect& b) { return shared(a) < shared(b); });
    if (most == areas.end() || shared(*most) > 0) return most == areas.end() ? QRect() : *most;
    const auto away = [&frame](const QRect& area) {
        return Distance(MovedOnto(frame.topLeft(), frame.width(), area), frame.topLeft());
    };
    return *std::min_element(areas.begin(), areas.end(),
                             [&](const QRect& a, const QRect& b) { return away(a) < away(b); });
}

QRect FrameWhollyOnScreen(const QRect& frame, const std::vector<QRect>& areas) {
    return areas.empty() ? frame : FrameWithin(frame, AreaHoldingTitleBar(frame, areas));
}

void FitWhollyOnScreen(QWidget& window) {
    if (window.isMaximized() || window.isFullScreen()) return;
    const QMargins margins = FrameMargins(window);
    const QRect frame(window.pos(), window.size().grownBy(margins));
    const QRect fitted = FrameWhollyOnScreen(frame, AvailableScreenAreas());
    if (fitted == frame) return;
    window.resize(fitted.size().shrunkBy(margins));
    window.move(fitted.topLeft());
}

int CaptionWidth(const QWidget& window) {
    // The title bar's icon, its minimise, maximise and close buttons and their margins.
    constexpr int TitleBarButtonsRoom = 128;
    QFont title = window.font();
    title.setBold(true);
    const int wanted = QFontMetrics(title).horizontalAdvance(window.windowTitle()) + TitleBarButtonsRoom;
    const QScreen* screen = window.screen();
    return screen != nullptr ? std::min(wanted, screen->availableGeometry().width()) : wanted;
}

std::vector<QRect> AvailableScreenAreas() {
    std::vector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas.push_back(screen->availableGeometry());
    return areas;
}

QRect FrameWithin(QRect frame, const QRect& area) {
    frame.setSize(frame.size().boundedTo(area.size()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width()));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height()));
    return frame;
}

void PlaceWithinScreen(QWidget& window, const QWidget* over) {
    const bool overShown = over != nullptr && over->isVisible();
    const QScreen* screen = overShown ? over->screen() : window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    // The window manager draws every frame alike.
    const QMargins margins = overShown ? FrameMargins(*over) : UnknownFrame;
    QRect frame(QPoint(), window.size().grownBy(margins));
    frame.moveCenter(overShown ? over->frameGeometry().center() : area.center());
    frame = FrameWithin(frame, area);
    // A window's geometry is its client area's: the window manager puts the frame round it.
    window.setGeometry(frame.marginsRemoved(margins));
}

int TWindowPlacement::WindowState() const {
    if (window_.isMaximized()) return 2;
    return window_.isMinimized() ? 1 : 0;
}
int TWindowPlacement::Left() const { return window_.frameGeometry().left(); }
int TWindowPlacement::Top() const { return window_.frameGeometry().top(); }
int TWindowPlacement::Width() const { return window_.frameGeometry().width(); }
int TWindowPlacement::Height() const { return window_.frameGeometry().height(); }
int TWindowPlacement::ClientWidth() const { return window_.width(); }
int TWindowPlacement::ClientHeight() const { return window_.height(); }
void TWindowPlacement::SetWindowState(int state) {
    if (state == 2) window_.setWindowState(Qt::WindowMaximized);
    else if (state == 1) window_.setWindowState(Qt::WindowMinimized);
    else window_.setWindowState(Qt::WindowNoState);
}
void TWindowPlacement::SetLeft(int left) { PlaceFrame(QPoint(left, window_.y())); }
void TWindowPlacement::SetTop(int top) { PlaceFrame(QPoint(window_.x(), top)); }
void TWindowPlacement::SetClientWidth(int width) { window_.resize(width, window_.height()); }
void TWindowPlacement::SetClientHeight(int height) { window_.resize(window_.width(), height); }

void TWindowPlacement::PlaceFrame(QPoint topLeft) {
    // A top-level widget's position is its frame's.
    window_.move(TitleBarOnScreen(topLeft, window_.frameGeometry().width(), AvailableScreenAreas()));
}

}  // namespace kestrune
