// The program's own resource image, written at build time: a string-table
// entry for every constant of the native dictionary, the form streams, and
// the two settings blocks of the native language.
#pragma once

#include "localise/LocLangFile.h"
#include "platform/ResBytes.h"

#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// A form resource: its RCDATA name ("TFORMMAIN") and its form stream.
using TFormResource = std::pair<std::string, TBytes>;

// A resource-only PE image; nativeHeader gives the settings blocks' stamp, language and names.
TBytes WriteProgramResources(const TLocStorage& native, const std::vector<TFormResource>& forms, const TLangFile& nativeHeader);

// This program's native language: English (9), project stamp 1600.
constexpr uint16_t ProgramNativeLanguage = 9;
constexpr uint32_t ProgramStamp = 1600;
// One row of a translation table: a window text (node = form, name = component
// path, property; the form's own when the path is the form's name) or, with
// node "@unit", a resource string (name = constant). "\n" separates list items, "\r" breaks a message's line.
struct TTranslationRow {
    std::string Node, Name, Property, Native, Translation;
};
// The first row of a table is "!language", abbreviation, "", English name, native name.
// Reads the tab-separated table; raises Exception naming the faulty line.
std::vector<TTranslationRow> ReadTranslationTable(std::string_view text);

// The native dictionary of the program's resource strings, one unit per
// source unit, and of the window texts of the table.
TLocStorage ProgramNativeDictionary(const std::vector<TTranslationRow>& table = {});
// The language file of a translation, added as a new column of the native dictionary; its second
// stamp changes with the table, so that libraries built from an older one are rebuilt.
TBytes WriteTranslation(TLocStorage& storage, const std::vector<TTranslationRow>& table, uint16_t languageId,
                        const std::string& englishName, const std::u16string& nativeName);
// The header of the native language file and of the settings blocks.
TLangFile ProgramNativeHeader(const TLocStorage& native);
// The header of a translation's file: the native one's, with the language, its names and the second stamp.
TLangFile TranslationHeader(const TLocStorage& storage, uint16_t languageId, const std::string& englishName,
                            const std::u16string& nativeName, uint32_t secondStamp);

}  // namespace kestrune
