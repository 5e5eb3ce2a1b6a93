// Text files as lines, whatever their line breaks (CR LF, LF or CR).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

void SplitTextLines(std::string_view text, std::vector<std::string>& lines);
// False (and no lines) when the file cannot be read.
bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines);

}  // namespace kestrune
