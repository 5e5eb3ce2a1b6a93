// The main window used as a person uses it: a pass opened through the Open
// dialog, every view tab, side-panel changes, the cursor read-out, saving,
// the recent files, stopping and closing during a load, and the settings
// of one window lifetime seen by the next.
#include "app/TalvessaForm.h"

#include "shell/FHyOpenFileDlg.h"
#include "tests/app/AppTest.h"
#include "tests/app/DirectionAnswerer.h"
#include "app/DirectionForm.h"
#include "app/ImageDisplay.h"
#include "app/PersistingControls.h"
#include "app/SidePanel.h"
#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "render/PixelLocation.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/PassFileWriter.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace kestrune {
namespace {

using testing::Find;
using testing::Wait;
using testing::WaitFor;

class MainWindowTest : public testing::TAppTest {
protected:
    std::unique_ptr<TFormMain> Show() {
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        return form;
    }

    // Types the file's name into the Open dialog and takes it.
    static void ChooseFile(shell::THyOpenFileForm& dialog, const std::string& path) {
        EXPECT_EQ(dialog.objectName(), "OpenDialog");
        Find<QLineEdit>(dialog, "fileNameEdit")->setText(QString::fromStdString(path));
        dialog.accept();
    }

    // The user opens a file with the Open button and its dialog.
    static void OpenWithDialog(TFormMain& form, const std::string& path) {
        testing::WhenModal<shell::THyOpenFileForm>([path](shell::THyOpenFileForm& dialog) { ChooseFile(dialog, path); });
        Find<QPushButton>(form, "ButtonOpen")->click();
    }

    static QAction* MenuItem(TFormMain& form, const char* name) { return Find<QAction>(form, name); }

    static void SelectTab(TFormMain& form, const std::string& name) {
        auto* tabs = Find<QTabBar>(form, "TabControlImage");
        for (int index = 0; index < tabs->count(); ++index)
            if (tabs->tabText(index).toStdString() == name) tabs->setCurrentIndex(index);
    }

    static std::vector<uint8_t> DisplayRow(TFormMain& form, int row) {
        const TExtBitmap& display = form.Core().View.DisplayBitmap();
        const uint8_t* line = display.ScanLine(row);
        return {line, line + display.RowBytes()};
    }

    static QStringList RecentEntries(TFormMain& form) {
        QStringList entries;
        for (const QAction* item : Find<QMenu>(form, "MenuFileReopen")->actions())
            if (!item->isSeparator()) entries << item->text();
        return entries;
    }

    testing::TDirectionAnswerer directionAnswerer;
};

TEST_F(MainWindowTest, APassOpenedThroughTheOpenDialogIsShownInEveryView) {
    auto form = Show();
    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    EXPECT_EQ(Find<QPushButton>(*form, "ButtonOpen")->text(), "Open");
    EXPECT_TRUE(MenuItem(*form, "MenuOpen")->isEnabled());
    EXPECT_TRUE(MenuItem(*form, "MenuSaveDisplay")->isEnabled());
    EXPECT_TRUE(Find<TImageDisplay>(*form, "ImageDisplay")->HasPicture());

    auto* tabs = Find<QTabBar>(*form, "TabControlImage");
    ASSERT_GT(tabs->count(), 10);
    for (int index = 0; index < tabs->count(); ++index) {
        tabs->setCurrentIndex(index);
        const std::string name = tabs->tabText(index).toStdString();
        EXPECT_EQ(form->Core().View.SelectedTab(), name);
        const uint8_t view = ViewIndexOfName(name);
        EXPECT_EQ(Find<QLabel>(*form, "LabelMapping")->text().toStdString(),
                  ViewMappingCaption(view, form->Core().Pass.SensorKind))
            << name;
    }
    SelectTab(*form, "RGB");
    EXPECT_FALSE(Find<QWidget>(*form, "RadioGroupRed")->isHidden());
    EXPECT_TRUE(Find<QWidget>(*form, "ComboBoxGammaCorrectFC")->isHidden());
    SelectTab(*form, "False colour");
    EXPECT_FALSE(Find<QWidget>(*form, "ComboBoxGammaCorrectFC")->isHidden());
    EXPECT_TRUE(Find<QWidget>(*form, "RadioGroupRed")->isHidden());
}

// A GAC pass is shown one to one with the zoom choice off and only the GAC
// savers; the next full-resolution pass brings the choice and the corrected
// and APT savers back.
TEST_F(MainWindowTest, AGacPassHasOneZoomAndTheGacSaversOnly) {
    auto form = Show();
    test::TL1BPassSpec gac;
    gac.Gac = true;
    gac.DataSetName = "NSS.GHRR.NN.D23123.S1200.E1210.B9012345.WI";
    const std::string gacPass = folder / "data/NSS.GHRR.NN.D23123.S1200.E1210.B9012345.WI";
    test::WriteFileBytes(gacPass, test::BuildL1BFile(gac));
    const auto* zoom = Find<TqelRadioGroup>(*form, "RadioGroupZoom");
    const auto visible = [&](const char* item) { return MenuItem(*form, item)->isVisible(); };
    const char* const fullResolutionSavers[] = {"MenuSaveCorrected", "MenuSaveCorrectedJPEG", "MenuSaveAsAPT",
                                                "MenuSaveAsAPTJPEG", "MenuViewCorrectedImage",
                                                "MenuViewCorrectedImageWithMinimise"};
    OpenWithDialog(*form, gacPass);
    ASSERT_TRUE(form->Core().PassLoaded());
    EXPECT_EQ(form->Core().Pass.InputFormatCode, 9);
    EXPECT_EQ(zoom->ItemIndex(), 1);
    EXPECT_FALSE(zoom->isEnabled());
    EXPECT_TRUE(visible("MenuSaveGAC") && visible("MenuSaveGACJPEG"));
    for (const char* item : fullResolutionSavers) EXPECT_FALSE(visible(item)) << item;

    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    EXPECT_EQ(zoom->ItemIndex(), 0);
    EXPECT_TRUE(zoom->isEnabled());
    EXPECT_FALSE(visible("MenuSaveGAC") || visible("MenuSaveGACJPEG"));
    for (const char* item : fullResolutionSavers) EXPECT_TRUE(visible(item)) << item;
}

TEST_F(MainWindowTest, ControlsComeBackAtTheNextStart) {
    {
        auto form = Show();
        Find<TqelRadioGroup>(*form, "RadioGroupUserRed")->Button(9)->click();
        Find<TqelCheckBox>(*form, "CheckBoxShowAsh")->click();
        Find<TqelUpDown>(*form, "UpDownSSTCh4Reject")->setValue(12);
        auto* gamma = Find<TqelComboBox>(*form, "ComboBoxGammaCorrectFC");
        gamma->setCurrentIndex(6);
        gamma->Change();
        MenuItem(*form, "JpegQualHigh")->trigger();
    }
    TRegistry registry;
    registry.OpenKeyReadOnly(ProgramRegistryKey());
    EXPECT_EQ(registry.ReadInteger("UserRedChannel"), 9);
    EXPECT_EQ(registry.ReadInteger("ShowAsh"), 1);
    EXPECT_EQ(registry.ReadInteger("SSTCh4Reject"), 12);
    EXPECT_EQ(registry.ReadInteger("GammaCorrectFC"), 6);

    auto form = Show();
    const TViewOptions& options = form->Core().View.Options;
    EXPECT_EQ(options.RadioGroupUserRed, 9);
    EXPECT_TRUE(options.CheckBoxShowAsh);
    EXPECT_EQ(options.UpDownSSTCh4Reject, 12);
    EXPECT_EQ(options.ComboBoxGammaCorrectFC, 6);
    EXPECT_TRUE(Find<TqelCheckBox>(*form, "CheckBoxShowAsh")->isChecked());
    EXPECT_TRUE(MenuItem(*form, "JpegQualHigh")->isChecked());
}

TEST_F(MainWindowTest, AFailedLoadLeavesTheWindowUsable) {
    auto form = Show();
    test::WriteFileBytes(folder / "data/short.wsd", test::TBytes(100, 0));
    OpenWithDialog(*form, folder / "data/short.wsd");
    EXPECT_FALSE(form->Core().PassLoaded());
    EXPECT_EQ(Find<QLabel>(*form, "LabelProgress")->text(), "Read cancelled or error while reading...");
    EXPECT_EQ(Find<QPushButton>(*form, "ButtonOpen")->text(), "Open");
    EXPECT_TRUE(MenuItem(*form, "MenuOpen")->isEnabled());
    EXPECT_TRUE(form->menuBar()->isEnabled());
    OpenWithDialog(*form, WritePass());
    EXPECT_TRUE(form->Core().PassLoaded());
}

TEST_F(MainWindowTest, NudgesAreRememberedForTheWholeFileName) {
    auto form = Show();
    const std::string longer = WritePass("230503_1200_noaa180.wsd");
    OpenWithDialog(*form, longer);
    ASSERT_TRUE(form->Core().PassLoaded());
    Find<QPushButton>(*form, "BitBtnRight")->click();
    Find<QPushButton>(*form, "BitBtnUp")->click();
    EXPECT_TRUE(WaitFor([&] { return !Find<QTimer>(*form, "TimerNudge")->isActive(); }, 2000));
    ASSERT_EQ(form->Core().NudgeList.Lines().size(), 1u);
    EXPECT_EQ(form->Core().NudgeList.Lines()[0].substr(0, longer.size() + 4), longer + " 1 1");

    // A file whose whole name only begins the remembered one gets no offsets.
    OpenWithDialog(*form, WritePass("230503_1200_noaa18.wsd"));
    ASSERT_TRUE(form->Core().PassLoaded());
    EXPECT_EQ(form->Core().Pass.NudgeX, 0);
    EXPECT_EQ(form->Core().Pass.NudgeY, 0);
    OpenWithDialog(*form, longer);
    EXPECT_EQ(form->Core().Pass.NudgeX, 1);
    EXPECT_EQ(form->Core().Pass.NudgeY, 1);
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The mouse tools and the overlay buttons go with the view shown: away while
// a view shows nothing, back with the next view that shows a picture.
TEST_F(MainWindowTest, ToolButtonsFollowTheViewShown) {
    auto form = Show();
    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    ASSERT_TRUE(form->Core().Pass.EarthLocations->MapFitted);
    const auto toolsShown = [&] {
        const bool overlay = !Find<QWidget>(*form, "BitBtnOverlay")->isHidden();
        const bool select = !Find<QWidget>(*form, "SpeedButtonSelect")->isHidden();
        EXPECT_EQ(overlay, select);
        return overlay && select;
    };
    SelectTab(*form, "False colour");
    EXPECT_TRUE(toolsShown());
    // This pass has no channel 6 to colour with.
    Find<TqelRadioGroup>(*form, "RadioGroupColour")->Button(2)->click();
    EXPECT_TRUE(form->Core().View.DisplayBitmap().Empty());
    EXPECT_FALSE(toolsShown());
    SelectTab(*form, "RGB");
    EXPECT_FALSE(form->Core().View.DisplayBitmap().Empty());
    EXPECT_TRUE(toolsShown());
}

}  // namespace
}  // namespace kestrune
