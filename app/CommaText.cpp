#include "app/CommaText.h"

namespace kestrune {

namespace {

bool IsBlank(char c) { return c > 0 && c <= ' '; }

bool NeedsQuotes(const std::string& item) {
    if (item.empty()) return true;
    for (char c : item)
        if (c == ',' || c == '"' || IsBlank(c)) return true;
    return false;
}

void SkipBlanks(std::string_view text, size_t& at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
}

std::string QuotedItem(std::string_view text, size_t& at) {
    std::string item;
    ++at;  // opening quote
    while (at < text.size()) {
        if (text[at] == '"') {
            if (at + 1 < text.size() && text[at + 1] == '"') {
                item += '"';
                at += 2;
                continue;
            }
            ++at;
            break;
        }
        item += text[at++];
    }
    return item;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    size_t at = 0;
    SkipBlanks(text, at);
    while (at < text.size()) {
        std::string item;
        if (text[at] == '"') {
            item = QuotedItem(text, at);
        } else {
            while (at < text.size() && text[at] != ',' && !IsBlank(text[at])) item += text[at++];
        }
        items.push_back(std::move(item));
        SkipBlanks(text, at);
        if (at < text.size() && text[at] == ',') {
            ++at;
            SkipBlanks(text, at);
            if (at == text.size()) items.emplace_back();
        }
    }
    return items;
}

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
