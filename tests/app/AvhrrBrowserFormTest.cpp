#include "app/AvhrrBrowserForm.h"

#include "app/AvhrrBrowser.h"
#include "app/PersistingControls.h"
#include "platform/DialogService.h"
#include "platform/OleBlocks.h"
#include "platform/OleDragDrop_qt.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellUtils.h"

#include "tests/support/EnvironmentSetting.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

class AvhrrBrowserFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }

    void SetUp() override {
        root_ = testing::FreshTestFolder("browserform");
        config_.emplace("XDG_CONFIG_HOME", (root_ / "config").c_str());
        data_.emplace("XDG_DATA_HOME", (root_ / "data").c_str());
        base_ = (root_ / "archive").string() + "/";
        for (const char* day : {"2021/05/04/", "2021/05/05/", "2021/05/31/", "2021/06/01/", "2020/12/31/", "2021/01/01/"})
            fs::create_directories(base_ + day);
        Pass("2021/05/04/", "noaa19_1", true, true);
        Pass("2021/05/04/", "noaa19_2", true, false);
        fs::create_directories(DatedFolderPath(base_, std::floor(NowUtc())));
    }
    void TearDown() override { fs::remove_all(root_); }

    // Written by the bytes of its name, which may be no text.
    void Pass(const std::string& day, const std::string& stem, bool data, bool preview, const std::string& content = "pass") {
        if (data) std::ofstream(base_ + day + stem + ".hpt") << content;
        if (preview) {
            QImage image(400, 100, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPEG");
            std::ofstream(base_ + day + stem + ".thumb.jpg", std::ios::binary) << jpeg.toStdString();
        }
    }

    // The browser shown over folder (its showing run to the end).
    static void Show(TFormBrowseAVHRR& form) {
        form.show();
        QCoreApplication::processEvents();
    }

    static std::string Shown(TFormBrowseAVHRR& form) {
        return IncludeTrailingPathDelimiter(Utf16ToUtf8(form.HyShellTreeBrowse->GetSelectedPath()));
    }

    static void SelectFile(TFormBrowseAVHRR& form, const std::string& name) {
        form.HyShellTreeBrowse->RunPendingTimerWork();
        auto& list = *form.HyShellListBrowse;
        for (int row = 0; row < list.ItemCount(); ++row)
            if (Utf16ToUtf8(list.ItemData(row)->DisplayName()) == name)
                list.selectionModel()->select(list.Model().index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    // The user double-clicks the row of that name.
    static void DoubleClickRow(TFormBrowseAVHRR& form, const char16_t* name) {
        auto& list = *form.HyShellListBrowse;
        int row = 0;
        while (list.ItemData(row)->DisplayName() != name) ++row;
        const QPoint at = list.visualRect(list.Model().index(row, 0)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
            QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list.viewport(), &event);
        }
    }


    static std::vector<std::string> Names(const shell::THyShellList& list) {
        std::vector<std::string> names;
        for (int row = 0; row < list.ItemCount(); ++row) names.push_back(Utf16ToUtf8(list.ItemData(row)->DisplayName()));
        std::sort(names.begin(), names.end());
        return names;
    }

    // The browser shown over the day with its first pass chosen.
    void ShowDayWithPassChosen(TFormBrowseAVHRR& form) {
        Show(form);
        form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
        form.HyShellTreeBrowseClick();
        SelectFile(form, "noaa19_1.thumb.jpg");
        ASSERT_TRUE(form.ButtonOpen->isEnabled());
    }

    fs::path root_;
    std::string base_;
    std::optional<testing::TEnvironmentSetting> config_, data_;
};

TEST_F(AvhrrBrowserFormTest, DayButtonsWalkDatedFoldersAcrossMonthAndYearEnds) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/31/"));
    form.HyShellTreeBrowseClick();
    EXPECT_TRUE(form.BitBtnTomorrow->isEnabled());
    form.BitBtnDayChangeClick(form.BitBtnTomorrow);
    EXPECT_EQ(Shown(form), base_ + "2021/06/01/");
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/01/01/"));
    form.HyShellTreeBrowseClick();
    form.BitBtnDayChangeClick(form.BitBtnYesterday);
    EXPECT_EQ(Shown(form), base_ + "2020/12/31/");
    // A day without a folder leaves the window where it is.
    form.BitBtnDayChangeClick(form.BitBtnYesterday);
    EXPECT_EQ(Shown(form), base_ + "2020/12/31/");
    // Today uses the base of the last dated folder shown.
    form.ButtonTodayClick();
    EXPECT_EQ(Shown(form), DatedFolderPath(base_, std::floor(NowUtc())));
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_));
    form.HyShellTreeBrowseClick();
    EXPECT_FALSE(form.BitBtnYesterday->isEnabled());
}

TEST_F(AvhrrBrowserFormTest, ChosenPassShowsItsPreviewAndOpensOnOk) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    SelectFile(form, "noaa19_1.thumb.jpg");
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/04/noaa19_1.hpt");
    EXPECT_TRUE(form.ButtonOpen->isEnabled());
    EXPECT_EQ(form.LabelThumbnailImage->text(), "From:  noaa19_1");
    EXPECT_EQ(form.ImageThumbnail->width(), 400);
    // Wider than its box, the preview opens at its middle.
    const int room = form.ScrollBoxThumbnail->viewport()->width();
    ASSERT_LT(room, 400);
    EXPECT_EQ(form.ScrollBoxThumbnail->horizontalScrollBar()->value(), (400 - room) / 2);
    // A pass without a preview opens, and the preview shown before stays cleared by the folder.
    form.CheckBoxBrowserAvhrrHPT->setChecked(true);
    form.HyShellTreeBrowseClick();
    SelectFile(form, "noaa19_2.hpt");
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/04/noaa19_2.hpt");
    EXPECT_EQ(form.LabelThumbnailImage->text(), "Selected file");
    // Moved onto by the keys from a pass with a preview, a pass without one
    // shows none, nor does one whose preview is cut short.
    const std::string day = base_ + "2021/05/04/";
    for (const uintmax_t kept : {uintmax_t{0}, fs::file_size(day + "noaa19_1.thumb.jpg") / 2}) {
        if (kept > 0) fs::copy_file(day + "noaa19_1.thumb.jpg", day + "noaa19_2.thumb.jpg");
        if (kept > 0) fs::resize_file(day + "noaa19_2.thumb.jpg", kept);
        SelectFile(form, "noaa19_1.thumb.jpg");
        ASSERT_EQ(form.ImageThumbnail->width(), 400);
        SelectFile(form, "noaa19_2.hpt");
        EXPECT_EQ(form.ChosenDataFile, day + "noaa19_2.hpt");
        EXPECT_EQ(form.LabelThumbnailImage->text(), "Selected file") << kept;
        EXPECT_EQ(form.ImageThumbnail->width(), 0) << kept;
    }
    form.ButtonOpenClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// A folder and a pass named in the locale's bytes (under C.UTF-8, bytes that
// are no UTF-8): the label names the folder, the list shows the pass, its
// preview shows, Open takes the pass itself and Copy offers its real name.
TEST_F(AvhrrBrowserFormTest, NamesInTheLocalesBytesShowPreviewOpenAndCopy) {
    for (const auto& name : testing::LocaleFileNames()) {
        const testing::TLocaleEnvironment locale(name.Locale);
        const std::string day = "2026/11/28/" + name.Stem + "/";
        fs::create_directories(base_ + day);
        Pass(day, name.Stem, true, true, name.Locale);
        Pass(day, name.Utf8Spelling, true, false, "the UTF-8 spelling");
        // What the user reads: the locale's characters, or U+FFFD for a byte that is none.
        const QString shownStem =
            name.Characters.empty() ? QString::fromUtf8(name.Stem) : QString::fromStdU16String(name.Characters);
        TFormBrowseAVHRR form(nullptr);
        Show(form);
        form.HyShellTreeBrowse->SetSelectedPath(WideFromFileName(base_ + day));
        form.HyShellTreeBrowseClick();
        EXPECT_EQ(form.LabelBrowseFolder->toolTip(), QString::fromStdString(base_ + "2026/11/28/") + shownStem + "/") << name.Locale;
        form.HyShellTreeBrowse->RunPendingTimerWork();
        auto& list = *form.HyShellListBrowse;
        int row = 0;
        while (row < list.ItemCount() && FileNameFromWide(list.ItemData(row)->GetPathName()) != base_ + day + name.Stem + ".thumb.jpg") ++row;
        ASSERT_LT(row, list.ItemCount()) << name.Locale;
        EXPECT_EQ(list.Model().index(row, 0).data().toString(), shownStem + ".thumb.jpg") << name.Locale;
        list.selectionModel()->select(list.Model().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list.setCurrentIndex(list.Model().index(row, 0));
        EXPECT_TRUE(form.ButtonOpen->isEnabled()) << name.Locale;
        EXPECT_EQ(form.ImageThumbnail->width(), 400) << name.Locale;
        EXPECT_EQ(form.LabelThumbnailImage->text(), "From:  " + shownStem) << name.Locale;
        std::ifstream chosen(form.ChosenDataFile);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(chosen), {}), name.Locale);
        ASSERT_TRUE(ole::Succeeded(list.InvokeSelectionVerb("copy"))) << name.Locale;
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(copied && copied->urls().size() == 1) << name.Locale;
        const QByteArray path = QByteArray::fromStdString(base_ + day + name.Stem + ".thumb.jpg");
        EXPECT_EQ(copied->urls()[0].toEncoded(), "file://" + path.toPercentEncoding("/")) << name.Locale;
        // Its drop-files list is 8-bit when the locale cannot read the name, so that it holds the bytes.
        std::shared_ptr<ole::IDataObject> clipboard;
        ole::OleGetClipboard(clipboard);
        ole::STGMEDIUM medium;
        ole::TBytes block;
        ASSERT_TRUE(ole::Succeeded(clipboard->GetData({ole::CF_HDROP, nullptr, ole::DVASPECT_CONTENT, -1, ole::TYMED_HGLOBAL}, medium)));
        ASSERT_TRUE(ole::ReadMediumBytes(medium, block) && block.size() > 20);
        EXPECT_EQ(ole::Get32(block.data() + 16) != 0, !name.Characters.empty()) << name.Locale;
    }
}

TEST_F(AvhrrBrowserFormTest, DoubleClickedFolderRowOpensTheFolderNotTheEarlierPass) {
    fs::create_directories(base_ + "2021/05/04/extra");
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.CheckBoxBrowserAvhrrHPT->setChecked(true);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    SelectFile(form, "noaa19_2.hpt");
    ASSERT_FALSE(form.ChosenDataFile.empty());
    // Enter on the folder row is the list's: the window stays.
    auto& list = *form.HyShellListBrowse;
    for (int row = 0; row < list.ItemCount(); ++row)
        if (list.ItemData(row)->DisplayName() == u"extra") list.setCurrentIndex(list.Model().index(row, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&list, &enter);
    EXPECT_TRUE(form.isVisible());
    DoubleClickRow(form, u"extra");
    EXPECT_EQ(Shown(form), base_ + "2021/05/04/extra/");
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
}

// The texts the browser sets itself are in the language in effect.
TEST_F(AvhrrBrowserFormTest, TextsSetByTheBrowserFollowTheLanguage) {
    // The localiser's own lookup comes back at the end, for the tests after this one.
    const TResStrLookup kept = SetResStrLookup([](uint16_t id) { return "<" + ProgramText(id) + ">"; });
    TFormBrowseAVHRR form(nullptr);
    form.BrowseMode = 1;
    Show(form);
    EXPECT_EQ(form.windowTitle(), "<Talvessa - browse for Global Metop files>");
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    EXPECT_EQ(form.LabelThumbnailImage->text(), "<Selected file>");
    SelectFile(form, "noaa19_1.thumb.jpg");
    EXPECT_EQ(form.LabelThumbnailImage->text(), "<From:>  noaa19_1");
    SetResStrLookup(kept);
}

TEST_F(AvhrrBrowserFormTest, DoubleClickedPassClosesTheWindowWithIt) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    DoubleClickRow(form, u"noaa19_1.thumb.jpg");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/04/noaa19_1.hpt");
    EXPECT_TRUE(fs::exists(base_ + "2021/05/04/noaa19_1.hpt"));  // the list did not open it itself
}

TEST_F(AvhrrBrowserFormTest, TreeClickIgnoresTheListUntilItFollows) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    SelectFile(form, "noaa19_2.hpt");
    // The user clicks another day: the list still shows the old one for a moment.
    const QModelIndex day = form.HyShellTreeBrowse->currentIndex().siblingAtRow(1);
    form.HyShellTreeBrowse->setCurrentIndex(day);
    form.HyShellTreeBrowseClick();
    EXPECT_TRUE(form.ChosenDataFile.empty());
    EXPECT_FALSE(form.ButtonOpen->isEnabled());
}

// Another program deletes the shown day; the filter's fill then fails with a
// box saying why, and the browser goes on.
TEST_F(AvhrrBrowserFormTest, AFailedFillShowsItsErrorAndTheBrowserGoesOn) {
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    dialogs.ClearScript();
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    fs::remove_all(base_ + "2021/05/04/");
    form.CheckBoxBrowserAvhrrHPT->setChecked(true);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].type, TMsgDlgType::mtError);
    EXPECT_FALSE(dialogs.Requests()[0].text.empty());
    EXPECT_EQ(form.HyShellListBrowse->ItemCount(), 0);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/05/"));
    form.HyShellTreeBrowseClick();
    EXPECT_EQ(Shown(form), base_ + "2021/05/05/");
    EXPECT_EQ(Utf16ToUtf8(form.HyShellListBrowse->Folder.GetPath()) + "/", base_ + "2021/05/05/");
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

TEST_F(AvhrrBrowserFormTest, FilterFollowsTheCheckBoxesAndFoldersAreRemembered) {
    {
        TFormBrowseAVHRR form(nullptr);
        Show(form);
        form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
        form.HyShellTreeBrowseClick();
        form.HyShellTreeBrowse->RunPendingTimerWork();
        EXPECT_EQ(form.HyShellListBrowse->ItemCount(), 1);  // the one preview
        form.CheckBoxBrowserAvhrrHPT->setChecked(true);
        EXPECT_EQ(form.HyShellListBrowse->ItemCount(), 3);
        form.CheckBoxBrowserAvhrrJPEG->setChecked(false);
        EXPECT_EQ(form.HyShellListBrowse->ItemCount(), 2);
    }
    TFormBrowseAVHRR again(nullptr);
    EXPECT_TRUE(again.CheckBoxBrowserAvhrrHPT->Checked());
    EXPECT_FALSE(again.CheckBoxBrowserAvhrrJPEG->Checked());
    Show(again);
    EXPECT_EQ(Shown(again), base_ + "2021/05/04/");
}

// Unattended runs build the window and never show it: they store no folder,
// so the archive's folder stands; the top of the file system such runs
// stored before gives way to it.
TEST_F(AvhrrBrowserFormTest, OnlyAFolderShownIsRememberedAndTheArchiveStands) {
    const std::string key = ProgramRegistryKey();
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(key.substr(0, key.rfind('\\') + 1) + "Pelmarch", true));
        registry.WriteString("CombinedPath", base_);
        ASSERT_TRUE(registry.OpenKey(key, true));
        registry.WriteString("LastBrowseAvhrrFolder", "/");
    }
    { TFormBrowseAVHRR run(nullptr); }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(key));
    EXPECT_EQ(registry.ReadString("LastBrowseAvhrrFolder"), "/");
    EXPECT_FALSE(registry.ValueExists("LastGoodAvhrrBase"));
    EXPECT_FALSE(registry.ValueExists("LastBrowseEpsGlobalFolder"));
    TFormBrowseAVHRR browser(nullptr);
    Show(browser);
    EXPECT_EQ(Shown(browser), base_);
}

// Another program prunes the shown day. The tree moves to the month; the
// list, the label, the day buttons and the choice go with it, whichever of
// the two refresh timers fires first; and the list watches the month.
TEST_F(AvhrrBrowserFormTest, ADeletedDayTakesTheWholeWindowToItsMonthInEitherTimerOrder) {
    for (const bool listFirst : {true, false}) {
        SCOPED_TRACE(listFirst ? "the list's timer first" : "the tree's timer first");
        Pass("2021/05/04/", "noaa19_1", true, true);
        TFormBrowseAVHRR form(nullptr);
        ShowDayWithPassChosen(form);
        auto& tree = *form.HyShellTreeBrowse;
        auto& list = *form.HyShellListBrowse;
        fs::remove_all(base_ + "2021/05/04/");
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return tree.PendingJob() == 2 && list.RefreshWaiting(); }));
        if (listFirst) list.RunPendingTimerWork();
        else tree.RunPendingTimerWork();
        list.RunPendingTimerWork();
        const std::string month = base_ + "2021/05/";
        EXPECT_EQ(Shown(form), month);
        EXPECT_EQ(Utf16ToUtf8(shell::PathOfIdList(list.FolderIdList())) + "/", month);
        EXPECT_EQ(Names(list), (std::vector<std::string>{"05", "31"}));
        EXPECT_EQ(form.LabelBrowseFolder->toolTip().toStdString(), month);
        EXPECT_FALSE(form.BitBtnYesterday->isEnabled());
        EXPECT_FALSE(form.BitBtnTomorrow->isEnabled());
        EXPECT_FALSE(form.ButtonOpen->isEnabled());
        EXPECT_TRUE(form.ChosenDataFile.empty());
        fs::create_directories(base_ + "2021/05/06/");
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list.RefreshWaiting(); }));
        list.RunPendingTimerWork();
        EXPECT_EQ(Names(list), (std::vector<std::string>{"05", "06", "31"}));
        fs::remove_all(base_ + "2021/05/06/");
        fs::create_directories(base_ + "2021/05/04/");
    }
}

// The next day's folder appears while a pass is chosen: the tree refreshes,
// selects the same day again, and the pass stays chosen and can be opened.
TEST_F(AvhrrBrowserFormTest, ARefreshThatKeepsTheDayKeepsThePassChosen) {
    TFormBrowseAVHRR form(nullptr);
    ShowDayWithPassChosen(form);
    fs::create_directories(base_ + "2021/05/06/");
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return form.HyShellTreeBrowse->PendingJob() == 2; }));
    form.HyShellTreeBrowse->RunPendingTimerWork();
    EXPECT_EQ(Shown(form), base_ + "2021/05/04/");
    EXPECT_TRUE(form.ButtonOpen->isEnabled());
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/04/noaa19_1.hpt");
    EXPECT_EQ(form.LabelThumbnailImage->text(), "From:  noaa19_1");
}

// The keyboard moves the tree to the next day: the pass of the day before no
// longer counts, and the label and the day buttons name the new day.
TEST_F(AvhrrBrowserFormTest, MovingTheTreeToAnotherDayDropsTheChoiceAndNamesTheDay) {
    TFormBrowseAVHRR form(nullptr);
    ShowDayWithPassChosen(form);
    auto& tree = *form.HyShellTreeBrowse;
    const QModelIndex next = tree.currentIndex().siblingAtRow(tree.currentIndex().row() + 1);
    ASSERT_EQ(next.data().toString(), "05");
    tree.setCurrentIndex(next);
    EXPECT_FALSE(form.ButtonOpen->isEnabled());
    EXPECT_TRUE(form.ChosenDataFile.empty());
    EXPECT_EQ(form.LabelBrowseFolder->toolTip().toStdString(), base_ + "2021/05/05/");
    EXPECT_EQ(form.BitBtnYesterday->property("Tag").toInt(), static_cast<int>(EncodeDate(2021, 5, 4)));
    EXPECT_EQ(form.LabelThumbnailImage->text(), "Selected file");
}

// A rename of the chosen pass is open when the next-day button is pressed,
// and Esc ends it: the list follows the tree to the new day, and nothing of
// the old day stays chosen.
TEST_F(AvhrrBrowserFormTest, ARenameOpenWhenTheDayChangesEndsOnTheNewDay) {
    TFormBrowseAVHRR form(nullptr);
    ShowDayWithPassChosen(form);
    auto& list = *form.HyShellListBrowse;
    const QModelIndex row = list.selectionModel()->selectedRows().front();
    list.setCurrentIndex(row);
    list.edit(row);
    QWidget* editor = list.indexWidget(row);
    ASSERT_NE(editor, nullptr);
    form.BitBtnDayChangeClick(form.BitBtnTomorrow);
    EXPECT_EQ(Shown(form), base_ + "2021/05/05/");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &escape);
    EXPECT_EQ(Utf16ToUtf8(shell::PathOfIdList(list.FolderIdList())), base_ + "2021/05/05");
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.GetSelectedData(), nullptr);
    EXPECT_FALSE(form.ButtonOpen->isEnabled());
    EXPECT_TRUE(form.ChosenDataFile.empty());
    EXPECT_EQ(form.LabelThumbnailImage->text(), "Selected file");
}

// Renamed in the list, the selected pass or preview is chosen by its new
// name: the preview follows and Open opens the renamed file.
TEST_F(AvhrrBrowserFormTest, RenamingTheSelectedPassTakesTheChoiceAlong) {
    TFormBrowseAVHRR form(nullptr);
    ShowDayWithPassChosen(form);
    form.CheckBoxBrowserAvhrrHPT->setChecked(true);
    form.HyShellTreeBrowseClick();
    const std::string day = base_ + "2021/05/04/";
    auto& list = *form.HyShellListBrowse;
    const auto renameSelected = [&](const std::string& from, const char* to) {
        SelectFile(form, from);
        const QModelIndex row = list.selectionModel()->selectedRows().front();
        ASSERT_TRUE(list.Model().setData(row, to, Qt::EditRole)) << to;
    };
    const struct {
        const char* From;
        const char* To;
        std::string Chosen;
        QString Label;
    } renames[] = {
        {"noaa19_1.hpt", "noaa19_3.hpt", day + "noaa19_3.hpt", "Selected file"},  // its preview no longer pairs
        {"noaa19_1.thumb.jpg", "noaa19_3.thumb.jpg", day + "noaa19_3.hpt", "From:  noaa19_3"},
    };
    for (const auto& r : renames) {
        renameSelected(r.From, r.To);
        EXPECT_EQ(form.ChosenDataFile, r.Chosen) << r.To;
        EXPECT_TRUE(form.ButtonOpen->isEnabled()) << r.To;
        EXPECT_EQ(form.LabelThumbnailImage->text(), r.Label) << r.To;
    }
    EXPECT_EQ(form.ImageThumbnail->width(), 400);
    // The day's folder renamed in the tree: nothing chosen stays under the
    // old name, and a pass chosen again opens from the new one.
    auto& tree = *form.HyShellTreeBrowse;
    ASSERT_TRUE(tree.Model().setData(tree.currentIndex(), "04 late", Qt::EditRole));
    EXPECT_TRUE(form.ChosenDataFile.empty()) << form.ChosenDataFile;
    EXPECT_FALSE(form.ButtonOpen->isEnabled());
    EXPECT_EQ(form.LabelBrowseFolder->toolTip().toStdString(), base_ + "2021/05/04 late/");
    SelectFile(form, "noaa19_3.thumb.jpg");
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/04 late/noaa19_3.hpt");
    form.ButtonOpenClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// A preview far larger than the pane is read reduced by the JPEG decoder (a
// quarter of each side here), so it costs a small part of the memory; one
// of a header too large even at an eighth is not read.
TEST_F(AvhrrBrowserFormTest, APreviewFarLargerThanThePaneIsReadReduced) {
    const std::string day = base_ + "2021/05/05/";
    for (const auto& [stem, width, height] : {std::tuple{"huge", 4100, 600}, std::tuple{"normal", 1800, 300}}) {
        std::ofstream(day + stem + ".hpt") << "pass";
        QImage image(width, height, QImage::Format_Grayscale8);
        image.fill(90);
        ASSERT_TRUE(image.save(QString::fromStdString(day + stem + ".thumb.jpg"), "JPEG"));
    }
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(day));
    form.HyShellTreeBrowseClick();
    const struct {
        const char* Name;
        int ShownWidth;
    } cases[] = {{"huge.thumb.jpg", 1025}, {"normal.thumb.jpg", 1800}};
    for (const auto& c : cases) {
        SelectFile(form, c.Name);
        EXPECT_EQ(form.ImageThumbnail->width(), c.ShownWidth) << c.Name;
        EXPECT_EQ(form.ChosenDataFile.empty(), false) << c.Name;
    }
}

// The chosen pass is deleted before Open is pressed: the window closes as cancelled.
TEST_F(AvhrrBrowserFormTest, OpenWithThePassDeletedMeanwhileClosesAsCancelled) {
    TFormBrowseAVHRR form(nullptr);
    ShowDayWithPassChosen(form);
    fs::remove(base_ + "2021/05/04/noaa19_1.hpt");
    form.ButtonOpenClick();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

// A station publishes a pass by moving it into the day shown: it appears
// after the delay, and its preview pairs with it.
TEST_F(AvhrrBrowserFormTest, APassMovedIntoTheShownDayAppears) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/05/"));
    form.HyShellTreeBrowseClick();
    form.HyShellTreeBrowse->RunPendingTimerWork();
    fs::create_directories(base_ + "incoming/");
    Pass("incoming/", "N19_20210505_1200", true, true);
    for (const char* name : {"N19_20210505_1200.hpt", "N19_20210505_1200.thumb.jpg"})
        fs::rename(base_ + "incoming/" + name, base_ + "2021/05/05/" + name);
    auto& list = *form.HyShellListBrowse;
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list.RefreshWaiting(); }));
    EXPECT_LE(list.RefreshDelay(), shell::RefreshDelayUnfocused);
    list.RunPendingTimerWork();
    SelectFile(form, "N19_20210505_1200.thumb.jpg");
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/05/N19_20210505_1200.hpt");
}

// Names written in upper case by the station pair on a file system that tells cases apart.
TEST_F(AvhrrBrowserFormTest, UpperCaseNamesPair) {
    Pass("2021/05/05/", "N19_1200", true, true);
    fs::rename(base_ + "2021/05/05/N19_1200.hpt", base_ + "2021/05/05/N19_1200.HPT");
    fs::rename(base_ + "2021/05/05/N19_1200.thumb.jpg", base_ + "2021/05/05/N19_1200.THUMB.JPG");
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/05/"));
    form.HyShellTreeBrowseClick();
    SelectFile(form, "N19_1200.THUMB.JPG");
    EXPECT_EQ(form.ChosenDataFile, base_ + "2021/05/05/N19_1200.HPT");
    EXPECT_TRUE(form.ButtonOpen->isEnabled());
    EXPECT_EQ(form.ImageThumbnail->width(), 400);
}

// F5 in the browser looks at the disk again, without waiting for the watch:
// the next day's folder in the tree, a new preview in the list.
TEST_F(AvhrrBrowserFormTest, F5LooksAtTheDiskAgain) {
    TFormBrowseAVHRR form(nullptr);
    Show(form);
    form.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(base_ + "2021/05/04/"));
    form.HyShellTreeBrowseClick();
    fs::create_directories(base_ + "2021/05/07/");
    Pass("2021/05/04/", "noaa19_3", false, true);
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(form.HyShellTreeBrowse, &f5);
    const QModelIndex month = form.HyShellTreeBrowse->currentIndex().parent();
    std::vector<QString> days;
    for (int row = 0; row < month.model()->rowCount(month); ++row) days.push_back(month.model()->index(row, 0, month).data().toString());
    EXPECT_EQ(days, (std::vector<QString>{"04", "05", "07", "31"}));
    const std::vector<std::string> names = Names(*form.HyShellListBrowse);
    EXPECT_NE(std::find(names.begin(), names.end(), "noaa19_3.thumb.jpg"), names.end());
    EXPECT_EQ(Shown(form), base_ + "2021/05/04/");
}

}  // namespace
}  // namespace kestrune
