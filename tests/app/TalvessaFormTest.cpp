#include "app/TalvessaForm.h"

#include "tests/app/AppTest.h"
#include "app/ImageDisplay.h"

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>

#include <filesystem>

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;

class TalvessaFormTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    }
    void TearDown() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TAppTest::TearDown();
    }
};

TEST_F(TalvessaFormTest, ShowsThePassAndClosesAfterTheRun) {
    TFormMain form({WritePass(), "-FC:X.JPG", "-CLOSE"});
    form.show();
    EXPECT_EQ(form.windowTitle(), "Talvessa from Morvane, Kelbourne");
    ASSERT_TRUE(WaitFor([&] { return !form.isVisible(); }, 30000));
    const auto* tabs = Find<QTabBar>(form, "TabControlImage");
    ASSERT_GT(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), "All");
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "False colour");
    EXPECT_TRUE(Find<TImageDisplay>(form, "ImageDisplay")->HasPicture());
    EXPECT_EQ(Find<QLabel>(form, "LabelMapping")->text(), "False colour");
    EXPECT_EQ(Find<QPushButton>(form, "ButtonOpen")->text(), "Open");
    EXPECT_FALSE(Find<QProgressBar>(form, "ProgressBar")->isVisible());
    Find<QScrollArea>(form, "ScrollBoxImage");
    EXPECT_TRUE(FileExists(folder / "data/230503_1200_noaa18-fc.jpg"));
    EXPECT_EQ(form.Core().ExitCode(), 0);
}

TEST_F(TalvessaFormTest, AHeadlessRunWritesItsProductsWithoutPaintingTheWindow) {
    TFormMain form({WritePass(), "-FC:X.JPG", "-CLOSE"}, true);
    EXPECT_FALSE(form.updatesEnabled());
    EXPECT_FALSE(Find<QProgressBar>(form, "ProgressBar")->updatesEnabled());
    form.show();
    ASSERT_TRUE(WaitFor([&] { return !form.isVisible(); }, 30000));
    EXPECT_TRUE(FileExists(folder / "data/230503_1200_noaa18-fc.jpg"));
    EXPECT_EQ(form.Core().ExitCode(), 0);
    EXPECT_TRUE(TFormMain({}).updatesEnabled()) << "a window on a display paints as ever";
}

}  // namespace
}  // namespace kestrune
