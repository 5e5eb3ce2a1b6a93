// The framework of the drag-and-drop suite: clipboard formats (one transfer
// format each, with its media and how its bytes become values), data formats
// (what a component's user sees, served by a list of compatible clipboard
// formats), the process-wide map that pairs them with a priority and the
// directions they serve, the component base, and the key and effect
// conversions the suite shares.
#pragma once

#include "platform/OleBlocks.h"
#include "platform/OleCore.h"
#include "platform/SysUtils.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune::dragdrop {

using namespace kestrune::ole;

// The suite's own errors (texts as its users know them).
class EDataFormat : public Exception {
public:
    using Exception::Exception;
};

using TDataDirections = unsigned;
constexpr TDataDirections ddRead = 1;
constexpr TDataDirections ddWrite = 2;
constexpr TDataDirections ddReadWrite = ddRead | ddWrite;

enum class TDragType { dtCopy, dtMove, dtLink };
using TDragTypes = unsigned;  // bit (1 << TDragType)
constexpr TDragTypes DragTypes(std::initializer_list<TDragType> types) {
    TDragTypes set = 0;
    for (TDragType type : types) set |= 1u << static_cast<unsigned>(type);
    return set;
}

// Keys and buttons held during a drag.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

TShiftState KeyStateToShiftState(uint32_t keyState);
uint32_t DropEffectFromDragTypes(TDragTypes types);
// Shift+Ctrl link, Ctrl copy, else move, each only when allowed; with nothing
// chosen and fallback, the first allowed of copy, move, link.
uint32_t DropEffectFromShiftState(TShiftState shift, uint32_t allowed, bool fallback);
// "CF_TEXT" ... "CF_LOCALE" for 1..16 and the other predefined names; the registered name otherwise.
std::string ClipboardFormatToName(uint16_t id);

class TClipboardFormat;
class TCustomDataFormat;
class TDragDropComponent;

// What the map knows of a clipboard format class: its name, how to make one
// and the directions it serves when a pairing does not say.
struct TClipboardFormatClass {
    const char* Name;
    std::unique_ptr<TClipboardFormat> (*Create)();
    TDataDirections Directions;
};

// What the map knows of a data format class: its name and its parent class.
struct TDataFormatClass {
    const char* Name;
    const TDataFormatClass* Parent;
    bool InheritsFrom(const TDataFormatClass& other) const;
};

// The class record of a clipboard format class T (which has a default constructor,
// a static ClassName and a static DataDirections).
template <typename T>
const TClipboardFormatClass& ClipboardClass() {
    static const TClipboardFormatClass record{T::ClassName, [] { return std::unique_ptr<TClipboardFormat>(new T); },
                                              T::DataDirections};
    return record;
}

class TClipboardFormat {
public:
    static constexpr TDataDirections DataDirections = ddRead;

    TClipboardFormat(uint16_t clipboardFormat, uint32_t tymed);
    virtual ~TClipboardFormat() = default;
    TClipboardFormat(const TClipboardFormat&) = delete;
    TClipboardFormat& operator=(const TClipboardFormat&) = delete;

    virtual const char* Name() const = 0;

    // The data format this instance serves (set when a compatible-formats list takes it).
    TCustomDataFormat* DataFormat = nullptr;
    FORMATETC FormatEtc;

    uint16_t GetClipboardFormat() const { return FormatEtc.cfFormat; }
    void SetClipboardFormat(uint16_t value) { FormatEtc.cfFormat = value; }
    std::string GetClipboardFormatName() const { return ClipboardFormatToName(FormatEtc.cfFormat); }
    // Raises "%s.ClipboardFormat is read-only".
    void SetClipboardFormatName(const std::string& value);

    // The data object offers this format on one of our media.
    virtual bool HasValidFormats(IDataObject& dataObject) const;
    virtual bool AcceptFormat(const FORMATETC& format) const;
    virtual bool GetData(IDataObject& dataObject);
    // The medium is always released.
    virtual bool GetDataFromMedium(IDataObject& dataObject, STGMEDIUM& medium);
    // Fills a medium with this format's value and hands it to dataObject.
    virtual bool SetData(IDataObject& dataObject, const FORMATETC& format, STGMEDIUM& medium);
    virtual bool AssignFromDataFormat(TCustomDataFormat&) { return false; }
    virtual bool AssignToDataFormat(TCustomDataFormat&) { return false; }
    virtual void Clear() = 0;
    virtual bool HasData() const { return true; }

protected:
    virtual bool ReadMedium(IDataObject&, const STGMEDIUM&) { return false; }
    virtual bool FillMedium(const FORMATETC&, STGMEDIUM&) { return false; }
};

// A data format's compatible clipboard formats, in the order they are tried.
class TClipboardFormats {
public:
    TClipboardFormats(TCustomDataFormat* dataFormat, bool ownsObjects) : dataFormat_(dataFormat), owns_(ownsObjects) {}
    ~TClipboardFormats() { Clear(); }
    TClipboardFormats(const TClipboardFormats&) = delete;
    TClipboardFormats& operator=(const TClipboardFormats&) = delete;

    void Add(std::unique_ptr<TClipboardFormat> format);
    void Clear();
    size_t Count() const { return items_.size(); }
    TClipboardFormat& operator[](size_t index) const { return *items_[index]; }
    // The first item of class T (or derived from it), or null.
    template <typename T>
    T* FindFormat() const {
        for (TClipboardFormat* item : items_)
            if (auto* found = dynamic_cast<T*>(item)) return found;
        return nullptr;
    }
    // As FindFormat; raises when there is none.
    template <typename T>
    T& FormatByClass() const {
        if (T* found = FindFormat<T>()) return *found;
        ThrowMissing(T::ClassName);
    }

private:
    [[noreturn]] void ThrowMissing(const char* className) const;
    TCustomDataFormat* dataFormat_;
    bool owns_;
    std::vector<TClipboardFormat*> items_;
};

class TCustomDataFormat {
public:
    // Joins owner's data format list (owner may be null: see FillFormats).
    explicit TCustomDataFormat(TDragDropComponent* owner);
    virtual ~TCustomDataFormat();
    TCustomDataFormat(const TCustomDataFormat&) = delete;
    TCustomDataFormat& operator=(const TCustomDataFormat&) = delete;

    virtual const TDataFormatClass& ClassType() const = 0;
    TDragDropComponent* Owner() const { return owner_; }

    std::function<void()> OnChanging;
    virtual void Changing();
    virtual void Clear() = 0;
    virtual bool Assign(TClipboardFormat& format) { return format.AssignToDataFormat(*this); }
    virtual bool AssignTo(TClipboardFormat& format) { return format.AssignFromDataFormat(*this); }
    // Tries the compatible formats in order until this format has its data.
    virtual bool GetData(IDataObject& dataObject);
    virtual bool HasData() const = 0;
    virtual bool NeedsData() const { return !HasData(); }
    virtual bool HasValidFormats(IDataObject& dataObject);
    virtual bool AcceptFormat(const FORMATETC& format);

    // Built on first use by the owner (for a data format without one, by FillFormats).
    TClipboardFormats& CompatibleFormats();
    // Fills the compatible formats from the map for one direction.
    void FillFormats(TDataDirections direction);
    // Writes this format's data into dataObject through every compatible
    // format that takes it; true when one did.
    bool SetDataTo(IDataObject& dataObject);

private:
    TDragDropComponent* owner_;
    std::unique_ptr<TClipboardFormats> formats_;
};

// A component's data formats, not owned.
class TDataFormats {
public:
    size_t Add(TCustomDataFormat* format);
    int IndexOf(const TCustomDataFormat* format) const;
    void Remove(const TCustomDataFormat* format);
    size_t Count() const { return items_.size(); }
    TCustomDataFormat* operator[](size_t index) const { return items_[index]; }

private:
    std::vector<TCustomDataFormat*> items_;
};

class TDragDropComponent {
public:
    virtual ~TDragDropComponent();
    TDataFormats DataFormatList;
    // Fills the compatible formats of one of this component's data formats; the base empties the list.
    virtual void ListClipboardFormats(TCustomDataFormat& dataFormat, TClipboardFormats& formats);
};

// Which clipboard format classes serve which data format classes.
class TDataFormatMap {
public:
    struct TEntry {
        const TDataFormatClass* DataFormatClass;
        const TClipboardFormatClass* ClipboardFormatClass;
        int32_t Priority;
        TDataDirections Directions;
    };
    static TDataFormatMap& Instance();
    // A pair met again gets the new directions added and moves; entries of one
    // data format class stay together in ascending priority.
    void Add(const TDataFormatClass& dataFormat, const TClipboardFormatClass& clipboardFormat,
             TDataDirections directions, int32_t priority);
    // New instances of the clipboard formats of dataFormat (or a class derived from it) for direction.
    void GetClipboardFormats(const TDataFormatClass& dataFormat, TClipboardFormats& list,
                             TDataDirections direction) const;
    const std::vector<TEntry>& Entries() const { return entries_; }

private:
    std::vector<TEntry> entries_;
};

}  // namespace kestrune::dragdrop
