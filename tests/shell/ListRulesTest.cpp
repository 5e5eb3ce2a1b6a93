#include "platform/ShellNamespace.h"
#include "platform/SysUtils.h"
#include "shell/UHyListRules.h"

#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

TEST(ListRulesTest, WidthStreamRoundTripsAndKeepsToTheColumns) {
    const std::vector<int32_t> widths{200, 60, 100, 120};
    const auto stream = WriteColumnWidths(widths);
    ASSERT_EQ(stream.size(), 20u);
    EXPECT_EQ(stream[0], 4);
    EXPECT_EQ(stream[4], 200);
    EXPECT_EQ(ReadColumnWidths(stream, 4), widths);
    // More widths than columns: only as many as there are columns.
    EXPECT_EQ(ReadColumnWidths(stream, 2), (std::vector<int32_t>{200, 60}));
    // Fewer in a stream cut short: those it holds.
    EXPECT_EQ(ReadColumnWidths(std::span(stream).first(13), 4), (std::vector<int32_t>{200, 60}));
    for (size_t cut = 0; cut < 4; ++cut) EXPECT_TRUE(ReadColumnWidths(std::span(stream).first(cut), 4).empty());
    const std::vector<uint8_t> negative{0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
    EXPECT_TRUE(ReadColumnWidths(negative, 4).empty());
}

TEST(ListRulesTest, DirectoryColsAreReadOnlyUpTo22Bytes) {
    EXPECT_EQ(DirectoryColsFrom(std::nullopt).Widths(), (std::array<int, 4>{200, 60, 100, 120}));
    EXPECT_EQ(DirectoryColsFrom(std::vector<uint8_t>(23, 1)).Widths(), (std::array<int, 4>{200, 60, 100, 120}));
    const auto stored = DirectoryColsFrom(std::vector<uint8_t>{0x2C, 1, 80, 0, 90, 0, 110, 0});
    EXPECT_EQ(stored.Size, 8u);
    EXPECT_EQ(stored.Widths(), (std::array<int, 4>{300, 80, 90, 110}));
    EXPECT_TRUE(stored.SameAs(stored));
    EXPECT_FALSE(stored.SameAs(TDirectoryCols{}));
}

TEST(ListRulesTest, SortColumnFollowsHeaderClicks) {
    const struct {
        int Sort, Clicked, After;
    } clicks[] = {{-2, 1, 1}, {1, 1, -1}, {-1, 1, 1}, {1, 3, 3}, {-3, 3, 3}};
    for (const auto& c : clicks) EXPECT_EQ(SortColumnAfterClick(c.Sort, c.Clicked), c.After) << c.Sort << " " << c.Clicked;
    EXPECT_EQ(SortOrder(-2, 1), -1);
    EXPECT_EQ(SortOrder(2, 1), 1);
    EXPECT_EQ(SortColumnWithin(-5, 4), 1);
    EXPECT_EQ(SortColumnWithin(-4, 4), -4);
}

TEST(ListRulesTest, DifferenceKeepsWhatBothEnumerationsHold) {
    const auto item = [](const char* name) { return *IdListFromPath(std::string("/") + name); };
    const std::vector<TItemIdList> shown{item("c"), item("a"), item("b"), item("d")};
    const std::vector<TItemIdList> found{item("e"), item("A"), item("d"), item("b")};
    const auto order = [](const TItemIdList& x, const TItemIdList& y) {
        return CompareNames(*PathFromIdList(x), *PathFromIdList(y));
    };
    const TListDifference difference = DifferenceOf(shown, found, order);
    // "A" is not "a": names differing in case are different items.
    EXPECT_EQ(difference.Vanished, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(difference.Appeared, (std::vector<size_t>{0, 1}));
    EXPECT_TRUE(DifferenceOf(shown, shown, order).Appeared.empty());
    // A folder that calls differing lists the same item keeps the row.
    const auto caseless = [](const TItemIdList& x, const TItemIdList& y) {
        return LowerCase(*PathFromIdList(x)).compare(LowerCase(*PathFromIdList(y)));
    };
    const TListDifference folded = DifferenceOf(shown, found, caseless);
    EXPECT_EQ(folded.Vanished, (std::vector<size_t>{0}));
    EXPECT_EQ(folded.Appeared, (std::vector<size_t>{0}));
}

}  // namespace
}  // namespace kestrune::shell
