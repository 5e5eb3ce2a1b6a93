#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "tests/support/QtTestFolder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;

class ShellDragDropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override {
        root_ = testing::FreshTestFolder("shelldnd");
        fs::create_directories(root_ / "shown" / "sub");
        fs::create_directories(root_ / "elsewhere");
        std::ofstream(root_ / "elsewhere" / "pass.hpt") << "pass";
        list_.SetOptions(DefaultListOptions);
        list_.resize(400, 300);
        list_.show();
        list_.Folder.SetPath(Utf8ToUtf16((root_ / "shown").string()));
    }
    void TearDown() override { fs::remove_all(root_); }

    // Drops the outside pass at a point of the list (viewport coordinates), Ctrl held: a copy.
    void DropAt(QPoint point) {
        auto data = std::make_shared<ole::TMemoryDataObject>();
        data->SetBytes(ole::CF_HDROP, FileNameListBlock({(root_ / "elsewhere" / "pass.hpt").string()}));
        const QPoint global = list_.viewport()->mapToGlobal(point);
        const ole::POINTL at{global.x(), global.y()};
        uint32_t effect = ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE;
        list_.DropTarget()->DragEnter(data, ole::MK_LBUTTON | ole::MK_CONTROL, at, effect);
        EXPECT_EQ(effect, ole::DROPEFFECT_COPY);
        effect = ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE;
        list_.DropTarget()->Drop(data, ole::MK_CONTROL, at, effect);
        EXPECT_FALSE(list_.DropTarget()->Highlighted().isValid());
    }

    fs::path root_;
    THyShellList list_{nullptr};
};

TEST_F(ShellDragDropTest, DropOnAFolderRowGoesIntoThatFolder) {
    ASSERT_EQ(list_.ItemCount(), 1);
    DropAt(list_.visualRect(list_.Model().index(0, 0)).center());
    EXPECT_TRUE(fs::exists(root_ / "shown" / "sub" / "pass.hpt"));
    EXPECT_TRUE(fs::exists(root_ / "elsewhere" / "pass.hpt"));
    EXPECT_EQ(list_.ItemCount(), 1);
}

TEST_F(ShellDragDropTest, DropOnEmptySpaceGoesIntoTheShownFolder) {
    THyShListData* sub = list_.ItemData(0);
    DropAt(QPoint(200, 250));
    EXPECT_TRUE(fs::exists(root_ / "shown" / "pass.hpt"));
    // The list refreshed by difference: the new row came, the old one stayed itself.
    ASSERT_EQ(list_.ItemCount(), 2);
    EXPECT_TRUE(list_.ItemData(0) == sub || list_.ItemData(1) == sub);
}

// A drop made with the right button asks whether to copy or move; Cancel does nothing.
TEST_F(ShellDragDropTest, ARightButtonDropAsksWhatToDo) {
    const std::string pass = (root_ / "elsewhere" / "pass.hpt").string();
    const auto dropChoosing = [&](const QString& choice) {
        auto data = std::make_shared<ole::TMemoryDataObject>();
        data->SetBytes(ole::CF_HDROP, FileNameListBlock({pass}));
        const QPoint global = list_.viewport()->mapToGlobal(QPoint(200, 250));
        const ole::POINTL at{global.x(), global.y()};
        QStringList offered;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled()) offered << action->text();
                if (action->text() == choice) menu->setActiveAction(action);
            }
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &enter);
        });
        uint32_t effect = ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE;
        list_.DropTarget()->DragEnter(data, ole::MK_RBUTTON, at, effect);
        effect = ole::DROPEFFECT_COPY | ole::DROPEFFECT_MOVE;
        // No button is down any more when the drop comes.
        list_.DropTarget()->Drop(data, 0, at, effect);
        return offered;
    };
    EXPECT_EQ(dropChoosing("Cancel"), (QStringList{"&Copy Here", "&Move Here", "Cancel"}));
    EXPECT_FALSE(fs::exists(root_ / "shown" / "pass.hpt"));
    EXPECT_TRUE(fs::exists(pass));
    dropChoosing("&Move Here");
    EXPECT_TRUE(fs::exists(root_ / "shown" / "pass.hpt"));
    EXPECT_FALSE(fs::exists(pass));
}

// Rows can be dragged out with the right button as well; a right click without
// a move still opens the menu, once the button is let go.
TEST_F(ShellDragDropTest, TheRightButtonDragsOrOpensTheMenu) {
    std::ofstream(root_ / "shown" / "pass.hpt") << "pass";
    list_.RefreshFolder();
    list_.SetOptions(list_.Options() & ~hysloContextMenus);
    std::vector<Qt::MouseButton> drags;
    list_.OnOleDragStart = [&](Qt::MouseButton button, const auto&, uint32_t& effects) {
        drags.push_back(button);
        effects = 0;  // nothing more: the test looks only at how the drag began
    };
    int menus = 0;
    list_.OnItemContextMenu = [&](const QModelIndex&, QPoint&, QMenu*&) { ++menus; };
    const QPoint row = list_.visualRect(list_.Model().index(1, 0)).center();
    const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, list_.viewport()->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::RightButton,
                          held, Qt::NoModifier);
        QCoreApplication::sendEvent(list_.viewport(), &event);
    };
    const auto contextRequest = [&](QPoint at) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, list_.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list_.viewport(), &request);
    };
    mouse(QEvent::MouseButtonPress, row, Qt::RightButton);
    contextRequest(row);
    EXPECT_EQ(menus, 0);
    mouse(QEvent::MouseButtonRelease, row, Qt::NoButton);
    EXPECT_EQ(menus, 1);
    EXPECT_TRUE(drags.empty());
    mouse(QEvent::MouseButtonPress, row, Qt::RightButton);
    contextRequest(row);
    mouse(QEvent::MouseMove, row + QPoint(0, 3 * QApplication::startDragDistance()), Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, row, Qt::NoButton);
    EXPECT_EQ(drags, std::vector<Qt::MouseButton>{Qt::RightButton});
    EXPECT_EQ(menus, 1);
}

TEST_F(ShellDragDropTest, OwnersDropEventCanStopTheDrop) {
    list_.OnOleDrop = [](const auto&, uint32_t, QPoint, uint32_t&, HRESULT& result) { result = ole::E_FAIL; };
    DropAt(QPoint(200, 250));
    EXPECT_FALSE(fs::exists(root_ / "shown" / "pass.hpt"));
}

}  // namespace
}  // namespace kestrune::shell
