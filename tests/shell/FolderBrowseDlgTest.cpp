#include "platform/DialogService.h"
#include "platform/ResCodePages.h"
#include "shell/FHyFolderBrowseDlg.h"
#include "shell/FHyOpenFileDlg.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellControls.h"

#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;

class FolderBrowseDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override {
        root_ = testing::FreshTestFolder("folderbrowse");
        fs::create_directories(root_ / "a" / "b");
        fs::create_directories(root_ / "c");
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs the dialog; act runs on its window once it is up, then the dialog closes with ok.
    bool Run(THyFolderBrowseDlg& dialog, const std::function<void(THyFrmFolderBrowseDlg&)>& act, bool ok) {
        dialog.OnInitialized = [&] {
            QTimer::singleShot(0, [&] {
                auto& form = static_cast<THyFrmFolderBrowseDlg&>(*dialog.Form());
                act(form);
                ok ? form.accept() : form.reject();
            });
        };
        return dialog.Execute();
    }

    fs::path root_;
};

TEST_F(FolderBrowseDlgTest, OkTakesTheTreesFolderAndCancelKeepsTheOld) {
    THyFolderBrowseDlg dialog;
    dialog.BaseFolder.SetPath(Utf8ToUtf16(root_.string()));
    dialog.SetFolderPath(Utf8ToUtf16((root_ / "a").string()));
    const auto choose = [&](THyFrmFolderBrowseDlg& form) {
        EXPECT_EQ(Utf16ToUtf8(form.HyShellTree1->GetSelectedPath()), (root_ / "a").string());
        form.HyShellTree1->SetSelectedPath(Utf8ToUtf16((root_ / "c").string()));
        dialog.SetText(u"Pick one");
        EXPECT_EQ(form.StatusTxt->text(), "Pick one");
        form.resize(500, 400);
    };
    EXPECT_FALSE(Run(dialog, choose, false));
    EXPECT_EQ(Utf16ToUtf8(dialog.GetFolderPath()), (root_ / "a").string());
    EXPECT_EQ(dialog.FormWidth, 500);
    EXPECT_TRUE(Run(dialog, choose, true));
    EXPECT_EQ(Utf16ToUtf8(dialog.GetFolderPath()), (root_ / "c").string());
}

TEST_F(FolderBrowseDlgTest, TheRootCannotBeDeletedAndRunsDoNotNest) {
    THyFolderBrowseDlg dialog;
    dialog.BaseFolder.SetPath(Utf8ToUtf16(root_.string()));
    dialog.Options |= hyfbCreateDeleteButtons;
    Run(dialog, [&](THyFrmFolderBrowseDlg& form) {
        EXPECT_FALSE(form.DeleteBtn->isEnabled());
        EXPECT_TRUE(form.CreateBtn->isEnabled());
        EXPECT_THROW(dialog.Execute(), Exception);
        form.HyShellTree1->SetSelectedPath(Utf8ToUtf16((root_ / "c").string()));
        EXPECT_TRUE(form.DeleteBtn->isEnabled());
    }, false);
}

// Delete clicked with Shift held (choosing the results folder) asks before
// the folder goes for good; No leaves it and what is in it.
TEST_F(FolderBrowseDlgTest, ShiftDeleteAsksAndNoKeepsTheFolder) {
    fs::create_directories(root_ / "c" / "2021" / "05");
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    dialogs.ClearScript();
    dialogs.QueueAnswer(mrNo);
    THyFolderBrowseDlg dialog;
    dialog.BaseFolder.SetPath(Utf8ToUtf16(root_.string()));
    dialog.Options |= hyfbCreateDeleteButtons;
    const auto withShift = [](QWidget& window, Qt::KeyboardModifiers keys) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, keys);
        QCoreApplication::sendEvent(&window, &key);
    };
    Run(dialog, [&](THyFrmFolderBrowseDlg& form) {
        form.HyShellTree1->SetSelectedPath(Utf8ToUtf16((root_ / "c").string()));
        withShift(form, Qt::ShiftModifier);
        form.DeleteBtn->click();
        withShift(form, Qt::NoModifier);
    }, false);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].buttons, mbYesNo);
    EXPECT_NE(dialogs.Requests()[0].text.find((root_ / "c").string()), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root_ / "c" / "2021" / "05"));
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

TEST_F(FolderBrowseDlgTest, PlacementRoundTrips) {
    THyFolderBrowseDlg dialog;
    dialog.FormWidth = 420;
    dialog.FormHeight = 380;
    dialog.FormWindowState = wsMaximized;
    THyFolderBrowseDlg again;
    const TBytes stream = dialog.SavePlacement();
    ASSERT_EQ(stream.size(), 9u);
    EXPECT_TRUE(again.LoadPlacement(stream));
    EXPECT_EQ(again.SavePlacement(), stream);
    EXPECT_FALSE(again.LoadPlacement(std::string_view(stream).substr(0, 8)));
}

// The Open dialog lists what a dialog naming files by characters leaves out:
// a folder and passes whose names are not UTF-8 under a UTF-8 locale. It
// opens in such a folder, shows them, and takes a pass by its bytes, whether
// picked in the list or typed (the byte read as U+FFFD is no name to type).
TEST_F(FolderBrowseDlgTest, TheOpenDialogListsAndTakesNamesThatAreNoText) {
    const testing::TLocaleEnvironment utf8("C.UTF-8");
    const fs::path odd = root_ / "odd_\xE9_dir";
    fs::create_directories(odd / "2026");
    for (const char* name : {"bad_\xFF\xFE.hpt", "pass_\xDC.hpt", "2026-12-08-0812-NOAA19.hpt", "notes.txt"})
        std::ofstream(odd / name) << "pass";
    THyOpenFileForm dialog(nullptr, "Open");
    dialog.SetNameFilters({"HRPT files (*.hpt) (*.hpt)", "All files (*)"});
    dialog.SetFolder(odd.string());
    dialog.show();
    dialog.Tree->RunPendingTimerWork();
    EXPECT_EQ(FileNameFromWide(dialog.Tree->GetSelectedPath()), odd.string());
    std::vector<std::string> listed;
    for (int row = 0; row < dialog.List->ItemCount(); ++row) listed.push_back(FileNameFromWide(dialog.List->ItemData(row)->DisplayName()));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"2026", "2026-12-08-0812-NOAA19.hpt", "bad_\xFF\xFE.hpt", "pass_\xDC.hpt"}));
    const struct {
        const char* Picked;   // the row chosen, or nullptr
        QString Typed;        // else the name typed
        std::string Taken;    // empty: the dialog stays
    } cases[] = {
        {"pass_\xDC.hpt", {}, (odd / "pass_\xDC.hpt").string()},
        {"bad_\xFF\xFE.hpt", {}, (odd / "bad_\xFF\xFE.hpt").string()},
        {nullptr, "2026-12-08-0812-NOAA19.hpt", (odd / "2026-12-08-0812-NOAA19.hpt").string()},
        {nullptr, "notes.txt", (odd / "notes.txt").string()},  // any name typed, whatever the filter
        {nullptr, QString::fromStdString((root_ / "c" / "n19.hpt").string()), (root_ / "c" / "n19.hpt").string()},
        {nullptr, "missing.hpt", ""},
    };
    std::ofstream(root_ / "c" / "n19.hpt") << "pass";
    for (const auto& c : cases) {
        dialog.show();  // taking a file closes it
        dialog.setResult(QDialog::Rejected);
        if (c.Picked) {
            for (int row = 0; row < dialog.List->ItemCount(); ++row)
                if (FileNameFromWide(dialog.List->ItemData(row)->DisplayName()) == c.Picked)
                    dialog.List->selectionModel()->select(dialog.List->Model().index(row, 0),
                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else {
            dialog.FileNameEdit->setText(c.Typed);
        }
        EXPECT_EQ(dialog.SelectedFile(), c.Taken) << c.Typed.toStdString();
        dialog.accept();
        EXPECT_EQ(dialog.result(), c.Taken.empty() ? QDialog::Rejected : QDialog::Accepted) << c.Typed.toStdString();
    }
    // A folder's name typed goes into it.
    dialog.show();
    dialog.FileNameEdit->setText("2026");
    dialog.accept();
    EXPECT_EQ(FileNameFromWide(dialog.Tree->GetSelectedPath()), (odd / "2026").string());
    EXPECT_EQ(MasksOfFilter("HRPT files (*.hpt, *.raw16) (*.hpt *.raw16)"), u"*.hpt;*.raw16");
}

}  // namespace
}  // namespace kestrune::shell
