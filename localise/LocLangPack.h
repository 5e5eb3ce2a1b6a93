// The language pack a program may carry among its resources (RCDATA
// "QVN_LOC_LANGS_"): a directory of languages, the first the native one, and
// each language's file, plain or "LZQ00"-compressed.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct TPackEntry {
    uint16_t LanguageId = 0;
    std::string EnglishName;
    std::u16string NativeName;
    uint32_t Stamp = 0;
    uint32_t SecondStamp = 0;
    std::string_view Block;  // the language file as stored
};

class TLanguagePack {
public:
    // No pack (other signature, empty resource): no entries. A pack whose
    // directory or blocks are cut short raises ELocOnFlyError "Invalid QLANGS resource".
    explicit TLanguagePack(std::string_view resource);

    const std::vector<TPackEntry>& Entries() const { return entries_; }
    // The entry of a language; id 0 names the first (native) one. -1 when absent.
    int IndexOf(uint16_t languageId) const;
    // The entry's language file, expanded when compressed.
    std::string LanguageFile(size_t index) const;

private:
    std::vector<TPackEntry> entries_;
};

}  // namespace kestrune
