#include "shell/UHyListRules.h"

#include <algorithm>
#include <numeric>

namespace kestrune::shell {

namespace {

void PutLong(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t LongAt(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k) value |= static_cast<uint32_t>(bytes[offset + k]) << (8 * k);
    return value;
}

}  // namespace

std::vector<uint8_t> WriteColumnWidths(std::span<const int32_t> widths) {
    std::vector<uint8_t> out;
    out.reserve(4 * (widths.size() + 1));
    PutLong(out, static_cast<uint32_t>(widths.size()));
    for (int32_t width : widths) PutLong(out, static_cast<uint32_t>(width));
    return out;
}

std::vector<int32_t> ReadColumnWidths(std::span<const uint8_t> stream, size_t columnCount) {
    std::vector<int32_t> widths;
    if (stream.size() < 4) return widths;
    const auto stored = static_cast<int32_t>(LongAt(stream, 0));
    const size_t count = std::min(static_cast<size_t>(std::max(stored, 0)), columnCount);
    for (size_t k = 0; k < count && 4 * (k + 2) <= stream.size(); ++k)
        widths.push_back(static_cast<int32_t>(LongAt(stream, 4 * (k + 1))));
    return widths;
}

bool TDirectoryCols::SameAs(const TDirectoryCols& other) const {
    return Size == other.Size && std::equal(Bytes.begin(), Bytes.begin() + static_cast<long>(Size / 2 * 2),
                                            other.Bytes.begin());
}

std::array<int, 4> TDirectoryCols::Widths() const {
    std::array<int, 4> widths{};
    for (size_t k = 0; k < widths.size(); ++k) widths[k] = Bytes[2 * k] | Bytes[2 * k + 1] << 8;
    return widths;
}

TDirectoryCols DirectoryColsFrom(const std::optional<std::vector<uint8_t>>& stored) {
    TDirectoryCols cols;
    if (!stored || stored->size() > TDirectoryCols::Capacity) return cols;
    std::copy(stored->begin(), stored->end(), cols.Bytes.begin());
    cols.Size = stored->size();
    return cols;
}

namespace {

// Matches found entries to shown rows that compare equal by order (each row
// at most once); rows and entries left unmatched stay false.
void MatchBy(std::span<const TItemIdList> shown, std::span<const TItemIdList> found, const TItemOrder& order,
             std::vector<bool>& rowKept, std::vector<bool>& entryKept) {
    std::vector<size_t> byOrder;
    for (size_t row = 0; row < shown.size(); ++row)
        if (!rowKept[row]) byOrder.push_back(row);
    std::sort(byOrder.begin(), byOrder.end(), [&](size_t a, size_t b) { return order(shown[a], shown[b]) < 0; });
    for (size_t k = 0; k < found.size(); ++k) {
        if (entryKept[k]) continue;
        auto place = std::lower_bound(byOrder.begin(), byOrder.end(), k,
                                      [&](size_t row, size_t entry) { return order(shown[row], found[entry]) < 0; });
        for (; place != byOrder.end() && order(shown[*place], found[k]) == 0; ++place) {
            if (rowKept[*place]) continue;
            rowKept[*place] = entryKept[k] = true;
            break;
        }
    }
}

}  // namespace

TListDifference DifferenceOf(std::span<const TItemIdList> shown, std::span<const TItemIdList> found,
                             const TItemOrder& order) {
    std::vector<bool> rowKept(shown.size(), false), entryKept(found.size(), false);
    // Identical lists are the same item whatever the folder says; that settles
    // nearly every row by bytes, and the folder's order only sees what is left.
    MatchBy(shown, found, [](const TItemIdList& a, const TItemIdList& b) { return TItemIdList::rawCompare(a, b); },
            rowKept, entryKept);
    MatchBy(shown, found, order, rowKept, entryKept);
    TListDifference difference;
    for (size_t row = 0; row < shown.size(); ++row)
        if (!rowKept[row]) difference.Vanished.push_back(row);
    for (size_t k = 0; k < found.size(); ++k)
        if (!entryKept[k]) difference.Appeared.push_back(k);
    return difference;
}

}  // namespace kestrune::shell
