// The main window used as a person uses it: a pass opened through the Open
// dialog, every view tab, side-panel changes, the cursor read-out, saving,
// the recent files, stopping and closing during a load, and the settings
// of one window lifetime seen by the next.
#include "app/TalvessaForm.h"

#include "tests/app/AppTest.h"
#include "app/DirectionForm.h"
#include "app/ImageDisplay.h"
#include "app/PersistingControls.h"
#include "app/SidePanel.h"
#include "decoding/HRPTvideo.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "render/PixelLocation.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
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
    void SetUp() override {
        TAppTest::SetUp();
        // Any pass-direction question is answered with its default.
        directionAnswerer.setInterval(10);
        QObject::connect(&directionAnswerer, &QTimer::timeout, [] {
            auto* dialog = dynamic_cast<TFormPassDirection*>(QApplication::activeModalWidget());
            if (dialog != nullptr) Find<QPushButton>(*dialog, "ButtonNorth")->click();
        });
        directionAnswerer.start();
    }
    void TearDown() override {
        directionAnswerer.stop();
        TAppTest::TearDown();
    }

    std::unique_ptr<TFormMain> Show() {
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        return form;
    }

    // Types the file's name into the Open dialog and takes it.
    static void ChooseFile(QFileDialog& dialog, const std::string& path) {
        EXPECT_EQ(dialog.objectName(), "OpenDialog");
        Find<QLineEdit>(dialog, "fileNameEdit")->setText(QString::fromStdString(path));
        static_cast<QDialog&>(dialog).accept();
    }

    // The user opens a file with the Open button and its dialog.
    static void OpenWithDialog(TFormMain& form, const std::string& path) {
        testing::WhenModal<QFileDialog>([path](QFileDialog& dialog) { ChooseFile(dialog, path); });
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

    QTimer directionAnswerer;
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

TEST_F(MainWindowTest, TheCursorReadOutAtKnownPixelsAndSavingTheView) {
    auto form = Show();
    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    SelectTab(*form, "Ch 4");
    auto* display = Find<TImageDisplay>(*form, "ImageDisplay");
    for (const QPoint at : {QPoint(40, 30), QPoint(display->width() / 2, display->height() / 2)}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), display->mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(display, &move);
        const QPoint pixel = display->PicturePoint(at, false);
        TCursorState cursor;
        ReadCursorValues(form->Core().Pass, ViewChannel1 + 3, pixel.x(), pixel.y(), cursor);
        const QString expected = QString::fromStdString(CursorReadoutText(cursor, ViewChannel1 + 3, true)).replace('\r', '\n');
        EXPECT_EQ(Find<QLabel>(*form, "LabelCursor")->text(), expected);
        EXPECT_TRUE(expected.contains("K") && expected.contains("UTC"));
    }

    MenuItem(*form, "MenuSaveDisplay")->trigger();
    const std::string saved = folder / "data/230503_1200_noaa18-c4.bmp";
    ASSERT_TRUE(FileExists(saved));
    TExtBitmap image;
    image.LoadFromFile(saved);
    EXPECT_EQ(image.Width(), form->Core().View.DisplayBitmap().Width());
    EXPECT_EQ(image.Height(), form->Core().View.DisplayBitmap().Height());
}

TEST_F(MainWindowTest, DataProductsAndTheFlipFromTheMenusAndTheSidePanel) {
    auto form = Show();
    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    SelectTab(*form, "Ch 4");
    MenuItem(*form, "MenuSaveRawChannels")->trigger();
    EXPECT_TRUE(FileExists(folder / "data/230503_1200_noaa18-4.raw"));
    MenuItem(*form, "MenuSaveAsText")->trigger();
    EXPECT_TRUE(FileExists(folder / "data/230503_1200_noaa18.as.txt"));
    TDialogService::Instance().ClearScript();
    Find<QPushButton>(*form, "BitBtnSaveTemps")->click();
    EXPECT_TRUE(FileExists(folder / "data/230503_1200_noaa18.t4.raw"));
    ASSERT_FALSE(TDialogService::Instance().Requests().empty());
    EXPECT_EQ(TDialogService::Instance().Requests().back().text.substr(0, 31), "Temperature data saved to file:");

    // Turned round, the top line shows what the bottom line showed, mirrored.
    const int height = form->Core().View.DisplayBitmap().Height();
    const std::vector<uint8_t> bottom = DisplayRow(*form, height - 1);
    MenuItem(*form, "OptionsFlipPassDirection")->trigger();
    std::vector<uint8_t> top = DisplayRow(*form, 0);
    ASSERT_EQ(top.size(), bottom.size());
    for (size_t pixel = 0; pixel + 3 <= top.size() / 2; pixel += 3)
        std::swap_ranges(top.begin() + static_cast<std::ptrdiff_t>(pixel),
                         top.begin() + static_cast<std::ptrdiff_t>(pixel + 3),
                         top.end() - static_cast<std::ptrdiff_t>(pixel + 3));
    EXPECT_EQ(top, bottom);
    EXPECT_FALSE(Find<QProgressBar>(*form, "ProgressBar")->isVisible());
}

TEST_F(MainWindowTest, TheZoomSizesTheImage) {
    auto form = Show();
    OpenWithDialog(*form, WritePass());
    ASSERT_TRUE(form->Core().PassLoaded());
    auto* display = Find<TImageDisplay>(*form, "ImageDisplay");
    auto* zoom = Find<TqelRadioGroup>(*form, "RadioGroupZoom");
    auto* box = Find<QScrollArea>(*form, "ScrollBoxImage");
    EXPECT_EQ(display->width(), box->viewport()->width());
    EXPECT_EQ(display->height(), 240 * display->width() / 2048);
    zoom->Button(1)->click();
    EXPECT_EQ(display->size(), QSize(display->PictureWidth(), display->PictureHeight()));
    zoom->Button(2)->click();
    EXPECT_EQ(form->ZoomMode, ZoomDouble);
    EXPECT_EQ(display->size(), QSize(2 * display->PictureWidth(), 2 * display->PictureHeight()));

    // Too long a pass for 2:1 is shown 1:1, the choice still reading 2:1.
    zoom->Button(0)->click();
    form->Core().Settings.MaxZoomedMinutes->Value = 0;
    zoom->Button(2)->click();
    EXPECT_EQ(form->ZoomMode, ZoomOneToOne);
    EXPECT_EQ(zoom->ItemIndex(), 2);
    EXPECT_EQ(display->size(), QSize(display->PictureWidth(), display->PictureHeight()));

    // Without zoom in the choice offers two items.
    Find<QAction>(*form, "OptionsAllowZoomIn")->trigger();
    EXPECT_EQ(zoom->ItemCount(), 2);
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

TEST_F(MainWindowTest, StopDuringALoadCancelsIt) {
    auto form = Show();
    const std::string pass = WritePass();
    auto* open = Find<QPushButton>(*form, "ButtonOpen");
    bool sawStop = false;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (open->text() != "Stop") return;
        sawStop = true;
        stopper.stop();
        open->click();
    });
    testing::WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        stopper.start(0);
        ChooseFile(dialog, pass);
    });
    open->click();
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(form->Core().PassLoaded());
    EXPECT_FALSE(form->Core().Pass.Loading);
    EXPECT_EQ(open->text(), "Open");
    EXPECT_TRUE(form->Core().MRUFileList->Files().empty());
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
