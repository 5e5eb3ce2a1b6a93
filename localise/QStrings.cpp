#include "localise/QStrings.h"

#include "localise/QLocales.h"
#include "platform/ResCodePages.h"

#include <algorithm>
#include <charconv>

namespace kestrune {

int PosStr(std::string_view sub, std::string_view s) { return Pos(sub, s); }

int PosText(std::string_view sub, std::string_view s) { return Pos(UpperCase(sub), UpperCase(s)); }

int PosEx(std::string_view sub, std::string_view s, int start, int n) {
    start = std::max(start, 1);
    if (sub.empty() || s.empty() || static_cast<int>(s.size()) < start) return 0;
    size_t at = static_cast<size_t>(start - 1);
    for (int found = 0;; ++at) {
        at = s.find(sub, at);
        if (at == std::string_view::npos) return 0;
        if (++found >= n) return static_cast<int>(at) + 1;
    }
}

bool IsSpaceChar(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool IsDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

bool IsLetter(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 127;
}

}  // namespace

bool HasLetter(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return IsLetter(c) && c != 127; });
}

int FirstLetterPos(std::string_view s) {
    const auto it = std::find_if(s.begin(), s.end(), IsLetter);
    return it == s.end() ? 0 : static_cast<int>(it - s.begin()) + 1;
}

std::string TrimAnsi(std::string_view s) {
    while (!s.empty() && IsSpaceChar(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpaceChar(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string TextBefore(std::string_view sep, std::string_view s) {
    const size_t at = s.find(sep);
    return TrimAnsi(at == std::string_view::npos ? s : s.substr(0, at));
}

void SplitAt(std::string_view sep, std::string_view s, std::string& left, std::string& right) {
    const size_t at = s.find(sep);
    left = at == std::string_view::npos ? "" : std::string(s.substr(0, at));
    right = at == std::string_view::npos ? "" : std::string(s.substr(at + sep.size()));
}

std::string ReplaceAll(std::string_view s, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return std::string(s);
    std::string out;
    for (size_t at = 0;;) {
        const size_t next = s.find(oldText, at);
        out.append(s.substr(at, next - at));
        if (next == std::string_view::npos) return out;
        out.append(newText);
        at = next + oldText.size();
    }
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw EQStringsError(std::string(1, c) + " is not a hex digit");
}

int64_t HexToInt(std::string_view s) {
    int64_t value = 0;
    for (const char c : s) value = value * 16 + HexDigitValue(c);
    return value;
}

int64_t TextToInt(std::string_view s) {
    const std::string text = TrimAnsi(s);
    if (text.empty()) return 0;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

double TextToFloat(std::string_view s) {
    const std::string text = TrimAnsi(s);
    if (text.empty()) return 0;
    double value = 0;
    if (!TryStrToFloat(text, value)) throw EConvertError("'" + text + "' is not a valid floating point value");
    return value;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    if (dir.empty() || name.empty()) return std::string(dir) + std::string(name);
    if (dir.back() == '\\' && name.front() == '\\') name.remove_prefix(1);
    const bool needsSeparator = dir.back() != '\\' && name.front() != '\\';
    return std::string(dir) + (needsSeparator ? "\\" : "") + std::string(name);
}

std::string JoinDotted(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    if (b.empty()) return std::string(a);
    return std::string(a) + "." + std::string(b);
}

int IndexOfText(std::span<const std::string> list, std::string_view s) {
    for (size_t i = 0; i < list.size(); ++i)
        if (SameText(list[i], s)) return static_cast<int>(i);
    return -1;
}

bool IsInArray(std::string_view s, std::span<const std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&](std::string_view name) { return SameText(name, s); });
}

namespace {

// Units of the one character at text[at]: two for a surrogate pair.
size_t CharUnits(std::u16string_view text, size_t at) {
    return at + 1 < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF ? 2 : 1;
}

}  // namespace

bool MatchesMask(std::string_view mask, std::string_view s, bool caseSensitive) {
    std::u16string m = Utf8ToUtf16(mask);
    std::u16string t = Utf8ToUtf16(s);
    if (!caseSensitive) {
        m = UpperText(m, 0);
        t = UpperText(t, 0);
    }
    // Greedy with one way back: the last "*" takes one character more when the rest fails.
    size_t mi = 0, ti = 0;
    size_t starMask = std::u16string::npos, starText = 0;
    while (ti < t.size()) {
        if (mi < m.size() && m[mi] == u'*') {
            starMask = mi++;
            starText = ti;
        } else if (mi < m.size() && (m[mi] == u'?' || m[mi] == t[ti])) {
            ti += m[mi] == u'?' ? CharUnits(t, ti) : 1;
            ++mi;
        } else if (starMask != std::u16string::npos) {
            mi = starMask + 1;
            starText += CharUnits(t, starText);
            ti = starText;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == u'*') ++mi;
    return mi == m.size();
}

}  // namespace kestrune
