// Lists of texts kept in one line: items separated by commas or blanks, an
// item holding a comma, blank or double quote enclosed in double quotes with
// inner quotes doubled. Settings and the transfer files use this form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Splits at commas and blanks; double quotes group (a doubled quote inside
// stands for one). Empty items between two commas are kept.
std::vector<std::string> SplitCommaText(std::string_view text);
// Joins so that SplitCommaText gives the same items back.
std::string JoinCommaText(const std::vector<std::string>& items);

}  // namespace kestrune
