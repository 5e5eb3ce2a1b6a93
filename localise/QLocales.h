// Language ids and what the localisation library asks of them: English and
// three-letter names, ANSI code pages and font charsets, reading order. The
// system's locale data is the fixed table of 135 Windows locales.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrune {

class ELocalesError : public Exception {
public:
    using Exception::Exception;
};

struct TLocaleRow {
    uint16_t id;
    const char* name;      // the Windows name, "English (United States)"
    const char* abbrev;    // three-letter abbreviated language name, "ENU"
    uint16_t codePage;     // default ANSI code page; 0 for a Unicode-only locale
    const char* tag;       // the locale's name in ICU and glibc terms, "en_US"
};

// The table, in name order.
std::span<const TLocaleRow> LocaleTable();

// Locale information items.
constexpr uint32_t LOCALE_SLANGUAGE = 2;
constexpr uint32_t LOCALE_SABBREVLANGNAME = 3;
constexpr uint32_t LOCALE_SENGLANGUAGE = 0x1001;
constexpr uint32_t LOCALE_IDEFAULTANSICODEPAGE = 4100;

constexpr uint16_t PrimaryLanguage(uint32_t id) { return static_cast<uint16_t>(id & 1023); }

// The user's language, from the environment's locale (English (United States) for "C").
uint16_t UserDefaultLangId();

// Raises ELocalesError "Can not get locale info" for an id the system does not know;
// id 0 stands for the user's language.
std::string GetLocaleText(uint32_t id, uint32_t item);
std::string GetLocaleEnglishName(uint32_t id);
// Three letters ("ENU"); the first two for a primary language alone ("EN" for 9).
std::string GetLocaleAbbrevName(uint32_t id);
// The locale's name in ICU and glibc terms ("de_DE"; "en_US" for English alone); raises as GetLocaleText.
std::string LocaleTag(uint32_t id);
// The first locale whose abbreviation equals abbrev without case; 0 when none.
uint16_t AbbrevNameToLocale(std::string_view abbrev);
// The locale's ANSI code page, else the system's.
uint16_t LocaleCodePage(uint32_t id);
uint8_t LocaleToCharset(uint32_t id);
std::u16string AnsiToWideOf(std::string_view bytes, uint32_t id);
std::string WideToAnsiOf(std::u16string_view text, uint32_t id);
// True when a byte 128-255 of the locale's code page is a right-to-left character.
bool IsRightToLeftLocale(uint32_t id);
// Text in upper case by the language's rules (Turkish and Azeri "i" become a dotted capital).
std::u16string UpperText(std::u16string_view text, uint32_t id);
// An ANSI text of the locale's code page in the locale's upper case.
std::string MapAnsi(std::string_view text, uint32_t id);

}  // namespace kestrune
