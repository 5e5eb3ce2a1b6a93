// Tests of real windows on an X display with a window manager (run by
// tests/run-with-window-manager under Xvfb, registered so in
// tests/CMakeLists.txt): skipped without one, failed where one was promised
// (KESTRUNE_EXPECT_WM).
#pragma once

#include "tests/app/AppTest.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrune::testing {

inline bool HasWindowManager() {
    return QGuiApplication::platformName() == "xcb" &&
           std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") == 0;
}

class TWindowManagerTest : public TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        if (HasWindowManager()) return;
        if (std::getenv("KESTRUNE_EXPECT_WM") != nullptr) FAIL() << "no window manager on the display";
        GTEST_SKIP() << "needs an X server with a window manager (tests/run-with-window-manager)";
    }
};

}  // namespace kestrune::testing
