// String helpers of the localisation library, with 1-based character
// positions (0 = not found) over byte strings.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class EQStringsError : public Exception {
public:
    using Exception::Exception;
};

int PosStr(std::string_view sub, std::string_view s);
// PosStr after upper-casing both.
int PosText(std::string_view sub, std::string_view s);
// Position of the n-th occurrence of sub at or after start (below 1 counts as 1);
// 0 when s is shorter than start or either is empty.
int PosEx(std::string_view sub, std::string_view s, int start, int n);
// Tab, line feed, carriage return or space.
bool IsSpaceChar(char c);
// Non-empty and only "0" to "9".
bool IsDigits(std::string_view s);
// An ANSI letter, or any byte above 127.
bool HasLetter(std::string_view s);
// Position of the first letter (A-Z, a-z, bytes 127-255); 0 when none.
int FirstLetterPos(std::string_view s);
std::string TrimAnsi(std::string_view s);
// s up to the first sep, trimmed; all of s when sep does not occur.
std::string TextBefore(std::string_view sep, std::string_view s);
// Left and right of the first sep; both empty when sep does not occur.
void SplitAt(std::string_view sep, std::string_view s, std::string& left, std::string& right);
std::string ReplaceAll(std::string_view s, std::string_view oldText, std::string_view newText);
// Raises EQStringsError "<c> is not a hex digit" for any other character.
int HexDigitValue(char c);
int64_t HexToInt(std::string_view s);
// Trimmed text as a number; empty gives 0; raises EConvertError on other text.
int64_t TextToInt(std::string_view s);
double TextToFloat(std::string_view s);
// dir + "\" + name without doubling the backslash; either empty: the other as it is.
std::string JoinPath(std::string_view dir, std::string_view name);
// a + "." + b; when one is empty, the other.
std::string JoinDotted(std::string_view a, std::string_view b);
// First index of s in the list without case; -1 when absent.
int IndexOfText(std::span<const std::string> list, std::string_view s);
bool IsInArray(std::string_view s, std::span<const std::string_view> names);
// Wildcard match: "*" any run of characters, "?" one; without case unless asked.
bool MatchesMask(std::string_view mask, std::string_view s, bool caseSensitive = false);

}  // namespace kestrune
