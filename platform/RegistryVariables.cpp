#include "platform/RegistryVariables.h"

#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/StandardError.h"

namespace kestrune {

namespace {

std::string AuthorKey() { return std::string("\\Software\\") + RegistryAuthor + "\\"; }

std::string AppPathsKey() { return AuthorKey() + "App Paths"; }

std::function<void(const std::string&)>& ErrorLog() {
    static std::function<void(const std::string&)> sink = [](const std::string& text) {
        WriteStandardErrorLine(text);
    };
    return sink;
}

void LogFailure(const std::string& what, const std::exception& error) noexcept {
    if (dynamic_cast<const EStoreNotSaved*>(&error)) return;  // the store told its cause
    try {
        if (ErrorLog()) ErrorLog()(what + ": " + error.what());
    } catch (...) {
        // Nothing more can be done about a log that fails.
    }
}

// Runs read on the key when it holds the value; false when the value is
// missing, unreadable or of another type (which is told).
bool ReadValueOfKey(const std::string& key, const std::string& name, const std::function<void(TRegistry&)>& read) noexcept {
    try {
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(key) || !registry.ValueExists(name)) return false;
        try {
            read(registry);
            return true;
        } catch (const ERegistryException&) {
            TellUnusableValue(name, registry.ReadData(name));
        }
    } catch (const std::exception&) {
        // A store that cannot be read counts as empty; the store tells why.
    }
    return false;
}

}  // namespace

std::string ReadStoredString(const std::string& key, const std::string& valueName) {
    std::string value;
    ReadValueOfKey(key, valueName, [&](TRegistry& registry) { value = registry.ReadString(valueName); });
    return value;
}

std::string ProgramRegistryKey() { return AuthorKey() + ProgramName(); }

void SetRegistryErrorLog(std::function<void(const std::string&)> sink) { ErrorLog() = std::move(sink); }

TRegistryVariable::TRegistryVariable(std::string name) : name_(std::move(name)), keyPath_(ProgramRegistryKey()) {}

TRegistryVariable::~TRegistryVariable() {
    if (!DeleteOnFree) return;
    try {
        TRegistry registry;
        if (registry.OpenKey(keyPath_, true)) registry.DeleteValue(name_);
    } catch (const std::exception& error) {
        LogFailure(FormatResStr(res::SSettingNotDeleted, {name_}), error);
    }
}

bool TRegistryVariable::ReadStored(const std::function<void(TRegistry&)>& read) const noexcept {
    return ReadValueOfKey(keyPath_, name_, read);
}

void TRegistryVariable::TellStoredUnusable() const noexcept {
    try {
        TRegistry registry;
        if (registry.OpenKeyReadOnly(keyPath_)) TellUnusableValue(name_, registry.ReadData(name_));
    } catch (const std::exception&) {
        // Nothing more to tell than the store already told.
    }
}

void TRegistryVariable::Store(const std::function<void(TRegistry&)>& write) const {
    TRegistry registry;
    if (registry.OpenKey(keyPath_, true)) write(registry);
}

void TRegistryVariable::SaveOnFree() noexcept {
    if (!WriteOnFree) return;
    try {
        Save();
    } catch (const std::exception& error) {
        LogFailure(FormatResStr(res::SSettingNotSaved, {name_}), error);
    }
}

namespace {

// Reading raises for a value that is missing or of another type.
void ReadTyped(TRegistry& registry, const std::string& name, bool& value) { value = registry.ReadInteger(name) != 0; }
void ReadTyped(TRegistry& registry, const std::string& name, int32_t& value) { value = registry.ReadInteger(name); }
void ReadTyped(TRegistry& registry, const std::string& name, std::string& value) { value = registry.ReadString(name); }

void WriteTyped(TRegistry& registry, const std::string& name, int32_t value, bool onlyWhenUnset) {
    if (onlyWhenUnset) registry.WriteIntegerIfUnset(name, value);
    else registry.WriteInteger(name, value);
}
void WriteTyped(TRegistry& registry, const std::string& name, bool value, bool onlyWhenUnset) {
    WriteTyped(registry, name, int32_t{value ? 1 : 0}, onlyWhenUnset);
}
void WriteTyped(TRegistry& registry, const std::string& name, const std::string& value, bool onlyWhenUnset) {
    if (onlyWhenUnset) registry.WriteStringIfUnset(name, value);
    else registry.WriteString(name, value);
}

}  // namespace

template <typename TValue>
TRegistryValue<TValue>::TRegistryValue(std::string name, TValue defaultValue)
    : TRegistryVariable(std::move(name)), Value(std::move(defaultValue)) {
    knownStored_ = ReadStored([this](TRegistry& registry) {
        TValue stored = Value;
        ReadTyped(registry, Name(), stored);
        Value = std::move(stored);
    });
    known_ = Value;
}

template <typename TValue>
void TRegistryValue<TValue>::ReadAs(TValue value) {
    Value = std::move(value);
    known_ = Value;
}

template <typename TValue>
void TRegistryValue<TValue>::TellIfStored() const noexcept {
    if (knownStored_) TellStoredUnusable();
}

template <typename TValue>
void TRegistryValue<TValue>::Save() {
    const bool changed = !(Value == known_);
    if (!changed && knownStored_) return;
    Store([&](TRegistry& registry) { WriteTyped(registry, Name(), Value, !changed); });
    known_ = Value;
    knownStored_ = true;
}

template class TRegistryValue<bool>;
template class TRegistryValue<int32_t>;
template class TRegistryValue<std::string>;

TRegistryInteger::TRegistryInteger(std::string name, int32_t defaultValue, int32_t lowest, int32_t highest)
    : TRegistryValue(std::move(name), defaultValue) {
    // A default outside the range (a "none" of its own) is no stored value to refuse.
    if ((Value >= lowest && Value <= highest) || Value == defaultValue) return;
    TellIfStored();
    ReadAs(defaultValue);
}

TRegistryString::TRegistryString(std::string name, std::string defaultValue,
                                 const std::function<bool(const std::string&)>& allowed)
    : TRegistryValue(std::move(name), defaultValue) {
    if (allowed(Value) || Value == defaultValue) return;
    TellIfStored();
    Value = std::move(defaultValue);
}

TRegistryFormInfo::TRegistryFormInfo(TFormPlacement& form) : form_(form) {
    values_[State] = std::make_unique<TRegistryInteger>("FormState", form.WindowState());
    values_[Left] = std::make_unique<TRegistryInteger>("FormLeft", form.Left());
    values_[Top] = std::make_unique<TRegistryInteger>("FormTop", form.Top());
    values_[Width] = std::make_unique<TRegistryInteger>("FormWidth", form.Width());
    values_[Height] = std::make_unique<TRegistryInteger>("FormHeight", form.Height());
    values_[ClientWidth] = std::make_unique<TRegistryInteger>("FormClientWidth", form.ClientWidth());
    values_[ClientHeight] = std::make_unique<TRegistryInteger>("FormClientHeight", form.ClientHeight());
}

TRegistryFormInfo::~TRegistryFormInfo() {
    if (!StoreOnFree) {
        for (auto& value : values_) value->WriteOnFree = false;
        return;
    }
    values_[State]->Value = form_.WindowState();
    values_[Left]->Value = form_.Left();
    values_[Top]->Value = form_.Top();
    values_[Width]->Value = form_.Width();
    values_[Height]->Value = form_.Height();
    values_[ClientWidth]->Value = form_.ClientWidth();
    values_[ClientHeight]->Value = form_.ClientHeight();
    for (auto& value : values_) value.reset();  // freeing writes, in the order above
}

void TRegistryFormInfo::Restore() {
    form_.SetWindowState(values_[State]->Value);
    form_.SetLeft(values_[Left]->Value);
    form_.SetTop(values_[Top]->Value);
    form_.SetClientWidth(values_[ClientWidth]->Value);
    form_.SetClientHeight(values_[ClientHeight]->Value);
}

std::string ReadAppPath(const std::string& programName) { return ReadStoredString(AppPathsKey(), programName); }

void WriteOwnAppPath() {
    try {
        TRegistry registry;
        if (registry.OpenKey(AppPathsKey(), true)) registry.WriteString(ProgramName(), ExecutablePath());
    } catch (const std::exception& error) {
        LogFailure(resStr(res::SProgramPathNotRegistered), error);
    }
}

bool RegistryValueExists(const std::string& valueName) {
    try {
        TRegistry registry;
        return registry.OpenKeyReadOnly(ProgramRegistryKey()) && registry.ValueExists(valueName);
    } catch (const std::exception&) {
        return false;
    }
}

std::string ReadSiblingRegistryString(const std::string& programName, const std::string& valueName) {
    return ReadStoredString(AuthorKey() + programName, valueName);
}

std::string ReadTrackerRegistryString(const std::string& valueName) {
    return ReadSiblingRegistryString("Quenmar", valueName);
}

}  // namespace kestrune
