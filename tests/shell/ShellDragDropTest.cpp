#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"
#include "tests/support/QtTestFolder.h"

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

TEST_F(ShellDragDropTest, OwnersDropEventCanStopTheDrop) {
    list_.OnOleDrop = [](const auto&, uint32_t, QPoint, uint32_t&, HRESULT& result) { result = ole::E_FAIL; };
    DropAt(QPoint(200, 250));
    EXPECT_FALSE(fs::exists(root_ / "shown" / "pass.hpt"));
}

}  // namespace
}  // namespace kestrune::shell
