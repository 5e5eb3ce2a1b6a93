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

TEST_F(MainMenusTest, ItemsCarryTheirNamesAndChecksFollowTheSettings) {
    for (const char* name : {"MenuOpen", "MenuSaveDisplay", "MenuSaveDisplayJPEG", "MenuExit", "MenuLineByLine",
                             "MenuViewTelemetry", "JpegQualMedium", "Mem192MB", "Zoom21minutes", "Zoom36minutes",
                             "OptionsTrackingScroll", "OptionsFireDetection", "HelpAbout"})
        Item(name);
    EXPECT_EQ(menus.MenuFileReopen()->objectName(), "MenuFileReopen");
    EXPECT_EQ(Item("MenuSaveDisplay")->text(), "&Save displayed image");
    EXPECT_TRUE(Item("JpegQualMedium")->isChecked());
    EXPECT_FALSE(Item("JpegQualLow")->isChecked());
    EXPECT_TRUE(Item("Mem192MB")->isChecked());
    EXPECT_TRUE(Item("Zoom21minutes")->isChecked());
    EXPECT_TRUE(Item("OptionsTrackingScroll")->isChecked());
    EXPECT_TRUE(Item("OptionsAllowZoomIn")->isChecked());
    EXPECT_FALSE(Item("MenuDespeckle")->isChecked());
    EXPECT_FALSE(Item("MenuSaveDisplay")->isEnabled());
    menus.EnableResultMenus(true);
    EXPECT_TRUE(Item("MenuSaveDisplay")->isEnabled());
    EXPECT_TRUE(Item("MenuSaveFirePixels")->isEnabled());
}

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

TEST_F(MainMenusTest, OptionsThatNeedARestartOrAReloadSaySo) {
    Item("Mem192MB")->trigger();
    EXPECT_TRUE(Messages().empty());
    Item("Mem64MB")->trigger();
    EXPECT_EQ(core->Settings.LargeMemThreshold->Value, 64);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].caption, "Talvessa - low memory threshold changed");
    Item("MenuDespeckle")->trigger();
    EXPECT_TRUE(core->Settings.Despeckle->Value);
    Item("OptionsCacheDisplay")->trigger();
    EXPECT_TRUE(core->Settings.CacheDisplay->Value);
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_EQ(Messages()[1].substr(0, 20), "You will need to Ope");
    EXPECT_EQ(Messages()[2], "Please restart the Talvessa for this change to take effect");
}

}  // namespace
}  // namespace kestrune
