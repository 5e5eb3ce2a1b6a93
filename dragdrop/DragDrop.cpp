#include "dragdrop/DragDrop.h"

#include "platform/ProgramStrings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrune::dragdrop {

// ---- conversions -------------------------------------------------------------------

TShiftState KeyStateToShiftState(uint32_t keyState) {
    constexpr std::array<std::pair<uint32_t, TShiftState>, 6> Keys{{{MK_SHIFT, ssShift},
                                                                    {MK_CONTROL, ssCtrl},
                                                                    {MK_LBUTTON, ssLeft},
                                                                    {MK_RBUTTON, ssRight},
                                                                    {MK_MBUTTON, ssMiddle},
                                                                    {MK_ALT, ssAlt}}};
    TShiftState shift = 0;
    for (const auto& [key, state] : Keys)
        if (keyState & key) shift |= state;
    return shift;
}

uint32_t DropEffectFromDragTypes(TDragTypes types) {
    uint32_t effect = DROPEFFECT_NONE;
    if (types & DragTypes({TDragType::dtCopy})) effect |= DROPEFFECT_COPY;
    if (types & DragTypes({TDragType::dtMove})) effect |= DROPEFFECT_MOVE;
    if (types & DragTypes({TDragType::dtLink})) effect |= DROPEFFECT_LINK;
    return effect;
}

uint32_t DropEffectFromShiftState(TShiftState shift, uint32_t allowed, bool fallback) {
    uint32_t wanted = DROPEFFECT_MOVE;
    if ((shift & ssShift) && (shift & ssCtrl))
        wanted = DROPEFFECT_LINK;
    else if (shift & ssCtrl)
        wanted = DROPEFFECT_COPY;
    if (allowed & wanted) return wanted;
    if (!fallback) return DROPEFFECT_NONE;
    for (uint32_t effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
        if (allowed & effect) return effect;
    return DROPEFFECT_NONE;
}

std::string ClipboardFormatToName(uint16_t id) {
    const std::string predefined = PredefinedFormatName(id);
    return predefined.empty() ? GetClipboardFormatName(id) : predefined;
}

bool TDataFormatClass::InheritsFrom(const TDataFormatClass& other) const {
    for (const TDataFormatClass* c = this; c != nullptr; c = c->Parent)
        if (c == &other) return true;
    return false;
}

// ---- clipboard formats ------------------------------------------------------------------

TClipboardFormat::TClipboardFormat(uint16_t clipboardFormat, uint32_t tymed) {
    FormatEtc.cfFormat = clipboardFormat;
    FormatEtc.tymed = tymed;
}

void TClipboardFormat::SetClipboardFormatName(const std::string&) {
    throw EDataFormat(FormatResStr(res::SClipboardFormatReadOnly, {Name()}));
}

bool TClipboardFormat::HasValidFormats(IDataObject& dataObject) const {
    FORMATETC format = FormatEtc;
    for (uint32_t bit = 1; bit != 0 && bit <= FormatEtc.tymed; bit <<= 1) {
        if (!(FormatEtc.tymed & bit)) continue;
        format.tymed = bit;
        if (dataObject.QueryGetData(format) == S_OK) return true;
    }
    return false;
}

bool TClipboardFormat::AcceptFormat(const FORMATETC& format) const {
    return format.cfFormat == FormatEtc.cfFormat && format.ptd == nullptr && format.dwAspect == FormatEtc.dwAspect &&
           (format.tymed & FormatEtc.tymed) != 0;
}

bool TClipboardFormat::GetData(IDataObject& dataObject) {
    Clear();
    STGMEDIUM medium;
    if (!Succeeded(dataObject.GetData(FormatEtc, medium))) return false;
    return GetDataFromMedium(dataObject, medium);
}

bool TClipboardFormat::GetDataFromMedium(IDataObject& dataObject, STGMEDIUM& medium) {
    Clear();
    bool result = false;
    if (medium.tymed & FormatEtc.tymed) result = ReadMedium(dataObject, medium);
    ReleaseStgMedium(medium);
    return result;
}

bool TClipboardFormat::SetData(IDataObject& dataObject, const FORMATETC& format, STGMEDIUM& medium) {
    medium = STGMEDIUM{};
    if (format.cfFormat != FormatEtc.cfFormat || format.dwAspect != FormatEtc.dwAspect ||
        (format.tymed & FormatEtc.tymed) == 0)
        return false;
    if (FillMedium(format, medium) && Succeeded(dataObject.SetData(format, medium, true))) return true;
    ReleaseStgMedium(medium);
    return false;
}

void TClipboardFormats::Add(std::unique_ptr<TClipboardFormat> format) {
    if (owns_ && dataFormat_ != nullptr) format->DataFormat = dataFormat_;
    items_.push_back(format.release());
}

void TClipboardFormats::Clear() {
    if (owns_)
        for (TClipboardFormat* item : items_) delete item;
    items_.clear();
}

void TClipboardFormats::ThrowMissing(const char* className) const {
    throw EDataFormat(std::string("Clipboard format ") + className + " does not exist in " +
                      (dataFormat_ != nullptr ? dataFormat_->ClassType().Name : "") + "'s list of copatible formats");
}

// ---- data formats -------------------------------------------------------------------------

TCustomDataFormat::TCustomDataFormat(TDragDropComponent* owner) : owner_(owner) {
    if (owner_ != nullptr) owner_->DataFormatList.Add(this);
}

TCustomDataFormat::~TCustomDataFormat() {
    formats_.reset();
    if (owner_ != nullptr) owner_->DataFormatList.Remove(this);
}

void TCustomDataFormat::Changing() {
    if (OnChanging) OnChanging();
}

TClipboardFormats& TCustomDataFormat::CompatibleFormats() {
    if (!formats_) {
        formats_ = std::make_unique<TClipboardFormats>(this, true);
        if (owner_ == nullptr) throw EDataFormat(std::string(ClassType().Name) + " has no owner to list its formats");
        owner_->ListClipboardFormats(*this, *formats_);
    }
    return *formats_;
}

void TCustomDataFormat::FillFormats(TDataDirections direction) {
    formats_ = std::make_unique<TClipboardFormats>(this, true);
    TDataFormatMap::Instance().GetClipboardFormats(ClassType(), *formats_, direction);
}

bool TCustomDataFormat::GetData(IDataObject& dataObject) {
    TClipboardFormats& formats = CompatibleFormats();
    bool result = false;
    for (size_t i = 0; NeedsData() && i < formats.Count(); ++i) {
        TClipboardFormat& format = formats[i];
        format.Clear();
        if (format.GetData(dataObject) && format.HasData() && Assign(format)) {
            format.Clear();
            result = true;
        }
    }
    return result;
}

bool TCustomDataFormat::HasValidFormats(IDataObject& dataObject) {
    TClipboardFormats& formats = CompatibleFormats();
    for (size_t i = 0; i < formats.Count(); ++i)
        if (formats[i].HasValidFormats(dataObject)) return true;
    return false;
}

bool TCustomDataFormat::AcceptFormat(const FORMATETC& format) {
    TClipboardFormats& formats = CompatibleFormats();
    for (size_t i = 0; i < formats.Count(); ++i)
        if (formats[i].AcceptFormat(format)) return true;
    return false;
}

bool TCustomDataFormat::SetDataTo(IDataObject& dataObject) {
    TClipboardFormats& formats = CompatibleFormats();
    bool result = false;
    for (size_t i = 0; i < formats.Count(); ++i) {
        TClipboardFormat& format = formats[i];
        format.Clear();
        STGMEDIUM medium;
        if (AssignTo(format) && format.SetData(dataObject, format.FormatEtc, medium)) result = true;
    }
    return result;
}

size_t TDataFormats::Add(TCustomDataFormat* format) {
    const int index = IndexOf(format);
    if (index >= 0) return static_cast<size_t>(index);
    items_.push_back(format);
    return items_.size() - 1;
}

int TDataFormats::IndexOf(const TCustomDataFormat* format) const {
    const auto found = std::find(items_.begin(), items_.end(), format);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TDataFormats::Remove(const TCustomDataFormat* format) { std::erase(items_, format); }

TDragDropComponent::~TDragDropComponent() = default;

void TDragDropComponent::ListClipboardFormats(TCustomDataFormat&, TClipboardFormats& formats) { formats.Clear(); }

// ---- the map ---------------------------------------------------------------------------------

TDataFormatMap& TDataFormatMap::Instance() {
    static TDataFormatMap map;
    return map;
}

void TDataFormatMap::Add(const TDataFormatClass& dataFormat, const TClipboardFormatClass& clipboardFormat,
                         TDataDirections directions, int32_t priority) {
    TEntry entry{&dataFormat, &clipboardFormat, 0, 0};
    const auto old = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) {
        return e.DataFormatClass == &dataFormat && e.ClipboardFormatClass == &clipboardFormat;
    });
    if (old != entries_.end()) {
        entry = *old;
        entries_.erase(old);
    }
    entry.Directions |= directions;
    // The priority counts only for a pairing that also writes.
    if (directions & ddWrite) entry.Priority = priority;
    auto sameClass = [&](const TEntry& e) { return e.DataFormatClass == &dataFormat; };
    auto run = std::find_if(entries_.rbegin(), entries_.rend(), sameClass);
    if (run == entries_.rend()) {
        entries_.push_back(entry);
        return;
    }
    while (run != entries_.rend() && sameClass(*run) && run->Priority >= entry.Priority) ++run;
    entries_.insert(run.base(), entry);
}

void TDataFormatMap::GetClipboardFormats(const TDataFormatClass& dataFormat, TClipboardFormats& list,
                                         TDataDirections direction) const {
    list.Clear();
    for (const TEntry& entry : entries_) {
        if (!entry.DataFormatClass->InheritsFrom(dataFormat)) continue;
        if (((entry.Directions | entry.ClipboardFormatClass->Directions) & direction) == 0) continue;
        list.Add(entry.ClipboardFormatClass->Create());
    }
}

}  // namespace kestrune::dragdrop
