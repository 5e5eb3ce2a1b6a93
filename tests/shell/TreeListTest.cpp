#include "shell/UHyTreeList.h"
#include "tests/support/QtTestFolder.h"

#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

class TreeListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
};

TEST_F(TreeListTest, FrameStylesLeaveTheirRoomInside) {
    const struct {
        THyFrameStyle Style;
        QMargins Insets;
    } cases[] = {{hyfsNone, {}},           {hyfsGroup, {}},           {hyfsLowered, {2, 2, 2, 2}},
                 {hyfsRaised, {2, 2, 2, 2}}, {hyfsDint, {1, 1, 1, 1}},  {hyfsSingle, {1, 1, 1, 1}},
                 {hyfsHorzLine, {0, 2, 0, 0}}, {hyfsHorzEdge, {0, 2, 0, 2}}, {hyfsVertLine, {2, 0, 0, 0}},
                 {hyfsVertEdge, {2, 0, 2, 0}}};
    for (const auto& c : cases) {
        EXPECT_EQ(FrameInsets(c.Style), c.Insets) << c.Style;
        THyGroup group(nullptr, c.Style);
        EXPECT_EQ(group.contentsMargins(), c.Insets) << c.Style;
    }
}

TEST_F(TreeListTest, AnEmptyUnframedGroupDrawsOnlyItsBackground) {
    THyGroup group(nullptr, hyfsNone);
    group.resize(40, 30);
    const QImage picture = group.grab().toImage();
    const QRgb background = group.palette().window().color().rgb();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) ASSERT_EQ(picture.pixel(x, y), background) << x << "," << y;
}

TEST_F(TreeListTest, SortMarkFollowsColumnDirectionAndMode) {
    QStandardItemModel model(2, 3);
    THyCustomListView list(nullptr);
    list.setModel(&model);
    list.ShowSortMark(-1, true);
    EXPECT_FALSE(list.header()->isSortIndicatorShown());
    list.ShowSortMark(1, false);
    EXPECT_TRUE(list.header()->isSortIndicatorShown());
    EXPECT_EQ(list.header()->sortIndicatorSection(), 1);
    EXPECT_EQ(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
    list.SetHeaderSortDisplayMode(hylvNone);
    EXPECT_FALSE(list.header()->isSortIndicatorShown());
}

}  // namespace
}  // namespace kestrune::shell
