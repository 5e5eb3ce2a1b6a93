// Dictionaries for the localisation tests, fuzz seeds and benchmarks: a
// native dictionary with every kind of entry, and its German translation.
#pragma once

#include "localise/LocStorage.h"
#include "platform/ResFormStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune::testing {

constexpr uint16_t English = 9;
constexpr uint16_t German = 0x0407;
constexpr uint32_t NativeStamp = 1600;

// Units with constants (resource ids 65200 + i), a form "FormMain" with own
// properties, components and properties of kinds 0, 1, 2 and 4, and one external group.
void FillNativeSample(TLocStorage& storage);
// Adds the German column with every text translated and stamped current.
int AddGermanSample(TLocStorage& storage);
// The form stream of "TFormMain" that FillNativeSample's form describes, with a
// panel holding a button, a track bar, a list view with a column collection and an unnamed label.
TFormObject SampleMainForm();
TFormValue TextValue(std::string_view text);
TFormValue IntValue(int64_t value);

// A native dictionary of a program with count resource strings in 20 units.
void FillProgramOfStrings(TLocStorage& storage, int count);

// One language of a language pack: its directory entry and its file as stored.
struct TPackLanguage {
    uint16_t LanguageId;
    std::string EnglishName;
    std::u16string NativeName;
    uint32_t Stamp;
    uint32_t SecondStamp;
    std::string Block;
};
// The RCDATA "QVN_LOC_LANGS_" of a program, in the layout of a pack version
// (names from version 3, native names from 4, stamps and a second reserved word from 5, 32-bit sizes from 2).
std::string WriteLanguagePack(uint16_t version, const std::vector<TPackLanguage>& languages);

}  // namespace kestrune::testing
