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
    const THySortHeader& header = list.SortHeader();
    const THyLvHeaderSortDisplayMode modes[] = {hylvNone, hylvLeftAlign, hylvRightOfText, hylvRightAlign};
    const QRect wide(0, 0, 120, 20);
    // No sort column: no mark in any mode.
    list.ShowSortMark(-1, true);
    for (auto mode : modes) {
        list.SetHeaderSortDisplayMode(mode);
        for (int section = 0; section < 3; ++section) {
            EXPECT_EQ(header.SystemMark(section), QStyleOptionHeader::None) << mode;
            EXPECT_TRUE(header.MarkRect(section, wide).isEmpty()) << mode;
        }
    }
    // The second column descending: the system marks it in the text modes, the control draws it in the others.
    list.ShowSortMark(1, false);
    for (auto mode : modes) {
        list.SetHeaderSortDisplayMode(mode);
        const bool drawn = mode == hylvLeftAlign || mode == hylvRightAlign;
        EXPECT_EQ(header.OwnerDrawn(), drawn) << mode;
        for (int section = 0; section < 3; ++section) {
            const bool marked = section == 1;
            EXPECT_EQ(header.SystemMark(section), marked && !drawn ? QStyleOptionHeader::SortDown : QStyleOptionHeader::None)
                << mode << " " << section;
            EXPECT_EQ(header.MarkRect(section, wide).isEmpty(), !(marked && drawn)) << mode << " " << section;
        }
    }
    list.SetHeaderSortDisplayMode(hylvLeftAlign);
    const QRect left = header.MarkRect(1, wide);
    EXPECT_EQ(left.height() % 2, 1);
    EXPECT_LT(left.right(), wide.center().x());
    list.SetHeaderSortDisplayMode(hylvRightAlign);
    EXPECT_GT(header.MarkRect(1, wide).left(), wide.center().x());
    // A column narrower than twice the mark gets none.
    EXPECT_TRUE(header.MarkRect(1, QRect(0, 0, left.width() * 2, 20)).isEmpty());
    list.ShowSortMark(1, true);
    list.SetHeaderSortDisplayMode(hylvRightOfText);
    EXPECT_EQ(header.SystemMark(1), QStyleOptionHeader::SortUp);
}

// The group's caption is a display text: UTF-7 written in it shows as the
// characters it stands for.
TEST_F(TreeListTest, GroupCaptionsAreReadAsUtf7) {
    THyGroup group(nullptr, hyfsGroup);
    group.SetCaption("A+ImIDkQ. +-1");
    EXPECT_EQ(group.DisplayedCaption(), QString::fromStdU16String(u"A\u2262\u0391. +1"));
    THyGroup encoded(nullptr, hyfsGroup), plain(nullptr, hyfsGroup);
    encoded.SetCaption("Day +AGEAYg-");
    plain.SetCaption("Day ab");
    for (THyGroup* shown : {&encoded, &plain}) shown->resize(160, 60);
    EXPECT_EQ(encoded.grab().toImage(), plain.grab().toImage());
    plain.SetCaption("Day cd");
    EXPECT_NE(encoded.grab().toImage(), plain.grab().toImage());
}

// Etched and bumped frames are two lines deep: a sunken line with a raised
// one inside it, or the other way round.
TEST_F(TreeListTest, EtchedAndBumpedFramesAreDrawnDouble) {
    for (const THyFrameStyle style : {hyfsDint, hyfsBump}) {
        THyGroup group(nullptr, style);
        group.resize(40, 30);
        const QImage picture = group.grab().toImage();
        const QRgb dark = group.palette().dark().color().rgb(), light = group.palette().light().color().rgb();
        const QRgb outer = style == hyfsDint ? dark : light, inner = style == hyfsDint ? light : dark;
        EXPECT_EQ(picture.pixel(0, 10), outer) << style;
        EXPECT_EQ(picture.pixel(1, 10), inner) << style;
        EXPECT_EQ(picture.pixel(39, 10), inner) << style;
        EXPECT_EQ(picture.pixel(38, 10), outer) << style;
        EXPECT_EQ(picture.pixel(20, 2), group.palette().window().color().rgb()) << style;
    }
}

}  // namespace
}  // namespace kestrune::shell
