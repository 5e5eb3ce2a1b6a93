#include "platform/DialogService.h"
#include "platform/ResCodePages.h"
#include "shell/FHyFolderBrowseDlg.h"
#include "shell/UHyShellControls.h"

#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace kestrune::shell
