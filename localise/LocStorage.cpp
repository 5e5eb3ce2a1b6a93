#include "localise/LocStorage.h"

#include "localise/LocResources.h"
#include "localise/QLocales.h"
#include "localise/QStrings.h"
#include "platform/ResCodePages.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace kestrune {

namespace {

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = std::toupper(static_cast<unsigned char>(a[i]));
        const int y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

template <class T>
int TNamedList<T>::Compare(std::string_view a, std::string_view b) const {
    return caseSensitive_ ? a.compare(b) : CompareIgnoringCase(a, b);
}

template <class T>
size_t TNamedList<T>::LowerBound(std::string_view name) const {
    if (last_ < items_.size() && Compare(items_[last_]->Name, name) == 0) return last_;
    const auto it = std::lower_bound(items_.begin(), items_.end(), name,
                                     [&](const std::unique_ptr<T>& item, std::string_view n) { return Compare(item->Name, n) < 0; });
    return static_cast<size_t>(it - items_.begin());
}

template <class T>
T* TNamedList<T>::Find(std::string_view name) const {
    const size_t at = LowerBound(name);
    if (at == items_.size() || Compare(items_[at]->Name, name) != 0) return nullptr;
    last_ = at;
    return items_[at].get();
}

template <class T>
T& TNamedList<T>::FindOrAdd(std::string_view name) {
    const size_t at = LowerBound(name);
    if (at == items_.size() || Compare(items_[at]->Name, name) != 0) {
        auto item = std::make_unique<T>();
        item->Name = std::string(name);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    }
    last_ = at;
    return *items_[at];
}

template class TNamedList<TLocItem>;
template class TNamedList<TLocComponent>;
template class TNamedList<TLocForm>;
template class TNamedList<TLocUnit>;
template class TNamedList<TLocExtGroup>;

void TLinearList::SortById() {
    std::stable_sort(entries_.begin(), entries_.end(), [](const TEntry& a, const TEntry& b) { return a.Item->Id < b.Item->Id; });
    sorted_ = true;
}

TLocItem* TLinearList::FindById(int32_t id) const {
    if (sorted_) {
        const auto it = std::lower_bound(entries_.begin(), entries_.end(), id, [](const TEntry& e, int32_t v) { return e.Item->Id < v; });
        return it != entries_.end() && it->Item->Id == id ? it->Item : nullptr;
    }
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.Item->Id == id; });
    return it == entries_.end() ? nullptr : it->Item;
}

TLocItem* TLinearList::FindByNames(std::string_view node, std::string_view component, std::string_view name) const {
    for (const TEntry& e : entries_)
        if (SameText(e.Node, node) && SameText(e.Component, component) && SameText(e.Item->Name, name)) return e.Item;
    return nullptr;
}

TLocStorage::TLocStorage() : NativeLanguage(UserDefaultLangId()), locales_{NativeLanguage} {}

uint16_t TLocStorage::LanguageOf(int column) const {
    return column >= 0 && static_cast<size_t>(column) < locales_.size() ? locales_[column] : 0;
}

int TLocStorage::IndexOfLanguage(uint16_t languageId) const {
    const auto it = std::find(locales_.begin(), locales_.end(), languageId);
    return it == locales_.end() ? -1 : static_cast<int>(it - locales_.begin());
}

namespace {

template <class Visit>
void ForEachLeaf(const TLocStorage& storage, Visit visit) {
    for (const auto& form : storage.Forms) {
        for (const auto& property : form->Properties) visit(*property);
        for (const auto& component : form->Components)
            for (const auto& property : component->Properties) visit(*property);
    }
    for (const auto& unit : storage.Units)
        for (const auto& constant : unit->Constants) visit(*constant);
    for (const auto& group : storage.ExtGroups)
        for (const auto& item : group->Items) visit(*item);
}

}  // namespace

int TLocStorage::AddLanguage(int sourceColumn, uint16_t languageId) {
    if (locales_.empty()) throw ELocStorageError(LibraryText(res::SEmptyDictionary));
    if (sourceColumn < 0 || static_cast<size_t>(sourceColumn) >= locales_.size()) throw ELocStorageError(LibraryText(res::SCannotAddLanguage));
    locales_.push_back(languageId);
    ForEachLeaf(*this, [&](TLocItem& item) {
        TLocValue value;
        value.Text = item.Values.at(sourceColumn).Text;
        value.LanguageId = languageId;
        item.Values.push_back(std::move(value));
    });
    return static_cast<int>(locales_.size()) - 1;
}

void TLocStorage::RemoveLanguage(int column) {
    if (locales_.size() < 2 || column < 1 || static_cast<size_t>(column) >= locales_.size())
        throw ELocStorageError(LibraryText(res::SCannotRemoveLanguage));
    locales_.erase(locales_.begin() + column);
    ForEachLeaf(*this, [&](TLocItem& item) { item.Values.erase(item.Values.begin() + column); });
}

void TLocStorage::SetNativeLanguage(uint16_t languageId) {
    NativeLanguage = languageId;
    if (locales_.empty()) return;
    locales_[0] = languageId;
    ForEachLeaf(*this, [&](TLocItem& item) { item.Values.at(0).LanguageId = languageId; });
}

void TLocStorage::ClearTree() {
    Forms.Clear();
    Units.Clear();
    ExtGroups.Clear();
}

bool HasIdAfter(int32_t lastId) { return lastId < std::numeric_limits<int32_t>::max(); }

TLocItem& TLocStorage::AddLeaf(TNamedList<TLocItem>& owner, std::string_view name, int32_t id, int32_t& lastId) {
    if (id < 0) {
        if (!HasIdAfter(lastId)) throw ELocStorageError(LibraryText(res::SInvalidLocStorage));
        id = lastId + 1;
    }
    lastId = std::max(lastId, id);
    TLocItem& item = owner.FindOrAdd(name);
    item.Id = id;
    item.Values.resize(locales_.size());
    for (size_t column = 0; column < locales_.size(); ++column) item.Values[column].LanguageId = locales_[column];
    return item;
}

TLocItem& TLocStorage::AddProperty(TNamedList<TLocItem>& owner, std::string_view name, int32_t id, uint8_t kind) {
    TLocItem& item = AddLeaf(owner, name, id, LastPropertyId);
    item.Kind = kind;
    return item;
}

TLocItem& TLocStorage::AddConstant(TLocUnit& unit, std::string_view name, int32_t id, uint16_t resourceId) {
    TLocItem& item = AddLeaf(unit.Constants, name, id, LastConstantId);
    item.ResourceId = resourceId;
    return item;
}

TLocItem& TLocStorage::AddExtItem(TLocExtGroup& group, std::string_view name, int32_t id) {
    return AddLeaf(group.Items, name, id, LastExternalId);
}

TLocItem* TLocStorage::FindConstant(int32_t id) const {
    for (const auto& unit : Units)
        for (const auto& constant : unit->Constants)
            if (constant->Id == id) return constant.get();
    return nullptr;
}

TLocItem* TLocStorage::FindProperty(int32_t id) const {
    for (const auto& form : Forms) {
        for (const auto& property : form->Properties)
            if (property->Id == id) return property.get();
        for (const auto& component : form->Components)
            for (const auto& property : component->Properties)
                if (property->Id == id) return property.get();
    }
    return nullptr;
}

TLocItem* TLocStorage::FindExtItem(std::string_view group, std::string_view item) const {
    const TLocExtGroup* node = ExtGroups.Find(group);
    return node ? node->Items.Find(item) : nullptr;
}

std::string TLocValue::AnsiText() const { return WideToAnsiOf(Text, LanguageId); }

int64_t TLocValue::AsInteger() const { return TextToInt(Utf16ToUtf8(Text)); }

double TLocValue::AsFloat() const { return TextToFloat(Utf16ToUtf8(Text)); }

bool SameValue(uint8_t kind, const TLocValue& a, const TLocValue& b) {
    try {
        switch (kind) {
        case LocKindFloat: return a.AsFloat() == b.AsFloat();
        case LocKindInteger: return a.AsInteger() == b.AsInteger();
        case LocKindText:
        case LocKindText2: return a.Text == b.Text;
        default: return false;
        }
    } catch (const Exception&) {
        return false;
    }
}

// A native text goes as it is to the columns never translated: read back through
// the native code page, as ANSI copies once were, it would lose what that page cannot hold.
void TLocStorage::SetText(TLocItem& item, size_t column, std::u16string text) const {
    if (column == 0)
        for (size_t other = 1; other < item.Values.size(); ++other)
            if (item.Values[other].Stamp < 0) item.Values[other].Text = text;
    item.Values.at(column).Text = std::move(text);
}

TLinearList TLocStorage::LinearProperties() const {
    TLinearList list;
    for (const auto& form : Forms) {
        for (const auto& property : form->Properties) list.Add({form->Name, "", property.get()});
        for (const auto& component : form->Components)
            for (const auto& property : component->Properties) list.Add({form->Name, component->Name, property.get()});
    }
    return list;
}

TLinearList TLocStorage::LinearConstants() const {
    TLinearList list;
    for (const auto& unit : Units)
        for (const auto& constant : unit->Constants) list.Add({unit->Name, "", constant.get()});
    return list;
}

TLinearList TLocStorage::LinearExternals() const {
    TLinearList list;
    for (const auto& group : ExtGroups)
        for (const auto& item : group->Items) list.Add({group->Name, "", item.get()});
    return list;
}

}  // namespace kestrune
