#include "localise/QStrings.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(QStringsTest, PositionsAreOneBased) {
    EXPECT_EQ(PosStr("b", "abcb"), 2);
    EXPECT_EQ(PosStr("B", "abcb"), 0);
    EXPECT_EQ(PosText("B", "abcb"), 2);
    EXPECT_EQ(PosEx("b", "abcb", 3, 1), 4);
    EXPECT_EQ(PosEx("b", "abcb", -5, 2), 4);
    EXPECT_EQ(PosEx("b", "abcb", 1, 3), 0);
    EXPECT_EQ(PosEx("b", "abcb", 5, 1), 0);
    EXPECT_EQ(PosEx("", "abcb", 1, 1), 0);
    EXPECT_EQ(FirstLetterPos("12 x"), 4);
    EXPECT_EQ(FirstLetterPos("12\x80"), 3);
    EXPECT_EQ(FirstLetterPos("123"), 0);
}

TEST(QStringsTest, TextHelpers) {
    EXPECT_TRUE(IsDigits("0123"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("12a"));
    EXPECT_TRUE(HasLetter("1\xE9"));
    EXPECT_FALSE(HasLetter("12 -"));
    EXPECT_EQ(TrimAnsi("\t a b\r\n"), "a b");
    EXPECT_EQ(TextBefore("=", " key = value"), "key");
    EXPECT_EQ(TextBefore("=", " key "), "key");
    std::string left, right;
    SplitAt("::", "a::b::c", left, right);
    EXPECT_EQ(left + "|" + right, "a|b::c");
    SplitAt("::", "abc", left, right);
    EXPECT_EQ(left + "|" + right, "|");
    EXPECT_EQ(ReplaceAll("${FormName}.${FormName}", "${FormName}", "Main"), "Main.Main");
    EXPECT_EQ(JoinPath("C:\\dir\\", "\\name"), "C:\\dir\\name");
    EXPECT_EQ(JoinPath("dir", "name"), "dir\\name");
    EXPECT_EQ(JoinPath("", "name"), "name");
    EXPECT_EQ(JoinDotted("Panel1", "Caption"), "Panel1.Caption");
    EXPECT_EQ(JoinDotted("", "Caption"), "Caption");
    const std::string list[] = {"Alpha", "beta"};
    EXPECT_EQ(IndexOfText(list, "BETA"), 1);
    EXPECT_EQ(IndexOfText(list, "gamma"), -1);
    const std::string_view natives[] = {"exe", "ntv"};
    EXPECT_TRUE(IsInArray("NTV", natives));
}

TEST(QStringsTest, NumbersFromText) {
    EXPECT_EQ(HexToInt("1aF"), 0x1AF);
    EXPECT_EQ(HexToInt(""), 0);
    try {
        HexDigitValue('g');
        FAIL();
    } catch (const EQStringsError& error) {
        EXPECT_STREQ(error.what(), "g is not a hex digit");
    }
    EXPECT_EQ(TextToInt(" -42 "), -42);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_DOUBLE_EQ(TextToFloat(" 2.5"), 2.5);
    EXPECT_THROW(TextToInt("4x"), EConvertError);
}

TEST(QStringsTest, MasksMatchRunsAndSingleCharactersWithoutCaseUnlessAsked) {
    const struct {
        const char* mask;
        const char* text;
        bool caseSensitive;
        bool matches;
    } cases[] = {
        {"*.Caption", "ButtonOpen.Caption", false, true},
        {"*.caption", "ButtonOpen.Caption", false, true},
        {"*.caption", "ButtonOpen.Caption", true, false},
        {"Button?pen*", "ButtonOpen.Hint", false, true},
        {"Button?pen", "ButtonOpen.Hint", false, false},
        {"*Font*", "TrackBarGamma.Font.Name", false, true},
        {"a*b*c", "aXbYbZc", false, true},   // the first "b" taken too early is given back
        {"a*b*c", "aXbYbZ", false, false},
        {"?", "\xc3\x9c", false, true},       // one character of two bytes
        {"\xc3\xbc*", "\xc3\x9c" "bersicht", false, true},  // "ü" and "Ü" without case
        {"", "", false, true},
        {"*", "", false, true},
        {"?", "", false, false},
        {"**x", "abx", false, true},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.mask, c.text, c.caseSensitive), c.matches) << c.mask << " " << c.text;
}

}  // namespace
}  // namespace kestrune
