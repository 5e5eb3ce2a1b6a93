// The shell list's and tree's rules that need no window: the column-width
// stream shared by every list, the Explorer's "DirectoryCols" default widths,
// the sort column and order, and the difference between two enumerations.
#pragma once

#include "platform/ItemIdList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kestrune::shell {

// The width stream: a 32-bit column count, then one 32-bit width per column,
// little-endian.
std::vector<uint8_t> WriteColumnWidths(std::span<const int32_t> widths);
// The widths to apply in column order: at most columnCount of them, fewer
// when the stream ends early; none for a stream too short for its count.
std::vector<int32_t> ReadColumnWidths(std::span<const uint8_t> stream, size_t columnCount);

// A copy of the "DirectoryCols" value: 16-bit widths of Name, Size, Type and
// Modified; preset to 200, 60, 100, 120, 50 over 10 bytes.
struct TDirectoryCols {
    static constexpr size_t Capacity = 22;
    std::array<uint8_t, Capacity> Bytes{200, 0, 60, 0, 100, 0, 120, 0, 50, 0};
    size_t Size = 10;
    // The first Size / 2 words of both are equal, and so are the sizes.
    bool SameAs(const TDirectoryCols& other) const;
    std::array<int, 4> Widths() const;
};
// The stored value when there is one of at most 22 bytes, else the preset.
TDirectoryCols DirectoryColsFrom(const std::optional<std::vector<uint8_t>>& stored);

// Sorting: column |sortColumn| (1-based), descending when negative, 0 none.
// The order of two rows from their comparison's signed result.
inline int SortOrder(int sortColumn, int order) { return sortColumn < 0 ? -order : order; }
// A click on a column header (1-based): the sorted column turns round, any other sorts ascending.
inline int SortColumnAfterClick(int sortColumn, int clicked) {
    return clicked == (sortColumn < 0 ? -sortColumn : sortColumn) ? -sortColumn : clicked;
}
// After the columns were rebuilt: a sort column past their count becomes 1.
inline int SortColumnWithin(int sortColumn, int columnCount) {
    return (sortColumn < 0 ? -sortColumn : sortColumn) > columnCount ? 1 : sortColumn;
}

// What changed between the rows shown and a new enumeration of the folder:
// the indexes of rows that vanished (ascending) and of new entries that
// appeared (in enumeration order). order compares two items as the folder does.
struct TListDifference {
    std::vector<size_t> Vanished;
    std::vector<size_t> Appeared;
};
using TItemOrder = std::function<int(const TItemIdList&, const TItemIdList&)>;
TListDifference DifferenceOf(std::span<const TItemIdList> shown, std::span<const TItemIdList> found,
                             const TItemOrder& order);

}  // namespace kestrune::shell
