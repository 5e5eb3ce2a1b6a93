// Shell items as item ID lists ("Shell IDList Array": a parent folder and the
// items relative to it, with their file-system paths), and the virtual-file
// formats: file group descriptors (the names and facts of files that exist
// only inside the source) and "FileContents" (their contents).
#pragma once

#include "dragdrop/DragDropFormats.h"

namespace kestrune::dragdrop {

// Item ID lists, parent first; a change notification follows every change.
class TPIDLList {
public:
    std::function<void()> OnChange;
    void Add(const TItemIdList& list);
    void Assign(std::vector<TItemIdList> lists);
    void Clear();
    size_t Count() const { return lists_.size(); }
    const TItemIdList& operator[](size_t index) const { return lists_[index]; }
    const std::vector<TItemIdList>& Lists() const { return lists_; }
    // Number of items: the lists after the parent.
    size_t FileCount() const { return lists_.size() < 2 ? 0 : lists_.size() - 1; }
    // Path of item index (0-based); "" for an item without one. Raises
    // "Filename index out of range".
    std::string Filename(size_t index) const;
    std::vector<std::string> Filenames() const;

private:
    void Changed();
    std::vector<TItemIdList> lists_;
};

// The parent and item lists of file names: the parent is what the names'
// folders share. Raises "Invalid filename: %s" for a folder that is no path.
std::vector<TItemIdList> FilenamesToPIDLs(const std::vector<std::string>& names);

class TPIDLClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    static constexpr const char* ClassName = "TPIDLClipboardFormat";
    KESTRUNE_REGISTERED_FORMAT("Shell IDList Array")
    TPIDLClipboardFormat() : TCustomSimpleClipboardFormat(Id()) {}
    const char* Name() const override { return ClassName; }
    TPIDLList PIDLs;
    void Clear() override { PIDLs.Clear(); }
    bool HasData() const override { return PIDLs.Count() > 0; }

protected:
    // At least the parent and one item, else no data.
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return WriteIdListArray(PIDLs.Lists()).size(); }
};

class TPIDLDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    explicit TPIDLDataFormat(TDragDropComponent* owner);
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();

    TPIDLList PIDLs;
    void Clear() override { PIDLs.Clear(); }
    bool HasData() const override { return PIDLs.Count() > 0; }
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

// A file group descriptor block: a 32-bit count, then count records.
class TFileGroupDescriptorCustomClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    using TCustomSimpleClipboardFormat::TCustomSimpleClipboardFormat;
    TBytes Block;
    void Clear() override { Block.clear(); }
    bool HasData() const override { return Count() > 0; }
    uint32_t Count() const { return Block.size() >= 4 ? Get32(Block.data()) : 0; }
    virtual size_t RecordSize() const = 0;

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return Block.size(); }
};

// Record layout: 72 bytes of flags, class id, sizes, attributes and times, then the name.
constexpr size_t DescriptorFactsSize = 72;
constexpr size_t MaxDescriptorName = 260;
constexpr size_t AnsiDescriptorSize = DescriptorFactsSize + MaxDescriptorName;
constexpr size_t WideDescriptorSize = DescriptorFactsSize + 2 * MaxDescriptorName;

class TAnsiFileGroupDescriptorClipboardFormat : public TFileGroupDescriptorCustomClipboardFormat {
public:
    static constexpr const char* ClassName = "TAnsiFileGroupDescriptorClipboardFormat";
    KESTRUNE_REGISTERED_FORMAT("FileGroupDescriptor")
    TAnsiFileGroupDescriptorClipboardFormat() : TFileGroupDescriptorCustomClipboardFormat(Id()) {}
    const char* Name() const override { return ClassName; }
    size_t RecordSize() const override { return AnsiDescriptorSize; }
};

class TUnicodeFileGroupDescriptorClipboardFormat : public TFileGroupDescriptorCustomClipboardFormat {
public:
    static constexpr const char* ClassName = "TUnicodeFileGroupDescriptorClipboardFormat";
    KESTRUNE_REGISTERED_FORMAT("FileGroupDescriptorW")
    TUnicodeFileGroupDescriptorClipboardFormat() : TFileGroupDescriptorCustomClipboardFormat(Id()) {}
    const char* Name() const override { return ClassName; }
    size_t RecordSize() const override { return WideDescriptorSize; }
};

// The name in a wide descriptor record (up to its first zero).
std::string DescriptorName(TByteSpan wideRecord);
// A zeroed wide descriptor record with that name (cut to 259 characters).
TBytes DescriptorWithName(const std::string& name);

inline constexpr char FileContentsName[] = "FileContents";
inline uint16_t FileContentsId() {
    static const uint16_t id = RegisterClipboardFormat(FileContentsName);
    return id;
}

// The contents of one file as bytes.
class TFileContentsClipboardFormat : public TCustomAnsiStringClipboardFormat {
public:
    static constexpr const char* ClassName = "TFileContentsClipboardFormat";
    TFileContentsClipboardFormat() : TCustomAnsiStringClipboardFormat(FileContentsId()) {}
    const char* Name() const override { return ClassName; }
};

// The contents of every file of the descriptors, one named stream each.
class TFileContentsStreamClipboardFormat : public TClipboardFormat {
public:
    static constexpr const char* ClassName = "TFileContentsStreamClipboardFormat";
    TFileContentsStreamClipboardFormat() : TClipboardFormat(FileContentsId(), TYMED_ISTREAM | TYMED_ISTORAGE) {}
    const char* Name() const override { return ClassName; }
    TStreamList Streams;
    void Clear() override { Streams.Clear(); }
    bool HasData() const override { return Streams.Count() > 0; }
    bool GetData(IDataObject& dataObject) override;
};

// Holds nothing: the contents are made when a target asks for them.
class TFileContentsStreamOnDemandClipboardFormat : public TClipboardFormat {
public:
    static constexpr const char* ClassName = "TFileContentsStreamOnDemandClipboardFormat";
    TFileContentsStreamOnDemandClipboardFormat()
        : TClipboardFormat(FileContentsId(), TYMED_HGLOBAL | TYMED_ISTREAM) {}
    const char* Name() const override { return ClassName; }
    // Gives the stream of file index; set by a source that offers contents.
    std::function<std::shared_ptr<IStream>(int index)> OnGetStream;
    bool GotData = false;
    void Clear() override { GotData = false; }
    bool HasData() const override { return GotData; }
    bool GetData(IDataObject& dataObject) override;
};

// The contents of every file of the 8-bit descriptors as a storage, kept under the file's name.
class TFileContentsStorageClipboardFormat : public TClipboardFormat {
public:
    static constexpr const char* ClassName = "TFileContentsStorageClipboardFormat";
    TFileContentsStorageClipboardFormat() : TClipboardFormat(FileContentsId(), TYMED_ISTORAGE) {}
    const char* Name() const override { return ClassName; }
    struct TNamedStorage {
        std::string Name;
        std::shared_ptr<IStorage> Storage;
    };
    std::vector<TNamedStorage> Storages;
    void Clear() override { Storages.clear(); }
    bool HasData() const override { return !Storages.empty(); }
    bool GetData(IDataObject& dataObject) override;
};

// The contents of dropped virtual files as named streams.
class TDataStreamDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();

    TStreamList Streams;
    void Clear() override;
    bool HasData() const override { return Streams.Count() > 0; }
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

// Virtual files: their wide descriptor records and whether contents were asked for.
class TVirtualFileStreamDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();

    std::vector<TBytes> Descriptors;  // WideDescriptorSize bytes each
    bool ContentsRequested = false;
    std::vector<std::string> FileNames() const;
    void AddFileName(const std::string& name) { Descriptors.push_back(DescriptorWithName(name)); }

    void Clear() override;
    bool HasData() const override;
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

void RegisterPIDLFormats();

}  // namespace kestrune::dragdrop
