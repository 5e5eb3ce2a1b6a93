#include "shell/UHyShellLocator.h"

#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellUtils.h"


namespace kestrune::shell {

HRESULT TShellFolder2ToShellDetailsAdapter::GetDetailsOf(const TItemIdList* item, int column, TShellDetails& details) {
    uint32_t state = 0;
    if (ole::Succeeded(folder_->GetDefaultColumnState(column, state)) && !(state & SHCOLSTATE_ONBYDEFAULT))
        return ole::E_INVALIDARG;
    return folder_->GetDetailsOf(item, column, details);
}

std::shared_ptr<IShellDetails> GetShellDetails(const std::shared_ptr<IShellFolder>& folder) {
    TShellDetails details;
    if (folder && ole::Succeeded(folder->GetDetailsOf(nullptr, 0, details)))
        return std::make_shared<TShellFolder2ToShellDetailsAdapter>(folder);
    return nullptr;
}

const TItemIdList* THyShellLocator::GetPidl() {
    if (kind_ == lkSpecialFolder && !list_) {
        TItemIdList list;
        if (ole::Succeeded(SpecialFolderIdList(specialFolder_, list))) list_ = list;
    }
    return list_ ? &*list_ : nullptr;
}

void THyShellLocator::SetPidl(const TItemIdList* list) {
    bool changed = kind_ == lkSpecialFolder;
    if (!changed && list_) {
        const int order = CompareIdLists(&*list_, list);
        changed = order != 0 && order != CompareFailed;
    } else if (!changed) {
        changed = list && !list->isEmpty();
    }
    kind_ = lkIdList;
    specialFolder_ = 0;
    list_.reset();
    if (list && !list->isEmpty()) list_ = *list;
    if (changed) DoChange();
}

void THyShellLocator::SetPath(std::u16string_view path) {
    TItemIdList list;
    SetPidl(ole::Succeeded(ParsePath(path, list)) ? &list : nullptr);
}

WideString THyShellLocator::GetPath() {
    const TItemIdList* list = GetPidl();
    return PathOfIdList(list ? *list : TItemIdList());
}

void THyShellLocator::SetSpecialFolder(uint8_t index) {
    kind_ = lkSpecialFolder;
    specialFolder_ = index;
    list_.reset();
    DoChange();
}

bool THyShellLocator::SameAs(const THyShellLocator& other) const {
    if (&other == this) return true;
    if (kind_ != other.kind_) return false;
    if (kind_ == lkSpecialFolder) return specialFolder_ == other.specialFolder_;
    const TItemIdList* a = list_ ? &*list_ : nullptr;
    const TItemIdList* b = other.list_ ? &*other.list_ : nullptr;
    return CompareIdLists(a, b) == 0;
}

void THyShellLocator::Assign(const THyShellLocator* source) {
    if (!source) {
        if (!list_) return;
        list_.reset();
        kind_ = lkIdList;
        DoChange();
        return;
    }
    if (SameAs(*source)) return;
    kind_ = source->kind_;
    specialFolder_ = source->specialFolder_;
    list_.reset();
    if (kind_ == lkIdList) list_ = source->list_;
    DoChange();
}

std::vector<uint8_t> THyShellLocator::WriteStored() const {
    std::vector<uint8_t> bytes{kind_};
    if (kind_ == lkSpecialFolder) {
        bytes.push_back(specialFolder_);
        return bytes;
    }
    const std::vector<uint8_t> list = list_ ? list_->bytes() : std::vector<uint8_t>();
    bytes.resize(5);
    ole::Put32(bytes, 1, static_cast<uint32_t>(list.size()));
    bytes.insert(bytes.end(), list.begin(), list.end());
    return bytes;
}

bool THyShellLocator::ReadStored(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return false;
    if (bytes[0] == lkSpecialFolder) {
        if (bytes.size() < 2 || bytes[1] >= SpecialFolderCount) return false;
        SetSpecialFolder(bytes[1]);
        return true;
    }
    if (bytes[0] != lkIdList || bytes.size() < 5) return false;
    const uint32_t length = ole::Get32(bytes.data() + 1);
    if (length == 0) {
        SetPidl(nullptr);
        return true;
    }
    if (length > bytes.size() - 5) return false;
    const std::optional<TItemIdList> list = TItemIdList::fromBytes(bytes.subspan(5, length));
    if (!list || list->size() != length) return false;
    SetPidl(&*list);
    return true;
}

// The desktop has no hover metrics of its own: the defaults stand.
THoverMetrics HoverMetrics() { return {}; }

uint16_t CF_IDLIST() {
    static const uint16_t format = ole::RegisterClipboardFormat(SIdListArrayFormat);
    return format;
}

uint16_t CF_FILECONTENTS() {
    static const uint16_t format = ole::RegisterClipboardFormat(SFileContentsFormat);
    return format;
}

}  // namespace kestrune::shell
