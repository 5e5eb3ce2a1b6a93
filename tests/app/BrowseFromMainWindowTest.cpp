#include "app/AvhrrBrowserForm.h"
#include "app/MainCore.h"
#include "app/PersistingControls.h"
#include "app/TalvessaForm.h"
#include "platform/DialogService.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "tests/app/WidgetTestSupport.h"

#include <QAction>

#include <filesystem>

namespace kestrune {
namespace {

using testing::WaitFor;
using testing::WhenModal;

class BrowseFromMainWindowTest : public testing::TAppTest {
protected:
    void SetUp() override {
        TAppTest::SetUp();
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
        std::filesystem::create_directories(std::string(folder / "data/2023/05/03"));
        WritePass("2023/05/03/230503_1200_noaa18.hpt");
    }
    void TearDown() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TAppTest::TearDown();
    }

    // Browses from the menu item; choose picks in the browser, which then closes with ok.
    void Browse(TFormMain& form, bool ok) {
        WhenModal<TFormBrowseAVHRR>([&, ok](TFormBrowseAVHRR& browser) {
            browser.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(folder / "data/2023/05/03"));
            browser.HyShellTreeBrowseClick();
            browser.CheckBoxBrowserAvhrrHPT->setChecked(true);
            browser.HyShellTreeBrowse->RunPendingTimerWork();
            auto& list = *browser.HyShellListBrowse;
            for (int row = 0; row < list.ItemCount(); ++row)
                list.selectionModel()->select(list.Model().index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            ok ? browser.ButtonOpenClick() : browser.reject();
        });
        form.findChild<QAction*>("MenuFileBrowseAvhrr")->trigger();
    }
};

TEST_F(BrowseFromMainWindowTest, OkLoadsTheChosenPassAndCancelNothing) {
    TFormMain form({});
    form.show();
    Browse(form, false);
    EXPECT_TRUE(form.Core().Pass.LoadedFileName.empty());
    const testing::TDirectionAnswerer directionAnswerer;
    Browse(form, true);
    // The loader keeps the pass's name without folder and extension.
    EXPECT_TRUE(WaitFor([&] { return form.Core().Pass.LoadedFileName == "230503_1200_noaa18"; }, 30000));
}

}  // namespace
}  // namespace kestrune
