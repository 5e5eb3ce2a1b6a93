#include "platform/ShortcutFile.h"

#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"
#include "platform/SystemErrors.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace kestrune {

namespace {

constexpr uint32_t HeaderSize = 0x4C;
constexpr uint8_t LinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t HasTargetIdList = 0x01, HasLinkInfo = 0x02, HasName = 0x04, HasRelativePath = 0x08,
                   HasWorkingDir = 0x10, HasArguments = 0x20, HasIconLocation = 0x40, IsUnicode = 0x80;
constexpr size_t MaxShortcutBytes = 1 << 20;

uint64_t Get64(const uint8_t* at) { return uint64_t{ole::Get32(at)} | (uint64_t{ole::Get32(at + 4)} << 32); }

// A reader that never steps outside its bytes.
class TCursor {
public:
    explicit TCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool Has(size_t count) const { return count <= bytes_.size() - at_; }
    size_t At() const { return at_; }
    bool Skip(size_t count) {
        if (!Has(count)) return false;
        at_ += count;
        return true;
    }
    bool Read16(uint16_t& value) { return Take(2, [&](const uint8_t* p) { value = ole::Get16(p); }); }
    bool Read32(uint32_t& value) { return Take(4, [&](const uint8_t* p) { value = ole::Get32(p); }); }
    // A counted string of StringData: 8-bit or UTF-16 characters.
    bool ReadCounted(bool wide, std::string& text) {
        uint16_t count = 0;
        if (!Read16(count)) return false;
        const size_t size = size_t{count} * (wide ? 2 : 1);
        if (!Has(size)) return false;
        const auto data = bytes_.subspan(at_, size);
        text = wide ? Utf16ToUtf8(ole::ReadWideText(data)) : ole::ReadAnsiText(data);
        at_ += size;
        return true;
    }
    std::span<const uint8_t> Bytes() const { return bytes_; }

private:
    template <typename F>
    bool Take(size_t count, F read) {
        if (!Has(count)) return false;
        read(bytes_.data() + at_);
        at_ += count;
        return true;
    }
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

// Zero-terminated 8-bit text at offset of block; empty when outside it.
std::string TextAt(std::span<const uint8_t> block, uint32_t offset) {
    return offset < block.size() ? ole::ReadAnsiText(block.subspan(offset)) : std::string();
}

bool ReadLinkInfo(TCursor& cursor, TShortcutFields& fields) {
    uint32_t size = 0;
    const size_t start = cursor.At();
    if (!cursor.Read32(size) || size < 28 || !cursor.Has(size - 4)) return false;
    const std::span<const uint8_t> block = cursor.Bytes().subspan(start, size);
    const uint32_t flags = ole::Get32(block.data() + 8);
    if (flags & 1) fields.TargetPath = TextAt(block, ole::Get32(block.data() + 16)) + TextAt(block, ole::Get32(block.data() + 24));
    return cursor.Skip(size - 4);
}

}  // namespace

ole::HRESULT ReadShortcut(std::span<const uint8_t> bytes, TShortcutFields& fields) {
    if (bytes.size() < HeaderSize || ole::Get32(bytes.data()) != HeaderSize ||
        !std::equal(std::begin(LinkClsid), std::end(LinkClsid), bytes.begin() + 4))
        return ole::E_FAIL;
    TShortcutFields read;
    const uint8_t* header = bytes.data();
    const uint32_t flags = ole::Get32(header + 20);
    read.FileAttributes = ole::Get32(header + 24);
    read.CreationTime = Get64(header + 28);
    read.AccessTime = Get64(header + 36);
    read.WriteTime = Get64(header + 44);
    read.FileSize = ole::Get32(header + 52);
    read.IconIndex = static_cast<int32_t>(ole::Get32(header + 56));
    read.ShowCommand = ole::Get32(header + 60);
    read.HotKey = ole::Get16(header + 64);
    TCursor cursor(bytes);
    cursor.Skip(HeaderSize);
    if (flags & HasTargetIdList) {
        uint16_t size = 0;
        if (!cursor.Read16(size) || !cursor.Has(size)) return ole::E_FAIL;
        read.TargetIdList.assign(bytes.begin() + static_cast<ptrdiff_t>(cursor.At()),
                                 bytes.begin() + static_cast<ptrdiff_t>(cursor.At() + size));
        cursor.Skip(size);
    }
    if ((flags & HasLinkInfo) && !ReadLinkInfo(cursor, read)) return ole::E_FAIL;
    const bool wide = flags & IsUnicode;
    const std::pair<uint32_t, std::string*> strings[] = {
        {HasName, &read.Description}, {HasRelativePath, &read.RelativePath}, {HasWorkingDir, &read.WorkingDirectory},
        {HasArguments, &read.Arguments}, {HasIconLocation, &read.IconLocation}};
    for (const auto& [flag, text] : strings)
        if ((flags & flag) && !cursor.ReadCounted(wide, *text)) return ole::E_FAIL;
    fields = std::move(read);
    return ole::S_OK;
}

ole::HRESULT LoadShortcut(const std::string& path, TShortcutFields& fields) {
    if (path.empty()) return ole::E_INVALIDARG;
    std::ifstream in(path, std::ios::binary);
    if (!in) return HResultFromErrno(errno ? errno : ENOENT);
    std::vector<uint8_t> bytes;
    bytes.resize(MaxShortcutBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return ReadShortcut(bytes, fields);
}

std::string ResolvedShortcutTarget(const std::string& linkPath, const TShortcutFields& fields) {
    const auto withSlashes = [](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    struct stat info {};
    const std::string stored = withSlashes(fields.TargetPath);
    if (!stored.empty() && stat(stored.c_str(), &info) == 0) return stored;
    if (fields.RelativePath.empty()) return stored;
    return ExtractFilePath(linkPath) + withSlashes(fields.RelativePath);
}

}  // namespace kestrune
