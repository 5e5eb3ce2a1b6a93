#include "shell/UHyFileMatch.h"

#include "shell/UHyUnicode.h"

namespace kestrune::shell {

namespace {

bool SameChar(char16_t a, char16_t b, int flags) { return (flags & fmCaseSensitive) ? a == b : ChrCmpIW(a, b) == 0; }

// Matches name[0] against the set that starts after the "[" at mask[at];
// sets at to the character after the set. Members compare by exact code.
bool MatchSet(std::u16string_view mask, size_t& at, char16_t c) {
    bool negate = false;
    if (at < mask.size() && mask[at] == u'!') {
        negate = true;
        ++at;
    }
    bool found = false;
    bool first = true;
    while (at < mask.size() && (first || mask[at] != u']')) {
        const char16_t low = mask[at];
        if (at + 2 < mask.size() && mask[at + 1] == u'-' && mask[at + 2] != u']' && low < mask[at + 2]) {
            found = found || (c >= low && c <= mask[at + 2]);
            at += 3;
        } else {
            found = found || c == low;
            ++at;
        }
        first = false;
    }
    if (at < mask.size()) ++at;  // the closing "]"; an unclosed set ends with the mask
    return found != negate;
}

bool Match(std::u16string_view name, std::u16string_view mask, int flags) {
    size_t n = 0, m = 0;
    while (m < mask.size()) {
        const char16_t c = mask[m];
        if (c == u'*') {
            // Every "?" and "*" that follow are taken together.
            while (m < mask.size() && (mask[m] == u'*' || mask[m] == u'?')) {
                if (mask[m] == u'?') {
                    if (n >= name.size()) return false;
                    ++n;
                }
                ++m;
            }
            if (m == mask.size()) return true;
            const std::u16string_view rest = mask.substr(m);
            const bool anyPosition = (flags & fmBracketSets) && rest[0] == u'[';
            for (size_t at = n; at < name.size(); ++at)
                if ((anyPosition || SameChar(name[at], rest[0], flags)) && Match(name.substr(at), rest, flags))
                    return true;
            return false;
        }
        if (n >= name.size()) break;
        if (c == u'[' && (flags & fmBracketSets)) {
            ++m;
            if (!MatchSet(mask, m, name[n])) return false;
        } else if (c == u'?' || SameChar(name[n], c, flags)) {
            ++m;
        } else {
            return false;
        }
        ++n;
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return n == name.size() && m == mask.size();
}

}  // namespace

bool MatchesMask(std::u16string_view name, std::u16string_view mask, int flags) { return Match(name, mask, flags); }

std::u16string_view NextMask(std::u16string_view masks, std::optional<size_t>& position) {
    if (!position || *position > masks.size()) {
        position.reset();
        return {};
    }
    const size_t start = *position;
    const size_t end = masks.find(u';', start);
    if (end == std::u16string_view::npos || end + 1 == masks.size()) position.reset();
    else position = end + 1;
    return masks.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
}

bool MatchesMaskList(std::u16string_view name, std::u16string_view masks, int flags) {
    if (masks.empty()) return true;
    for (std::optional<size_t> position = 0; position;)
        if (MatchesMask(name, NextMask(masks, position), flags)) return true;
    return false;
}

}  // namespace kestrune::shell
