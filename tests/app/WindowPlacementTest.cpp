// Where the main window comes back: a real window under Xvfb with a window
// manager (tests/run-with-window-manager, registered so in tests/CMakeLists.txt),
// moved by dragging its title bar with the pointer as a user does, comes back
// with its frame where it was left, and a stored placement at the top of the
// screen keeps the title bar on the screen.
#include "app/HelpWindow.h"
#include "app/TalvessaForm.h"
#include "app/WindowPlacement.h"

#include "platform/RegistryVariables.h"
#include "platform/SysUtils.h"
#include "tests/app/AppTest.h"
#include "tests/app/WindowManagerTest.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/ProcessHelpers.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.left() << ", " << rect.top() << ") " << rect.width() << " x " << rect.height();
}
inline void PrintTo(const QPoint& point, std::ostream* out) { *out << "(" << point.x() << ", " << point.y() << ")"; }

namespace kestrune {
namespace {

using testing::CommandOutput;

using testing::Find;
using testing::WaitFor;
using testing::WhenModal;

int NumberAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -99999 : std::atoi(text.c_str() + at + label.size());
}

// The window's frame as the X server and the window manager have it (not as Qt believes it):
// the client's place on the root window widened by the frame extents the window manager set.
QRect ServerFrame(const QWidget& window) {
    const std::string id = std::to_string(window.winId());
    const std::string info = CommandOutput("xwininfo -id " + id);
    const std::string extents = CommandOutput("xprop -id " + id + " _NET_FRAME_EXTENTS");
    const size_t equals = extents.find(" = ");
    if (equals == std::string::npos) return {};
    int left = 0, right = 0, top = 0, bottom = 0;
    if (std::sscanf(extents.c_str() + equals + 3, "%d, %d, %d, %d", &left, &right, &top, &bottom) != 4) return {};
    const QRect client(NumberAfter(info, "Absolute upper-left X:"), NumberAfter(info, "Absolute upper-left Y:"),
                       NumberAfter(info, "Width:"), NumberAfter(info, "Height:"));
    return client.adjusted(-left, -top, right, bottom);
}

bool Framed(const QWidget& window) {
    const QRect frame = ServerFrame(window);
    return frame.isValid() && frame.top() < window.geometry().top();
}

class WindowPlacementTest : public testing::TWindowManagerTest {
protected:
    // The main window shown and framed by the window manager, settled where it was put.
    std::unique_ptr<TFormMain> Start() {
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        EXPECT_TRUE(WaitFor([&] { return Framed(*form); })) << "the window manager gave the window no frame";
        Settle(*form);
        TDialogService::Instance().ClearScript();  // the start's own boxes
        return form;
    }

    static void StorePosition(int frameLeft, int frameTop) {
        TRegistryInteger left("FormLeft", 0);
        TRegistryInteger top("FormTop", 0);
        left.Value = frameLeft;
        top.Value = frameTop;
    }

    // Waits until the window's frame has stayed put for 300 ms: counted in
    // polls, a loaded machine's window manager answers after the count.
    static QRect Settle(const QWidget& window) {
        QRect last = window.frameGeometry();
        QElapsedTimer still;
        still.start();
        WaitFor([&] {
            const QRect now = window.frameGeometry();
            if (now != last) still.restart();
            last = now;
            return still.elapsed() >= 300;
        });
        return last;
    }

    // Drags the window by its title bar with the X pointer, by (dx, dy).
    static void DragTitleBar(QWidget& window, int dx, int dy) {
        const QRect frame = ServerFrame(window);
        const QPoint grip(frame.left() + frame.width() / 2, frame.top() + (window.geometry().top() - frame.top()) / 2);
        const std::string command = "xdotool mousemove " + std::to_string(grip.x()) + " " + std::to_string(grip.y()) +
                                    " mousedown 1 sleep 0.2 mousemove " + std::to_string(grip.x() + dx / 2) + " " +
                                    std::to_string(grip.y() + dy / 2) + " sleep 0.1 mousemove " +
                                    std::to_string(grip.x() + dx) + " " + std::to_string(grip.y() + dy) +
                                    " sleep 0.2 mouseup 1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        WaitFor([&] { return ServerFrame(window).topLeft() != frame.topLeft(); });
        Settle(window);
    }
};

TEST_F(WindowPlacementTest, AWindowComesBackWhereItWasLeft) {
    QRect left;
    {
        auto form = Start();
        // Left wholly on the screen: one partly off it comes back onto it.
        DragTitleBar(*form, 137 - form->geometry().left() + 100, 131 - form->geometry().top());
        left = Settle(*form);
        ASSERT_GT(left.top(), 0) << "the drag did not move the window";
    }
    for (int start = 0; start < 2; ++start) {
        auto form = Start();
        EXPECT_EQ(ServerFrame(*form), left) << "start " << start + 2;
        EXPECT_EQ(form->frameGeometry(), left) << "start " << start + 2 << ", as Qt has it";
    }
}

// A placement stored with its top at the screen's top (as an earlier version
// stored it) keeps the title bar on the screen, where it can be dragged; one
// stored above the screen and beyond its left edge comes wholly onto it.
TEST_F(WindowPlacementTest, AStoredTopOfZeroKeepsTheTitleBarOnTheScreen) {
    StorePosition(0, 0);
    {
        auto form = Start();
        EXPECT_EQ(ServerFrame(*form).topLeft(), QPoint(0, 0));
        EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(0, 0)) << "as Qt has it";
    }
    StorePosition(-300, -40);
    auto form = Start();
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_EQ(ServerFrame(*form).top(), screen.top());
    EXPECT_EQ(ServerFrame(*form).left(), screen.left());
}

// F1 in File > Open before the help was ever shown: the help window opens
// with its title bar on the screen, placed by the window manager.
TEST_F(WindowPlacementTest, HelpOpenedFirstFromAModalDialogKeepsItsTitleBarOnTheScreen) {
    std::filesystem::copy(ExtractFilePath(KESTRUNE_EXECUTABLE) + "help/", folder / "program/help",
                          std::filesystem::copy_options::recursive);
    auto form = Start();
    auto* help = form->findChild<THelpWindow*>("FormHelp");
    ASSERT_NE(help, nullptr);
    QRect helpFrame;
    WhenModal<QDialog>([&](QDialog& dialog) {
        WaitFor([&] { return dialog.isActiveWindow(); });
        EXPECT_EQ(std::system("xdotool key F1"), 0);
        EXPECT_TRUE(WaitFor([&] { return help->isVisible() && Framed(*help); })) << "F1 opened no help";
        helpFrame = Settle(*help);
        dialog.reject();
    });
    Find<QAction>(*form, "MenuOpen")->trigger();
    EXPECT_EQ(help->ShownTopic(), "opening.html#open");
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_GE(helpFrame.top(), screen.top()) << "title bar above the screen";
    EXPECT_GE(helpFrame.left(), screen.left());
    // Back with the main window when the dialog closes, where it was.
    EXPECT_TRUE(WaitFor([&] { return help->parentWidget() == form.get() && Framed(*help); }));
    EXPECT_EQ(Settle(*help).topLeft(), helpFrame.topLeft());
}

// F1 opens the help wholly on the screen it opens on: as it is made, and
// made taller than the screen (as a 1,000-pixel screen was for its frame).
TEST_F(WindowPlacementTest, HelpOpensWhollyOnTheScreen) {
    std::filesystem::copy(ExtractFilePath(KESTRUNE_EXECUTABLE) + "help/", folder / "program/help",
                          std::filesystem::copy_options::recursive);
    for (const int height : {640, 2000}) {
        auto form = Start();
        auto* help = form->findChild<THelpWindow*>("FormHelp");
        ASSERT_NE(help, nullptr);
        help->resize(760, height);
        EXPECT_TRUE(WaitFor([&] { return form->isActiveWindow(); }));
        EXPECT_EQ(std::system("xdotool key F1"), 0);
        ASSERT_TRUE(WaitFor([&] { return help->isVisible() && Framed(*help); })) << "F1 opened no help";
        const QRect frame = Settle(*help);
        const QRect screen = form->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(frame)) << height << ": frame " << frame.left() << "," << frame.top() << " "
                                            << frame.width() << "x" << frame.height() << " on a screen "
                                            << screen.width() << "x" << screen.height();
        help->close();
    }
}

// The main window opens with its whole frame on the screen, status line and
// all: as first started (on a 1280 x 768 screen its frame would be taller
// than the screen), and as stored, taller or wider than the screen, or
// partly below or beside it. A placement that fits is kept as it is.
TEST_F(WindowPlacementTest, TheMainWindowOpensWhollyOnItsScreen) {
    struct TStoredCase {
        const char* What;
        std::optional<QRect> Stored;  // frame's left and top, client width and height
        bool Kept;                    // the stored place and size come back as they were
    };
    const std::vector<TStoredCase> cases{
        {"nothing stored", std::nullopt, false},
        {"taller than the screen", QRect(100, 40, 900, 2000), false},
        {"wider than the screen", QRect(0, 60, 3000, 500), false},
        {"partly below the screen", QRect(200, 5000, 800, 600), false},
        {"partly right of the screen", QRect(5000, 100, 800, 600), false},
        {"on the screen", QRect(120, 90, 800, 600), true},
    };
    for (const TStoredCase& stored : cases) {
        SCOPED_TRACE(stored.What);
        if (stored.Stored) {
            StorePosition(stored.Stored->left(), stored.Stored->top());
            TRegistryInteger width("FormClientWidth", 0);
            TRegistryInteger height("FormClientHeight", 0);
            width.Value = stored.Stored->width();
            height.Value = stored.Stored->height();
        }
        auto form = Start();
        const QRect frame = ServerFrame(*form);
        const QRect screen = form->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(frame)) << "frame " << ::testing::PrintToString(frame) << " on a screen "
                                            << ::testing::PrintToString(screen);
        EXPECT_TRUE(screen.contains(form->frameGeometry())) << "as Qt has it";
        if (stored.Kept) {
            EXPECT_EQ(frame.topLeft(), stored.Stored->topLeft());
            EXPECT_EQ(form->size(), stored.Stored->size());
        }
    }
}

// Worked by hand: the frame made to fit the screen that holds its title bar.
TEST(FrameWhollyOnScreen, AFrameFitsTheScreenHoldingItsTitleBar) {
    const std::vector<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 768)};
    struct TFrameCase {
        const char* What;
        QRect Frame, Fitted;
    };
    const std::vector<TFrameCase> cases{
        {"on the first screen", {100, 100, 1026, 793}, {100, 100, 1026, 793}},
        {"on the small screen, taller than it", {2000, 0, 1026, 793}, {2000, 0, 1026, 768}},
        {"across both, mostly on the small one", {1900, 50, 1026, 600}, {1920, 50, 1026, 600}},
        {"across both, mostly on the first", {1000, 50, 1026, 600}, {894, 50, 1026, 600}},
        {"below the small screen", {2200, 900, 800, 600}, {2200, 168, 800, 600}},
        {"on neither, nearest the first", {-3000, -3000, 800, 600}, {0, 0, 800, 600}},
    };
    for (const TFrameCase& frameCase : cases)
        EXPECT_EQ(FrameWhollyOnScreen(frameCase.Frame, two), frameCase.Fitted) << frameCase.What;
    EXPECT_EQ(FrameWhollyOnScreen({-3000, 0, 800, 600}, {}), QRect(-3000, 0, 800, 600)) << "no screens known";
}

// Worked by hand: a frame made no larger than the area, moved the least into it.
TEST(FrameWithin, AFrameIsMadeToFitAndMovedTheLeastIntoTheArea) {
    const QRect area(0, 0, 1280, 1000);
    struct TFrameCase {
        QRect Frame, Fitted;
    };
    const std::vector<TFrameCase> cases{
        {{260, 335, 762, 665}, {260, 335, 762, 665}},   // within
        {{260, 355, 762, 660}, {260, 340, 762, 660}},   // 15 pixels below the screen's bottom
        {{-40, -10, 762, 665}, {0, 0, 762, 665}},       // left of and above it
        {{900, 200, 762, 665}, {518, 200, 762, 665}},   // beyond its right edge
        {{100, 100, 762, 2025}, {100, 0, 762, 1000}},   // taller than the screen
        {{-500, 900, 2000, 1200}, {0, 0, 1280, 1000}},  // larger both ways
    };
    for (const TFrameCase& frameCase : cases) EXPECT_EQ(FrameWithin(frameCase.Frame, area), frameCase.Fitted);
}

// The least move that keeps a grip of the title bar on a screen, worked by hand.
TEST(TitleBarOnScreen, MovesAFrameOnlyAsFarAsItsTitleBarNeeds) {
    const std::vector<QRect> one{QRect(0, 0, 1280, 1024)};
    EXPECT_EQ(TitleBarOnScreen({0, 0}, 1000, one), QPoint(0, 0));
    EXPECT_EQ(TitleBarOnScreen({99, 180}, 1000, one), QPoint(99, 180));
    EXPECT_EQ(TitleBarOnScreen({100, -20}, 1000, one), QPoint(100, 0)) << "title bar above the screen";
    EXPECT_EQ(TitleBarOnScreen({-990, 10}, 1000, one), QPoint(-968, 10)) << "32 pixels of it to grip";
    EXPECT_EQ(TitleBarOnScreen({-968, 10}, 1000, one), QPoint(-968, 10));
    EXPECT_EQ(TitleBarOnScreen({1270, 500}, 1000, one), QPoint(1248, 500));
    EXPECT_EQ(TitleBarOnScreen({10, 1010}, 1000, one), QPoint(10, 992));
    EXPECT_EQ(TitleBarOnScreen({5000, 5000}, 1000, one), QPoint(1248, 992));

    // Two screens side by side: the nearest takes a title bar that is on neither.
    const std::vector<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    EXPECT_EQ(TitleBarOnScreen({2500, 1000}, 800, two), QPoint(2500, 992)) << "below the smaller screen";
    EXPECT_EQ(TitleBarOnScreen({1500, 1050}, 800, two), QPoint(1500, 1048));
    EXPECT_EQ(TitleBarOnScreen({2000, -50}, 800, two), QPoint(2000, 0));
    EXPECT_EQ(TitleBarOnScreen({1800, 500}, 800, two), QPoint(1800, 500)) << "across both screens";

    EXPECT_EQ(TitleBarOnScreen({-5000, -5000}, 800, {}), QPoint(-5000, -5000)) << "no screens known";
}

}  // namespace
}  // namespace kestrune
