// Item ID lists: the shell's way of naming an item as a run of items, each
// led by its 16-bit size (which counts the size field) and the run ended by a
// 16-bit zero. Here the namespace is the file system: the desktop is the
// empty list and every item of a path names one folder or file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

// Item kinds, the first data byte of an item: a name in its folder; a place
// (an absolute folder path: the home folder on the desktop, a mounted file
// system under the computer); the computer.
constexpr uint8_t FileSystemItemKind = 0x31;
constexpr uint8_t PlaceItemKind = 0x2F;
constexpr uint8_t ComputerItemKind = 0x1F;

class TItemIdList {
public:
    // The empty list (the desktop): the terminator alone.
    TItemIdList();
    // The list at the start of bytes, up to and with its terminator; none when an
    // item's size is 1 or runs past the end, or no terminator is found.
    static std::optional<TItemIdList> fromBytes(std::span<const uint8_t> bytes);
    // One item of these data bytes (at most 65,533 of them).
    static TItemIdList fromItem(std::span<const uint8_t> data);

    // The whole list with its terminator.
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Its size in bytes with the terminator.
    size_t size() const { return bytes_.size(); }
    bool isEmpty() const { return bytes_.size() == 2; }
    size_t itemCount() const;
    // Item k (0-based) as a list of one item; empty beyond the last.
    TItemIdList item(size_t k) const;
    // The data bytes of item k (without the size field); empty beyond the last.
    std::span<const uint8_t> itemData(size_t k) const;
    // This list followed by other's items.
    TItemIdList combine(const TItemIdList& other) const;
    // All items but the last; the last item alone.
    TItemIdList parent() const;
    TItemIdList last() const;
    // The first count items.
    TItemIdList leading(size_t count) const;
    // The items after the first count.
    TItemIdList trailing(size_t count) const;
    // Byte order of the two lists (0 only for identical lists).
    static int rawCompare(const TItemIdList& a, const TItemIdList& b);
    bool operator==(const TItemIdList& other) const { return bytes_ == other.bytes_; }

private:
    // Byte offset of item k, or of the terminator when k is the count.
    size_t offsetOf(size_t k) const;
    std::vector<uint8_t> bytes_;
};

// The absolute list of a file-system path ("/home/a/b.hpt"); none for a
// relative path.
std::optional<TItemIdList> IdListFromPath(const std::string& path);
// The file-system path of an absolute list; none when an item is not a
// file-system item (the computer alone has no path). A place may only lead the
// list or follow the computer.
std::optional<std::string> PathFromIdList(const TItemIdList& list);

}  // namespace kestrune
