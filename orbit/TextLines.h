// Text files as lines, whatever their line breaks (CR LF, LF or CR).
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// False (and no lines) when the file cannot be read.
bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines);

}  // namespace kestrune
