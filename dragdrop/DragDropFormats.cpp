#include "dragdrop/DragDropFormats.h"

#include <algorithm>
#include <cstring>

namespace kestrune::dragdrop {

// ---- simple formats ----------------------------------------------------------------

bool TCustomSimpleClipboardFormat::ReadMedium(IDataObject&, const STGMEDIUM& medium) {
    std::vector<uint8_t> bytes;
    if (!ReadMediumBytes(medium, bytes)) return false;
    return bytes.empty() || ReadData(bytes);
}

bool TCustomSimpleClipboardFormat::FillMedium(const FORMATETC& format, STGMEDIUM& medium) {
    const size_t size = GetSize();
    if (size == 0) return false;
    std::vector<uint8_t> block(size, 0);
    if (!WriteData(block)) return false;
    medium = MediumOf(block, (format.tymed & TYMED_ISTREAM) && !(format.tymed & TYMED_HGLOBAL) ? TYMED_ISTREAM
                                                                                              : TYMED_HGLOBAL);
    return true;
}

bool TCustomAnsiStringClipboardFormat::ReadData(TByteSpan block) {
    Data.assign(block.begin(), block.end());
    if (TrimZeroes) Data = ReadAnsiText(block);
    return true;
}

bool TCustomAnsiStringClipboardFormat::WriteData(std::span<uint8_t> block) {
    if (block.size() > Data.size() + 1) return false;
    std::memcpy(block.data(), Data.data(), std::min(block.size(), Data.size()));
    return true;
}

std::string TCustomStringListClipboardFormat::Text() const {
    std::string text;
    for (const std::string& line : Lines) text += line + "\r\n";
    return text;
}

bool TCustomStringListClipboardFormat::ReadData(TByteSpan block) {
    Lines = SplitLines(ReadAnsiText(block));
    return true;
}

bool TCustomStringListClipboardFormat::WriteData(std::span<uint8_t> block) {
    const std::string text = Text();
    if (block.size() != text.size() + 1) return false;
    std::memcpy(block.data(), text.data(), text.size());
    return true;
}

bool TCustomDWORDClipboardFormat::ReadData(TByteSpan block) {
    const std::optional<uint32_t> value = ReadDword(block);
    if (!value) return false;
    Value = *value;
    return true;
}

bool TCustomDWORDClipboardFormat::WriteData(std::span<uint8_t> block) {
    if (block.size() != 4) return false;
    const TBytes bytes = WriteDword(Value);
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return true;
}

bool TTargetCLSIDClipboardFormat::ReadData(TByteSpan block) {
    if (block.size() != CLSID.size()) return false;
    std::copy(block.begin(), block.end(), CLSID.begin());
    return true;
}

bool TTargetCLSIDClipboardFormat::WriteData(std::span<uint8_t> block) {
    if (block.size() != CLSID.size()) return false;
    std::copy(CLSID.begin(), CLSID.end(), block.begin());
    return true;
}

// ---- feedback --------------------------------------------------------------------------

const TDataFormatClass TFeedbackDataFormat::Class{"TFeedbackDataFormat", nullptr};

void TFeedbackDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Class, ClipboardClass<TPreferredDropEffectClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TPerformedDropEffectClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TPasteSucceededClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TInShellDragLoopClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TTargetCLSIDClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TLogicalPerformedDropEffectClipboardFormat>(), ddReadWrite, 0);
}

void TFeedbackDataFormat::Clear() {
    Changing();
    PreferredDropEffect = 0;
    PerformedDropEffect = 0;
    InShellDragLoop = false;
    GotInShellDragLoop = false;
}

bool TFeedbackDataFormat::HasData() const {
    return PreferredDropEffect != 0 || PerformedDropEffect != 0 || PasteSucceeded != 0 || GotInShellDragLoop;
}

bool TFeedbackDataFormat::NeedsData() const {
    return PreferredDropEffect == 0 || PerformedDropEffect == 0 || PasteSucceeded == 0 || !GotInShellDragLoop;
}

namespace {

uint32_t* FeedbackField(TFeedbackDataFormat& data, TClipboardFormat& format) {
    if (dynamic_cast<TPreferredDropEffectClipboardFormat*>(&format)) return &data.PreferredDropEffect;
    if (dynamic_cast<TPerformedDropEffectClipboardFormat*>(&format)) return &data.PerformedDropEffect;
    if (dynamic_cast<TLogicalPerformedDropEffectClipboardFormat*>(&format)) return &data.LogicalPerformedDropEffect;
    if (dynamic_cast<TPasteSucceededClipboardFormat*>(&format)) return &data.PasteSucceeded;
    return nullptr;
}

}  // namespace

bool TFeedbackDataFormat::Assign(TClipboardFormat& format) {
    if (auto* loop = dynamic_cast<TInShellDragLoopClipboardFormat*>(&format)) {
        InShellDragLoop = loop->Value != 0;
        GotInShellDragLoop = true;
        return true;
    }
    if (auto* target = dynamic_cast<TTargetCLSIDClipboardFormat*>(&format)) {
        TargetCLSID = target->CLSID;
        return true;
    }
    uint32_t* field = FeedbackField(*this, format);
    if (field == nullptr) return TCustomDataFormat::Assign(format);
    *field = static_cast<TCustomDWORDClipboardFormat&>(format).Value;
    return true;
}

bool TFeedbackDataFormat::AssignTo(TClipboardFormat& format) {
    if (auto* loop = dynamic_cast<TInShellDragLoopClipboardFormat*>(&format)) {
        loop->Value = InShellDragLoop ? 1 : 0;
        return true;
    }
    if (auto* target = dynamic_cast<TTargetCLSIDClipboardFormat*>(&format)) {
        target->CLSID = TargetCLSID;
        return true;
    }
    uint32_t* field = FeedbackField(*this, format);
    if (field == nullptr) return TCustomDataFormat::AssignTo(format);
    static_cast<TCustomDWORDClipboardFormat&>(format).Value = *field;
    return true;
}

// ---- streams -----------------------------------------------------------------------------

std::shared_ptr<IStream> CopyToMemoryStream(IStream& stream) {
    constexpr uint64_t Piece = 0x100000;
    uint64_t size = 0;
    if (!Succeeded(stream.Stat(size))) return nullptr;
    auto copy = std::make_shared<TBlockStream>();
    uint64_t done = 0;
    while (done < size) {
        uint64_t read = 0;
        if (!Succeeded(stream.CopyTo(*copy, std::min(Piece, size - done), &read, nullptr)) || read == 0) break;
        done += read;
    }
    copy->Seek(0, TSeekOrigin::Begin, nullptr);
    return copy;
}

void RegisterStandardFormats() { TFeedbackDataFormat::RegisterCompatibleFormats(); }

}  // namespace kestrune::dragdrop
