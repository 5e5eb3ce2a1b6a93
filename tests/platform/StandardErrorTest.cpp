// Standard error in the locale's codec: the program's texts (UTF-8) are
// written as a terminal or a station's log under that locale reads them,
// and the bytes of a name already in the locale stay as they are.
#include "platform/ProgramFolder.h"
#include "platform/ResCodePages.h"
#include "platform/StandardError.h"
#include "tests/support/LocaleFileNames.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

using testing::TLocaleEnvironment;

TEST(StandardError, TextsAreWrittenInTheLocalesCodec) {
    const struct {
        const char* locale;
        std::string text;      // as the program holds it
        std::string written;   // as standard error gets it
    } cases[] = {
        // A name shown as the locale spells it, and the degree sign of a temperature.
        {"de_DE.ISO-8859-1", "\"230503_1200_noaa18_\xC3\x9C.wsd\" does not exist", "\"230503_1200_noaa18_\xDC.wsd\" does not exist"},
        {"de_DE.ISO-8859-1", "-5\xC2\xB0" "C", "-5\xB0" "C"},
        // A text holding a name's own bytes is already in the locale, though
        // some of its bytes pair into UTF-8 (D5 A5).
        {"de_DE.ISO-8859-1", "\xDC.wsd", "\xDC.wsd"},
        {"ja_JP.EUC-JP", "\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB.hpt", "\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB.hpt"},
        // A character the codec cannot hold.
        {"de_DE.ISO-8859-1", "\xE6\x9D\xB1", "?"},
        {"ja_JP.EUC-JP", "noaa18_\xE6\x9D\xB1\xE4\xBA\xAC.wsd", "noaa18_\xC5\xEC\xB5\xFE.wsd"},
        {"ja_JP.SJIS", "noaa18_\xE6\x9D\xB1\xE4\xBA\xAC.wsd", "noaa18_\x93\x8C\x8B\x9E.wsd"},
        {"ja_JP.SJIS", "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB", "\x83\x74\x83\x40\x83\x43\x83\x8B"},
        // A locale named with a modifier, as Debian's euro locales are: the codec before it.
        {"de_DE.ISO-8859-15@euro", "\"230503_1200_noaa18_\xC3\x9C.wsd\" 12 \xE2\x82\xAC", "\"230503_1200_noaa18_\xDC.wsd\" 12 \xA4"},
        {"ja_JP.EUC-JP@cjknarrow", "\xE6\x9D\xB1\xE4\xBA\xAC", "\xC5\xEC\xB5\xFE"},
        // A character past the first 65,536 (a satellite sign in a user's label) is one character.
        {"de_DE.ISO-8859-1", "NOAA 18 \xF0\x9F\x9B\xB0 \xC3\x9C", "NOAA 18 ? \xDC"},
        {"ja_JP.SJIS", "\xF0\x9F\x9B\xB0\xE6\x9D\xB1", "?\x93\x8C"},
        // A line of a translated text, a name with a byte that is no
        // character, and a name's own bytes: each in the locale's bytes.
        {"de_DE.ISO-8859-1", "nicht m\xC3\xB6glich: out_\xED\xB3\x9C/ (out_\xDC/x.jpg)", "nicht m\xF6glich: out_\xDC/ (out_\xDC/x.jpg)"},
        {"ja_JP.EUC-JP", "\xE6\x9D\xB1_\xED\xB3\x9C\xE4\xBA\xAC", "\xC5\xEC_\xDC\xB5\xFE"},
        // UTF-8 locales, and one that names no codec, get the text unchanged, stray bytes too,
        // and a name's byte that is no character as itself.
        {"de_DE.UTF-8", "\xC3\x9C \xDC", "\xC3\x9C \xDC"},
        {"C", "\xE6\x9D\xB1\xE4\xBA\xAC", "\xE6\x9D\xB1\xE4\xBA\xAC"},
        {"C", "out_\xED\xB3\x9C/ \xC3\x9C\xED\xB2\x80", "out_\xDC/ \xC3\x9C\x80"},
        // A character cut short at the end stays as its bytes.
        {"de_DE.ISO-8859-1", "abc\xC3", "abc\xC3"},
        {"de_DE.ISO-8859-1", "", ""},
    };
    for (const auto& c : cases) {
        const TLocaleEnvironment locale(c.locale);
        EXPECT_EQ(LocaleTextFromUtf8(c.text), c.written) << c.locale << ": " << c.text;
        ::testing::internal::CaptureStderr();
        TellOnStandardError(c.text);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), ProgramName() + ": " + c.written + "\n") << c.locale;
    }
}

// Every sample name of the locales stations run under goes to standard
// error as the bytes it has on disk, after being shown as characters; a
// window shows a byte that is no character as U+FFFD.
TEST(StandardError, ANameShownAsTheLocaleSpellsItIsWrittenAsItsOwnBytes) {
    for (const auto& name : testing::LocaleFileNames()) {
        const TLocaleEnvironment locale(name.Locale);
        EXPECT_EQ(LocaleTextFromUtf8("\"" + ShownFileNameText(name.Stem) + "\""), "\"" + name.Stem + "\"") << name.Locale;
        EXPECT_EQ(ShownText(ShownFileNameText(name.Stem)), name.Utf8Spelling) << name.Locale;
        EXPECT_EQ(Utf8ToUtf16(ShownFileNameText(name.Stem)), ShownFileName(std::string_view(name.Stem))) << name.Locale;
    }
}

// A text file (diagnostics, the debug log) keeps a name's byte that is no
// character as that byte, as a UTF-8 terminal gets it, and the name's
// characters in UTF-8.
TEST(StandardError, ATextFileKeepsANamesBytesThatAreNoCharacter) {
    const TLocaleEnvironment cLocale("C");
    EXPECT_EQ(StoredText("Reading out_" + ShownFileNameText("\xDC.hpt") + " took 1.0 s"), "Reading out_\xDC.hpt took 1.0 s");
    const TLocaleEnvironment latin("de_DE.ISO-8859-1");
    EXPECT_EQ(StoredText(ShownFileNameText("\xDC.hpt")), "\xC3\x9C.hpt");
}

}  // namespace
}  // namespace kestrune
