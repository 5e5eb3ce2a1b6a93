#include "orbit/TextLines.h"

#include "platform/FileIO.h"

namespace kestrune {

void SplitTextLines(std::string_view text, std::vector<std::string>& lines) {
    lines.clear();
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            return;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    if (!ReadFileText(fileName, content)) return false;
    SplitTextLines(content, lines);
    return true;
}

}  // namespace kestrune
