#include "platform/OleCore.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <strings.h>

namespace kestrune::ole {

namespace {

struct TFormatRegistry {
    std::mutex Lock;
    std::vector<std::string> Names;  // index = id - FirstRegisteredFormat
};

TFormatRegistry& Registry() {
    static TFormatRegistry registry;
    return registry;
}

constexpr size_t MaxRegisteredFormats = 0x10000 - FirstRegisteredFormat;

}  // namespace

uint16_t RegisterClipboardFormat(const std::string& name) {
    if (name.empty()) return 0;
    TFormatRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    for (size_t i = 0; i < registry.Names.size(); ++i)
        if (strcasecmp(registry.Names[i].c_str(), name.c_str()) == 0)
            return static_cast<uint16_t>(FirstRegisteredFormat + i);
    if (registry.Names.size() >= MaxRegisteredFormats) return 0;
    registry.Names.push_back(name);
    return static_cast<uint16_t>(FirstRegisteredFormat + registry.Names.size() - 1);
}

std::string GetClipboardFormatName(uint16_t id) {
    if (id < FirstRegisteredFormat) return {};
    TFormatRegistry& registry = Registry();
    std::lock_guard guard(registry.Lock);
    const size_t index = id - FirstRegisteredFormat;
    return index < registry.Names.size() ? registry.Names[index] : std::string();
}

namespace {

struct TPredefinedFormat {
    uint16_t Id;
    const char* Name;
};
constexpr TPredefinedFormat PredefinedFormats[] = {
    {1, "CF_TEXT"},          {2, "CF_BITMAP"},          {3, "CF_METAFILEPICT"},     {4, "CF_SYLK"},
    {5, "CF_DIF"},           {6, "CF_TIFF"},            {7, "CF_OEMTEXT"},          {8, "CF_DIB"},
    {9, "CF_PALETTE"},       {10, "CF_PENDATA"},        {11, "CF_RIFF"},            {12, "CF_WAVE"},
    {13, "CF_UNICODETEXT"},  {14, "CF_ENHMETAFILE"},    {15, "CF_HDROP"},           {16, "CF_LOCALE"},
    {17, "CF_DIBV5"},        {18, "CF_MAX_XP"},         {128, "CF_OWNERDISPLAY"},   {129, "CF_DSPTEXT"},
    {130, "CF_DSPBITMAP"},   {131, "CF_DSPMETAFILEPICT"}, {142, "CF_DSPENHMETAFILE"},
};

}  // namespace

std::string PredefinedFormatName(uint16_t id) {
    for (const TPredefinedFormat& format : PredefinedFormats)
        if (format.Id == id) return format.Name;
    return {};
}

uint16_t FormatOfName(const std::string& name) {
    for (const TPredefinedFormat& format : PredefinedFormats)
        if (name == format.Name) return format.Id;
    return RegisterClipboardFormat(name);
}

// ---- streams -------------------------------------------------------------------

HRESULT IStream::CopyTo(IStream& target, uint64_t count, uint64_t* read, uint64_t* written) {
    constexpr uint32_t Piece = 0x10000;
    std::vector<uint8_t> buffer(Piece);
    uint64_t totalRead = 0;
    uint64_t totalWritten = 0;
    HRESULT result = S_OK;
    while (totalRead < count) {
        const auto want = static_cast<uint32_t>(std::min<uint64_t>(Piece, count - totalRead));
        uint32_t got = 0;
        result = Read(buffer.data(), want, &got);
        if (!Succeeded(result) || got == 0) break;
        totalRead += got;
        uint32_t put = 0;
        result = target.Write(buffer.data(), got, &put);
        totalWritten += put;
        if (!Succeeded(result)) break;
        if (put < got) {
            result = E_FAIL;
            break;
        }
    }
    if (read != nullptr) *read = totalRead;
    if (written != nullptr) *written = totalWritten;
    return Succeeded(result) ? S_OK : result;
}

HRESULT TBlockStream::Read(void* buffer, uint32_t count, uint32_t* read) {
    const std::vector<uint8_t>& bytes = block_->Bytes;
    const uint64_t available = position_ < bytes.size() ? bytes.size() - position_ : 0;
    const auto taken = static_cast<uint32_t>(std::min<uint64_t>(count, available));
    if (taken > 0) std::memcpy(buffer, bytes.data() + position_, taken);
    position_ += taken;
    if (read != nullptr) *read = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT TBlockStream::Write(const void* buffer, uint32_t count, uint32_t* written) {
    std::vector<uint8_t>& bytes = block_->Bytes;
    if (position_ + count > bytes.max_size()) return E_OUTOFMEMORY;
    const auto end = static_cast<size_t>(position_ + count);
    if (end > bytes.size()) bytes.resize(end);
    if (count > 0) std::memcpy(bytes.data() + position_, buffer, count);
    position_ = end;
    if (written != nullptr) *written = count;
    return S_OK;
}

HRESULT TBlockStream::Seek(int64_t offset, TSeekOrigin origin, uint64_t* position) {
    int64_t base = 0;
    if (origin == TSeekOrigin::Current) base = static_cast<int64_t>(position_);
    if (origin == TSeekOrigin::End) base = static_cast<int64_t>(block_->Bytes.size());
    if ((offset < 0 && base < -offset) || (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset))
        return E_INVALIDARG;
    position_ = static_cast<uint64_t>(base + offset);
    if (position != nullptr) *position = position_;
    return S_OK;
}

HRESULT TBlockStream::Stat(uint64_t& size) {
    size = block_->Bytes.size();
    return S_OK;
}

// ---- media -----------------------------------------------------------------------

void ReleaseStgMedium(STGMEDIUM& medium) { medium = STGMEDIUM{}; }

HRESULT TBlockStorage::OpenContents(std::shared_ptr<IStream>& stream) {
    stream = std::make_shared<TBlockStream>(block_);
    return S_OK;
}

STGMEDIUM MediumOf(std::span<const uint8_t> bytes, uint32_t tymed) {
    auto block = std::make_shared<TGlobalBlock>();
    block->Bytes.assign(bytes.begin(), bytes.end());
    STGMEDIUM medium;
    if (tymed == TYMED_ISTREAM) {
        medium.tymed = TYMED_ISTREAM;
        medium.pstm = std::make_shared<TBlockStream>(block);
    } else if (tymed == TYMED_ISTORAGE) {
        medium.tymed = TYMED_ISTORAGE;
        medium.pstg = std::make_shared<TBlockStorage>(block);
    } else {
        medium.tymed = TYMED_HGLOBAL;
        medium.hGlobal = block;
    }
    return medium;
}

namespace {

bool ReadStreamBytes(IStream& stream, std::vector<uint8_t>& bytes) {
    uint64_t size = 0;
    if (!Succeeded(stream.Stat(size)) || !Succeeded(stream.Seek(0, TSeekOrigin::Begin, nullptr))) return false;
    TBlockStream copy;
    uint64_t read = 0;
    if (!Succeeded(stream.CopyTo(copy, size, &read, nullptr))) return false;
    bytes = std::move(copy.Block()->Bytes);
    return true;
}

}  // namespace

bool ReadMediumBytes(const STGMEDIUM& medium, std::vector<uint8_t>& bytes) {
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        bytes = medium.hGlobal->Bytes;
        return true;
    }
    if (medium.tymed == TYMED_ISTREAM && medium.pstm) return ReadStreamBytes(*medium.pstm, bytes);
    std::shared_ptr<IStream> contents;
    if (medium.tymed != TYMED_ISTORAGE || !medium.pstg || !Succeeded(medium.pstg->OpenContents(contents)) || !contents)
        return false;
    return ReadStreamBytes(*contents, bytes);
}

uint32_t FirstMedium(uint32_t tymed) {
    for (const uint32_t medium : {TYMED_HGLOBAL, TYMED_ISTREAM, TYMED_ISTORAGE})
        if (tymed & medium) return medium;
    return TYMED_NULL;
}

// ---- format enumerator --------------------------------------------------------------

HRESULT TEnumFormatEtc::Next(uint32_t count, FORMATETC* formats, uint32_t* fetched) {
    uint32_t given = 0;
    while (given < count && next_ < formats_.size()) formats[given++] = formats_[next_++];
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Skip(uint32_t count) {
    const size_t left = formats_.size() - next_;
    next_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT TEnumFormatEtc::Reset() {
    next_ = 0;
    return S_OK;
}

HRESULT TEnumFormatEtc::Clone(std::unique_ptr<IEnumFORMATETC>& copy) {
    auto clone = std::make_unique<TEnumFormatEtc>(formats_);
    clone->next_ = next_;
    copy = std::move(clone);
    return S_OK;
}

// ---- data objects -----------------------------------------------------------------------

HRESULT IDataObject::GetCanonicalFormatEtc(const FORMATETC& format, FORMATETC& out) {
    out = format;
    out.ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

namespace {

constexpr uint32_t BlockMedia = TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE;

HRESULT CheckFormat(const FORMATETC& format) {
    if (format.dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (format.lindex != -1) return DV_E_LINDEX;
    if ((format.tymed & BlockMedia) == 0) return DV_E_TYMED;
    return S_OK;
}

}  // namespace

const TMemoryDataObject::TEntry* TMemoryDataObject::Find(uint16_t format) const {
    for (const TEntry& entry : entries_)
        if (entry.Format.cfFormat == format) return &entry;
    return nullptr;
}

HRESULT TMemoryDataObject::QueryGetData(const FORMATETC& format) {
    const HRESULT valid = CheckFormat(format);
    if (!Succeeded(valid)) return valid;
    return Find(format.cfFormat) != nullptr ? S_OK : DV_E_FORMATETC;
}

HRESULT TMemoryDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
    const HRESULT found = QueryGetData(format);
    if (found != S_OK) return found;
    medium = MediumOf(Find(format.cfFormat)->Bytes, FirstMedium(format.tymed));
    return S_OK;
}

HRESULT TMemoryDataObject::SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) {
    if (format.cfFormat == 0) return DV_E_FORMATETC;
    std::vector<uint8_t> bytes;
    if (!ReadMediumBytes(medium, bytes)) return DV_E_TYMED;
    SetBytes(format.cfFormat, bytes);
    if (release) ReleaseStgMedium(medium);
    return S_OK;
}

void TMemoryDataObject::SetBytes(uint16_t format, std::span<const uint8_t> bytes) {
    for (TEntry& entry : entries_)
        if (entry.Format.cfFormat == format) {
            entry.Bytes.assign(bytes.begin(), bytes.end());
            return;
        }
    entries_.push_back({FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, BlockMedia}, {bytes.begin(), bytes.end()}});
}

HRESULT TMemoryDataObject::EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> list;
    for (const TEntry& entry : entries_) list.push_back(entry.Format);
    formats = std::make_unique<TEnumFormatEtc>(std::move(list));
    return S_OK;
}

}  // namespace kestrune::ole
