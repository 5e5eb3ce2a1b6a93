// The simple clipboard formats (a value in one block on global memory or a
// stream), their string, string-list, 32-bit and GUID families, the shell's
// drop-feedback formats with the feedback data format, and the named stream
// list that the stream formats share.
#pragma once

#include "dragdrop/DragDrop.h"

#include <array>

namespace kestrune::dragdrop {

// A registered format's id, registered once and kept for the run.
#define KESTRUNE_REGISTERED_FORMAT(FormatName)                          \
    static uint16_t Id() {                                             \
        static const uint16_t id = RegisterClipboardFormat(FormatName); \
        return id;                                                     \
    }

class TCustomSimpleClipboardFormat : public TClipboardFormat {
public:
    explicit TCustomSimpleClipboardFormat(uint16_t clipboardFormat)
        : TClipboardFormat(clipboardFormat, TYMED_HGLOBAL | TYMED_ISTREAM) {}

protected:
    // An empty medium counts as success with no data.
    bool ReadMedium(IDataObject& dataObject, const STGMEDIUM& medium) override;
    bool FillMedium(const FORMATETC& format, STGMEDIUM& medium) override;
    virtual bool ReadData(TByteSpan block) = 0;
    // block: zeroed, GetSize() bytes.
    virtual bool WriteData(std::span<uint8_t> block) = 0;
    virtual size_t GetSize() const = 0;
};

class TCustomAnsiStringClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    using TCustomSimpleClipboardFormat::TCustomSimpleClipboardFormat;
    std::string Data;
    void Clear() override { Data.clear(); }
    bool HasData() const override { return !Data.empty(); }

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return Data.size(); }
    bool TrimZeroes = false;
};

class TCustomStringListClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    using TCustomSimpleClipboardFormat::TCustomSimpleClipboardFormat;
    std::vector<std::string> Lines;
    void Clear() override { Lines.clear(); }
    bool HasData() const override { return !Lines.empty(); }
    // The lines, each ended by CR LF.
    std::string Text() const;

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return Text().size() + 1; }
};

class TCustomDWORDClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    using TCustomSimpleClipboardFormat::TCustomSimpleClipboardFormat;
    uint32_t Value = 0;
    void Clear() override { Value = 0; }

protected:
    // A block shorter than 4 bytes gives no value.
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return 4; }
};

// A DWORD format of one registered name, with the directions it serves.
template <const char* FormatName, TDataDirections Directions>
class TNamedDWORDClipboardFormat : public TCustomDWORDClipboardFormat {
public:
    static constexpr const char* ClassName = FormatName;
    static constexpr TDataDirections DataDirections = Directions;
    KESTRUNE_REGISTERED_FORMAT(FormatName)
    TNamedDWORDClipboardFormat() : TCustomDWORDClipboardFormat(Id()) {}
    const char* Name() const override { return ClassName; }
};

inline constexpr char PreferredDropEffectName[] = "Preferred DropEffect";
inline constexpr char PerformedDropEffectName[] = "Performed DropEffect";
inline constexpr char LogicalPerformedDropEffectName[] = "Logical Performed DropEffect";
inline constexpr char PasteSucceededName[] = "Paste Succeeded";
inline constexpr char InShellDragLoopName[] = "InShellDragLoop";

class TPreferredDropEffectClipboardFormat : public TNamedDWORDClipboardFormat<PreferredDropEffectName, ddRead> {
public:
    bool HasData() const override { return true; }
};
using TPerformedDropEffectClipboardFormat = TNamedDWORDClipboardFormat<PerformedDropEffectName, ddWrite>;
using TLogicalPerformedDropEffectClipboardFormat =
    TNamedDWORDClipboardFormat<LogicalPerformedDropEffectName, ddWrite>;
using TPasteSucceededClipboardFormat = TNamedDWORDClipboardFormat<PasteSucceededName, ddWrite>;
using TInShellDragLoopClipboardFormat = TNamedDWORDClipboardFormat<InShellDragLoopName, ddRead>;

using TGuid = std::array<uint8_t, 16>;

class TTargetCLSIDClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    static constexpr const char* ClassName = "TargetCLSID";
    static constexpr TDataDirections DataDirections = ddWrite;
    KESTRUNE_REGISTERED_FORMAT("TargetCLSID")
    TTargetCLSIDClipboardFormat() : TCustomSimpleClipboardFormat(Id()) {}
    const char* Name() const override { return ClassName; }
    TGuid CLSID{};
    void Clear() override { CLSID = {}; }
    bool HasData() const override { return CLSID != TGuid{}; }

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return CLSID.size(); }
};

// The shell's drop feedback: the effect the source prefers, the effect the
// target performed, whether a paste succeeded, the shell's own drag loop.
class TFeedbackDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();

    uint32_t PreferredDropEffect = 0;
    uint32_t PerformedDropEffect = 0;
    uint32_t LogicalPerformedDropEffect = 0;
    uint32_t PasteSucceeded = 0;
    bool InShellDragLoop = false;
    bool GotInShellDragLoop = false;
    TGuid TargetCLSID{};

    void Clear() override;
    bool HasData() const override;
    bool NeedsData() const override;
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

// Named streams, as the stream formats of virtual files hold them.
class TStreamList {
public:
    struct TNamedStream {
        std::string Name;
        std::shared_ptr<IStream> Stream;
    };
    void Add(std::string name, std::shared_ptr<IStream> stream) { items_.push_back({std::move(name), std::move(stream)}); }
    void Clear() { items_.clear(); }
    size_t Count() const { return items_.size(); }
    const TNamedStream& operator[](size_t index) const { return items_[index]; }

private:
    std::vector<TNamedStream> items_;
};

// A copy of a stream's whole contents in a new memory stream, read in pieces
// of at most 1 MB; null when the stream cannot be read.
std::shared_ptr<IStream> CopyToMemoryStream(IStream& stream);

void RegisterStandardFormats();

}  // namespace kestrune::dragdrop
