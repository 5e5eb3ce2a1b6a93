// What the program tells on standard error, where a station's job or an
// operator at a terminal reads it: each line in the codec of the user's
// locale, as the terminal and the job's log read it.
#pragma once

#include <string_view>

namespace kestrune {

// Writes text (UTF-8) and a line end, in the locale's codec.
void WriteStandardErrorLine(std::string_view text);
// The same after the program's name: "kestrune: " + text.
void TellOnStandardError(std::string_view text);

}  // namespace kestrune
