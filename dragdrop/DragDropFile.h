// Files: the clipboard formats that carry file names (the drop-files list,
// "FileName"/"FileNameW", the name maps "FileNameMap"/"FileNameMapW"), the
// file and file-map data formats, and the file drop target through which a
// file is dropped on the main window.
#pragma once

#include "dragdrop/DragDropPIDL.h"
#include "dragdrop/DragDropText.h"
#include "dragdrop/DropTarget.h"

namespace kestrune::dragdrop {

class TFileClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    static constexpr const char* ClassName = "TFileClipboardFormat";
    TFileClipboardFormat() : TCustomSimpleClipboardFormat(CF_HDROP) {}
    const char* Name() const override { return ClassName; }
    std::vector<std::string> Files;
    void Clear() override { Files.clear(); }
    bool HasData() const override { return !Files.empty(); }
    bool AssignToDataFormat(TCustomDataFormat& dataFormat) override;
    bool AssignFromDataFormat(TCustomDataFormat& dataFormat) override;

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return WriteDropFiles(Files).size(); }
};

// One file name as 8-bit text ("FileName") or UTF-16 text ("FileNameW").
inline constexpr char AnsiFilenameName[] = "FileName";
inline constexpr char UnicodeFilenameName[] = "FileNameW";
using TAnsiFilenameClipboardFormat = TRegisteredTextFormat<TCustomAnsiTextClipboardFormat, AnsiFilenameName>;
using TUnicodeFilenameClipboardFormat = TRegisteredTextFormat<TCustomUnicodeTextClipboardFormat, UnicodeFilenameName>;

// A list of names, each zero-terminated, ended by an empty one.
class TCustomFilenameMapClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    TCustomFilenameMapClipboardFormat(uint16_t clipboardFormat, bool wide)
        : TCustomSimpleClipboardFormat(clipboardFormat), wide_(wide) {}
    std::vector<std::string> FileMaps;
    void Clear() override { FileMaps.clear(); }
    bool HasData() const override { return !FileMaps.empty(); }

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return WriteNameList(FileMaps, wide_).size(); }

private:
    bool wide_;
};

template <const char* FormatName, bool Wide>
class TFilenameMapClipboardFormat : public TCustomFilenameMapClipboardFormat {
public:
    static constexpr const char* ClassName = FormatName;
    KESTRUNE_REGISTERED_FORMAT(FormatName)
    TFilenameMapClipboardFormat() : TCustomFilenameMapClipboardFormat(Id(), Wide) {}
    const char* Name() const override { return ClassName; }
};
inline constexpr char AnsiFilenameMapName[] = "FileNameMap";
inline constexpr char UnicodeFilenameMapName[] = "FileNameMapW";
using TAnsiFilenameMapClipboardFormat = TFilenameMapClipboardFormat<AnsiFilenameMapName, false>;
using TUnicodeFilenameMapClipboardFormat = TFilenameMapClipboardFormat<UnicodeFilenameMapName, true>;

// The dropped file names, in the order of the drop.
class TFileDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();
    std::vector<std::string> Files;
    void Clear() override;
    bool HasData() const override { return !Files.empty(); }
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

// The names under which a source asks the dropped files to be made.
class TFileMapDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();
    std::vector<std::string> FileMaps;
    void Clear() override;
    bool HasData() const override { return !FileMaps.empty(); }
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;
};

class TDropFileTarget : public TCustomDropMultiTarget {
public:
    TDropFileTarget();
    ~TDropFileTarget() override;
    // The names of the drop in progress (only meaningful inside OnDrop).
    const std::vector<std::string>& GetFiles() const { return FileFormat->Files; }
    const std::vector<std::string>& GetFileMaps() const { return FileMapFormat->FileMaps; }

protected:
    uint32_t GetPreferredDropEffect() override;

private:
    std::unique_ptr<TFileDataFormat> FileFormat;
    std::unique_ptr<TFileMapDataFormat> FileMapFormat;
};

// Every data format of the suite with its conversions, registered once per run.
void RegisterDragDropFormats();

}  // namespace kestrune::dragdrop
