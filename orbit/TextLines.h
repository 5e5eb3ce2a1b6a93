// Text files as lines, whatever their line breaks (CR LF, LF or CR).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// False (and no lines) when the file cannot be read.
bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines);

// A line of a file as a message may show it: every byte that is no
// printable character shown as "?", and no more than most characters.
std::string PrintableText(std::string_view line, size_t most = 80);

}  // namespace kestrune
