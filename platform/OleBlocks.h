// Readers and writers of the transfer blocks that travel between programs:
// the drop-files list, the item ID list array, 8-bit and UTF-16 text and a
// 32-bit value. Each reader keeps every offset and scan inside the block and
// gives no data for a damaged one. Shared by the drag-and-drop suite and the
// shell controls.
#pragma once

#include "platform/ItemIdList.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::ole {

using TBytes = std::vector<uint8_t>;
using TByteSpan = std::span<const uint8_t>;

// UTF-8 and UTF-16 (in host order); a malformed sequence becomes U+FFFD.
std::u16string WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::u16string_view text);

// Drop-files block: a 20-byte header (offset of the names, drop point, non-client
// flag, wide flag), then zero-terminated names ended by an empty one. Names are
// the bytes of file names: 8-bit blocks hold them as they are, wide ones as
// UTF-16 read in the locale's codec (bytes it cannot read as U+DC80..U+DCFF).
// The names in order; empty when the block is 20 bytes or shorter, its offset
// lies outside it, or it holds no name. An unterminated last name is dropped,
// as is an odd trailing byte of a wide block.
std::vector<std::string> ReadDropFiles(TByteSpan block);
TBytes WriteDropFiles(const std::vector<std::string>& names, bool wide);
// Wide, as the system writes them, unless a name is not text in the locale:
// then 8-bit, so that the programs it goes to get the name's bytes.
TBytes WriteDropFiles(const std::vector<std::string>& names);

// Zero-terminated names ended by an empty one, the list part of a drop-files
// block; the same rules for a damaged list.
std::vector<std::string> ReadNameList(TByteSpan list, bool wide);
TBytes WriteNameList(const std::vector<std::string>& names, bool wide);

// Item ID list array: the item count, the offsets of the parent's list and of each
// item's list, then the lists. Parent first, then the items (at least one), or
// none when an offset or a list lies outside the block.
std::optional<std::vector<TItemIdList>> ReadIdListArray(TByteSpan block);
// lists: the parent first, then the items.
TBytes WriteIdListArray(const std::vector<TItemIdList>& lists);

// 8-bit text up to its first zero byte (or the whole block).
std::string ReadAnsiText(TByteSpan block);
// With the terminating zero, unless the text already ends with one.
TBytes WriteAnsiText(std::string_view text);
// UTF-16 text up to its first zero character; an odd trailing byte is dropped.
std::u16string ReadWideText(TByteSpan block);
TBytes WriteWideText(std::u16string_view text);

// A little-endian 32-bit value; none for a block shorter than 4 bytes.
std::optional<uint32_t> ReadDword(TByteSpan block);
TBytes WriteDword(uint32_t value);

// Little-endian 16- and 32-bit fields; the caller checks the bounds.
inline uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
inline uint32_t Get32(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) | (uint32_t{at[3]} << 24);
}
void Put32(TBytes& bytes, size_t at, uint32_t value);

}  // namespace kestrune::ole
