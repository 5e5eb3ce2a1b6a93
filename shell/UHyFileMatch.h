// Whether a file name matches a wildcard mask ("*", "?" and, when switched
// on, "[...]" sets) or a ";"-separated list of masks, as the shell file list's
// filter asks.
#pragma once

#include <optional>
#include <string_view>

namespace kestrune::shell {

constexpr int fmCaseSensitive = 1;
constexpr int fmBracketSets = 2;

bool MatchesMask(std::u16string_view name, std::u16string_view mask, int flags);
// True for an empty list or when any mask matches (tried left to right).
bool MatchesMaskList(std::u16string_view name, std::u16string_view masks, int flags);
// The mask at position and the position after its ";" (none when the list is used up).
std::u16string_view NextMask(std::u16string_view masks, std::optional<size_t>& position);

}  // namespace kestrune::shell
