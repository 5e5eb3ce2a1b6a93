#include "orbit/TextLines.h"

#include "platform/FileIO.h"

namespace kestrune {

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadFileText(fileName, content)) return false;
    lines = SplitLines(content);
    return true;
}

std::string PrintableText(std::string_view line, size_t most) {
    std::string shown;
    for (const char c : line.substr(0, most)) shown += c >= ' ' && c <= '~' ? c : '?';
    if (line.size() > most) shown += "...";
    return shown;
}

}  // namespace kestrune
