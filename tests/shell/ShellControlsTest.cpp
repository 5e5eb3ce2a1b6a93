#include "platform/DialogService.h"
#include "platform/ResCodePages.h"
#include "platform/ShellFileOps.h"
#include "shell/UHyShellControls.h"
#include "platform/Messages_qt.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellUtils.h"

#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QIcon>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;

class ShellControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }

    void SetUp() override {
        root_ = testing::FreshTestFolder("shellcontrols");
        fs::create_directories(root_ / "sub");
        setenv("XDG_DATA_HOME", (root_.parent_path() / (root_.filename().string() + "-data")).c_str(), 1);
        for (const char* name : {"a.hpt", "a.thumb.jpg", "b.txt", "C.HPT"}) Touch(name);
    }
    void TearDown() override {
        // A key event sent with Shift leaves the application thinking Shift is held: a plain one clears it.
        QWidget anyWidget;
        QKeyEvent plain(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
        QCoreApplication::sendEvent(&anyWidget, &plain);
        fs::remove_all(root_);
        fs::remove_all(root_.parent_path() / (root_.filename().string() + "-data"));
    }

    void Touch(const std::string& name) { std::ofstream(root_ / name) << "x"; }

    // A list shown over the temp folder (filled at once).
    std::unique_ptr<THyShellList> ShownList(const char16_t* filter) {
        auto list = std::make_unique<THyShellList>(nullptr);
        list->SetOptions(hysloAutoFill | hysloContextMenus | hysloDynamicRefresh | hysloShowHidden);
        list->show();
        list->SetFileFilter(filter);
        list->Folder.SetPath(Utf8ToUtf16(root_.string()));
        return list;
    }

    static std::vector<std::string> Names(const THyShellList& list) {
        std::vector<std::string> names;
        for (int row = 0; row < list.ItemCount(); ++row) names.push_back(Utf16ToUtf8(list.ItemData(row)->DisplayName()));
        std::sort(names.begin(), names.end());
        return names;
    }


    // Opens the list's context menu from the keyboard and picks the entry of that text.
    static void ChooseFromContextMenu(THyShellList& list, const QString& text) {
        QTimer::singleShot(50, [text] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    if (action->text() == text) menu->setActiveAction(action);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(menu, &enter);
            }
        });
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), list.mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(&list, &request);
    }

    static void SelectRow(THyShellList& list, const char16_t* name) {
        for (int row = 0; row < list.ItemCount(); ++row)
            if (list.ItemData(row)->DisplayName() == name) list.setCurrentIndex(list.Model().index(row, 0));
    }

    fs::path root_;
};

TEST_F(ShellControlsTest, FilterShowsFoldersAndMatchingFilesWithCaseIgnored) {
    const auto list = ShownList(u"*.thumb.jpg;*.hpt");
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "a.hpt", "a.thumb.jpg", "sub"}));
    list->SetFileFilter(u"");
    EXPECT_EQ(list->ItemCount(), 5);
    EXPECT_EQ(list->Model().columnCount(), 4);
}

// Another program writes and deletes passes in the shown folder: the change
// messages are gathered into one refresh, made after the delay, and the rows
// that did not change keep their records, their indexes and their selection.
TEST_F(ShellControlsTest, ListFollowsAnotherProgramsChangesKeepingUnchangedRows) {
    const auto list = ShownList(u"*.hpt");
    int fills = 0;
    list->OnFillStart = [&] { ++fills; };
    std::vector<std::u16string> deleted;
    list->OnDeleteItem = [&](int row, THyShListData& data) {
        EXPECT_EQ(list->ItemData(row), &data);
        deleted.push_back(data.DisplayName());
    };
    std::map<std::u16string, THyShListData*> before;
    for (int row = 0; row < list->ItemCount(); ++row) before[list->ItemData(row)->DisplayName()] = list->ItemData(row);
    ASSERT_EQ(before.size(), 3u);  // a.hpt, C.HPT, sub
    int row = 0;
    while (list->ItemData(row)->DisplayName() != u"C.HPT") ++row;
    list->selectionModel()->select(list->Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QPersistentModelIndex selected = list->Model().index(row, 0);
    list->activateWindow();
    list->setFocus();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list->hasFocus(); }));
    const std::string command =
        "cd '" + root_.string() + "' && echo x > n1.hpt && echo x > n2.hpt && rm a.hpt && echo x > n3.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list->RefreshWaiting(); }));
    EXPECT_EQ(list->RefreshDelay(), RefreshDelayFocused);
    EXPECT_EQ(fills, 0);  // nothing before the delay
    list->RunPendingTimerWork();
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "n1.hpt", "n2.hpt", "sub"}));
    EXPECT_EQ(deleted, std::vector<std::u16string>{u"a.hpt"});
    for (int k = 0; k < list->ItemCount(); ++k) {
        const auto kept = before.find(list->ItemData(k)->DisplayName());
        if (kept != before.end()) {
            EXPECT_EQ(list->ItemData(k), kept->second);
        }
    }
    ASSERT_TRUE(selected.isValid());
    EXPECT_EQ(list->ItemData(selected.row())->DisplayName(), u"C.HPT");
    EXPECT_EQ(list->GetSelectedData(), list->ItemData(selected.row()));
    // Several messages within the delay restart it and end in one refresh; without the focus it waits longer.
    list->clearFocus();
    for (int k = 0; k < 3; ++k) SendMessage(list.get(), WM_HY_FOLDERCHANGE, 0, 0);
    EXPECT_EQ(list->RefreshDelay(), RefreshDelayUnfocused);
    list->RunPendingTimerWork();
    EXPECT_EQ(fills, 2);
    EXPECT_FALSE(list->RefreshWaiting());
}

// Stations publish a finished pass by moving it into the archive: the list
// sees the move and shows the pass after the delay.
TEST_F(ShellControlsTest, APassMovedInFromElsewhereAppearsAfterTheDelay) {
    const auto list = ShownList(u"*.hpt");
    std::ofstream(root_ / "sub" / "N19_20210504_1200.hpt") << "pass";
    fs::rename(root_ / "sub" / "N19_20210504_1200.hpt", root_ / "N19_20210504_1200.hpt");
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list->RefreshWaiting(); }));
    EXPECT_LE(list->RefreshDelay(), RefreshDelayUnfocused);
    list->RunPendingTimerWork();
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "N19_20210504_1200.hpt", "a.hpt", "sub"}));
}

// Change messages fed on the test's own clock: the control's timer is run
// when it is due on that clock.
class TChangeStream {
public:
    TChangeStream() { TChangeDelay::SetClock([this] { return now_; }); }
    ~TChangeStream() { TChangeDelay::SetClock(nullptr); }
    // A message to the control; wait: the wait it then shows.
    void Message(QWidget& control, const std::function<int()>& wait) {
        SendMessage(&control, WM_HY_FOLDERCHANGE, 0, 0);
        due_ = now_ + wait();
    }
    // Time passes; the control's waiting work runs when it is due.
    void Pass(int ms, const std::function<bool()>& waiting, const std::function<void()>& run) {
        now_ += ms;
        if (waiting() && now_ >= due_) run();
    }
    int64_t Now() const { return now_; }

private:
    int64_t now_ = 1'000'000;
    int64_t due_ = 0;
};

// Another program writes and renames a status file in the shown day every
// 300 ms, for as long as it runs: a pass moved in meanwhile still shows
// within 2.5 s. A short burst still ends in one refresh after the delay.
TEST_F(ShellControlsTest, AStreamOfChangesDoesNotHideAPassMovedIn) {
    TChangeStream stream;
    const auto list = ShownList(u"*.hpt");
    list->SetOptions(list->Options() & ~hysloDynamicRefresh);  // the messages come from the test alone
    int fills = 0;
    list->OnFillStart = [&] { ++fills; };
    const auto wait = [&] { return list->RefreshDelay(); };
    const auto waiting = [&] { return list->RefreshWaiting(); };
    const auto run = [&] { list->RunPendingTimerWork(); };
    const auto shows = [&](const std::string& name) {
        const std::vector<std::string> names = Names(*list);
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const bool focused : {false, true}) {
        if (focused) {
            list->activateWindow();
            list->setFocus();
            ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list->hasFocus(); }));
        }
        const std::string pass = focused ? "N19_1342.hpt" : "N19_1200.hpt";
        for (int tick = 0; tick < 10; ++tick) {
            stream.Message(*list, wait);
            stream.Pass(300, waiting, run);
        }
        std::ofstream(root_ / "sub" / pass) << "pass";
        fs::rename(root_ / "sub" / pass, root_ / pass);
        const int64_t movedAt = stream.Now();
        stream.Message(*list, wait);
        while (!shows(pass) && stream.Now() - movedAt < 10'000) {
            stream.Pass(300, waiting, run);
            stream.Message(*list, wait);
        }
        EXPECT_LE(stream.Now() - movedAt, 2500) << (focused ? "with" : "without") << " the focus";
        EXPECT_LE(list->RefreshDelay(), focused ? RefreshDelayFocused : RefreshDelayUnfocused);
    }
    // A burst of five messages within 100 ms: one refresh, the delay after the last.
    stream.Pass(5000, waiting, run);
    ASSERT_FALSE(list->RefreshWaiting());
    const int before = fills;
    for (int k = 0; k < 5; ++k) {
        stream.Message(*list, wait);
        EXPECT_EQ(list->RefreshDelay(), RefreshDelayFocused);
        stream.Pass(20, waiting, run);
    }
    EXPECT_EQ(fills, before);
    stream.Pass(RefreshDelayFocused, waiting, run);
    EXPECT_EQ(fills, before + 1);
    EXPECT_FALSE(list->RefreshWaiting());
}

TEST_F(ShellControlsTest, ShownFolderDeletedEmptiesTheList) {
    const auto list = ShownList(u"");
    ASSERT_GT(list->ItemCount(), 0);
    ASSERT_EQ(std::system(("rm -rf '" + root_.string() + "'").c_str()), 0);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list->RefreshWaiting(); }));
    list->RunPendingTimerWork();
    EXPECT_EQ(list->ItemCount(), 0);
}

// Header clicks sort by the clicked column, a second click turns it round.
TEST_F(ShellControlsTest, HeaderClicksSortBySizeBothWays) {
    std::ofstream(root_ / "big.hpt") << std::string(5000, 'x');
    std::ofstream(root_ / "mid.hpt") << std::string(900, 'x');
    const auto list = ShownList(u"*.hpt");
    const auto clickHeader = [&](int section) {
        QHeaderView& header = *list->header();
        const QPoint at(header.sectionViewportPosition(section) + header.sectionSize(section) / 2, header.height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, header.viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(header.viewport(), &event);
        }
    };
    const auto order = [&] {
        std::vector<std::string> names;
        for (int row = 0; row < list->ItemCount(); ++row) names.push_back(Utf16ToUtf8(list->ItemData(row)->DisplayName()));
        return names;
    };
    // Folders first, then by name with case ignored; the folder has no size.
    EXPECT_EQ(order(), (std::vector<std::string>{"sub", "a.hpt", "big.hpt", "C.HPT", "mid.hpt"}));
    clickHeader(1);
    EXPECT_EQ(list->SortColumn(), 2);
    EXPECT_EQ(order(), (std::vector<std::string>{"sub", "a.hpt", "C.HPT", "mid.hpt", "big.hpt"}));
    EXPECT_EQ(list->SortHeader().SystemMark(1), QStyleOptionHeader::SortUp);
    clickHeader(1);
    EXPECT_EQ(list->SortColumn(), -2);
    EXPECT_EQ(order(), (std::vector<std::string>{"big.hpt", "mid.hpt", "C.HPT", "a.hpt", "sub"}));
    clickHeader(0);
    EXPECT_EQ(list->SortColumn(), 1);
}

// The widths a list leaves are the next list's, while the Explorer's defaults stay the same.
TEST_F(ShellControlsTest, ColumnWidthsPassFromOneListToTheNext) {
    {
        const auto list = ShownList(u"");
        list->header()->resizeSection(0, 321);
        list->header()->resizeSection(1, 77);
    }
    const auto next = ShownList(u"");
    EXPECT_EQ(next->header()->sectionSize(0), 321);
    EXPECT_EQ(next->header()->sectionSize(1), 77);
}

TEST_F(ShellControlsTest, RenameGoesToDiskAndSwallowsItsOwnChange) {
    const auto list = ShownList(u"");
    // The messages come from the test alone.
    list->SetOptions(list->Options() & ~hysloDynamicRefresh);
    int row = 0;
    while (list->ItemData(row)->DisplayName() != u"b.txt") ++row;
    // A name left as it was renames nothing, and swallows no change.
    EXPECT_FALSE(list->Model().setData(list->Model().index(row, 0), "b.txt", Qt::EditRole));
    SendMessage(list.get(), WM_HY_FOLDERCHANGE, 0, 0);
    EXPECT_TRUE(list->RefreshWaiting());
    list->RunPendingTimerWork();
    ASSERT_TRUE(list->Model().setData(list->Model().index(row, 0), "renamed.txt", Qt::EditRole));
    EXPECT_TRUE(fs::exists(root_ / "renamed.txt"));
    EXPECT_FALSE(fs::exists(root_ / "b.txt"));
    EXPECT_EQ(list->ItemData(row)->DisplayName(), u"renamed.txt");
    // The rename's own change message is swallowed; the next one starts the delayed refresh.
    SendMessage(list.get(), WM_HY_FOLDERCHANGE, 0, 0);
    EXPECT_FALSE(list->RefreshWaiting());
    SendMessage(list.get(), WM_HY_FOLDERCHANGE, 0, 0);
    EXPECT_TRUE(list->RefreshWaiting());
}

// A name whose bytes are no UTF-8 (shown with U+FFFD) goes through the
// rename editor as its bytes: Enter on it as it was renames nothing, and a
// name edited around those bytes keeps them.
TEST_F(ShellControlsTest, ARenameKeepsTheBytesANameCannotShow) {
    const testing::TLocaleEnvironment utf8("C.UTF-8");
    const std::tuple<std::string, const char*, std::string> renames[] = {
        {"bad_\xFF\xFE.hpt", "", "bad_\xFF\xFE.hpt"}, {"pass_\xDC.hpt", "2", "pass_\xDC" "2.hpt"}};
    for (const auto& [name, typedBeforeExtension, renamed] : renames) {
        Touch(name);
        const auto list = ShownList(u"*.hpt");
        int row = 0;
        while (FileNameFromWide(list->ItemData(row)->DisplayName()) != name) ++row;
        const QModelIndex index = list->Model().index(row, 0);
        list->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(list->indexWidget(index));
        ASSERT_NE(editor, nullptr);
        editor->setCursorPosition(static_cast<int>(editor->text().size()) - 4);
        editor->insert(typedBeforeExtension);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(editor, &enter);
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return !list->indexWidget(index); }));
        EXPECT_TRUE(fs::exists(root_ / renamed)) << renamed;
        EXPECT_EQ(fs::exists(root_ / name), name == renamed);
    }
}

// A new name is written in the locale's codec: a character it cannot write
// ("ł", "€" under ISO-8859-1) is refused and told, never written as "?"; one
// it can ("ä") is its byte. A name longer than the file system takes is told so.
TEST_F(ShellControlsTest, ANewNameTheDiskCannotTakeIsRefusedAndTold) {
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    const struct {
        const char* Locale;
        QString Typed;
        std::string OnDisk;  // empty: refused
        std::string Told;
    } cases[] = {
        {"de_DE.ISO-8859-1", QString::fromUtf8("ł€other.hpt"), "",
         "\"ł€\" cannot be written in a file name here (the locale's character set is ISO-8859-1): the name is left as it was"},
        {"de_DE.ISO-8859-1", QString::fromUtf8("€x€.hpt"), "",
         "\"€\" cannot be written in a file name here (the locale's character set is ISO-8859-1): the name is left as it was"},
        {"de_DE.ISO-8859-1", QString::fromUtf8("äother.hpt"), "\xE4other.hpt", ""},
        {"C.UTF-8", QString::fromUtf8("ł€other.hpt"), "ł€other.hpt", ""},
        {"C.UTF-8", QString::fromUtf8("🛰other.hpt"), "🛰other.hpt", ""},  // beyond U+FFFF: two UTF-16 units, one character
        {"C.UTF-8", QString(300, 'n') + ".hpt", "", "The filename or extension is too long."},
    };
    for (const auto& c : cases) {
        const testing::TLocaleEnvironment locale(c.Locale);
        dialogs.ClearScript();
        Touch("n19_20261128_0812.hpt");
        const auto list = ShownList(u"*.hpt");
        int row = 0;
        while (list->ItemData(row)->DisplayName() != u"n19_20261128_0812.hpt") ++row;
        const bool renamed = list->Model().setData(list->Model().index(row, 0), c.Typed, Qt::EditRole);
        EXPECT_EQ(renamed, !c.OnDisk.empty()) << c.Typed.toStdString();
        EXPECT_TRUE(c.OnDisk.empty() || fs::exists(root_ / c.OnDisk)) << c.Typed.toStdString();
        EXPECT_EQ(fs::exists(root_ / "n19_20261128_0812.hpt"), c.OnDisk.empty()) << c.Typed.toStdString();
        EXPECT_FALSE(fs::exists(root_ / "??other.hpt"));
        ASSERT_EQ(dialogs.Requests().size(), c.Told.empty() ? 0u : 1u) << c.Typed.toStdString();
        EXPECT_TRUE(c.Told.empty() || dialogs.Requests()[0].text == c.Told) << dialogs.Requests()[0].text;
        if (!c.OnDisk.empty()) fs::remove(root_ / c.OnDisk);
    }
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

TEST_F(ShellControlsTest, DeleteVerbMovesTheSelectionToTheTrash) {
    const auto list = ShownList(u"*.txt");
    const int row = list->ItemData(0)->DisplayName() == u"b.txt" ? 0 : 1;
    list->selectionModel()->select(list->Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(list->GetSelectedData()->DisplayName(), u"b.txt");
    EXPECT_EQ(list->InvokeSelectionVerb("delete"), ole::S_OK);
    list->RefreshChanges();
    EXPECT_FALSE(fs::exists(root_ / "b.txt"));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"sub"}));
}

// Shift+Delete passes the trash by: the user is asked first, told what goes
// and how much; No leaves everything where it was. A plain Delete asks
// nothing and puts the folder in the trash.
TEST_F(ShellControlsTest, ShiftDeleteAsksFirstAndNoKeepsEverything) {
    fs::create_directories(root_ / "2021" / "05" / "04");
    std::ofstream(root_ / "2021" / "05" / "04" / "N19_1200.hpt") << std::string(5000, 'p');
    std::ofstream(root_ / "2021" / "05" / "04" / "N19_1200.thumb.jpg") << std::string(1234, 'j');
    const auto list = ShownList(u"*.hpt");
    list->SetOptions(list->Options() | hysloDefaultKeyHandling);
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    dialogs.ClearScript();
    dialogs.QueueAnswer(mrNo);
    SelectRow(*list, u"2021");
    QKeyEvent shiftDelete(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
    QCoreApplication::sendEvent(list.get(), &shiftDelete);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const TDialogRequest& question = dialogs.Requests()[0];
    EXPECT_EQ(question.type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(question.buttons, mbYesNo);
    EXPECT_EQ(question.defaultAnswer, mrNo);
    EXPECT_NE(question.text.find((root_ / "2021").string() + "  (a folder, with everything in it)"), std::string::npos)
        << question.text;
    EXPECT_NE(question.text.find("2 files, 6,234 bytes in all"), std::string::npos) << question.text;
    EXPECT_TRUE(fs::exists(root_ / "2021" / "05" / "04" / "N19_1200.hpt"));
    EXPECT_TRUE(fs::exists(root_ / "2021" / "05" / "04" / "N19_1200.thumb.jpg"));
    const std::vector<std::string> names = Names(*list);
    EXPECT_NE(std::find(names.begin(), names.end(), "2021"), names.end());
    EXPECT_FALSE(fs::exists(TrashFolder() + "files/2021"));
    // Yes removes a file for good, and says it is one file of its size.
    dialogs.ClearScript();
    dialogs.QueueAnswer(mrYes);
    SelectRow(*list, u"C.HPT");
    QCoreApplication::sendEvent(list.get(), &shiftDelete);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    // Its own line: the question breaks its lines at "\r", as every message of the program does.
    EXPECT_NE(dialogs.Requests()[0].text.find("\r1 file, 1 byte in all"), std::string::npos) << dialogs.Requests()[0].text;
    EXPECT_FALSE(fs::exists(root_ / "C.HPT"));
    EXPECT_FALSE(fs::exists(TrashFolder() + "files/C.HPT"));
    // Delete alone asks nothing: the folder goes to the trash whole.
    dialogs.ClearScript();
    SelectRow(*list, u"2021");
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(list.get(), &del);
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_FALSE(fs::exists(root_ / "2021"));
    EXPECT_TRUE(fs::exists(TrashFolder() + "files/2021/05/04/N19_1200.hpt"));
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

TEST_F(ShellControlsTest, OtherViewStylesShowTheSameRowsAndSelection) {
    const auto list = ShownList(u"*.hpt");
    list->SetViewStyle(svsList);
    ASSERT_TRUE(list->IconView() && list->IconView()->isVisible());
    EXPECT_EQ(list->IconView()->model()->rowCount(), list->ItemCount());
    list->IconView()->setCurrentIndex(list->Model().index(1, 0));
    EXPECT_EQ(list->GetSelectedData(), list->ItemData(1));
    list->SetViewStyle(svsReport);
    EXPECT_FALSE(list->IconView()->isVisible());
    // Thumbnails: each row a picture of the thumbnail size.
    list->SetViewStyle(svsThumbnails);
    const QPixmap thumbnail = list->ThumbnailOf(*list->ItemData(0));
    EXPECT_EQ(thumbnail.size(), QSize(list->Thumbnails.Width(), list->Thumbnails.Height()));
}

TEST_F(ShellControlsTest, KeysAndTheContextMenuRunTheirVerbs) {
    const auto list = ShownList(u"*.txt;*.hpt");
    list->SetOptions(list->Options() | hysloDefaultKeyHandling);
    SelectRow(*list, u"b.txt");
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(list.get(), &del);
    EXPECT_FALSE(fs::exists(root_ / "b.txt"));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "a.hpt", "sub"}));
    // The context menu's Delete, picked once the menu is up.
    SelectRow(*list, u"a.hpt");
    ChooseFromContextMenu(*list, "&Delete");
    EXPECT_FALSE(fs::exists(root_ / "a.hpt"));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "sub"}));
    // Copy a pass, paste it into the folder row.
    SelectRow(*list, u"C.HPT");
    ChooseFromContextMenu(*list, "&Copy");
    SelectRow(*list, u"sub");
    ChooseFromContextMenu(*list, "&Paste");
    EXPECT_TRUE(fs::exists(root_ / "C.HPT"));
    EXPECT_TRUE(fs::exists(root_ / "sub" / "C.HPT"));
}

// Hidden items are drawn dimmed; a cut dims the rows cut instead, until the next cut.
TEST_F(ShellControlsTest, GhostedAndCutRowsAreDimmed) {
    Touch(".hidden.hpt");
    const auto list = ShownList(u"*.hpt");
    list->SetOptions(list->Options() | hysloDefaultKeyHandling);
    const QVariant dimmed = QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    const auto colourOf = [&](const char16_t* name) {
        for (int row = 0; row < list->ItemCount(); ++row)
            if (list->ItemData(row)->DisplayName() == name) return list->Model().data(list->Model().index(row, 0), Qt::ForegroundRole);
        return QVariant();
    };
    EXPECT_EQ(colourOf(u".hidden.hpt"), dimmed);
    EXPECT_NE(colourOf(u"a.hpt"), dimmed);
    SelectRow(*list, u"a.hpt");
    QKeyEvent cut(QEvent::KeyPress, Qt::Key_X, Qt::ControlModifier);
    QCoreApplication::sendEvent(list.get(), &cut);
    EXPECT_EQ(colourOf(u"a.hpt"), dimmed);
    EXPECT_NE(colourOf(u".hidden.hpt"), dimmed);
    EXPECT_TRUE(fs::exists(root_ / "a.hpt"));  // a cut moves nothing until it is pasted
}

// Hot tracking with a hand and underlined hot rows opens a row at one click; other styles do not.
TEST_F(ShellControlsTest, OneClickOpensWhenHotTrackingLikeAWebPage) {
    const auto list = ShownList(u"");
    const auto clickRow = [&](const char16_t* name) {
        int row = 0;
        while (list->ItemData(row)->DisplayName() != name) ++row;
        const QPoint at = list->visualRect(list->Model().index(row, 0)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(list->viewport(), &event);
        }
    };
    list->SetHotTrack(true, htHandPoint | htUnderlineCold);
    clickRow(u"sub");
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), root_.string());
    list->SetHotTrack(true, htHandPoint | htUnderlineHot);
    EXPECT_EQ(list->viewport()->cursor().shape(), Qt::PointingHandCursor);
    clickRow(u"sub");
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "sub").string());
}

// A right click names the row under the pointer and the point itself; the
// shell menu opens at the pointer.
TEST_F(ShellControlsTest, ARightClickNamesTheRowUnderThePointer) {
    const auto list = ShownList(u"");
    list->SetOptions(list->Options() & ~hysloContextMenus);
    QModelIndex reported;
    QPoint at;
    list->OnItemContextMenu = [&](const QModelIndex& index, QPoint& position, QMenu*&) {
        reported = index;
        at = position;
    };
    const QPoint click = list->visualRect(list->Model().index(2, 0)).center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, click, list->viewport()->mapToGlobal(click));
    QCoreApplication::sendEvent(list->viewport(), &rightClick);
    EXPECT_EQ(reported.row(), 2);
    EXPECT_EQ(at, click);
    list->SetOptions(list->Options() | hysloContextMenus);
    list->setCurrentIndex(list->Model().index(2, 0));
    QPoint opened;
    QTimer::singleShot(50, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            opened = menu->pos();
            menu->close();
        }
    });
    QCoreApplication::sendEvent(list->viewport(), &rightClick);
    EXPECT_EQ(opened, list->viewport()->mapToGlobal(click));
}

// A link is drawn with the shortcut mark over its icon while overlays are on.
TEST_F(ShellControlsTest, LinksCarryTheirMarkWhileOverlaysAreOn) {
    fs::create_symlink(root_ / "a.hpt", root_ / "link.hpt");
    const auto list = ShownList(u"*.hpt");
    list->SetOptions(list->Options() | hysloIconOverlays);
    const auto icon = [&](const char16_t* name) {
        for (int row = 0; row < list->ItemCount(); ++row)
            if (list->ItemData(row)->DisplayName() == name)
                return list->Model().data(list->Model().index(row, 0), Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        return QImage();
    };
    EXPECT_EQ(icon(u"a.hpt"), SystemIcon(siFile, false).toImage());
    EXPECT_EQ(icon(u"link.hpt"), OverlaidIcon(siFile, 2).toImage());
    EXPECT_NE(icon(u"link.hpt"), icon(u"a.hpt"));
    list->SetOptions(list->Options() & ~hysloIconOverlays);
    EXPECT_EQ(icon(u"link.hpt"), icon(u"a.hpt"));
}

// The owner may cancel the menu, add its own entries, forbid what a choice
// would do, and hears the help text of the entry under the mouse.
TEST_F(ShellControlsTest, OwnerEventsOfTheShellMenu) {
    const auto list = ShownList(u"*.hpt");
    SelectRow(*list, u"a.hpt");
    int popups = 0;
    list->OnBeforeShellMenuPopup = [&](QMenu&, int row, int nextCustomId, bool& cancel) {
        ++popups;
        EXPECT_EQ(list->ItemData(row)->DisplayName(), u"a.hpt");
        EXPECT_EQ(nextCustomId, 100);
        cancel = true;
    };
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), list->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(list.get(), &request);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    list->OnBeforeShellMenuPopup = [&](QMenu& menu, int, int nextCustomId, bool&) {
        menu.addAction("Mark")->setData(nextCustomId);
    };
    std::vector<uint32_t> chosen;
    list->OnAfterShellMenuSelection = [&](int, uint32_t id, bool& allowDefault) {
        chosen.push_back(id);
        allowDefault = false;
    };
    std::vector<std::u16string> hints;
    list->OnPopupHint = [&](const WideString& hint) { hints.push_back(hint); };
    ChooseFromContextMenu(*list, "Mark");
    ChooseFromContextMenu(*list, "&Delete");
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0], 100u);
    EXPECT_GE(chosen[1], 1000u);
    EXPECT_TRUE(fs::exists(root_ / "a.hpt"));  // the owner forbade the delete
    EXPECT_NE(std::find(hints.begin(), hints.end(), u"Deletes the selected items."), hints.end());
}

class ShellTreeTest : public ShellControlsTest {
protected:
    // Events (and the tree's waiting refresh) run until done holds, or time runs out.
    static bool FollowUntil(THyShellTree& tree, const std::function<bool()>& done) {
        return testing::ProcessEventsUntil([&] {
            if (tree.PendingJob() == 2) tree.RunPendingTimerWork();
            return done();
        });
    }
    std::unique_ptr<THyShellTree> ShownTree(uint16_t options) {
        auto tree = std::make_unique<THyShellTree>(nullptr);
        tree->SetOptions(options);
        tree->show();
        tree->BaseFolder.SetPath(Utf8ToUtf16(root_.string()));
        tree->RebuildTree();
        return tree;
    }
};

TEST_F(ShellTreeTest, PathSelectionReachesHiddenFolders) {
    fs::create_directories(root_ / ".hidden" / "2021" / "05");
    const auto tree = ShownTree(0);  // hidden folders are not listed
    EXPECT_EQ(tree->Model().rowCount(tree->Model().index(0, 0)), 1);  // "sub" only
    const std::string target = (root_ / ".hidden" / "2021" / "05").string();
    tree->SetSelectedPath(Utf8ToUtf16(target));
    EXPECT_EQ(Utf16ToUtf8(tree->GetSelectedPath()), target);
}

TEST_F(ShellTreeTest, ListFollowsTheUsersSelectionOnceItRests) {
    fs::create_directories(root_ / "sub" / "deeper");
    const auto tree = ShownTree(hystoShowHidden);
    auto list = std::make_unique<THyShellList>(nullptr);
    list->show();
    tree->SetShellList(list.get());
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    tree->setCurrentIndex(sub);
    EXPECT_EQ(tree->PendingJob(), 1);
    EXPECT_NE(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "sub").string());
    tree->RunPendingTimerWork();
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "sub").string());
    EXPECT_EQ(list->ItemCount(), 1);  // "deeper"
    // A selection the tree makes itself passes on at once.
    tree->SetSelectedPath(Utf8ToUtf16((root_ / "sub" / "deeper").string()));
    EXPECT_EQ(tree->PendingJob(), 0);
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "sub" / "deeper").string());
    list.reset();
    EXPECT_EQ(tree->ShellList(), nullptr);
}

TEST_F(ShellTreeTest, RenamingANodeRenamesTheFolderAndTheListFollows) {
    fs::create_directories(root_ / "sub" / "inner");
    const testing::TLocaleEnvironment utf8("C.UTF-8");
    fs::create_directories(root_ / "day_\xDC");
    const auto tree = ShownTree(hystoShowHidden);
    // A name left as it was, bytes that are no character and all, renames nothing.
    const QModelIndex top = tree->Model().index(0, 0);
    ASSERT_EQ(tree->Model().rowCount(top), 2);
    for (int row = 0; row < 2; ++row) {
        const QModelIndex node = tree->Model().index(row, 0, top);
        EXPECT_FALSE(tree->Model().setData(node, node.data(Qt::EditRole), Qt::EditRole)) << row;
    }
    EXPECT_TRUE(fs::is_directory(root_ / "day_\xDC"));
    auto list = std::make_unique<THyShellList>(nullptr);
    list->show();
    tree->SetShellList(list.get());
    tree->SetSelectedPath(Utf8ToUtf16((root_ / "sub").string()));
    const QModelIndex sub = tree->currentIndex();
    {
        // A character the locale cannot write is refused as in the list.
        const testing::TLocaleEnvironment latin1("de_DE.ISO-8859-1");
        auto& dialogs = TDialogService::Instance();
        dialogs.SetMode(TDialogService::Mode::Scripted);
        dialogs.ClearScript();
        EXPECT_FALSE(tree->Model().setData(sub, QString::fromUtf8("Tag €"), Qt::EditRole));
        EXPECT_TRUE(fs::is_directory(root_ / "sub"));
        EXPECT_EQ(dialogs.Requests().size(), 1u);
        dialogs.SetMode(TDialogService::Mode::Unattended);
    }
    ASSERT_TRUE(tree->Model().setData(sub, "renamed", Qt::EditRole));
    EXPECT_TRUE(fs::is_directory(root_ / "renamed" / "inner"));
    EXPECT_EQ(Utf16ToUtf8(tree->GetSelectedPath()), (root_ / "renamed").string());
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "renamed").string());
    // The children below follow their renamed parent.
    tree->expand(sub);
    const QModelIndex inner = tree->Model().index(0, 0, sub);
    EXPECT_EQ(Utf16ToUtf8(PathOfIdList(tree->NodeData(inner)->AbsoluteIdList())), (root_ / "renamed" / "inner").string());
}

// A rename open in the list when the tree moves to the next day (the day
// button), ended with Enter, Esc, a click elsewhere or a name refused: the
// list then shows the tree's day, not the old one.
TEST_F(ShellTreeTest, ARenameOpenWhenTheTreeMovesEndsWithTheListOnTheTreesFolder) {
    const fs::path day3 = root_ / "2021" / "05" / "03", day4 = root_ / "2021" / "05" / "04";
    fs::create_directories(day3);
    fs::create_directories(day4);
    std::ofstream(day3 / "N19_1200.hpt") << "pass";
    std::ofstream(day4 / "N19_1342.hpt") << "pass";
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* tree = new THyShellTree(&window);
    auto* list = new THyShellList(&window);
    layout->addWidget(tree);
    layout->addWidget(list);
    tree->SetOptions(hystoShowHidden);
    list->SetOptions(hysloAutoFill | hysloShowHidden);
    window.show();
    tree->BaseFolder.SetPath(Utf8ToUtf16(root_.string()));
    tree->RebuildTree();
    tree->SetShellList(list);
    window.activateWindow();
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return window.isActiveWindow(); }));
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    const auto listFolder = [&] { return Utf16ToUtf8(PathOfIdList(list->FolderIdList())); };
    enum TEnding { Enter, Escape, ClickElsewhere, NameRefused };
    for (const TEnding ending : {Enter, Escape, ClickElsewhere, NameRefused}) {
        SCOPED_TRACE(ending);
        dialogs.ClearScript();
        tree->SetSelectedPath(Utf8ToUtf16(day3.string()));
        ASSERT_EQ(listFolder(), day3.string());
        ASSERT_EQ(list->ItemCount(), 1);
        list->setFocus();
        const QModelIndex row = list->Model().index(0, 0);
        list->setCurrentIndex(row);
        list->edit(row);
        auto* editor = qobject_cast<QLineEdit*>(list->indexWidget(row));
        ASSERT_NE(editor, nullptr);
        editor->setFocus();
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return editor->hasFocus(); }));
        tree->SetSelectedPath(Utf8ToUtf16(day4.string()));
        EXPECT_EQ(Utf16ToUtf8(tree->GetSelectedPath()), day4.string());
        const auto press = [&](Qt::Key key) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(editor, &event);
        };
        const std::string renamed = "N19_1200 (" + std::to_string(ending) + ").hpt";
        switch (ending) {
            case Enter: editor->setText(QString::fromStdString(renamed)); press(Qt::Key_Return); break;
            case Escape: press(Qt::Key_Escape); break;
            case ClickElsewhere: editor->setText(QString::fromStdString(renamed)); tree->setFocus(); break;
            case NameRefused: editor->setText("N19/1200.hpt"); press(Qt::Key_Return); break;
        }
        ASSERT_TRUE(testing::ProcessEventsUntil([&] { return listFolder() == day4.string(); })) << listFolder();
        EXPECT_EQ(Names(*list), std::vector<std::string>{"N19_1342.hpt"});
        EXPECT_EQ(list->GetSelectedData(), nullptr);
        const bool changesName = ending == Enter || ending == ClickElsewhere;
        EXPECT_EQ(fs::exists(day3 / renamed), changesName);
        if (changesName) fs::rename(day3 / renamed, day3 / "N19_1200.hpt");
        EXPECT_EQ(dialogs.Requests().size(), ending == NameRefused ? 1u : 0u);
    }
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

// Another program makes a day folder inside a folder the tree shows: it appears after the delay.
TEST_F(ShellTreeTest, NewFoldersOfAnotherProgramAppear) {
    fs::create_directories(root_ / "sub" / "01");
    const auto tree = ShownTree(hystoShowHidden | hystoDynamicRefresh);
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    tree->expand(sub);
    ASSERT_EQ(std::system(("mkdir '" + (root_ / "sub" / "02").string() + "'").c_str()), 0);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return tree->PendingJob() == 2; }));
    tree->RunPendingTimerWork();
    ASSERT_EQ(tree->Model().rowCount(sub), 2);
    EXPECT_EQ(tree->Model().index(1, 0, sub).data().toString(), "02");
}

// While another program makes and removes a staging folder in the archive
// every 300 ms, a new day folder still appears within 2.5 s; a refresh that
// was waiting is not dropped when the user moves the selection meanwhile.
TEST_F(ShellTreeTest, AStreamOfChangesDoesNotHideANewDayFolder) {
    TChangeStream stream;
    fs::create_directories(root_ / "sub" / "01");
    const auto tree = ShownTree(hystoShowHidden);  // the messages come from the test alone
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    tree->expand(sub);
    const auto wait = [&] { return tree->PendingDelay(); };
    const auto waiting = [&] { return tree->PendingJob() == 2; };
    const auto run = [&] { tree->RunPendingTimerWork(); };
    for (int tick = 0; tick < 10; ++tick) {
        stream.Message(*tree, wait);
        stream.Pass(300, waiting, run);
    }
    fs::create_directories(root_ / "sub" / "02");
    const int64_t madeAt = stream.Now();
    stream.Message(*tree, wait);
    while (tree->Model().rowCount(sub) < 2 && stream.Now() - madeAt < 10'000) {
        stream.Pass(300, waiting, run);
        stream.Message(*tree, wait);
    }
    EXPECT_LE(stream.Now() - madeAt, 2500);
    // A refresh waits; the user moves to another node: the hand-over runs the refresh with it.
    auto list = std::make_unique<THyShellList>(nullptr);
    list->show();
    tree->SetShellList(list.get());
    tree->RunPendingTimerWork();
    fs::create_directories(root_ / "sub" / "03");
    stream.Message(*tree, wait);
    tree->setCurrentIndex(tree->Model().index(0, 0, sub));
    EXPECT_EQ(tree->PendingJob(), 1);
    tree->RunPendingTimerWork();
    EXPECT_EQ(tree->Model().rowCount(sub), 3);
}

// An archive whose months are all expanded: however many there are, a day
// folder made in the last one expanded appears.
TEST_F(ShellTreeTest, ChangesAreFollowedInHundredsOfExpandedFolders) {
    constexpr int Months = 210;
    const auto month = [](int k) { return "m" + std::to_string(1000 + k); };
    for (int k = 0; k < Months; ++k) fs::create_directories(root_ / "sub" / month(k) / "01");
    const auto tree = ShownTree(hystoShowHidden | hystoDynamicRefresh);
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    tree->expand(sub);
    ASSERT_EQ(tree->Model().rowCount(sub), Months);
    for (int k = 0; k < Months; ++k) tree->expand(tree->Model().index(k, 0, sub));
    const QPersistentModelIndex last = tree->Model().index(Months - 1, 0, sub);
    ASSERT_EQ(last.data().toString().toStdString(), month(Months - 1));
    ASSERT_EQ(tree->Model().rowCount(last), 1);
    fs::create_directories(root_ / "sub" / month(Months - 1) / "02");
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return tree->PendingJob() == 2; }));
    tree->RunPendingTimerWork();
    EXPECT_EQ(tree->Model().rowCount(last), 2);
}

// Day folders made while their month was closed are there when it opens
// again; a month left empty shows the first day folder made in it.
TEST_F(ShellTreeTest, FoldersMadeWhileANodeWasClosedOrEmptyAppear) {
    fs::create_directories(root_ / "sub" / "01");
    const auto tree = ShownTree(hystoShowHidden);
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    const auto children = [&] {
        std::vector<QString> names;
        for (int row = 0; row < tree->Model().rowCount(sub); ++row) names.push_back(tree->Model().index(row, 0, sub).data().toString());
        return names;
    };
    tree->expand(sub);
    ASSERT_EQ(children(), std::vector<QString>{"01"});
    tree->collapse(sub);
    fs::create_directories(root_ / "sub" / "02");
    fs::remove_all(root_ / "sub" / "01");
    tree->RefreshTree();
    tree->expand(sub);
    EXPECT_EQ(children(), std::vector<QString>{"02"});
    fs::remove_all(root_ / "sub" / "02");
    tree->RefreshTree();
    ASSERT_TRUE(children().empty());
    fs::create_directories(root_ / "sub" / "03");
    tree->RefreshTree();
    EXPECT_EQ(children(), std::vector<QString>{"03"});
}

// "2027", made at the year end, has no day folders yet and so no button;
// its first one, made a few seconds later, gives it one at the next refresh
// (the new folder itself is watched), and the Right key then opens it. F5
// looks again where nothing is watched.
TEST_F(ShellTreeTest, AFolderGainingItsFirstSubFolderCanBeOpened) {
    const uint16_t options = hystoShowHidden | hystoDynamicRefresh | hystoDefaultKeyHandling;
    const auto tree = ShownTree(options);
    const QModelIndex root = tree->Model().index(0, 0);
    const auto child = [&](const QModelIndex& parent, const QString& name) {
        for (int row = 0; row < tree->Model().rowCount(parent); ++row)
            if (tree->Model().index(row, 0, parent).data().toString() == name) return QPersistentModelIndex(tree->Model().index(row, 0, parent));
        return QPersistentModelIndex();
    };
    // Runs the refreshes the watches ask for until the check holds.
    const auto followUntil = [&](const std::function<bool()>& check) { return FollowUntil(*tree, check); };
    fs::create_directories(root_ / "2027");
    ASSERT_TRUE(followUntil([&] { return child(root, "2027").isValid(); }));
    const QPersistentModelIndex year = child(root, "2027");
    EXPECT_FALSE(tree->Model().hasChildren(year));
    fs::create_directories(root_ / "2027" / "01" / "01");
    ASSERT_TRUE(followUntil([&] { return tree->Model().hasChildren(year); }));
    tree->setCurrentIndex(year);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(tree.get(), &right);
    EXPECT_TRUE(tree->isExpanded(year));
    EXPECT_TRUE(child(year, "01").isValid());

    tree->SetOptions(options & ~hystoDynamicRefresh);
    const auto pressF5 = [&] {
        QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QCoreApplication::sendEvent(tree.get(), &f5);
    };
    fs::create_directories(root_ / "2028");
    pressF5();
    const QPersistentModelIndex next = child(root, "2028");
    ASSERT_TRUE(next.isValid());
    EXPECT_FALSE(tree->Model().hasChildren(next));
    fs::create_directories(root_ / "2028" / "01");
    pressF5();
    EXPECT_TRUE(tree->Model().hasChildren(next));
}

// The node's branch area, where its expand arrow is drawn, as the screen
// shows it: only what was repainted since it was last shown is new there.
QImage BranchPicture(THyShellTree& tree, const QModelIndex& node) {
    for (int pass = 0; pass < 3; ++pass) QCoreApplication::processEvents();
    const QRect row = tree.visualRect(node);
    const QPoint at = tree.viewport()->mapTo(tree.window(), QPoint(0, row.top()));
    return tree.screen()->grabWindow(tree.window()->winId(), at.x(), at.y(), row.left(), row.height()).toImage();
}

// The arrow must show on screen, not only in the model: the year between two
// others gains its first month from another program, and its branch then
// looks like that of the year that had months from the start; F5 likewise.
TEST_F(ShellTreeTest, AFolderGainingItsFirstSubFolderShowsItsArrow) {
    for (const char* year : {"2029", "2031", "2032"}) fs::create_directories(root_ / year);
    fs::create_directories(root_ / "2030" / "01");
    const auto tree = ShownTree(hystoShowHidden | hystoDynamicRefresh);
    tree->resize(300, 400);
    const QModelIndex root = tree->Model().index(0, 0);
    const auto year = [&](int row) { return tree->Model().index(row, 0, root); };
    ASSERT_EQ(year(2).data().toString(), "2031");
    const QImage withArrow = BranchPicture(*tree, year(1));
    const QImage without = BranchPicture(*tree, year(2));
    ASSERT_NE(withArrow, without);
    fs::create_directories(root_ / "2031" / "01");
    ASSERT_TRUE(FollowUntil(*tree, [&] { return tree->Model().hasChildren(year(2)); }));
    EXPECT_EQ(BranchPicture(*tree, year(2)), withArrow);

    tree->SetOptions(hystoShowHidden | hystoDefaultKeyHandling);
    fs::create_directories(root_ / "2032" / "01");
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(tree.get(), &f5);
    ASSERT_EQ(year(3).data().toString(), "2032");
    EXPECT_EQ(BranchPicture(*tree, year(3)), BranchPicture(*tree, year(1)));
}

// Another program removes a year's last month: the year loses its arrow at
// once, on screen too, whether it was never opened or opened and closed again.
TEST_F(ShellTreeTest, AFolderLosingItsLastSubFolderLosesItsArrow) {
    fs::create_directories(root_ / "2029");
    for (const char* month : {"2030/12", "2031/01", "2031/02"}) fs::create_directories(root_ / month);
    const auto tree = ShownTree(hystoShowHidden | hystoDynamicRefresh);
    tree->resize(300, 400);
    const QModelIndex root = tree->Model().index(0, 0);
    const auto year = [&](int row) { return tree->Model().index(row, 0, root); };
    ASSERT_EQ(year(2).data().toString(), "2031");
    const QImage without = BranchPicture(*tree, year(0));
    tree->expand(year(2));
    tree->collapse(year(2));
    const auto followUntil = [&](const std::function<bool()>& done) { return FollowUntil(*tree, done); };
    fs::remove(root_ / "2030" / "12");
    ASSERT_TRUE(followUntil([&] { return !tree->Model().hasChildren(year(1)); }));
    EXPECT_EQ(BranchPicture(*tree, year(1)), without);
    fs::remove_all(root_ / "2031" / "01");
    fs::remove_all(root_ / "2031" / "02");
    ASSERT_TRUE(followUntil([&] { return !tree->Model().hasChildren(year(2)); }));
    EXPECT_EQ(BranchPicture(*tree, year(2)), without);
    // A month made again brings the arrow back.
    fs::create_directories(root_ / "2030" / "11");
    EXPECT_TRUE(followUntil([&] { return tree->Model().hasChildren(year(1)); }));
}

// A year renamed in the tree keeps the order of the years, then and after F5.
TEST_F(ShellTreeTest, AFolderRenamedInTheTreeSortsAmongItsSiblings) {
    for (const char* year : {"2030", "2031", "2033"}) fs::create_directories(root_ / year);
    const auto tree = ShownTree(hystoShowHidden | hystoDefaultKeyHandling);
    const QModelIndex root = tree->Model().index(0, 0);
    const auto names = [&] {
        std::vector<QString> shown;
        for (int row = 0; row < tree->Model().rowCount(root); ++row) shown.push_back(tree->Model().index(row, 0, root).data().toString());
        return shown;
    };
    ASSERT_EQ(names(), (std::vector<QString>{"2030", "2031", "2033", "sub"}));
    ASSERT_TRUE(tree->Model().setData(tree->Model().index(1, 0, root), "2032", Qt::EditRole));
    EXPECT_TRUE(fs::is_directory(root_ / "2032"));
    EXPECT_EQ(names(), (std::vector<QString>{"2030", "2032", "2033", "sub"}));
    ASSERT_TRUE(tree->Model().setData(tree->Model().index(0, 0, root), "2034", Qt::EditRole));
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(tree.get(), &f5);
    EXPECT_EQ(names(), (std::vector<QString>{"2032", "2033", "2034", "sub"}));
}

// The selected folder shows the open-folder icon; the others the closed one.
TEST_F(ShellTreeTest, TheSelectedFolderLooksOpen) {
    fs::create_directories(root_ / "zz");
    const auto tree = ShownTree(hystoShowHidden);
    const QModelIndex root = tree->Model().index(0, 0);
    const QModelIndex sub = tree->Model().index(0, 0, root), zz = tree->Model().index(1, 0, root);
    const auto icon = [&](const QModelIndex& node) {
        return tree->Model().data(node, Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    };
    ASSERT_NE(SystemIcon(siFolderOpen, false).toImage(), SystemIcon(siFolder, false).toImage());
    tree->setCurrentIndex(sub);
    EXPECT_EQ(icon(sub), SystemIcon(siFolderOpen, false).toImage());
    EXPECT_EQ(icon(zz), SystemIcon(siFolder, false).toImage());
    tree->setCurrentIndex(zz);
    EXPECT_EQ(icon(sub), SystemIcon(siFolder, false).toImage());
    EXPECT_EQ(icon(zz), SystemIcon(siFolderOpen, false).toImage());
}

TEST_F(ShellTreeTest, CheckBoxesBeforeNodesWhenSwitchedOn) {
    const auto tree = ShownTree(hystoShowHidden);
    const QModelIndex sub = tree->Model().index(0, 0, tree->Model().index(0, 0));
    EXPECT_FALSE(tree->Model().flags(sub) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(tree->Model().data(sub, Qt::CheckStateRole).isValid());
    EXPECT_FALSE(tree->Model().setData(sub, Qt::Checked, Qt::CheckStateRole));
    tree->SetCheckboxes(true);
    EXPECT_TRUE(tree->Model().flags(sub) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(tree->Model().data(sub, Qt::CheckStateRole), Qt::Unchecked);
    EXPECT_TRUE(tree->Model().setData(sub, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(tree->Model().data(sub, Qt::CheckStateRole), Qt::Checked);
    EXPECT_TRUE(fs::is_directory(root_ / "sub"));  // checking renames nothing
}

TEST_F(ShellTreeTest, RefreshAddsAndDropsFoldersAndNewFolderIsMade) {
    const auto tree = ShownTree(hystoShowHidden);
    const QModelIndex root = tree->Model().index(0, 0);
    fs::create_directories(root_ / "zz");
    fs::remove_all(root_ / "sub");
    std::vector<QString> inserted, deleted;
    tree->OnInsertItem = [&](const QModelIndex& node) { inserted.push_back(node.data().toString()); };
    tree->OnDeleteItem = [&](const QModelIndex& node, THyShTreeData&) { deleted.push_back(node.data().toString()); };
    tree->RefreshTree();
    EXPECT_EQ(inserted, std::vector<QString>{"zz"});
    EXPECT_EQ(deleted, std::vector<QString>{"sub"});
    EXPECT_EQ(tree->LastAddedNode().data().toString(), "zz");
    ASSERT_EQ(tree->Model().rowCount(root), 1);
    EXPECT_EQ(tree->Model().data(tree->Model().index(0, 0, root), Qt::DisplayRole).toString(), "zz");
    tree->setCurrentIndex(tree->Model().index(0, 0, root));
    EXPECT_TRUE(tree->CreateNewFolder());
    EXPECT_TRUE(fs::is_directory(root_ / "zz" / "New Folder"));
}

// The tree's Shift+Delete asks the same question; Yes removes the folder for good.
TEST_F(ShellTreeTest, ShiftDeleteOfANodeAsksAndYesRemovesForGood) {
    std::ofstream(root_ / "sub" / "pass.hpt") << "pass";
    const auto tree = ShownTree(hystoShowHidden | hystoDefaultKeyHandling);
    auto& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    dialogs.ClearScript();
    dialogs.QueueAnswer(mrNo);
    dialogs.QueueAnswer(mrYes);
    tree->setCurrentIndex(tree->Model().index(0, 0, tree->Model().index(0, 0)));
    QKeyEvent shiftDelete(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier);
    QCoreApplication::sendEvent(tree.get(), &shiftDelete);
    EXPECT_TRUE(fs::exists(root_ / "sub" / "pass.hpt"));
    tree->setCurrentIndex(tree->Model().index(0, 0, tree->Model().index(0, 0)));
    QCoreApplication::sendEvent(tree.get(), &shiftDelete);
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_NE(dialogs.Requests()[1].text.find("1 file, 4 bytes in all"), std::string::npos) << dialogs.Requests()[1].text;
    EXPECT_FALSE(fs::exists(root_ / "sub"));
    EXPECT_FALSE(fs::exists(TrashFolder() + "files/sub"));
    EXPECT_EQ(tree->Model().rowCount(tree->Model().index(0, 0)), 0);
    dialogs.SetMode(TDialogService::Mode::Unattended);
}

}  // namespace
}  // namespace kestrune::shell
