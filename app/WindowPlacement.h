// Where a window stands on the desktop: the stored placement reads and sets
// the main window's frame through TWindowPlacement, and every restored
// position keeps a piece of the title bar on a screen, where it can be
// dragged.
#pragma once

#include "platform/RegistryVariables.h"

#include <QPoint>
#include <QRect>

#include <vector>

class QWidget;

namespace kestrune {

// How much of a title bar stays on a screen, in pixels: its height and a width to grip.
inline constexpr int TitleBarRoom = 32;

// frameTopLeft moved the least so that the top TitleBarRoom pixels of a frame
// frameWidth wide meet one of the screens' available areas by TitleBarRoom
// pixels across (the nearest screen's, when it meets none); unchanged when
// they meet one already, or when there are no screens.
QPoint TitleBarOnScreen(QPoint frameTopLeft, int frameWidth, const std::vector<QRect>& screens);

// The width a window needs for its title bar to show its caption whole: the
// caption in a bold face of the window's font (as window managers draw
// titles) and room for the bar's icon and buttons; at most the width of the
// screen the window is on.
int CaptionWidth(const QWidget& window);

// The available areas of the desktop's screens.
std::vector<QRect> AvailableScreenAreas();

// frame made no larger than area and moved the least to lie within it.
QRect FrameWithin(QRect frame, const QRect& area);

// The available area, among areas, of the screen that holds the most of
// frame's title bar (when none holds any of it, the one it is nearest; an
// empty one when there are none).
QRect AreaHoldingTitleBar(const QRect& frame, const std::vector<QRect>& areas);

// frame made no larger than the available area of the screen that holds its
// title bar, and moved the least to lie wholly within it.
QRect FrameWhollyOnScreen(const QRect& frame, const std::vector<QRect>& areas);

// Moves and shrinks a window, as far as it must, for its frame to lie wholly
// on its screen (the frame a title bar's before the window manager has
// framed it); a maximised or full-screen window is left as it is.
void FitWhollyOnScreen(QWidget& window);

// Places a window that the window manager would place, before it first
// shows: centred over over (or its screen), its frame (margins as over's,
// else a title bar's) wholly on over's screen, smaller where it must be.
void PlaceWithinScreen(QWidget& window, const QWidget* over);

// The main window's placement as the stored placement reads and sets it:
// left and top are the frame's, as they are stored. Set before Qt makes the
// native window, they place the frame (made earlier, Qt places the client
// area there, a title bar lower).
class TWindowPlacement : public TFormPlacement {
public:
    explicit TWindowPlacement(QWidget& window) : window_(window) {}
    int WindowState() const override;
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetWindowState(int state) override;
    void SetLeft(int left) override;
    void SetTop(int top) override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;

private:
    void PlaceFrame(QPoint topLeft);

    QWidget& window_;
};

}  // namespace kestrune
