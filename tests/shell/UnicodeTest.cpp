// The wide string list's growth, the path parts and the UTF-7 display texts.
#include "shell/UHyUnicode.h"

#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

TEST(Unicode, Utf7DecodesAsTheRfcSays) {
    EXPECT_EQ(DecodeUtf7("A+ImIDkQ."), u"A\u2262\u0391.");
    EXPECT_EQ(DecodeUtf7("+-"), u"+");
    EXPECT_EQ(DecodeUtf7("Hi Mom -+Jjo--!"), u"Hi Mom -\u263a-!");
    EXPECT_EQ(DecodeUtf7("+AGEAYg x"), u"ab x");  // a blank ends the section and is kept
    EXPECT_EQ(DecodeUtf7("+AG"), u"");             // leftover bits are dropped
    EXPECT_EQ(DisplayText(u"\u4141+-"), u"A+");    // the high byte is lost first
}

TEST(Unicode, ListGrowsByItsCapacityUpToStepsOf256) {
    THyStringListW list;
    EXPECT_EQ(list.GetCapacity(), 16);
    const std::pair<int, int> steps[] = {{17, 32}, {257, 512}, {513, 768}};
    for (const auto& [count, capacity] : steps) {
        while (list.GetCount() < count) list.Add(u"x", static_cast<uint32_t>(list.GetCount()));
        EXPECT_EQ(list.GetCapacity(), capacity) << count;
    }
    EXPECT_EQ(list.GetObject(300), 300u);
    EXPECT_THROW(list.Get(513), EListError);

    THyStringListW copy;
    copy.Assign(std::vector<std::string>{"\xc3\xa9t\xc3\xa9", "b"});
    std::vector<std::u16string> wide;
    copy.AssignTo(wide);
    EXPECT_EQ(wide, (std::vector<std::u16string>{u"\u00e9t\u00e9", u"b"}));
    copy.SetCount(1);
    EXPECT_EQ(copy.GetCount(), 1);
}

TEST(Unicode, PathParts) {
    EXPECT_EQ(DrivePart(u"//server/share/a/b"), u"//server/share");
    EXPECT_EQ(DrivePart(u"C:\\x"), u"C:");
    EXPECT_EQ(DrivePart(u"/home/a"), u"");
    EXPECT_EQ(NamePart(u"/data/n19.hpt"), u"n19.hpt");
    EXPECT_EQ(ExtensionPart(u"/data/n19.thumb.jpg"), u".jpg");
    EXPECT_EQ(ExtensionPart(u"/da.ta/n19"), u"");
    EXPECT_EQ(IncludeTrailingDelimiterW(u"/data"), u"/data/");
    EXPECT_EQ(WStrLCopy(std::u16string(u"ab\0c", 4), 9), u"ab");
    EXPECT_EQ(WStrLCopy(u"abc", 0), u"");
}

}  // namespace
}  // namespace kestrune::shell
