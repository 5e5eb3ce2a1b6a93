// Numbers and dates as the user's locale writes them (LC_ALL, then
// LC_NUMERIC or LC_TIME, then LANG), for what windows show: the sizes and
// dates of the file lists, the numbers of the cursor read-out. A locale that
// is not installed, or none, writes them as the C locale does, with "," between
// thousands. Files and products keep "." whatever the locale (Format).
#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// The separators in UTF-8 ("." and "," under de_DE, "," and "." under C).
std::string UserDecimalSeparator();
std::string UserThousandsSeparator();
// A number with that many decimals, rounded as printf rounds: "14,2" under de_DE.
std::string UserFixed(double value, int decimals);
// A count with the thousands separated: "64.981" under de_DE.
std::string UserGrouped(uint64_t value);
// strftime's text of a local time in the user's locale, in UTF-8; empty when it cannot be made.
std::string UserTimeText(const char* pattern, int64_t unixSeconds);

}  // namespace kestrune
