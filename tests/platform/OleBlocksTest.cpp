// The transfer blocks: drop-files lists, item ID list arrays, text and values
// written and read back, blocks laid out by hand byte for byte, and damaged
// blocks that must give no data and never a read outside the block.
#include "platform/OleBlocks.h"
#include "platform/OleCore.h"
#include "platform/ResCodePages.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/EnvironmentSetting.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

namespace kestrune::ole {
namespace {

using TNames = std::vector<std::string>;

TBytes Bytes(std::initializer_list<int> values) {
    TBytes bytes;
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

TItemIdList Path(const std::string& path) { return *IdListFromPath(path); }

TEST(OleBlocks, DropFilesRoundTripInBothWidths) {
    const TNames names{"/data/2024-01-01-1200.hpt", "/data/\xC3\xA9t\xC3\xA9.l1b", "/x/\xF0\x9F\x9B\xB0.raw"};
    for (bool wide : {true, false}) {
        const TBytes block = WriteDropFiles(names, wide);
        EXPECT_EQ(ReadDropFiles(block), names) << wide;
        EXPECT_EQ(Get32(block.data()), 20u);
        EXPECT_EQ(Get32(block.data() + 16), wide ? 1u : 0u);
    }
    // 20 + two characters and terminator of "ab", doubled, + the closing empty name.
    EXPECT_EQ(WriteDropFiles({"ab"}).size(), 20u + 6u + 2u);
}

TEST(OleBlocks, DropFilesAsAnotherProgramLaysThemOut) {
    // Wide, first name U+0100 (low byte zero) then "b"; names start at 24.
    TBytes wide = Bytes({24, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9,
                         0x00, 0x01, 0, 0, 'b', 0, 0, 0, 0, 0});
    EXPECT_EQ(ReadDropFiles(wide), (TNames{"\xC4\x80", "b"}));
    const TBytes narrow = Bytes({20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 'a', '.', 'h', 'p', 't', 0, 'b', 0, 0});
    EXPECT_EQ(ReadDropFiles(narrow), (TNames{"a.hpt", "b"}));
}

TEST(OleBlocks, DamagedDropFilesGiveOnlyWhatLiesInside) {
    const TBytes good = WriteDropFiles({"abc", "de"}, false);
    struct TCase {
        const char* What;
        TBytes Block;
        TNames Expected;
    };
    TBytes offsetOutside = good;
    Put32(offsetOutside, 0, 0xFFFFFFF0u);
    TBytes offsetAtEnd = good;
    Put32(offsetAtEnd, 0, static_cast<uint32_t>(good.size()));
    TBytes unterminated = good;
    unterminated.resize(good.size() - 3);  // "de" loses its zero and the list end
    TBytes wideOdd = WriteDropFiles({"ab", "cd"});
    wideOdd.resize(wideOdd.size() - 5);  // "cd" cut in the middle of a character
    const std::vector<TCase> cases{
        {"header only", TBytes(20, 0), {}},
        {"shorter than a header", TBytes(3, 0), {}},
        {"offset far outside", offsetOutside, {}},
        {"offset at the end", offsetAtEnd, {}},
        {"last name unterminated", unterminated, {"abc"}},
        {"wide, odd byte count", wideOdd, {"ab"}},
        {"empty list", WriteDropFiles({}), {}},
    };
    for (const TCase& c : cases) EXPECT_EQ(ReadDropFiles(c.Block), c.Expected) << c.What;
}

TEST(OleBlocks, IdListArrayRoundTripAndLayout) {
    const std::vector<TItemIdList> lists{Path("/data"), Path("/a.hpt"), Path("/sub/b.l1b")};
    const TBytes block = WriteIdListArray(lists);
    EXPECT_EQ(Get32(block.data()), 2u);
    EXPECT_EQ(Get32(block.data() + 4), 16u);  // after the count and three offsets
    EXPECT_EQ(Get32(block.data() + 8), 16u + lists[0].size());
    EXPECT_EQ(block.size(), 16u + lists[0].size() + lists[1].size() + lists[2].size());
    const auto read = ReadIdListArray(block);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, lists);
}

TEST(OleBlocks, DamagedIdListArraysGiveNoData) {
    const TBytes good = WriteIdListArray({Path("/data"), Path("/a.hpt")});
    auto with32 = [&](size_t at, uint32_t value) {
        TBytes block = good;
        Put32(block, at, value);
        return block;
    };
    TBytes cutList = good;
    cutList.resize(good.size() - 1);
    TBytes badItemSize = good;
    badItemSize[Get32(good.data() + 8)] = 1;  // an item of size 1 never advances
    const std::vector<std::pair<const char*, TBytes>> cases{
        {"parent only", WriteIdListArray({Path("/data")})},
        {"count that overflows 32 bits", with32(0, 0xFFFFFFFFu)},
        {"count beyond the block", with32(0, 1000)},
        {"offset outside", with32(8, 0x7FFFFFFFu)},
        {"offset at the end", with32(4, static_cast<uint32_t>(good.size()))},
        {"list without terminator", cutList},
        {"item size 1", badItemSize},
        {"three bytes", Bytes({1, 0, 0})},
    };
    for (const auto& [what, block] : cases) EXPECT_FALSE(ReadIdListArray(block)) << what;
}

TEST(OleBlocks, ItemIdListsSplitAndJoin) {
    const TItemIdList list = Path("/home/user/a.hpt");
    EXPECT_EQ(list.itemCount(), 3u);
    EXPECT_EQ(PathFromIdList(list.parent()), "/home/user");
    EXPECT_EQ(PathFromIdList(list.last()), "/a.hpt");
    EXPECT_EQ(list.leading(1).combine(list.trailing(1)), list);
    EXPECT_EQ(PathFromIdList(list.item(1)), "/user");
    EXPECT_TRUE(list.item(3).isEmpty());
    EXPECT_EQ(PathFromIdList(TItemIdList()), "/");
    EXPECT_FALSE(IdListFromPath("relative/a.hpt"));
    const uint8_t virtualItem[] = {0x1F, 'x'};
    EXPECT_FALSE(PathFromIdList(list.combine(TItemIdList::fromItem(virtualItem))));
    const uint8_t hostileName[] = {0x31, '.', '/', '.'};
    EXPECT_FALSE(PathFromIdList(TItemIdList::fromItem(hostileName)));
}

TEST(OleBlocks, TextBlocksCutAtTheirFirstZero) {
    EXPECT_EQ(ReadAnsiText(Bytes({'a', 'b', 'c', 0, 'x', 'y'})), "abc");
    EXPECT_EQ(ReadAnsiText(Bytes({'a', 'b'})), "ab");
    EXPECT_EQ(ReadWideText(Bytes({'a', 0, 'b', 0, 0, 0, 'x', 0})), u"ab");
    EXPECT_EQ(ReadWideText(Bytes({'a', 0, 'b'})), u"a");
    EXPECT_EQ(WriteAnsiText("ab"), Bytes({'a', 'b', 0}));
    EXPECT_EQ(WriteAnsiText(std::string_view("ab\0", 3)), Bytes({'a', 'b', 0}));
    EXPECT_EQ(WriteWideText(u"\u00e9"), Bytes({0xE9, 0, 0, 0}));
    EXPECT_EQ(ReadWideText(WriteWideText(u"Tr\u00f8ndelag")), u"Tr\u00f8ndelag");
    EXPECT_EQ(ReadDword(WriteDword(0x80000001u)), 0x80000001u);
    EXPECT_FALSE(ReadDword(Bytes({1, 2, 3})));
}

TEST(OleBlocks, Utf16ConversionReplacesMalformedSequences) {
    EXPECT_EQ(Utf8FromWide(WideFromUtf8("a\xF0\x9F\x9B\xB0z")), "a\xF0\x9F\x9B\xB0z");
    EXPECT_EQ(WideFromUtf8("\xC3"), u"\uFFFD");
    EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
    EXPECT_EQ(Utf8FromWide(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

TEST(OleBlocks, EightBitTextIsInTheCodecTheLocaleNames) {
    const char* saved = std::getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    const struct {
        const char* locale;
        const char* codeset;
        std::string_view bytes;  // "Ü" and "€"
    } cases[] = {
        {"de_DE.ISO-8859-1", "ISO-8859-1", "\xdc?"},
        {"de_DE.ISO-8859-15@euro", "ISO-8859-15", "\xdc\xa4"},
        {"ru_RU.KOI8-R", "KOI8-R", "??"},
        {"de_DE.utf8", "utf8", "\xc3\x9c\xe2\x82\xac"},
        {"C", "UTF-8", "\xc3\x9c\xe2\x82\xac"},  // a locale that names no codec
    };
    for (const auto& c : cases) {
        setenv("LC_ALL", c.locale, 1);
        EXPECT_EQ(LocaleCodeset(), c.codeset) << c.locale;
        EXPECT_EQ(WideToLocale(u"\u00dc\u20ac"), c.bytes) << c.locale;
        EXPECT_EQ(FileNameFromWide(u"\u00dc\u20ac"), c.bytes) << c.locale;
    }
    setenv("LC_ALL", "ru_RU.KOI8-R", 1);
    EXPECT_EQ(LocaleToWide("\xe6\xc1\xca\xcc"), u"\u0424\u0430\u0439\u043b");
    setenv("LC_ALL", "ja_JP.EUC-JP", 1);
    EXPECT_EQ(WideFromFileName("\xa5\xd5\xa5\xa1\xa5\xa4\xa5\xeb"), u"\u30d5\u30a1\u30a4\u30eb");
    EXPECT_EQ(LocaleToWide("a\xa5"), u"a\ufffd");  // a character cut short
    setenv("LC_ALL", restore.c_str(), 1);
}

// The locale that reads names is the C library's: LC_ALL before LC_CTYPE
// before LANG, as a station's run under LC_ALL=de_DE.ISO-8859-1 on a desktop
// of UTF-8 has it.
TEST(OleBlocks, NamesAreReadInLcAllThenLcCtypeThenLang) {
    const std::u16string read = u"230503_1200_noaa18_\u00DC";
    const std::u16string kept = u"230503_1200_noaa18_\xDCDC";  // the byte kept, no character of UTF-8
    // LC_ALL, LC_CTYPE and LANG (null: not set), the codec and the name "230503_1200_noaa18_\xDC" read in it.
    const std::vector<std::tuple<std::array<const char*, 3>, const char*, std::u16string>> cases{
        {{"de_DE.ISO-8859-1", "C.UTF-8", "en_US.UTF-8"}, "ISO-8859-1", read},
        {{nullptr, "de_DE.ISO-8859-1", "C.UTF-8"}, "ISO-8859-1", read},
        {{"C.UTF-8", "de_DE.ISO-8859-1", nullptr}, "UTF-8", kept},
        {{nullptr, nullptr, "de_DE.ISO-8859-1"}, "ISO-8859-1", read},
        {{"", "C.UTF-8", "de_DE.ISO-8859-1"}, "UTF-8", kept},
    };
    for (const auto& [variables, codeset, name] : cases) {
        const testing::TEnvironmentSetting all("LC_ALL", variables[0]), ctype("LC_CTYPE", variables[1]),
            lang("LANG", variables[2]);
        const std::string trace = std::string(variables[0] ? variables[0] : "-") + " " + (variables[1] ? variables[1] : "-");
        EXPECT_EQ(LocaleCodeset(), codeset) << trace;
        EXPECT_EQ(WideFromFileName("230503_1200_noaa18_\xDC"), name) << trace;
    }
}

// A locale named without its codeset, as older systems name theirs, has the
// one the C library gives it (compiled into a test folder when it is not
// installed); the plain C locale and one that is not there leave UTF-8.
TEST(OleBlocks, ALocaleNamedWithoutItsCodesetHasTheLibrarysOne) {
    const testing::TTempFolder folder;
    for (const char* made : {"de_DE ISO-8859-1", "ja_JP EUC-JP"}) {
        const std::string name(made, std::string_view(made).find(' '));
        const std::string command =
            "localedef -i " + name + " -f " + (made + name.size() + 1) + " '" + (folder / name) + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef could not make " << made;
    }
    const testing::TEnvironmentSetting locales("LOCPATH", folder.Path().c_str()), ctype("LC_CTYPE", nullptr),
        lang("LANG", nullptr);
    const std::vector<std::tuple<const char*, const char*, std::u16string>> cases{
        {"de_DE", "ISO-8859-1", u"230503_1200_noaa18_\u00DC"},
        {"ja_JP", "EUC-JP", u"230503_1200_noaa18_\xDCDC"},  // a lone lead byte of EUC-JP: kept
        {"C", "UTF-8", u"230503_1200_noaa18_\xDCDC"},
        {"xx_YY", "UTF-8", u"230503_1200_noaa18_\xDCDC"},
    };
    for (const auto& [locale, codeset, name] : cases) {
        const testing::TEnvironmentSetting all("LC_ALL", locale);
        EXPECT_EQ(LocaleCodeset(), codeset) << locale;
        EXPECT_EQ(WideFromFileName("230503_1200_noaa18_\xDC"), name) << locale;
    }
}

// A name is bytes: a dropped 8-bit name must open the file it names, whatever
// the locale's codec can read of it.
TEST(OleBlocks, EightBitNamesKeepTheirBytesInEveryLocale) {
    const char* saved = std::getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    const std::string notUtf8 = "/data/N18_\xda\xda\x80\xe0\x80\x80_1200.hpt";  // E0 80 80 once read as U+0000
    TBytes listed(notUtf8.begin(), notUtf8.end());
    listed.insert(listed.end(), 3, 0);  // the name's end and the list's
    for (const char* locale : {"C.UTF-8", "C", "de_DE.ISO-8859-1", "ru_RU.KOI8-R", "ja_JP.EUC-JP"}) {
        setenv("LC_ALL", locale, 1);
        const TBytes block = WriteDropFiles({notUtf8}, false);
        EXPECT_EQ(TBytes(block.begin() + 20, block.end()), listed) << locale;
        EXPECT_EQ(ReadDropFiles(block), TNames{notUtf8}) << locale;
        EXPECT_EQ(FileNameFromWide(WideFromFileName(notUtf8)), notUtf8) << locale;
        EXPECT_EQ(ReadDropFiles(WriteDropFiles({notUtf8}, true)), TNames{notUtf8}) << locale;
    }
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(ReadDropFiles(WriteDropFiles({notUtf8}, false)), TNames{notUtf8});
    // A character beyond U+FFFF ends in a low surrogate that is no kept byte.
    for (const std::string name : {"\xF0\x90\x82\x80", "\xF0\x90\x82\x80\x80", "\x80\xF0\x90\x83\xBF"}) {
        EXPECT_EQ(FileNameFromWide(WideFromFileName(name)), name);
        EXPECT_EQ(ReadDropFiles(WriteDropFiles({name}, true)), TNames{name});
    }
    EXPECT_TRUE(IsTextFileName("\xF0\x90\x82\x80"));
    EXPECT_EQ(ShownFileName(std::string_view("\xF0\x90\x82\x80\x80")), u"\U00010080\uFFFD");
    // Our own lists of such names are 8-bit, which other programs read as the bytes.
    EXPECT_FALSE(IsTextFileName(notUtf8));
    EXPECT_EQ(Get32(WriteDropFiles({"/data/a.hpt", notUtf8}).data() + 16), 0u);
    EXPECT_NE(Get32(WriteDropFiles({"/data/a.hpt", "/data/\xc3\x9c.hpt"}).data() + 16), 0u);
    setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
    // A name in the locale's bytes is those bytes, and reads as its characters.
    EXPECT_EQ(ReadDropFiles(WriteDropFiles({"/data/\xdc" "berflug.hpt"}, false)), TNames{"/data/\xdc" "berflug.hpt"});
    EXPECT_EQ(WideFromFileName("/data/\xdc" "berflug.hpt"), u"/data/\u00dc" "berflug.hpt");
    EXPECT_EQ(ShownFileName(std::string_view("\xdc")), u"\u00dc");
    setenv("LC_ALL", "ja_JP.EUC-JP", 1);
    EXPECT_EQ(WideFromFileName("\xa5\xd5" "a\xa5"), u"\u30d5" "a\xdca5");  // a character cut short stays a byte
    EXPECT_EQ(ShownFileName(std::string_view("\xa5\xd5" "a\xa5")), u"\u30d5" "a\ufffd");
    setenv("LC_ALL", "ja_JP.CP932", 1);  // where several byte pairs read as one character
    // "\xEE\xCA" reads as a character that is written as other bytes; kept as
    // bytes it must not join the next byte into a character of UTF-8.
    for (const std::string name : {"\x87\x90.hpt", "\xEE\xEE\xF6", "\xEE\xEE" "A", "0\x86\xEE\xCA\x86\x86"})
        EXPECT_EQ(FileNameFromWide(WideFromFileName(name)), name);
    setenv("LC_ALL", restore.c_str(), 1);
    EXPECT_EQ(Utf8ToUtf16("\xe0\x80\x80"), u"\ufffd\ufffd\ufffd");  // an overlong NUL is no character
}

TEST(OleBlocks, TheDropFilesFuzzFindingOfEightBitNamesReadsBack) {
    const std::filesystem::path finding =
        std::filesystem::path(KESTRUNE_TESTDATA_DIR) / "fuzz-findings" / "drop-files-8bit-names.bin";
    std::ifstream in(finding, std::ios::binary);
    if (!in) GTEST_SKIP() << "no " << finding;
    const TBytes block((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TNames names = ReadDropFiles(block);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(ReadDropFiles(WriteDropFiles(names, false)), names);
    EXPECT_EQ(TBytes(names[0].begin(), names[0].end()), TBytes(block.begin() + 20, block.begin() + 20 + names[0].size()));
}

TEST(OleBlocks, AStorageHoldsTheDataAsOneStream) {
    const TBytes data = Bytes({'p', 'a', 's', 's'});
    STGMEDIUM medium = MediumOf(data, TYMED_ISTORAGE);
    EXPECT_EQ(medium.tymed, TYMED_ISTORAGE);
    TBytes read;
    ASSERT_TRUE(ReadMediumBytes(medium, read));
    EXPECT_EQ(read, data);
    std::shared_ptr<IStream> contents;
    ASSERT_EQ(medium.pstg->OpenContents(contents), S_OK);
    uint64_t size = 0;
    contents->Stat(size);
    EXPECT_EQ(size, 4u);
    ReleaseStgMedium(medium);
    EXPECT_FALSE(ReadMediumBytes(medium, read));
    EXPECT_EQ(FirstMedium(TYMED_ISTORAGE | TYMED_ISTREAM), TYMED_ISTREAM);
    EXPECT_EQ(FirstMedium(TYMED_FILE), TYMED_NULL);
}

}  // namespace
}  // namespace kestrune::ole
