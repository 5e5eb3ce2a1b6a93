#include "app/CommaText.h"

namespace kestrune {

namespace {

bool NeedsQuotes(const std::string& item) {
    if (item.empty()) return true;
    for (char c : item)
        if (c == ',' || c == '"' || static_cast<unsigned char>(c) <= ' ') return true;
    return false;
}

}  // namespace

std::string JoinCommaText(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += ',';
        if (!NeedsQuotes(items[i])) {
            text += items[i];
            continue;
        }
        text += '"';
        for (char c : items[i]) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += '"';
    }
    return text;
}

}  // namespace kestrune
