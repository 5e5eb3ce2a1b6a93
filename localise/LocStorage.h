// The translation dictionary in memory: forms with their components and
// properties, source units with their resource-string constants, external
// groups with their items; every leaf holds one value per language column,
// column 0 being the native language.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class ELocStorageError : public Exception {
public:
    using Exception::Exception;
};

// Value flags.
constexpr uint16_t LocFlagNeverApply = 8;
constexpr uint16_t LocFlagAddProperty = 16;     // written as an added property when the form stream lacks it
constexpr uint16_t LocFlagUseWhenOutdated = 256;
// Component flag: leave its font's charset alone.
constexpr uint16_t LocFlagKeepCharset = 4;

// Value kinds of properties; a constant's values are always text.
constexpr uint8_t LocKindFloat = 0;
constexpr uint8_t LocKindInteger = 1;
constexpr uint8_t LocKindText = 2;
constexpr uint8_t LocKindText2 = 4;
constexpr bool IsTextKind(uint8_t kind) { return kind == LocKindText || kind == LocKindText2; }

struct TLocValue {
    TDateTime Date = 0;
    std::u16string Text;
    int32_t Stamp = -1;  // -1: never translated
    uint16_t Flags = 0;
    uint16_t LanguageId = 0;  // decides the ANSI code page of the text

    // The text in the ANSI code page of its language; what the page cannot hold becomes "?".
    std::string AnsiText() const;
    // The trimmed text as a number, 0 when empty; other text raises EConvertError.
    int64_t AsInteger() const;
    double AsFloat() const;
};

// Two values of a kind: numbers (0) and integers (1) compare by their value, texts (2, 4) as texts;
// values of other kinds, or that are no number of their kind, are never the same.
bool SameValue(uint8_t kind, const TLocValue& a, const TLocValue& b);

// A leaf: a property, a constant or an external item.
struct TLocItem {
    std::string Name;
    int32_t Id = 0;
    uint8_t Kind = LocKindText;
    uint16_t ResourceId = 0;  // constants: the string-table id
    std::vector<TLocValue> Values;  // one per column

    // True when the value of column is current: the native stamp is not greater than its own.
    bool IsCurrent(size_t column) const { return Values.at(0).Stamp <= Values.at(column).Stamp; }
};

// Nodes kept sorted by name, found by binary search (the last hit tried first).
template <class T>
class TNamedList {
public:
    explicit TNamedList(bool caseSensitive = false) : caseSensitive_(caseSensitive) {}

    size_t Count() const { return items_.size(); }
    T& operator[](size_t index) const { return *items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    bool CaseSensitive() const { return caseSensitive_; }

    T* Find(std::string_view name) const;
    // The node of that name, inserted at its sorted place when missing.
    T& FindOrAdd(std::string_view name);
    void Clear() { items_.clear(); }

private:
    int Compare(std::string_view a, std::string_view b) const;
    size_t LowerBound(std::string_view name) const;

    std::vector<std::unique_ptr<T>> items_;
    bool caseSensitive_;
    mutable size_t last_ = 0;
};

struct TLocComponent {
    std::string Name;  // component path from the form
    uint16_t Flags = 0;
    TNamedList<TLocItem> Properties;
};

struct TLocForm {
    std::string Name;  // class name without its first letter
    uint16_t Flags = 0;
    TNamedList<TLocItem> Properties;
    TNamedList<TLocComponent> Components;
};

struct TLocUnit {
    std::string Name;
    uint16_t Flags = 0;
    TNamedList<TLocItem> Constants{true};
};

struct TLocExtGroup {
    std::string Name;
    uint16_t Flags = 0;
    TNamedList<TLocItem> Items;
};

// Leaves of one kind in tree order with the names of their nodes, found by Id
// (binary search once sorted) or by their names.
class TLinearList {
public:
    struct TEntry {
        std::string_view Node;      // unit, form or group
        std::string_view Component; // forms only: "" for the form's own properties
        TLocItem* Item;
    };
    void Add(TEntry entry) { entries_.push_back(entry); }
    void SortById();
    TLocItem* FindById(int32_t id) const;
    TLocItem* FindByNames(std::string_view node, std::string_view component, std::string_view name) const;
    size_t Count() const { return entries_.size(); }

private:
    std::vector<TEntry> entries_;
    bool sorted_ = false;
};

// Whether an id can still follow the highest one given (ids never wrap round).
bool HasIdAfter(int32_t lastId);

class TLocStorage {
public:
    // Empty, one column: the user's language.
    TLocStorage();

    TNamedList<TLocForm> Forms;
    TNamedList<TLocUnit> Units;
    TNamedList<TLocExtGroup> ExtGroups;
    uint16_t NativeLanguage;
    int CurrentColumn = 0;
    int32_t LastPropertyId = 0;
    int32_t LastConstantId = 0;
    int32_t LastExternalId = 0;

    size_t LanguageCount() const { return locales_.size(); }
    // 0 for a column outside the list.
    uint16_t LanguageOf(int column) const;
    int IndexOfLanguage(uint16_t languageId) const;
    // A new column copying the source column's texts, never translated (Stamp -1); returns its index.
    int AddLanguage(int sourceColumn, uint16_t languageId);
    void RemoveLanguage(int column);
    void SetNativeLanguage(uint16_t languageId);
    // Empties the forms, units and external groups (the columns stay).
    void ClearTree();

    // New leaves get one value per column; a negative Id takes the kind's last id + 1.
    TLocItem& AddProperty(TNamedList<TLocItem>& owner, std::string_view name, int32_t id, uint8_t kind);
    TLocItem& AddConstant(TLocUnit& unit, std::string_view name, int32_t id, uint16_t resourceId);
    TLocItem& AddExtItem(TLocExtGroup& group, std::string_view name, int32_t id);

    TLocItem* FindConstant(int32_t id) const;
    TLocItem* FindProperty(int32_t id) const;
    TLocItem* FindExtItem(std::string_view group, std::string_view item) const;

    // Sets a column's text; a native text also goes to every column never translated.
    void SetText(TLocItem& item, size_t column, std::u16string text) const;

    TLinearList LinearProperties() const;
    TLinearList LinearConstants() const;
    TLinearList LinearExternals() const;

private:
    TLocItem& AddLeaf(TNamedList<TLocItem>& owner, std::string_view name, int32_t id, int32_t& lastId);

    std::vector<uint16_t> locales_;  // the language of each column
};

}  // namespace kestrune
