#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "platform/Messages_qt.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellModels.h"
#include "shell/UHyShellUtils.h"

#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

    // Lets the watcher's message arrive (the thread posts it as soon as the kernel tells).
    template <typename Done>
    static bool ProcessUntil(Done done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
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

TEST_F(ShellControlsTest, DifferenceRefreshKeepsUnchangedRows) {
    const auto list = ShownList(u"");
    THyShListData* kept = nullptr;
    for (int row = 0; row < list->ItemCount(); ++row)
        if (list->ItemData(row)->DisplayName() == u"a.hpt") kept = list->ItemData(row);
    ASSERT_TRUE(kept);
    const QPersistentModelIndex keptIndex = list->Model().index(0, 0);
    THyShListData* first = list->ItemData(0);
    fs::remove(root_ / "b.txt");
    Touch("d.hpt");
    list->RefreshChanges();
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "a.hpt", "a.thumb.jpg", "d.hpt", "sub"}));
    bool stillThere = false;
    for (int row = 0; row < list->ItemCount(); ++row) stillThere |= list->ItemData(row) == kept;
    EXPECT_TRUE(stillThere);
    // A persistent index follows its row through the refresh and the sort.
    if (first->DisplayName() != u"b.txt") {
        EXPECT_EQ(list->ItemData(keptIndex.row()), first);
    }
}

TEST_F(ShellControlsTest, ChangesOnDiskReachTheListThroughTheWatcher) {
    const auto list = ShownList(u"*.hpt");
    const int before = list->ItemCount();
    Touch("new.hpt");
    ASSERT_TRUE(ProcessUntil([&] { return list->RefreshWaiting(); }));
    list->RunPendingTimerWork();
    EXPECT_EQ(list->ItemCount(), before + 1);
    fs::remove(root_ / "new.hpt");
    fs::remove(root_ / "a.hpt");
    ASSERT_TRUE(ProcessUntil([&] { return list->RefreshWaiting(); }));
    list->RunPendingTimerWork();
    EXPECT_EQ(list->ItemCount(), before - 1);
}

TEST_F(ShellControlsTest, SortColumnOrdersRowsBothWays) {
    const auto list = ShownList(u"*.hpt;*.txt");
    list->SetSortColumn(1);
    std::vector<std::u16string> ascending;
    for (int row = 0; row < list->ItemCount(); ++row) ascending.push_back(list->ItemData(row)->DisplayName());
    list->SetSortColumn(-1);
    std::vector<std::u16string> descending;
    for (int row = list->ItemCount(); row > 0; --row) descending.push_back(list->ItemData(row - 1)->DisplayName());
    EXPECT_EQ(ascending, descending);
    EXPECT_EQ(list->SortColumn(), -1);
}

TEST_F(ShellControlsTest, RenameGoesToDiskAndSwallowsItsOwnChange) {
    const auto list = ShownList(u"");
    // The messages come from the test alone.
    list->SetOptions(list->Options() & ~hysloDynamicRefresh);
    int row = 0;
    while (list->ItemData(row)->DisplayName() != u"b.txt") ++row;
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
    const auto selectRow = [&](const char16_t* name) {
        for (int row = 0; row < list->ItemCount(); ++row)
            if (list->ItemData(row)->DisplayName() == name) list->setCurrentIndex(list->Model().index(row, 0));
    };
    selectRow(u"b.txt");
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(list.get(), &del);
    EXPECT_FALSE(fs::exists(root_ / "b.txt"));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "a.hpt", "sub"}));
    // The context menu's Delete, picked once the menu is up.
    selectRow(u"a.hpt");
    QTimer::singleShot(50, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                if (action->text() == "&Delete") menu->setActiveAction(action);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &enter);
        }
    });
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), list->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(list.get(), &request);
    EXPECT_FALSE(fs::exists(root_ / "a.hpt"));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C.HPT", "sub"}));
}

class ShellTreeTest : public ShellControlsTest {
protected:
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
    const auto tree = ShownTree(hystoShowHidden);
    auto list = std::make_unique<THyShellList>(nullptr);
    list->show();
    tree->SetShellList(list.get());
    tree->SetSelectedPath(Utf8ToUtf16((root_ / "sub").string()));
    const QModelIndex sub = tree->currentIndex();
    ASSERT_TRUE(tree->Model().setData(sub, "renamed", Qt::EditRole));
    EXPECT_TRUE(fs::is_directory(root_ / "renamed" / "inner"));
    EXPECT_EQ(Utf16ToUtf8(tree->GetSelectedPath()), (root_ / "renamed").string());
    EXPECT_EQ(Utf16ToUtf8(list->Folder.GetPath()), (root_ / "renamed").string());
    // The children below follow their renamed parent.
    tree->expand(sub);
    const QModelIndex inner = tree->Model().index(0, 0, sub);
    EXPECT_EQ(Utf16ToUtf8(PathOfIdList(tree->NodeData(inner)->AbsoluteIdList())), (root_ / "renamed" / "inner").string());
}

TEST_F(ShellTreeTest, RefreshAddsAndDropsFoldersAndNewFolderIsMade) {
    const auto tree = ShownTree(hystoShowHidden);
    const QModelIndex root = tree->Model().index(0, 0);
    fs::create_directories(root_ / "zz");
    fs::remove_all(root_ / "sub");
    tree->RefreshTree();
    ASSERT_EQ(tree->Model().rowCount(root), 1);
    EXPECT_EQ(tree->Model().data(tree->Model().index(0, 0, root), Qt::DisplayRole).toString(), "zz");
    tree->setCurrentIndex(tree->Model().index(0, 0, root));
    EXPECT_TRUE(tree->CreateNewFolder());
    EXPECT_TRUE(fs::is_directory(root_ / "zz" / "New Folder"));
}

}  // namespace
}  // namespace kestrune::shell
