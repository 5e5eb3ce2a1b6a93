#include "dragdrop/DragDropPIDL.h"

#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

#include <algorithm>
#include <cstring>

namespace kestrune::dragdrop {

// ---- item ID lists -------------------------------------------------------------------

void TPIDLList::Changed() {
    if (OnChange) OnChange();
}

void TPIDLList::Add(const TItemIdList& list) {
    lists_.push_back(list);
    Changed();
}

void TPIDLList::Assign(std::vector<TItemIdList> lists) {
    lists_ = std::move(lists);
    Changed();
}

void TPIDLList::Clear() {
    lists_.clear();
    Changed();
}

std::string TPIDLList::Filename(size_t index) const {
    if (index >= FileCount()) throw EDataFormat("Filename index out of range");
    const std::optional<std::string> path = PathFromIdList(lists_[0].combine(lists_[index + 1]));
    return path ? *path : std::string();
}

std::vector<std::string> TPIDLList::Filenames() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < FileCount(); ++i) names.push_back(Filename(i));
    return names;
}

namespace {

// The list of the folder part of a name (up to its last separator).
TItemIdList FolderList(const std::string& name) {
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    std::optional<TItemIdList> list = IdListFromPath(folder);
    if (!list) throw EDataFormat(FormatResStr(res::SInvalidFilename, {folder}));
    return *list;
}

// Number of leading items two lists share.
size_t SharedItems(const TItemIdList& a, const TItemIdList& b, size_t most) {
    size_t shared = 0;
    while (shared < most && shared < a.itemCount() && shared < b.itemCount()) {
        const TByteSpan x = a.itemData(shared);
        const TByteSpan y = b.itemData(shared);
        if (!std::equal(x.begin(), x.end(), y.begin(), y.end())) break;
        ++shared;
    }
    return shared;
}

}  // namespace

std::vector<TItemIdList> FilenamesToPIDLs(const std::vector<std::string>& names) {
    if (names.empty()) return {};
    std::vector<TItemIdList> folders;
    for (const std::string& name : names) folders.push_back(FolderList(name));
    size_t shared = folders[0].itemCount();
    for (size_t i = 1; i < folders.size() && shared > 0; ++i) shared = SharedItems(folders[0], folders[i], shared);
    std::vector<TItemIdList> lists{folders[0].leading(shared)};
    for (const std::string& name : names) {
        const std::optional<TItemIdList> absolute = IdListFromPath(name);
        if (!absolute) return {};
        lists.push_back(absolute->trailing(shared));
    }
    return lists;
}

bool TPIDLClipboardFormat::ReadData(TByteSpan block) {
    std::optional<std::vector<TItemIdList>> lists = ReadIdListArray(block);
    PIDLs.Assign(lists ? std::move(*lists) : std::vector<TItemIdList>{});
    return lists.has_value();
}

bool TPIDLClipboardFormat::WriteData(std::span<uint8_t> block) {
    const TBytes bytes = WriteIdListArray(PIDLs.Lists());
    if (block.size() != bytes.size()) return false;
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return true;
}

const TDataFormatClass TPIDLDataFormat::Class{"TPIDLDataFormat", nullptr};

TPIDLDataFormat::TPIDLDataFormat(TDragDropComponent* owner) : TCustomDataFormat(owner) {
    PIDLs.OnChange = [this] { Changing(); };
}

void TPIDLDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap::Instance().Add(Class, ClipboardClass<TPIDLClipboardFormat>(), ddReadWrite, 0);
}

bool TPIDLDataFormat::Assign(TClipboardFormat& format) {
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(&format)) {
        PIDLs.Assign(pidl->PIDLs.Lists());
        return true;
    }
    return TCustomDataFormat::Assign(format);
}

bool TPIDLDataFormat::AssignTo(TClipboardFormat& format) {
    if (auto* pidl = dynamic_cast<TPIDLClipboardFormat*>(&format)) {
        pidl->PIDLs.Assign(PIDLs.Lists());
        return true;
    }
    return TCustomDataFormat::AssignTo(format);
}

// ---- file group descriptors ---------------------------------------------------------------

bool TFileGroupDescriptorCustomClipboardFormat::ReadData(TByteSpan block) {
    if (block.size() < 4) return false;
    const uint64_t needed = 4 + uint64_t{Get32(block.data())} * RecordSize();
    if (needed > block.size()) return false;
    Block.assign(block.begin(), block.begin() + static_cast<ptrdiff_t>(needed));
    return true;
}

bool TFileGroupDescriptorCustomClipboardFormat::WriteData(std::span<uint8_t> block) {
    if (block.size() < Block.size()) return false;
    std::copy(Block.begin(), Block.end(), block.begin());
    return true;
}

std::string DescriptorName(TByteSpan wideRecord) {
    return FileNameFromWide(ReadWideText(wideRecord.subspan(DescriptorFactsSize)));
}

TBytes DescriptorWithName(const std::string& name) {
    TBytes record(WideDescriptorSize, 0);
    std::u16string wide = WideFromFileName(name);
    wide.resize(std::min(wide.size(), MaxDescriptorName - 1));
    const TBytes text = WriteWideText(wide);
    std::copy(text.begin(), text.end(), record.begin() + DescriptorFactsSize);
    return record;
}

// ---- file contents ----------------------------------------------------------------------

namespace {

// The file names of a descriptor block of either kind; none when the data object offers no block.
template <class TDescriptors>
std::vector<std::string> DescriptorNames(IDataObject& dataObject) {
    TDescriptors descriptors;
    std::vector<std::string> names;
    if (!descriptors.GetData(dataObject) || !descriptors.HasData()) return names;
    const size_t size = descriptors.RecordSize();
    for (uint32_t i = 0; i < descriptors.Count(); ++i) {
        const TByteSpan record = TByteSpan(descriptors.Block).subspan(4 + i * size, size);
        names.push_back(size == WideDescriptorSize ? DescriptorName(record)
                                                   : ReadAnsiText(record.subspan(DescriptorFactsSize)));
    }
    return names;
}

// Asks for the contents of each named file in turn (without names, once for
// the only contents) on one of the media, until a request fails or take,
// given the file's name and the medium, keeps nothing.
template <class TTake>
void WalkContents(IDataObject& dataObject, FORMATETC format, const std::vector<std::string>& names, uint32_t media, TTake&& take) {
    format.tymed = media;
    const size_t count = names.empty() ? 1 : names.size();
    for (size_t index = 0; index < count; ++index) {
        format.lindex = names.empty() ? -1 : static_cast<int32_t>(index);
        STGMEDIUM medium;
        if (!Succeeded(dataObject.GetData(format, medium)) || (medium.tymed & media) == 0) return;
        if (!take(names.empty() ? std::string() : names[index], medium)) return;
    }
}

}  // namespace

bool TFileContentsStreamClipboardFormat::GetData(IDataObject& dataObject) {
    Clear();
    const auto names = DescriptorNames<TUnicodeFileGroupDescriptorClipboardFormat>(dataObject);
    WalkContents(dataObject, FormatEtc, names, TYMED_ISTREAM | TYMED_ISTORAGE, [&](const std::string& name, STGMEDIUM& medium) {
        // A storage is read as the stream of its contents.
        std::shared_ptr<IStream> stream = medium.pstm;
        if (medium.tymed == TYMED_ISTORAGE && (!medium.pstg || !Succeeded(medium.pstg->OpenContents(stream)))) stream.reset();
        std::shared_ptr<IStream> copy = stream ? CopyToMemoryStream(*stream) : nullptr;
        ReleaseStgMedium(medium);
        if (!copy) return false;
        Streams.Add(name, std::move(copy));
        return true;
    });
    return HasData();
}

bool TFileContentsStorageClipboardFormat::GetData(IDataObject& dataObject) {
    Clear();
    const auto names = DescriptorNames<TAnsiFileGroupDescriptorClipboardFormat>(dataObject);
    WalkContents(dataObject, FormatEtc, names, TYMED_ISTORAGE, [&](const std::string& name, STGMEDIUM& medium) {
        if (medium.pstg) Storages.push_back({name, medium.pstg});
        return medium.pstg != nullptr;
    });
    return HasData();
}

bool TFileContentsStreamOnDemandClipboardFormat::GetData(IDataObject& dataObject) {
    GotData = HasValidFormats(dataObject);
    return GotData;
}

const TDataFormatClass TDataStreamDataFormat::Class{"TDataStreamDataFormat", nullptr};

void TDataStreamDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap::Instance().Add(Class, ClipboardClass<TFileContentsStreamClipboardFormat>(), ddReadWrite, 0);
}

void TDataStreamDataFormat::Clear() {
    Changing();
    Streams.Clear();
}

bool TDataStreamDataFormat::Assign(TClipboardFormat& format) {
    auto* contents = dynamic_cast<TFileContentsStreamClipboardFormat*>(&format);
    if (contents == nullptr) return TCustomDataFormat::Assign(format);
    Streams = contents->Streams;
    return true;
}

bool TDataStreamDataFormat::AssignTo(TClipboardFormat& format) {
    auto* contents = dynamic_cast<TFileContentsStreamClipboardFormat*>(&format);
    if (contents == nullptr) return TCustomDataFormat::AssignTo(format);
    contents->Streams = Streams;
    return true;
}

// ---- virtual files ------------------------------------------------------------------------

const TDataFormatClass TVirtualFileStreamDataFormat::Class{"TVirtualFileStreamDataFormat", nullptr};

void TVirtualFileStreamDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Class, ClipboardClass<TFileContentsStreamOnDemandClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TAnsiFileGroupDescriptorClipboardFormat>(), ddReadWrite, 1);
    map.Add(Class, ClipboardClass<TUnicodeFileGroupDescriptorClipboardFormat>(), ddReadWrite, 0);
}

std::vector<std::string> TVirtualFileStreamDataFormat::FileNames() const {
    std::vector<std::string> names;
    for (const TBytes& record : Descriptors) names.push_back(DescriptorName(record));
    return names;
}

void TVirtualFileStreamDataFormat::Clear() {
    Changing();
    Descriptors.clear();
    ContentsRequested = false;
}

bool TVirtualFileStreamDataFormat::HasData() const {
    if (Descriptors.empty()) return false;
    if (ContentsRequested) return true;
    auto* onDemand = const_cast<TVirtualFileStreamDataFormat*>(this)
                         ->CompatibleFormats()
                         .FindFormat<TFileContentsStreamOnDemandClipboardFormat>();
    return onDemand != nullptr && static_cast<bool>(onDemand->OnGetStream);
}

bool TVirtualFileStreamDataFormat::Assign(TClipboardFormat& format) {
    if (auto* wide = dynamic_cast<TUnicodeFileGroupDescriptorClipboardFormat*>(&format)) {
        Descriptors.clear();
        for (uint32_t i = 0; i < wide->Count(); ++i)
            Descriptors.emplace_back(wide->Block.begin() + 4 + i * WideDescriptorSize,
                                     wide->Block.begin() + 4 + (i + 1) * WideDescriptorSize);
        return true;
    }
    if (auto* ansi = dynamic_cast<TAnsiFileGroupDescriptorClipboardFormat*>(&format)) {
        Descriptors.clear();
        for (uint32_t i = 0; i < ansi->Count(); ++i) {
            const TByteSpan record = TByteSpan(ansi->Block).subspan(4 + i * AnsiDescriptorSize, AnsiDescriptorSize);
            TBytes wideRecord = DescriptorWithName(ReadAnsiText(record.subspan(DescriptorFactsSize)));
            std::copy_n(record.begin(), DescriptorFactsSize, wideRecord.begin());
            Descriptors.push_back(std::move(wideRecord));
        }
        return true;
    }
    if (auto* onDemand = dynamic_cast<TFileContentsStreamOnDemandClipboardFormat*>(&format)) {
        ContentsRequested = onDemand->GotData;
        return true;
    }
    return TCustomDataFormat::Assign(format);
}

bool TVirtualFileStreamDataFormat::AssignTo(TClipboardFormat& format) {
    auto* descriptors = dynamic_cast<TFileGroupDescriptorCustomClipboardFormat*>(&format);
    if (descriptors == nullptr) return TCustomDataFormat::AssignTo(format);
    if (Descriptors.empty()) return false;
    const bool wide = descriptors->RecordSize() == WideDescriptorSize;
    TBytes block(4, 0);
    Put32(block, 0, static_cast<uint32_t>(Descriptors.size()));
    for (const TBytes& record : Descriptors) {
        if (wide) {
            block.insert(block.end(), record.begin(), record.end());
            continue;
        }
        TBytes ansi(AnsiDescriptorSize, 0);
        std::copy_n(record.begin(), DescriptorFactsSize, ansi.begin());
        std::string name = DescriptorName(record).substr(0, MaxDescriptorName - 1);
        std::copy(name.begin(), name.end(), ansi.begin() + DescriptorFactsSize);
        block.insert(block.end(), ansi.begin(), ansi.end());
    }
    descriptors->Block = std::move(block);
    return true;
}

void RegisterPIDLFormats() {
    TPIDLDataFormat::RegisterCompatibleFormats();
    TDataStreamDataFormat::RegisterCompatibleFormats();
    TVirtualFileStreamDataFormat::RegisterCompatibleFormats();
}

}  // namespace kestrune::dragdrop
