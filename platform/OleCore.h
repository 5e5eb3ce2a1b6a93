// Our stand-in for the OLE data-transfer interfaces the drag-and-drop suite is
// written against: result codes, clipboard format ids and their registry,
// format descriptions, storage media over a shared byte block or a stream,
// data objects with their format enumerators, drop targets and drop sources.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrune::ole {

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
constexpr HRESULT DV_E_LINDEX = static_cast<HRESULT>(0x80040068u);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069u);
constexpr HRESULT DV_E_CLIPFORMAT = static_cast<HRESULT>(0x8004006Au);
constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006Bu);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003u);
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u);
constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
constexpr HRESULT DATA_S_SAMEFORMATETC = 0x00040130;
constexpr HRESULT CLIPBRD_E_CANT_OPEN = static_cast<HRESULT>(0x800401D0u);

constexpr bool Succeeded(HRESULT result) { return result >= 0; }

// Predefined clipboard formats; registered names get ids from 0xC000 on.
constexpr uint16_t CF_TEXT = 1;
constexpr uint16_t CF_BITMAP = 2;
constexpr uint16_t CF_OEMTEXT = 7;
constexpr uint16_t CF_UNICODETEXT = 13;
constexpr uint16_t CF_HDROP = 15;
constexpr uint16_t CF_LOCALE = 16;
constexpr uint16_t FirstRegisteredFormat = 0xC000;

// Media a format may travel on (bits of FORMATETC::tymed).
constexpr uint32_t TYMED_NULL = 0;
constexpr uint32_t TYMED_HGLOBAL = 1;
constexpr uint32_t TYMED_FILE = 2;
constexpr uint32_t TYMED_ISTREAM = 4;
constexpr uint32_t TYMED_ISTORAGE = 8;
constexpr uint32_t DVASPECT_CONTENT = 1;
constexpr uint32_t DATADIR_GET = 1;
constexpr uint32_t DATADIR_SET = 2;

constexpr uint32_t DROPEFFECT_NONE = 0;
constexpr uint32_t DROPEFFECT_COPY = 1;
constexpr uint32_t DROPEFFECT_MOVE = 2;
constexpr uint32_t DROPEFFECT_LINK = 4;
constexpr uint32_t DROPEFFECT_SCROLL = 0x80000000u;

// Key state bits of a drag.
constexpr uint32_t MK_LBUTTON = 0x01;
constexpr uint32_t MK_RBUTTON = 0x02;
constexpr uint32_t MK_SHIFT = 0x04;
constexpr uint32_t MK_CONTROL = 0x08;
constexpr uint32_t MK_MBUTTON = 0x10;
constexpr uint32_t MK_ALT = 0x20;

// The id of a registered format name, the same for the whole run (names
// compare without case); 0 for an empty name.
uint16_t RegisterClipboardFormat(const std::string& name);
// The registered name of an id; "" for predefined or unknown ids.
std::string GetClipboardFormatName(uint16_t id);
// "CF_TEXT" ... for the predefined ids; "" for others.
std::string PredefinedFormatName(uint16_t id);
// The id of a predefined ("CF_HDROP") or registered name.
uint16_t FormatOfName(const std::string& name);

struct POINTL {
    int x = 0;
    int y = 0;
    bool operator==(const POINTL&) const = default;
};

struct FORMATETC {
    uint16_t cfFormat = 0;
    const void* ptd = nullptr;  // no target device is ever used here
    uint32_t dwAspect = DVASPECT_CONTENT;
    int32_t lindex = -1;
    uint32_t tymed = TYMED_NULL;
};

// A movable global memory block: bytes shared by whoever holds the medium.
struct TGlobalBlock {
    std::vector<uint8_t> Bytes;
};

enum class TSeekOrigin { Begin, Current, End };

class IStream {
public:
    virtual ~IStream() = default;
    // read/written may be null.
    virtual HRESULT Read(void* buffer, uint32_t count, uint32_t* read) = 0;
    virtual HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) = 0;
    virtual HRESULT Seek(int64_t offset, TSeekOrigin origin, uint64_t* position) = 0;
    virtual HRESULT Stat(uint64_t& size) = 0;
    // Copies count bytes from the current position into target.
    virtual HRESULT CopyTo(IStream& target, uint64_t count, uint64_t* read, uint64_t* written);
};

// A stream over a global block; writes grow the block.
class TBlockStream : public IStream {
public:
    explicit TBlockStream(std::shared_ptr<TGlobalBlock> block = std::make_shared<TGlobalBlock>())
        : block_(std::move(block)) {}
    HRESULT Read(void* buffer, uint32_t count, uint32_t* read) override;
    HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) override;
    HRESULT Seek(int64_t offset, TSeekOrigin origin, uint64_t* position) override;
    HRESULT Stat(uint64_t& size) override;
    const std::shared_ptr<TGlobalBlock>& Block() const { return block_; }

private:
    std::shared_ptr<TGlobalBlock> block_;
    uint64_t position_ = 0;
};

// Structured storage as the suite meets it here: the data of a drop (or of one
// of its files) kept as one stream.
class IStorage {
public:
    virtual ~IStorage() = default;
    // A stream over the storage's contents, at their start.
    virtual HRESULT OpenContents(std::shared_ptr<IStream>& stream) = 0;
};

// A storage over a global block.
class TBlockStorage : public IStorage {
public:
    explicit TBlockStorage(std::shared_ptr<TGlobalBlock> block) : block_(std::move(block)) {}
    HRESULT OpenContents(std::shared_ptr<IStream>& stream) override;

private:
    std::shared_ptr<TGlobalBlock> block_;
};

struct STGMEDIUM {
    uint32_t tymed = TYMED_NULL;
    std::shared_ptr<TGlobalBlock> hGlobal;
    std::shared_ptr<IStream> pstm;
    std::shared_ptr<IStorage> pstg;
};
void ReleaseStgMedium(STGMEDIUM& medium);
// A medium holding a copy of bytes on the HGLOBAL, or on the one medium
// (TYMED_ISTREAM, TYMED_ISTORAGE) asked for.
STGMEDIUM MediumOf(std::span<const uint8_t> bytes, uint32_t tymed = TYMED_HGLOBAL);
// All bytes of an HGLOBAL, stream or storage medium; false for other media or a failing stream.
bool ReadMediumBytes(const STGMEDIUM& medium, std::vector<uint8_t>& bytes);
// The medium of the first of our media (HGLOBAL, stream, storage) that tymed asks for.
uint32_t FirstMedium(uint32_t tymed);

class IEnumFORMATETC {
public:
    virtual ~IEnumFORMATETC() = default;
    virtual HRESULT Next(uint32_t count, FORMATETC* formats, uint32_t* fetched) = 0;
    virtual HRESULT Skip(uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(std::unique_ptr<IEnumFORMATETC>& copy) = 0;
};

// An enumerator over a fixed list of formats.
class TEnumFormatEtc : public IEnumFORMATETC {
public:
    explicit TEnumFormatEtc(std::vector<FORMATETC> formats) : formats_(std::move(formats)) {}
    HRESULT Next(uint32_t count, FORMATETC* formats, uint32_t* fetched) override;
    HRESULT Skip(uint32_t count) override;
    HRESULT Reset() override;
    HRESULT Clone(std::unique_ptr<IEnumFORMATETC>& copy) override;

private:
    std::vector<FORMATETC> formats_;
    size_t next_ = 0;
};

class IDataObject {
public:
    virtual ~IDataObject() = default;
    virtual HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) { return E_NOTIMPL; }
    virtual HRESULT QueryGetData(const FORMATETC& format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out);
    // With release the object takes the medium; else it keeps a copy.
    virtual HRESULT SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) = 0;
    virtual HRESULT EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) = 0;
    virtual HRESULT DAdvise() { return OLE_E_ADVISENOTSUPPORTED; }
    virtual HRESULT DUnadvise() { return OLE_E_ADVISENOTSUPPORTED; }
    virtual HRESULT EnumDAdvise() { return OLE_E_ADVISENOTSUPPORTED; }
};

// A data object that holds what was set on it, one medium per format id:
// the clipboard's and a drag source's object, and a test double.
class TMemoryDataObject : public IDataObject {
public:
    HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
    HRESULT QueryGetData(const FORMATETC& format) override;
    HRESULT SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) override;
    HRESULT EnumFormatEtc(uint32_t direction, std::unique_ptr<IEnumFORMATETC>& formats) override;
    // Sets bytes for a format on every medium (global block, stream, storage).
    void SetBytes(uint16_t format, std::span<const uint8_t> bytes);

private:
    struct TEntry {
        FORMATETC Format;
        std::vector<uint8_t> Bytes;
    };
    const TEntry* Find(uint16_t format) const;
    std::vector<TEntry> entries_;
};

class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    // point: screen coordinates; effect: in, the source's allowed effects; out, the chosen one.
    virtual HRESULT DragEnter(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point,
                              uint32_t& effect) = 0;
    virtual HRESULT DragOver(uint32_t keyState, POINTL point, uint32_t& effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(std::shared_ptr<IDataObject> dataObject, uint32_t keyState, POINTL point,
                         uint32_t& effect) = 0;
};

class IDropSource {
public:
    virtual ~IDropSource() = default;
    // S_OK to go on, DRAGDROP_S_DROP or DRAGDROP_S_CANCEL to end the drag.
    virtual HRESULT QueryContinueDrag(bool escapePressed, uint32_t keyState) = 0;
    virtual HRESULT GiveFeedback(uint32_t effect) = 0;
};

// The shell's drag-image helper and the image list's drag image do not
// exist here: drag pixmaps are drawn by the source.
inline std::nullptr_t CreateDragDropHelper() { return nullptr; }
inline uintptr_t ImageListGetDragImage() { return 0; }

}  // namespace kestrune::ole
