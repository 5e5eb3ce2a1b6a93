// The go-to window from the keyboard alone: real key presses (xdotool) on a
// window the window manager framed and gave the focus, under Xvfb
// (tests/run-with-window-manager, registered so in tests/CMakeLists.txt).
#include "app/GoToLocationForm.h"

#include "tests/app/WindowManagerTest.h"
#include "tests/app/WidgetTestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using testing::Find;
using testing::Wait;
using testing::WaitFor;

class GoToLocationKeysTest : public testing::TWindowManagerTest {
protected:
    void SetUp() override {
        TWindowManagerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        form = std::make_unique<TFormGoToLocation>(nullptr);
        grid = Find<QTableWidget>(*form, "StringGridGoToLocation");
        grid->item(1, 1)->setText("Skye, west");
        grid->item(1, 2)->setText("57.3");
        grid->item(1, 3)->setText("-6.2");
        grid->item(2, 1)->setText("Kelbourne harbour");
        form->show();
        ASSERT_TRUE(WaitFor([&] { return form->isActiveWindow(); })) << "the window manager gave no focus";
        Wait(100);
    }

    // Real key presses, as the X server sends them to the window with the focus.
    static void Keys(const std::string& keys) {
        ASSERT_EQ(std::system(("xdotool key --delay 30 " + keys).c_str()), 0);
        Wait(150);
    }
    static void Type(const std::string& text) {
        ASSERT_EQ(std::system(("xdotool type --delay 30 -- '" + text + "'").c_str()), 0);
        Wait(150);
    }

    std::string Focused() const {
        const QWidget* focused = QApplication::focusWidget();
        return focused == nullptr ? "" : focused->objectName().toStdString();
    }
    bool Went() const { return !form->isVisible() && form->result() == QDialog::Accepted; }

    std::unique_ptr<TFormGoToLocation> form;
    QTableWidget* grid = nullptr;
};

// Tab goes through the table cell by cell, each row's "Go!" among them.
TEST_F(GoToLocationKeysTest, TabReachesTheGoOfEveryRow) {
    grid->setFocus();
    grid->setCurrentCell(0, 1);
    std::vector<std::string> goes;
    for (int press = 0; press < 4 * 6; ++press) {
        Keys("Tab");
        if (Focused().starts_with("ButtonGo")) goes.push_back(Focused());
    }
    EXPECT_EQ(goes, (std::vector<std::string>{"ButtonGo1", "ButtonGo2", "ButtonGo3", "ButtonGo4", "ButtonGo5",
                                              "ButtonGo0"}));
    EXPECT_TRUE(form->isVisible());
}

// Space or Enter on a "Go!" reached by Tab presses it.
TEST_F(GoToLocationKeysTest, SpaceOrEnterOnARowsGoGoesThere) {
    for (const char* key : {"space", "Return"}) {
        form->show();
        ASSERT_TRUE(WaitFor([&] { return form->isActiveWindow(); }));
        grid->setFocus();
        grid->setCurrentCell(0, 3);
        Keys("Tab");
        ASSERT_EQ(Focused(), "ButtonGo1");
        Keys(key);
        ASSERT_TRUE(Went()) << key;
        EXPECT_DOUBLE_EQ(form->Latitude, 57.3);
        EXPECT_DOUBLE_EQ(form->Longitude, -6.2);
    }
}

// Enter in a cell of a row goes to that row; the Cancel button does not take it.
TEST_F(GoToLocationKeysTest, EnterInARowGoesToThatRow) {
    grid->setFocus();
    grid->setCurrentCell(1, 2);
    Keys("Return");
    ASSERT_TRUE(Went()) << (form->isVisible() ? "still open" : "cancelled");
    EXPECT_DOUBLE_EQ(form->Latitude, 57.3);
}

// What is typed into a cell counts when Enter ends the typing.
TEST_F(GoToLocationKeysTest, EnterWhileTypingGoesWithWhatWasTyped) {
    grid->setFocus();
    grid->setCurrentCell(2, 2);
    Type("56.5");
    Keys("Tab");
    Type("-2.75");
    Keys("KP_Enter");
    ASSERT_TRUE(Went()) << (form->isVisible() ? "still open" : "cancelled");
    EXPECT_DOUBLE_EQ(form->Latitude, 56.5);
    EXPECT_DOUBLE_EQ(form->Longitude, -2.75);
    EXPECT_EQ(form->GridPlaces()[2].Latitude, "56.5");
}

// Enter in an empty row tells it found nothing and leaves the window open.
TEST_F(GoToLocationKeysTest, EnterInAnEmptyRowTellsAndStaysOpen) {
    grid->setFocus();
    grid->setCurrentCell(4, 1);
    Keys("Return");
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text, "Valid latitude or longitude for \"\" not found");
    Keys("Escape");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace kestrune
