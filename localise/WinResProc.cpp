#include "localise/WinResProc.h"

#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"

#include <algorithm>
#include <ctime>

namespace kestrune {

namespace {

constexpr uint32_t HighBit = 0x80000000;
constexpr uint32_t SectionRva = 0x2000;
constexpr uint32_t FileAlignment = 0x200;
constexpr uint32_t SectionAlignment = 0x1000;
constexpr uint32_t DosHeaderSize = 64;
constexpr uint32_t DosStubSize = 192;
constexpr uint32_t NtHeadersOffset = DosHeaderSize + DosStubSize;
constexpr uint32_t SectionHeaderSize = 40;
constexpr uint32_t ResourceDirectoryIndex = 2;
constexpr uint32_t DataDirectoryCount = 16;

uint32_t NtHeadersSize(bool is64) { return is64 ? 264 : 248; }
uint32_t SizeOfHeaders(bool is64) {
    return RoundUp(NtHeadersOffset + NtHeadersSize(is64) + SectionHeaderSize, FileAlignment);
}

// Name string of a named entry: 16-bit length and the characters, no terminator.
uint32_t NameStringSize(const TResEntry& entry) { return entry.named ? 2 * static_cast<uint32_t>(entry.name.size() + 1) : 0; }

void WriteDirectory(TByteWriter& out, uint32_t stamp, uint16_t named, uint16_t ids) {
    out.U32(0);  // Characteristics
    out.U32(stamp);
    out.U32(0);  // version 0.0
    out.U16(named);
    out.U16(ids);
}

void WriteDosHeaderAndStub(TByteWriter& out) {
    static constexpr uint16_t header[] = {0x5A4D, 0x50, 2, 0, 4, 0x0F, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0x1A};
    for (const uint16_t word : header) out.U16(word);
    out.Zeros(60 - sizeof header);
    out.U32(NtHeadersOffset);
    out.Bytes(std::string_view("\xBA\x10\x00\x0E\x1F\xB4\x09\xCD\x21\xB8\x01\x4C\xCD\x21\x90\x90", 16));
    out.Bytes("This program must be run under Win32");
    out.Bytes(std::string_view("\x0D\x0A\x24\x37", 4));
    out.Zeros(NtHeadersOffset - out.Pos());
}

}  // namespace

uint32_t ResourceTimeStampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // The local date and time read as if it were UTC, counted from 1969-12-31 16:00.
    return static_cast<uint32_t>(timegm(&local) + 8 * 3600);
}

uint32_t TResBlock::GetSize() const {
    uint32_t size = DirectorySize();
    for (const TResEntry& entry : Entries()) size += NameStringSize(entry) + static_cast<uint32_t>(entry.data.size());
    return size;
}

void TResBlock::WriteTo(TByteWriter& out, uint32_t offset, uint32_t timeStamp) const {
    const std::vector<TResEntry> entries = Entries();
    const auto k = static_cast<uint32_t>(entries.size());
    const auto named = static_cast<uint16_t>(std::count_if(entries.begin(), entries.end(), [](const TResEntry& e) { return e.named; }));
    WriteDirectory(out, timeStamp, named, static_cast<uint16_t>(k - named));
    uint32_t nameOffset = offset + 16 + 48 * k;
    for (uint32_t i = 0; i < k; ++i) {
        out.U32(entries[i].named ? HighBit | nameOffset : entries[i].id);
        out.U32(HighBit | (offset + 16 + 8 * k + 24 * i));
        nameOffset += NameStringSize(entries[i]);
    }
    for (uint32_t i = 0; i < k; ++i) {
        WriteDirectory(out, timeStamp, 0, 1);
        out.U32(0);  // neutral language
        out.U32(offset + 16 + 32 * k + 16 * i);
    }
    uint32_t dataOffset = nameOffset;
    for (const TResEntry& entry : entries) {
        out.U32(SectionRva + dataOffset);
        out.U32(static_cast<uint32_t>(entry.data.size()));
        out.U32(0);  // code page
        out.U32(0);
        dataOffset += static_cast<uint32_t>(entry.data.size());
    }
    for (const TResEntry& entry : entries) {
        if (!entry.named) continue;
        out.U16(static_cast<uint16_t>(entry.name.size()));
        out.Wide(entry.name);
    }
    for (const TResEntry& entry : entries) out.Bytes(entry.data);
}

void TResBlock::WriteResFile(TBytes& bytes) const {
    TByteWriter out(bytes);
    for (const TResEntry& entry : Entries()) {
        const uint32_t nameSize = entry.named ? RoundUp(2 * static_cast<uint32_t>(entry.name.size() + 1), 4) : 4;
        out.U32(static_cast<uint32_t>(entry.data.size()));
        out.U32(28 + nameSize);
        out.U16(0xFFFF);
        out.U16(ResourceType());
        if (entry.named) {
            out.Wide(entry.name);
            out.U16(0);
            out.PadTo(4);
        } else {
            out.U16(0xFFFF);
            out.U16(static_cast<uint16_t>(entry.id));
        }
        out.U32(0);       // DataVersion
        out.U16(0x1000);  // MemoryFlags
        out.U16(0);       // LanguageId
        out.U32(0);       // Version
        out.U32(0);       // Characteristics
        out.Bytes(entry.data);
        out.PadTo(4);
    }
}

int TResString::IndexOfId(int32_t id) const {
    const auto it = std::lower_bound(strings_.begin(), strings_.end(), id, [](const TResStringItem& s, int32_t v) { return s.Id < v; });
    return it != strings_.end() && it->Id == id ? static_cast<int>(it - strings_.begin()) : -1;
}

TResStringItem* TResString::FindString(int32_t id) {
    const int index = IndexOfId(id);
    return index < 0 ? nullptr : &strings_[index];
}

const TResStringItem* TResString::FindString(int32_t id) const { return const_cast<TResString*>(this)->FindString(id); }

int TResString::AddString(int32_t id, std::u16string value) {
    if (IndexOfId(id) >= 0) return -1;
    const auto at = std::lower_bound(strings_.begin(), strings_.end(), id, [](const TResStringItem& s, int32_t v) { return s.Id < v; });
    const auto index = at - strings_.begin();
    strings_.insert(at, TResStringItem{id, std::move(value)});
    const auto groupId = static_cast<uint32_t>(id / 16 + 1);
    auto group = std::lower_bound(groups_.begin(), groups_.end(), groupId, [](const TResStringGroup& g, uint32_t v) { return g.GroupId < v; });
    if (group == groups_.end() || group->GroupId != groupId) {
        TResStringGroup fresh{groupId, {}};
        fresh.Ids.fill(-1);
        group = groups_.insert(group, fresh);
    }
    const int64_t slot = int64_t{id} - (int64_t{groupId} - 1) * 16;
    if (slot >= 0 && slot < 16) group->Ids[slot] = id;
    return static_cast<int>(index);
}

void TResString::Clear() {
    strings_.clear();
    groups_.clear();
}

std::vector<TResEntry> TResString::Entries() const {
    std::vector<TResEntry> entries;
    entries.reserve(groups_.size());
    for (const TResStringGroup& group : groups_) {
        TResEntry entry{false, group.GroupId, {}, {}};
        TByteWriter out(entry.data);
        for (const int32_t id : group.Ids) {
            const TResStringItem* item = id < 0 ? nullptr : FindString(id);
            const std::u16string_view text = item ? std::u16string_view(item->Value) : std::u16string_view();
            out.U16(static_cast<uint16_t>(text.size()));
            out.Wide(text);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

TResRCDataItem& TResRCData::AddItem(const std::string& name, bool isId) {
    items_.push_back(TResRCDataItem{name, isId, {}});
    return items_.back();
}

int TResRCData::IndexOfName(const std::string& name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].Name, name)) return static_cast<int>(i);
    return -1;
}

TResRCDataItem* TResRCData::FindItem(const std::string& name) {
    const int index = IndexOfName(name);
    return index < 0 ? nullptr : &items_[index];
}

void TResRCData::RemoveItem(const std::string& name) {
    const int index = IndexOfName(name);
    if (index >= 0) Delete(static_cast<size_t>(index));
}

void TResRCData::Delete(size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TResRCData::Clear() { items_.clear(); }

// Named entries first, by name without case, then ids ascending, as readers of
// PE files expect (some look entries up by binary search).
std::vector<TResEntry> TResRCData::Entries() const {
    std::vector<TResEntry> entries;
    entries.reserve(items_.size());
    for (const TResRCDataItem& item : items_) {
        if (item.IsId)
            entries.push_back(TResEntry{false, static_cast<uint32_t>(StrToIntDef(item.Name, 0)), {}, item.Data});
        else
            entries.push_back(TResEntry{true, 0, Utf8ToUtf16(item.Name), item.Data});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const TResEntry& a, const TResEntry& b) {
        if (a.named != b.named) return a.named;
        return a.named ? UpperCase(Utf16ToUtf8(a.name)) < UpperCase(Utf16ToUtf8(b.name)) : a.id < b.id;
    });
    return entries;
}

TResBlock* TResProcessor::FindBlock(uint16_t resourceType) const {
    for (const auto& block : blocks_)
        if (block->ResourceType() == resourceType) return block.get();
    return nullptr;
}

uint32_t TResProcessor::TimeStamp() const { return timeStamp_ ? *timeStamp_ : ResourceTimeStampNow(); }

uint32_t TResProcessor::SectionSize() const {
    uint32_t size = 16 + 8 * static_cast<uint32_t>(blocks_.size());
    for (const auto& block : blocks_) size += block->GetSize();
    return size;
}

void TResProcessor::WriteResourceDLL(TBytes& bytes) const {
    const uint32_t stamp = TimeStamp();
    const uint32_t sectionSize = SectionSize();
    TByteWriter out(bytes);
    WriteHeaders(out, sectionSize, stamp);
    WriteSection(out, stamp);
    out.Zeros(SizeOfHeaders(Is64) + RoundUp(sectionSize, FileAlignment) - out.Pos());
}

void TResProcessor::WriteHeaders(TByteWriter& out, uint32_t sectionSize, uint32_t stamp) const {
    const uint32_t headersSize = SizeOfHeaders(Is64);
    const uint32_t rawSize = RoundUp(sectionSize, FileAlignment);
    WriteDosHeaderAndStub(out);
    out.U32(0x00004550);
    out.U16(0x14C);  // stays i386 in the PE32+ form as well
    out.U16(1);
    out.U32(stamp);
    out.U32(0);
    out.U32(0);
    out.U16(static_cast<uint16_t>(NtHeadersSize(Is64) - 24));
    out.U16(0xA18E);
    out.U16(Is64 ? 0x20B : 0x10B);
    out.U8(1);  // linker version 1.0
    out.U8(0);
    out.Zeros(Is64 ? 20 : 24);  // code and data sizes, entry point, bases of code (and data)
    if (Is64) out.U64(0x400000); else out.U32(0x400000);
    out.U32(SectionAlignment);
    out.U32(FileAlignment);
    for (const uint16_t version : std::initializer_list<uint16_t>{1, 0, 1, 0, 4, 0}) out.U16(version);  // system, image, subsystem
    out.U32(0);  // Win32VersionValue
    out.U32(RoundUp(SectionRva + sectionSize, SectionAlignment));
    out.U32(headersSize);
    out.U32(0);  // CheckSum
    out.U16(2);  // GUI
    out.U16(1);
    for (const uint32_t size : {0x1000u, 0x100u, 0x1000u, 0x100u}) {
        if (Is64) out.U64(size); else out.U32(size);
    }
    out.U32(0);  // LoaderFlags
    out.U32(DataDirectoryCount);
    for (uint32_t i = 0; i < DataDirectoryCount; ++i) {
        out.U32(i == ResourceDirectoryIndex ? SectionRva : 0);
        out.U32(i == ResourceDirectoryIndex ? rawSize : 0);
    }
    out.Bytes(std::string_view(".rsrc\0\0\0", 8));
    out.U32(sectionSize);
    out.U32(SectionRva);
    out.U32(rawSize);
    out.U32(headersSize);
    out.Zeros(12);  // relocations and line numbers
    out.U32(0x40000000);
    out.Zeros(headersSize - out.Pos());
}

void TResProcessor::WriteSection(TByteWriter& out, uint32_t stamp) const {
    const auto n = static_cast<uint32_t>(blocks_.size());
    WriteDirectory(out, stamp, 0, static_cast<uint16_t>(n));
    uint32_t offset = 16 + 8 * n;
    for (const auto& block : blocks_) {
        out.U32(block->ResourceType());
        out.U32(HighBit | offset);
        offset += block->GetSize();
    }
    offset = 16 + 8 * n;
    for (const auto& block : blocks_) {
        block->WriteTo(out, offset, stamp);
        offset += block->GetSize();
    }
}

}  // namespace kestrune
