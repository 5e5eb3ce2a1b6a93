#include "dragdrop/DragDropFile.h"

#include "platform/ResCodePages.h"

#include <algorithm>
#include <mutex>

namespace kestrune::dragdrop {

namespace {

bool CopyInto(std::span<uint8_t> block, const TBytes& bytes) {
    if (block.size() != bytes.size()) return false;
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return true;
}

}  // namespace

// ---- the drop-files list -------------------------------------------------------------

bool TFileClipboardFormat::ReadData(TByteSpan block) {
    Files = ReadDropFiles(block);
    return !Files.empty();
}

bool TFileClipboardFormat::WriteData(std::span<uint8_t> block) { return CopyInto(block, WriteDropFiles(Files)); }

// The item ID list data format takes a drop-files list as the items' lists, and gives its paths.
bool TFileClipboardFormat::AssignToDataFormat(TCustomDataFormat& dataFormat) {
    auto* pidl = dynamic_cast<TPIDLDataFormat*>(&dataFormat);
    if (pidl == nullptr) return false;
    std::vector<TItemIdList> lists = FilenamesToPIDLs(Files);
    if (lists.empty()) return false;
    pidl->PIDLs.Assign(std::move(lists));
    return true;
}

bool TFileClipboardFormat::AssignFromDataFormat(TCustomDataFormat& dataFormat) {
    auto* pidl = dynamic_cast<TPIDLDataFormat*>(&dataFormat);
    if (pidl == nullptr) return false;
    Files = pidl->PIDLs.Filenames();
    return !Files.empty();
}

bool TCustomFilenameMapClipboardFormat::ReadData(TByteSpan block) {
    FileMaps = ReadNameList(block, wide_);
    return !FileMaps.empty();
}

bool TCustomFilenameMapClipboardFormat::WriteData(std::span<uint8_t> block) {
    return CopyInto(block, WriteNameList(FileMaps, wide_));
}

// ---- data formats --------------------------------------------------------------------------

const TDataFormatClass TFileDataFormat::Class{"TFileDataFormat", nullptr};
const TDataFormatClass TFileMapDataFormat::Class{"TFileMapDataFormat", nullptr};

void TFileDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Class, ClipboardClass<TFileClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TPIDLClipboardFormat>(), ddReadWrite, 1);
    map.Add(Class, ClipboardClass<TUnicodeFilenameClipboardFormat>(), ddReadWrite, 2);
    map.Add(Class, ClipboardClass<TAnsiFilenameClipboardFormat>(), ddReadWrite, 3);
}

void TFileMapDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Class, ClipboardClass<TUnicodeFilenameMapClipboardFormat>(), ddReadWrite, -1);
    map.Add(Class, ClipboardClass<TAnsiFilenameMapClipboardFormat>(), ddReadWrite, 0);
}

void TFileDataFormat::Clear() {
    Changing();
    Files.clear();
}

bool TFileDataFormat::Assign(TClipboardFormat& format) {
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(&format)) {
        Files = files->Files;
    } else if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(&format)) {
        Files = pidl->PIDLs.Filenames();
    } else if (auto* wide = dynamic_cast<TUnicodeFilenameClipboardFormat*>(&format)) {
        Files = {FileNameFromWide(wide->Text)};
    } else if (auto* ansi = dynamic_cast<TAnsiFilenameClipboardFormat*>(&format)) {
        Files = {ansi->Data};
    } else {
        return TCustomDataFormat::Assign(format);
    }
    Changing();
    return true;
}

bool TFileDataFormat::AssignTo(TClipboardFormat& format) {
    if (Files.empty()) return false;
    if (auto* files = dynamic_cast<TFileClipboardFormat*>(&format)) {
        files->Files = Files;
    } else if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(&format)) {
        std::vector<TItemIdList> lists = FilenamesToPIDLs(Files);
        if (lists.empty()) return false;
        pidl->PIDLs.Assign(std::move(lists));
    } else if (auto* wide = dynamic_cast<TUnicodeFilenameClipboardFormat*>(&format)) {
        wide->Text = WideFromFileName(Files.front());
    } else if (auto* ansi = dynamic_cast<TAnsiFilenameClipboardFormat*>(&format)) {
        ansi->Data = Files.front();
    } else {
        return TCustomDataFormat::AssignTo(format);
    }
    return true;
}

void TFileMapDataFormat::Clear() {
    Changing();
    FileMaps.clear();
}

bool TFileMapDataFormat::Assign(TClipboardFormat& format) {
    auto* maps = dynamic_cast<TCustomFilenameMapClipboardFormat*>(&format);
    if (maps == nullptr) return TCustomDataFormat::Assign(format);
    FileMaps = maps->FileMaps;
    Changing();
    return true;
}

bool TFileMapDataFormat::AssignTo(TClipboardFormat& format) {
    auto* maps = dynamic_cast<TCustomFilenameMapClipboardFormat*>(&format);
    if (maps == nullptr) return TCustomDataFormat::AssignTo(format);
    maps->FileMaps = FileMaps;
    return !FileMaps.empty();
}

// ---- the file drop target ------------------------------------------------------------------

TDropFileTarget::TDropFileTarget() {
    RegisterDragDropFormats();
    FileFormat = std::make_unique<TFileDataFormat>(this);
    FileMapFormat = std::make_unique<TFileMapDataFormat>(this);
    OptimizedMove = true;
}

TDropFileTarget::~TDropFileTarget() {
    FileFormat.reset();
    FileMapFormat.reset();
}

uint32_t TDropFileTarget::GetPreferredDropEffect() {
    const uint32_t effect = TCustomDropMultiTarget::GetPreferredDropEffect();
    return effect == 0 ? DROPEFFECT_COPY : effect;
}

void RegisterDragDropFormats() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterStandardFormats();
        RegisterTextFormats();
        RegisterPIDLFormats();
        TDataFormatMap::Instance().Add(TPIDLDataFormat::Class, ClipboardClass<TFileClipboardFormat>(), ddReadWrite, 1);
        TFileDataFormat::RegisterCompatibleFormats();
        TFileMapDataFormat::RegisterCompatibleFormats();
    });
}

}  // namespace kestrune::dragdrop
