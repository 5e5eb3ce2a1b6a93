#include "orbit/TextLines.h"

#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

namespace kestrune {

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadFileText(fileName, content)) return false;
    lines = SplitLines(content);
    return true;
}

std::string ElementSetFileSizeFault(const std::string& fileName) {
    const int64_t size = GetFileSizeBytes(fileName);
    if (size <= LargestElementSetFile) return {};
    constexpr int64_t Megabyte = int64_t{1} << 20;
    return FormatResStr(res::SElementFileTooLarge, {fileName, std::to_string((size + Megabyte - 1) / Megabyte),
                                                    std::to_string(LargestElementSetFile / Megabyte)});
}

std::string PrintableText(std::string_view line, size_t most) {
    std::string shown;
    for (const char c : line.substr(0, most)) shown += c >= ' ' && c <= '~' ? c : '?';
    if (line.size() > most) shown += "...";
    return shown;
}

}  // namespace kestrune
