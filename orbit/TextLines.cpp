#include "orbit/TextLines.h"

#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"

namespace kestrune {

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadFileText(fileName, content)) return false;
    DropByteOrderMark(content);
    lines = SplitLines(content);
    return true;
}

TKeptFile ReadKeptLines(const std::string& fileName, int64_t mostBytes, std::vector<std::string>& lines) {
    std::string content;
    const TKeptFile kept = ReadKeptFile(fileName, mostBytes, content);
    DropByteOrderMark(content);
    lines = SplitLines(content);
    return kept;
}

std::string ElementSetFileSizeFault(const std::string& fileName) {
    const int64_t size = GetFileSizeBytes(fileName);
    // Of a size one can have, it may still be no file (a named pipe, a device).
    if (size <= LargestElementSetFile) return LeftAloneNote(fileName, LargestElementSetFile);
    constexpr int64_t Megabyte = int64_t{1} << 20;
    return FormatResStr(res::SElementFileTooLarge, {ShownFileNameText(fileName), std::to_string((size + Megabyte - 1) / Megabyte),
                                                    std::to_string(LargestElementSetFile / Megabyte)});
}

std::string PrintableText(std::string_view line, size_t most) {
    std::string shown;
    for (const char c : line.substr(0, most)) shown += c >= ' ' && c <= '~' ? c : '?';
    if (line.size() > most) shown += "...";
    return shown;
}

}  // namespace kestrune
