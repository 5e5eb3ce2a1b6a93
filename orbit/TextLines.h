// Text files as lines, whatever their line breaks (CR LF, LF or CR).
#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// False (and no lines) when the file cannot be read.
bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines);
// A file that is no regular file or holds more than mostBytes is not read
// (no lines); LeftAloneNote of the result tells why.
TKeptFile ReadKeptLines(const std::string& fileName, int64_t mostBytes, std::vector<std::string>& lines);

// Element-set files are read whole: none real comes near this size (the
// whole public catalogue is some 10 MB), and a larger file is not read.
constexpr int64_t LargestElementSetFile = int64_t{64} << 20;
// Why an element-set file is not read: "" when it is a file of a size one can have.
std::string ElementSetFileSizeFault(const std::string& fileName);

// A line of a file as a message may show it: every byte that is no
// printable character shown as "?", and no more than most characters.
std::string PrintableText(std::string_view line, size_t most = 80);

}  // namespace kestrune
