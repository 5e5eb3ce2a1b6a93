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
// The native dictionary of the program's resource strings, one unit per source unit.
TLocStorage ProgramNativeDictionary();
// The header of the native language file and of the settings blocks.
TLangFile ProgramNativeHeader(const TLocStorage& native);

}  // namespace kestrune
