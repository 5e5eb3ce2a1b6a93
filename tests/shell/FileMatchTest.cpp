// Wildcard masks and mask lists, with the cases the file list's filter meets.
#include "shell/UHyFileMatch.h"

#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

struct TCase {
    const char16_t* Name;
    const char16_t* Mask;
    int Flags;
    bool Matches;
};

TEST(FileMatch, Masks) {
    const TCase cases[] = {
        {u"A.HPT", u"*.hpt", 0, true},
        {u"A.HPT", u"*.hpt", fmCaseSensitive, false},
        {u"abc.d", u"*", 0, true},
        {u"abc.d", u"*.*", 0, true},
        {u"abc", u"*.*", 0, false},
        {u"a", u"a?", 0, false},
        {u"abc", u"abc*", 0, true},
        {u"n19.thumb.jpg", u"*.thumb.jpg", 0, true},
        {u"n19.jpg", u"*.thumb.jpg", 0, false},
        {u"abcabd", u"*abd", 0, true},
        {u"ab", u"*?b", 0, true},
        {u"", u"*?", 0, false},
        {u"\u00e9t\u00e9.hpt", u"\u00c9T\u00c9.*", 0, true},
        {u"dx", u"[!a-c]x", fmBracketSets, true},
        {u"bx", u"[!a-c]x", fmBracketSets, false},
        {u"]", u"[]]", fmBracketSets, true},
        {u"b", u"[A-C]", fmBracketSets, false},
        // Set members compare by their exact code, single ones as ranges do.
        {u"a.hpt", u"[A].hpt", fmBracketSets, false},
        {u"A.hpt", u"[A].hpt", fmBracketSets, true},
        {u"n", u"[!N]", fmBracketSets, true},
        {u"-", u"[c-a]", fmBracketSets, true},
        {u"b", u"[c-a]", fmBracketSets, false},
        {u"q1", u"*[0-9]", fmBracketSets, true},
        {u"b", u"[abc", fmBracketSets, true},
        {u"[a]", u"[a]", 0, true},
        {u"a", u"[a]", 0, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(MatchesMask(c.Name, c.Mask, c.Flags), c.Matches)
            << std::string(c.Name, c.Name + std::char_traits<char16_t>::length(c.Name)) << " / " << c.Flags;
}

TEST(FileMatch, MaskLists) {
    EXPECT_TRUE(MatchesMaskList(u"n19.hpt", u"*.thumb.jpg;*.hpt", 0));
    EXPECT_FALSE(MatchesMaskList(u"n19.hpt", u"*.thumb.jpg; *.hpt", 0));
    EXPECT_TRUE(MatchesMaskList(u"anything", u"", 0));
    EXPECT_TRUE(MatchesMaskList(u"", u";", 0));
    EXPECT_FALSE(MatchesMaskList(u"x", u";", 0));

    std::optional<size_t> position = 0;
    EXPECT_EQ(NextMask(u"a;b;", position), u"a");
    EXPECT_EQ(NextMask(u"a;b;", position), u"b");
    EXPECT_FALSE(position);
}

}  // namespace
}  // namespace kestrune::shell
