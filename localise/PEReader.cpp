#include "localise/PEReader.h"

#include "localise/LocResources.h"
#include "localise/qcompress.h"
#include "platform/FileIO.h"
#include "platform/ResCodePages.h"

#include <array>
#include <set>

namespace kestrune {

namespace {

// Libraries are read whole: a resource library is a few MB.
constexpr int64_t MostLibraryBytes = int64_t{64} << 20;
constexpr uint16_t DosSignature = 0x5A4D;  // "MZ"
constexpr uint32_t NtSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t Pe32PlusMagic = 0x20B;
constexpr uint32_t NtHeadersSize32 = 248;
constexpr uint32_t NtHeadersSize64 = 264;
constexpr uint32_t FileHeaderEnd = 24;  // signature and file header
constexpr uint32_t SectionHeaderSize = 40;
constexpr uint32_t HighBit = 0x80000000;
constexpr size_t MaxTreeDepth = 3;  // types, names, languages

[[noreturn]] void Unrecognized() { throw EExeError(LibraryText(res::SUnrecognizedFormat)); }
[[noreturn]] void NotPe() { throw EExeError(LibraryText(res::SNotPEFile)); }

constexpr std::array<const char*, 17> TypeNames = {
    "Unknown0",    "CursorEntry", "Bitmap", "IconEntry", "Menu",      "Dialog", "String",    "FontDir",  "Font",
    "Accelerators", "RCData",     "MessageTable", "Cursor", "Unknown13", "Icon", "Unknown15", "Version",
};

}  // namespace

std::string ResourceTypeName(uint32_t type) { return type < TypeNames.size() ? TypeNames[type] : std::to_string(type); }

const TPEResourceList& TPEResourceItem::List() const {
    if (!isList_) throw EExeError(LibraryText(res::SNotAList));
    return *subList_;
}

// Builds the whole tree once, within the ".rsrc" section: every directory may
// be met only once (no cycles) and no deeper than the language level, and the
// entries of all directories together cannot outnumber the section's 8-byte
// slots (overlapping directories cannot make the walk run away).
class TResourceTreeBuilder {
public:
    TResourceTreeBuilder(std::string_view section, uint32_t sectionRva)
        : section_(section), rva_(sectionRva), entriesLeft_(section.size() / 8) {}

    std::unique_ptr<TPEResourceList> Directory(uint32_t offset, size_t depth, uint32_t typeId) {
        if (depth > MaxTreeDepth || !visited_.insert(offset).second) Unrecognized();
        TByteReader reader(section_, Unrecognized);
        reader.Seek(offset);
        reader.Skip(12);
        const size_t count = size_t{reader.U16()} + reader.U16();
        reader.Need(8 * count);
        if (count > entriesLeft_) Unrecognized();
        entriesLeft_ -= count;
        auto list = std::make_unique<TPEResourceList>();
        list->typeId_ = typeId;
        list->items_.resize(count);
        for (TPEResourceItem& item : list->items_) {
            const uint32_t name = reader.U32();
            const uint32_t offsetToData = reader.U32();
            Fill(item, name, offsetToData, depth, typeId);
        }
        return list;
    }

private:
    void Fill(TPEResourceItem& item, uint32_t name, uint32_t offsetToData, size_t depth, uint32_t typeId) {
        item.hasId_ = (name & HighBit) == 0;
        item.id_ = name;
        if (!item.hasId_) {
            item.name_ = NameString(name & ~HighBit);
        } else if (depth == 1 && name < TypeNames.size()) {
            item.name_ = TypeNames[name];
        } else {
            item.name_ = std::to_string(name);
        }
        if ((offsetToData & HighBit) == 0) {
            item.data_ = DataEntry(offsetToData);
            return;
        }
        item.subList_ = Directory(offsetToData & ~HighBit, depth + 1, depth == 1 ? name : typeId);
        const TPEResourceList& sub = *item.subList_;
        item.isList_ = sub.Count() > 0 && sub.Items(0).subList_ != nullptr;
        if (!item.isList_ && sub.Count() > 0) item.data_ = sub.Items(0).data_;
    }

    std::string NameString(uint32_t offset) const {
        TByteReader reader(section_, Unrecognized);
        reader.Seek(offset);
        return Utf16ToUtf8(reader.Wide(reader.U16()));
    }

    std::string_view DataEntry(uint32_t offset) const {
        TByteReader reader(section_, Unrecognized);
        reader.Seek(offset);
        const uint32_t rva = reader.U32();
        const uint32_t size = reader.U32();
        if (rva < rva_) Unrecognized();
        reader.Seek(rva - rva_);
        return reader.Bytes(size);
    }

    std::string_view section_;
    uint32_t rva_;
    std::set<uint32_t> visited_;
    size_t entriesLeft_;
};

TPEReader::TPEReader(const std::string& fileName) : fileName_(fileName) {
    const TKeptFile kept = ReadKeptFile(fileName, MostLibraryBytes, image_);
    if (kept.Kind == TKeptFile::TKind::Missing) throw Exception("Cannot open file \"" + fileName + "\"");
    if (kept.Kind != TKeptFile::TKind::Read) throw Exception(LeftAloneNote(kept));
    if (IsLZQCompressed(image_)) image_ = LZQDecompressStream(image_);
    CheckHeaders();
}

TPEReader::TPEReader(std::string fileName, TBytes image) : fileName_(std::move(fileName)), image_(std::move(image)) {
    if (IsLZQCompressed(image_)) image_ = LZQDecompressStream(image_);
    CheckHeaders();
}

std::unique_ptr<TPEReader> TPEReader::FromImage(TBytes image) {
    return std::unique_ptr<TPEReader>(new TPEReader("", std::move(image)));
}

void TPEReader::CheckHeaders() {
    if (image_.empty()) throw EExeError(LibraryText(res::SMapViewFailed));
    TByteReader reader(image_, NotPe);
    if (image_.size() < 2 || reader.U16() != DosSignature) Unrecognized();
    reader.Seek(60);
    ntHeaders_ = reader.U32();
    reader.Seek(ntHeaders_);
    reader.Need(FileHeaderEnd + 2);
    if (reader.U32() != NtSignature) NotPe();
    reader.Seek(ntHeaders_ + FileHeaderEnd);
    is64_ = reader.U16() == Pe32PlusMagic;
    reader.Seek(ntHeaders_);
    reader.Need(is64_ ? NtHeadersSize64 : NtHeadersSize32);
}

const TPEResourceList& TPEReader::ResourceList() {
    if (resourceList_) return *resourceList_;
    TByteReader reader(image_, Unrecognized);
    reader.Seek(ntHeaders_ + 6);
    const uint16_t sectionCount = reader.U16();
    reader.Seek(ntHeaders_ + 20);
    const uint16_t optionalHeaderSize = reader.U16();
    reader.Seek(ntHeaders_ + FileHeaderEnd + optionalHeaderSize);
    reader.Need(size_t{sectionCount} * SectionHeaderSize);
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const size_t header = reader.Pos();
        if (reader.Bytes(8) == std::string_view(".rsrc\0\0\0", 8)) {
            reader.Seek(header + 12);
            const uint32_t virtualAddress = reader.U32();
            const uint32_t rawSize = reader.U32();
            const uint32_t rawPointer = reader.U32();
            reader.Seek(rawPointer);
            const std::string_view section = reader.Bytes(std::min<size_t>(rawSize, reader.Left()));
            resourceList_ = TResourceTreeBuilder(section, virtualAddress).Directory(0, 1, 0);
            return *resourceList_;
        }
        reader.Seek(header + SectionHeaderSize);
    }
    throw EExeError(LibraryText(res::SNoResources));
}

}  // namespace kestrune
