// Names of passes in the bytes of the locales stations run under, and the
// locale set for a test's scope. Each name has a spelling in UTF-8 that
// another file may bear: a name re-encoded on its way opens that file.
#pragma once

#include "tests/support/EnvironmentSetting.h"

#include <string>
#include <vector>

namespace kestrune::testing {

// The user's locale named by the environment for the scope's life.
class TLocaleEnvironment : public TEnvironmentSetting {
public:
    explicit TLocaleEnvironment(const char* locale) : TEnvironmentSetting("LC_ALL", locale) {}
};

struct TLocaleFileName {
    const char* Locale;
    std::string Stem;           // the locale's bytes of "n19_20261128_0812_" and a word
    std::string Utf8Spelling;   // the same word's UTF-8 bytes (U+FFFD where there is no character)
    std::u16string Characters;  // the word as the locale reads it; empty where it reads none
};

inline const std::vector<TLocaleFileName>& LocaleFileNames() {
    static const std::vector<TLocaleFileName> names{
        {"de_DE.ISO-8859-1", "n19_20261128_0812_\xDC", "n19_20261128_0812_\xC3\x9C", u"n19_20261128_0812_\u00DC"},
        {"ja_JP.EUC-JP", "n19_20261128_0812_\xA5\xD5\xA5\xA1\xA5\xA4\xA5\xEB",
         "n19_20261128_0812_\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB", u"n19_20261128_0812_\u30D5\u30A1\u30A4\u30EB"},
        {"ja_JP.SJIS", "n19_20261128_0812_\x83\x74\x83\x40\x83\x43\x83\x8B",
         "n19_20261128_0812_\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB", u"n19_20261128_0812_\u30D5\u30A1\u30A4\u30EB"},
        {"C.UTF-8", "n19_20261128_0812_\xE9", "n19_20261128_0812_\xEF\xBF\xBD", u""},
    };
    return names;
}

}  // namespace kestrune::testing
