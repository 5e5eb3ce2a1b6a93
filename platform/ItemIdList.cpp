#include "platform/ItemIdList.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kestrune {

namespace {

constexpr size_t SizeField = 2;
constexpr size_t MaxItemData = 0xFFFF - SizeField;
// An absolute path of plain names: no empty, "." or ".." component, no zero.
bool IsPlacePath(std::string_view path) {
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string_view::npos) return false;
    if (path == "/") return true;
    for (size_t start = 1; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

uint16_t ReadSize(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

}  // namespace

TItemIdList::TItemIdList() : bytes_(SizeField, 0) {}

std::optional<TItemIdList> TItemIdList::fromBytes(std::span<const uint8_t> bytes) {
    size_t at = 0;
    while (bytes.size() - at >= SizeField) {
        const uint16_t cb = ReadSize(bytes.data() + at);
        if (cb == 0) {
            TItemIdList list;
            list.bytes_.assign(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(at + SizeField));
            return list;
        }
        if (cb < SizeField || cb > bytes.size() - at) return std::nullopt;
        at += cb;
    }
    return std::nullopt;
}

TItemIdList TItemIdList::fromItem(std::span<const uint8_t> data) {
    const size_t length = std::min(data.size(), MaxItemData);
    const auto cb = static_cast<uint16_t>(length + SizeField);
    TItemIdList list;
    list.bytes_ = {static_cast<uint8_t>(cb & 0xFF), static_cast<uint8_t>(cb >> 8)};
    list.bytes_.insert(list.bytes_.end(), data.begin(), data.begin() + static_cast<ptrdiff_t>(length));
    list.bytes_.insert(list.bytes_.end(), SizeField, 0);
    return list;
}

size_t TItemIdList::offsetOf(size_t k) const {
    size_t at = 0;
    for (size_t i = 0; i < k; ++i) {
        const uint16_t cb = ReadSize(bytes_.data() + at);
        if (cb == 0) break;
        at += cb;
    }
    return at;
}

size_t TItemIdList::itemCount() const {
    size_t count = 0;
    for (size_t at = 0; ReadSize(bytes_.data() + at) != 0; at += ReadSize(bytes_.data() + at)) ++count;
    return count;
}

std::span<const uint8_t> TItemIdList::itemData(size_t k) const {
    const size_t at = offsetOf(k);
    const uint16_t cb = ReadSize(bytes_.data() + at);
    if (cb == 0) return {};
    return std::span<const uint8_t>(bytes_).subspan(at + SizeField, cb - SizeField);
}

TItemIdList TItemIdList::item(size_t k) const { return leading(k + 1).trailing(k); }

TItemIdList TItemIdList::leading(size_t count) const {
    TItemIdList list;
    const size_t end = offsetOf(count);
    list.bytes_.assign(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(end));
    list.bytes_.insert(list.bytes_.end(), SizeField, 0);
    return list;
}

TItemIdList TItemIdList::trailing(size_t count) const {
    TItemIdList list;
    list.bytes_.assign(bytes_.begin() + static_cast<ptrdiff_t>(offsetOf(count)), bytes_.end());
    return list;
}

TItemIdList TItemIdList::combine(const TItemIdList& other) const {
    TItemIdList list;
    list.bytes_.assign(bytes_.begin(), bytes_.end() - SizeField);
    list.bytes_.insert(list.bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    return list;
}

TItemIdList TItemIdList::parent() const {
    const size_t count = itemCount();
    return leading(count == 0 ? 0 : count - 1);
}

TItemIdList TItemIdList::last() const {
    const size_t count = itemCount();
    return count == 0 ? TItemIdList() : trailing(count - 1);
}

int TItemIdList::rawCompare(const TItemIdList& a, const TItemIdList& b) {
    if (a.bytes_ < b.bytes_) return -1;
    return a.bytes_ == b.bytes_ ? 0 : 1;
}

std::optional<TItemIdList> IdListFromPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return std::nullopt;
    TItemIdList list;
    size_t start = 1;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            std::vector<uint8_t> data{FileSystemItemKind};
            data.insert(data.end(), path.begin() + static_cast<ptrdiff_t>(start),
                        path.begin() + static_cast<ptrdiff_t>(end));
            list = list.combine(TItemIdList::fromItem(data));
        }
        start = end + 1;
    }
    return list;
}

std::optional<std::string> PathFromIdList(const TItemIdList& list) {
    std::string path;
    const size_t count = list.itemCount();
    for (size_t k = 0; k < count; ++k) {
        const std::span<const uint8_t> data = list.itemData(k);
        if (data.empty()) return std::nullopt;
        const std::string_view text(reinterpret_cast<const char*>(data.data()) + 1, data.size() - 1);
        if (data[0] == ComputerItemKind && k == 0) continue;
        if (data[0] == PlaceItemKind) {
            const bool placeable = k == 0 || (k == 1 && list.itemData(0)[0] == ComputerItemKind);
            if (!placeable || !IsPlacePath(text)) return std::nullopt;
            path = text == "/" ? std::string() : std::string(text);
            continue;
        }
        // A name is one path component: not empty, no separator, no zero.
        if (data[0] != FileSystemItemKind || text.empty() || text == "." || text == "..") return std::nullopt;
        if (text.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) return std::nullopt;
        if (k == 1 && list.itemData(0)[0] == ComputerItemKind) return std::nullopt;
        path += '/';
        path += text;
    }
    if (count == 1 && list.itemData(0)[0] == ComputerItemKind) return std::nullopt;
    return path.empty() ? std::string("/") : path;
}

}  // namespace kestrune
