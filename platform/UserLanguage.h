// The Windows language id of the user's locale, for data that names its
// language that way (text on the clipboard carries it beside the text).
// The localisation library knows the table and installs the lookup.
#pragma once

#include <cstdint>

namespace kestrune {

// 0 when no lookup is installed.
uint32_t UserLanguageId();
void SetUserLanguageLookup(uint32_t (*lookup)());

}  // namespace kestrune
