// Text conversions of the resource and language formats: UTF-8 (our strings)
// to and from UTF-16 (the files' wide strings), and the Windows ANSI code
// pages through iconv, with each code page's font charset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// A name's byte kept in a text (ShownFileNameText) becomes U+FFFD, as shown.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The system ANSI code page that stands in when a locale has none of its own.
constexpr uint16_t SystemAnsiCodePage = 1252;

// Bytes of a Windows code page (874, 932, 936, 949, 950, 1250-1258) to UTF-16;
// bytes the code page does not define become U+FFFD.
std::u16string AnsiToWide(std::string_view bytes, uint16_t codePage);
// UTF-16 to a code page; characters it cannot hold become "?".
std::string WideToAnsi(std::u16string_view text, uint16_t codePage);

// The codec of the user's locale, as the environment names it (LC_ALL,
// LC_CTYPE, LANG: "de_DE.ISO-8859-1" gives "ISO-8859-1"); "UTF-8" when it
// names none. It stands for the system's 8-bit code page: 8-bit text that
// programs exchange (file names, text on the clipboard) is in it.
std::string LocaleCodeset();
// Bytes of the locale's codec to UTF-16 and back; what the codec cannot
// read becomes U+FFFD, what it cannot hold "?".
std::u16string LocaleToWide(std::string_view bytes);
std::string WideToLocale(std::u16string_view text);
// A text of the program (UTF-8) in the locale's codec, as a terminal or a
// station's log under that locale reads it, converted whole: the names it
// holds (ShownFileNameText) come out as the bytes they have on disk, under
// a UTF-8 locale too. A run of bytes that is not UTF-8 throughout already
// holds a name's own bytes and stays as it is (they may pair into UTF-8
// here and there: EUC-JP's D5 A5 does).
std::string LocaleTextFromUtf8(std::string_view text);
// A text of the program as a window shows it: each byte of a name that is
// no character becomes U+FFFD.
std::string ShownText(std::string_view text);
// A text of the program as a text file keeps it (diagnostics, fire lists,
// the debug log): each byte of a name that is no character written back as
// that byte, as a UTF-8 terminal gets it.
std::string StoredText(std::string_view text);
// File names are bytes, from every source to every use. Where a name must
// travel as characters (UTF-16 lists, the shell controls' wide paths) it is
// read in the locale's codec, and each byte the codec cannot read (or reads
// as a character written as other bytes) becomes U+DC80..U+DCFF, so that the
// name goes back to the same bytes.
std::u16string WideFromFileName(std::string_view bytes);
std::string FileNameFromWide(std::u16string_view name);
// The characters of a name (each once, in their order) that the locale's
// codec cannot write: a name given them would be written with "?" in
// their place. A name's own bytes carried as U+DC80..U+DCFF are held.
std::u16string CharactersNoFileNameHolds(std::u16string_view name);
// Whether the locale's codec reads the whole name as characters.
bool IsTextFileName(std::string_view bytes);
// A name as it is shown: each byte no character is U+FFFD.
std::u16string ShownFileName(std::u16string_view name);
std::u16string ShownFileName(std::string_view bytes);
// A name as the program's texts (UTF-8) hold it: read in the locale's
// codec, each byte that is no character kept as U+DC80..U+DCFF in UTF-8's
// three-byte form, which a window shows as U+FFFD (ShownText) and standard
// error writes as the byte it is (LocaleTextFromUtf8).
std::string ShownFileNameText(std::string_view bytes);

// The ANSI code page of a Windows language id, as the localisation library
// knows it (it installs the lookup); 0 when unknown or nothing is installed.
uint16_t LanguageCodePage(uint32_t languageId);
void SetLanguageCodePageLookup(uint16_t (*lookup)(uint32_t languageId));
// Bytes of a language's code page, or of the locale's codec when the language has none known.
std::u16string LanguageBytesToWide(std::string_view bytes, uint32_t languageId);
std::string WideToLanguageBytes(std::u16string_view text, uint32_t languageId);

// Font charset of a code page (1 = default charset when unknown).
uint8_t CodePageCharset(uint16_t codePage);

// True for characters of right-to-left scripts (Hebrew, Arabic, Syriac, Thaana...).
bool IsRightToLeftChar(char32_t c);

}  // namespace kestrune
