#include "app/MainMenus.h"

#include "tests/app/AppTest.h"
#include "app/HeadlessMainHost.h"
#include "app/MainCore.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <QAction>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

class MainMenusTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        core = std::make_unique<TMainCore>(host, TParams{});
        menus.Attach(*core);
        TDialogService::Instance().ClearScript();
    }

    QAction* Item(const char* name) {
        QAction* item = menus.Item(name);
        if (item == nullptr) ADD_FAILURE() << "no menu item " << name;
        return item;
    }
    static std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const TDialogRequest& request : TDialogService::Instance().Requests()) texts.push_back(request.text);
        return texts;
    }

    THeadlessMainHost host;
    std::unique_ptr<TMainCore> core;
    QMainWindow window;
    TMainMenus menus{window};
};

TEST_F(MainMenusTest, OptionsChangeTheirSettings) {
    Item("JpegQualHigh")->trigger();
    EXPECT_EQ(core->Settings.JpegSaveQuality->Value, 2);
    EXPECT_TRUE(Item("JpegQualHigh")->isChecked());
    EXPECT_FALSE(Item("JpegQualMedium")->isChecked());
    Item("Zoom30minutes")->trigger();
    EXPECT_EQ(core->Settings.MaxZoomedMinutes->Value, 30);
    EXPECT_FALSE(Item("Zoom21minutes")->isChecked());
    int zoomChoices = 0;
    menus.OnZoomChoicesChanged = [&] { ++zoomChoices; };
    Item("OptionsAllowZoomIn")->trigger();
    EXPECT_FALSE(core->Settings.ZoomIn->Value);
    EXPECT_FALSE(Item("OptionsAllowZoomIn")->isChecked());
    EXPECT_EQ(zoomChoices, 1);
    Item("OptionsFastView")->trigger();
    EXPECT_TRUE(core->Settings.FastInitialView->Value);
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace kestrune
