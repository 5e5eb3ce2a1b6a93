#include "tests/support/ShortcutWriter.h"

#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"

namespace kestrune::testing {

namespace {

void Put16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void Append32(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.resize(bytes.size() + 4);
    ole::Put32(bytes, bytes.size() - 4, value);
}

void Append64(std::vector<uint8_t>& bytes, uint64_t value) {
    Append32(bytes, static_cast<uint32_t>(value));
    Append32(bytes, static_cast<uint32_t>(value >> 32));
}

void AppendCounted(std::vector<uint8_t>& bytes, const std::string& text, bool wide) {
    if (!wide) {
        Put16(bytes, static_cast<uint16_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return;
    }
    const std::u16string chars = Utf8ToUtf16(text);
    Put16(bytes, static_cast<uint16_t>(chars.size()));
    for (const char16_t c : chars) Put16(bytes, static_cast<uint16_t>(c));
}

}  // namespace

std::vector<uint8_t> WriteShortcut(const TShortcutFields& fields, bool wide) {
    const std::pair<uint32_t, const std::string*> strings[] = {
        {0x04, &fields.Description}, {0x08, &fields.RelativePath}, {0x10, &fields.WorkingDirectory},
        {0x20, &fields.Arguments}, {0x40, &fields.IconLocation}};
    uint32_t flags = wide ? 0x80 : 0;
    if (!fields.TargetIdList.empty()) flags |= 0x01;
    if (!fields.TargetPath.empty()) flags |= 0x02;
    for (const auto& [flag, text] : strings)
        if (!text->empty()) flags |= flag;

    std::vector<uint8_t> bytes;
    Append32(bytes, 0x4C);
    const uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    bytes.insert(bytes.end(), std::begin(clsid), std::end(clsid));
    Append32(bytes, flags);
    Append32(bytes, fields.FileAttributes);
    Append64(bytes, fields.CreationTime);
    Append64(bytes, fields.AccessTime);
    Append64(bytes, fields.WriteTime);
    Append32(bytes, fields.FileSize);
    Append32(bytes, static_cast<uint32_t>(fields.IconIndex));
    Append32(bytes, fields.ShowCommand);
    Put16(bytes, fields.HotKey);
    bytes.resize(bytes.size() + 10);  // reserved
    if (flags & 0x01) {
        Put16(bytes, static_cast<uint16_t>(fields.TargetIdList.size()));
        bytes.insert(bytes.end(), fields.TargetIdList.begin(), fields.TargetIdList.end());
    }
    if (flags & 0x02) {
        // Header of 28 bytes, the local base path, then an empty suffix.
        const uint32_t size = static_cast<uint32_t>(28 + fields.TargetPath.size() + 2);
        for (const uint32_t field : {size, 28u, 1u, 0u, 28u, 0u, size - 1}) Append32(bytes, field);
        bytes.insert(bytes.end(), fields.TargetPath.begin(), fields.TargetPath.end());
        bytes.push_back(0);
        bytes.push_back(0);
    }
    for (const auto& [flag, text] : strings)
        if (flags & flag) AppendCounted(bytes, *text, wide);
    return bytes;
}

}  // namespace kestrune::testing
