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

}  // namespace kestrune
