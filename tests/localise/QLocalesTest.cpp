#include "localise/QLocales.h"
#include "platform/UserLanguage.h"

#include <gtest/gtest.h>
#include <unicode/uloc.h>

#include <cstdlib>
#include <set>

namespace kestrune {
namespace {

// ICU's own table of Windows language ids decides whether ours pairs each name with the right id.
TEST(QLocalesTest, EveryNameCarriesTheLanguageIdOfIcusLocaleData) {
    ASSERT_EQ(LocaleTable().size(), 135u);
    std::set<uint16_t> ids;
    std::set<std::string> abbrevs;
    for (const TLocaleRow& row : LocaleTable()) {
        EXPECT_EQ(uloc_getLCID(row.tag), row.id) << row.name << " " << row.tag;
        EXPECT_TRUE(ids.insert(row.id).second) << row.name;
        EXPECT_TRUE(abbrevs.insert(row.abbrev).second) << row.abbrev;
        EXPECT_EQ(GetLocaleEnglishName(row.id), row.name);
        EXPECT_EQ(AbbrevNameToLocale(row.abbrev), row.id);
    }
    EXPECT_EQ(GetLocaleEnglishName(1033), "English (United States)");
    EXPECT_EQ(GetLocaleEnglishName(1050), "Croatian");
    EXPECT_EQ(GetLocaleEnglishName(2052), "Chinese (PRC)");
}

// The name a language's catalogues are looked up by: language and country, as ICU and glibc write them.
TEST(QLocalesTest, LocaleTagsNameLanguageAndCountry) {
    EXPECT_EQ(LocaleTag(0x0407), "de_DE");
    EXPECT_EQ(LocaleTag(0x0807), "de_CH");
    EXPECT_EQ(LocaleTag(0x0411), "ja_JP");
    EXPECT_EQ(LocaleTag(7), "de_DE") << "a language alone: its home country";
    EXPECT_EQ(LocaleTag(9), "en_US");
    EXPECT_THROW(LocaleTag(0x7F7F), ELocalesError);
}

TEST(QLocalesTest, NamesAbbreviationsAndCodePages) {
    EXPECT_EQ(GetLocaleAbbrevName(0x0407), "DEU");
    EXPECT_EQ(GetLocaleAbbrevName(9), "EN");
    EXPECT_EQ(GetLocaleEnglishName(9), "English");
    EXPECT_EQ(AbbrevNameToLocale("deu"), 0x0407);
    EXPECT_EQ(AbbrevNameToLocale(""), 0);
    EXPECT_EQ(AbbrevNameToLocale("NTV"), 0);
    EXPECT_THROW(GetLocaleText(0x7F7F, LOCALE_SLANGUAGE), ELocalesError);
    EXPECT_EQ(PrimaryLanguage(0x0C0A), 10);
    EXPECT_EQ(LocaleCodePage(0x0419), 1251);
    EXPECT_EQ(LocaleCodePage(0x0439), 1252);  // Hindi has no ANSI code page: the system's
    EXPECT_EQ(LocaleToCharset(0x0419), 204);
    EXPECT_EQ(LocaleToCharset(0x0411), 128);
    EXPECT_EQ(LocaleToCharset(0x0409), 0);
    EXPECT_EQ(WideToAnsiOf(u"Файл", 0x0419), "\xD4\xE0\xE9\xEB");
    EXPECT_EQ(AnsiToWideOf("\xD4\xE0\xE9\xEB", 0x0419), u"Файл");
    EXPECT_EQ(AnsiToWideOf("\x83\x74\x83\x40\x83\x43\x83\x8B", 0x0411), u"ファイル");
}

TEST(QLocalesTest, RightToLeftFollowsTheCodePagesScript) {
    for (const uint32_t id : {0x0401, 0x040D, 0x0429, 0x0420}) EXPECT_TRUE(IsRightToLeftLocale(id)) << id;
    for (const uint32_t id : {0x0409, 0x0419, 0x0411, 0x045A}) EXPECT_FALSE(IsRightToLeftLocale(id)) << id;
}

TEST(QLocalesTest, UpperCaseFollowsTheLanguage) {
    EXPECT_EQ(UpperText(u"istanbul \u00e7ay", 0x041F), u"\u0130STANBUL \u00c7AY");  // Turkish dotted capital I
    EXPECT_EQ(UpperText(u"istanbul", 0x0409), u"ISTANBUL");
    EXPECT_EQ(UpperText(u"\u0444\u0430\u0439\u043b", 0x0419), u"\u0424\u0410\u0419\u041b");
    EXPECT_EQ(MapAnsi("\xF4\xE0\xE9\xEB", 0x0419), "\xD4\xC0\xC9\xCB");  // in code page 1251
    EXPECT_EQ(MapAnsi("gr\xfc\xdf" "e", 0x0407), "GR\xdc\xdf" "E");          // "ß" has no capital of one character
    EXPECT_EQ(MapAnsi("ist", 0x041F), "\xddST");                          // 1254 holds the dotted capital
}

TEST(QLocalesTest, UserLanguageComesFromTheEnvironment) {
    const char* saved = std::getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    const std::pair<const char*, uint16_t> cases[] = {
        {"de_DE.UTF-8", 0x0407}, {"de_AT", 0x0C07}, {"de_BE.UTF-8", 0x0407}, {"C.UTF-8", 0x0409}, {"sr_RS@latin", 0x0C1A}, {"fr_SN", 0x040C}, {"xx_YY", 0x0409},
    };
    for (const auto& [locale, id] : cases) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(UserDefaultLangId(), id) << locale;
    }
    setenv("LC_ALL", restore.c_str(), 1);
}

// The platform asks this table for the user's language (text on the clipboard names it).
TEST(QLocalesTest, ThePlatformsUserLanguageIsTheTables) {
    const std::string restore = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
    setenv("LC_ALL", "nb_NO.UTF-8", 1);
    EXPECT_EQ(UserLanguageId(), 0x0414u);
    setenv("LC_ALL", "de_AT.UTF-8", 1);
    EXPECT_EQ(UserLanguageId(), 0x0C07u);
    setenv("LC_ALL", restore.c_str(), 1);
}

}  // namespace
}  // namespace kestrune
