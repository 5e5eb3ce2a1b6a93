// Settings objects: each reads one value of the program's key when it is
// made, is used through its public Value, and writes the value back when it
// is freed, if this process changed it. A missing value keeps the default;
// so does one of another type or one its setting does not allow, which is
// told. Destructors never throw: a failed write is logged.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrune {

class TRegistry;

// Author part of every program key.
inline constexpr char RegistryAuthor[] = "Morvane";

// "\Software\Morvane\" + the program's name (ProgramName()).
std::string ProgramRegistryKey();
// Receives the text of settings writes that failed when their objects were freed (default: standard error).
void SetRegistryErrorLog(std::function<void(const std::string&)> sink);

class TRegistryVariable {
public:
    explicit TRegistryVariable(std::string name);
    // Deletes the value when DeleteOnFree (after the descendant has saved it).
    virtual ~TRegistryVariable();
    TRegistryVariable(const TRegistryVariable&) = delete;
    TRegistryVariable& operator=(const TRegistryVariable&) = delete;

    // Writes Value into the program key (creating it); a failed write raises ERegistryException.
    virtual void Save() = 0;

    const std::string& Name() const { return name_; }
    const std::string& KeyPath() const { return keyPath_; }

    bool DeleteOnFree = false;
    // False: freeing writes nothing (a placement an unattended run must not store).
    bool WriteOnFree = true;

protected:
    // Runs read on the key when the value exists; false when it is missing
    // or of another type (which is told), and Value is left as it was.
    bool ReadStored(const std::function<void(TRegistry&)>& read) const noexcept;
    // Tells that the stored value cannot be taken and reads as the default.
    void TellStoredUnusable() const noexcept;
    // Runs write on the key, creating it; nothing happens when it cannot be opened.
    void Store(const std::function<void(TRegistry&)>& write) const;
    // Save for a destructor: a failure is logged, never thrown.
    void SaveOnFree() noexcept;

private:
    std::string name_;
    std::string keyPath_;
};

// One typed value. Save writes only what this process changed: Value when
// it differs from what was read or last written, so that two running copies
// keep each other's changes; a value the store lacked (or held with another
// type) is written unless another copy has stored it meanwhile.
template <typename TValue>
class TRegistryValue : public TRegistryVariable {
public:
    ~TRegistryValue() override { SaveOnFree(); }
    void Save() override;
    TValue Value;

protected:
    TRegistryValue(std::string name, TValue defaultValue);
    // Takes value instead of what was read, as if it had been read: an odd
    // stored value is left as it is until this process changes the setting.
    void ReadAs(TValue value);
    // Tells that the value read is refused, when it was stored.
    void TellIfStored() const noexcept;

private:
    TValue known_;
    bool knownStored_ = false;
};

// Stored as a DWORD 0 or 1; any non-zero number reads as true.
class TRegistryBoolean : public TRegistryValue<bool> {
public:
    TRegistryBoolean(std::string name, bool defaultValue) : TRegistryValue(std::move(name), defaultValue) {}
};

// Stored as a DWORD.
class TRegistryInteger : public TRegistryValue<int32_t> {
public:
    TRegistryInteger(std::string name, int32_t defaultValue) : TRegistryValue(std::move(name), defaultValue) {}
    // A stored value outside lowest..highest reads as the default; it stays
    // stored until the setting is changed.
    TRegistryInteger(std::string name, int32_t defaultValue, int32_t lowest, int32_t highest);
};

// Stored as a string; a stored empty string replaces the default.
class TRegistryString : public TRegistryValue<std::string> {
public:
    TRegistryString(std::string name, std::string defaultValue)
        : TRegistryValue(std::move(name), std::move(defaultValue)) {}
    // A stored text that allowed refuses reads as the default, which replaces it at the next write.
    TRegistryString(std::string name, std::string defaultValue, const std::function<bool(const std::string&)>& allowed);
};

extern template class TRegistryValue<bool>;
extern template class TRegistryValue<int32_t>;
extern template class TRegistryValue<std::string>;

// What TRegistryFormInfo needs of a window; the window layer implements it.
class TFormPlacement {
public:
    virtual ~TFormPlacement() = default;
    // 0 normal, 1 minimised, 2 maximised.
    virtual int WindowState() const = 0;
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual void SetWindowState(int state) = 0;
    virtual void SetLeft(int left) = 0;
    virtual void SetTop(int top) = 0;
    virtual void SetClientWidth(int width) = 0;
    virtual void SetClientHeight(int height) = 0;
};

// A window's placement in "FormState", "FormLeft", "FormTop", "FormWidth",
// "FormHeight", "FormClientWidth" and "FormClientHeight".
class TRegistryFormInfo {
public:
    // Reads the seven values, the form's current ones being the defaults.
    explicit TRegistryFormInfo(TFormPlacement& form);
    // Stores the form's current placement, unless StoreOnFree was cleared.
    ~TRegistryFormInfo();
    TRegistryFormInfo(const TRegistryFormInfo&) = delete;
    TRegistryFormInfo& operator=(const TRegistryFormInfo&) = delete;

    // Applies state, left, top, client width and client height, in that order (width and height are not applied).
    void Restore();

    bool StoreOnFree = true;

private:
    enum { State, Left, Top, Width, Height, ClientWidth, ClientHeight, Count };
    TFormPlacement& form_;
    std::array<std::unique_ptr<TRegistryInteger>, Count> values_;
};

// The string valueName of key (a full key path); "" when it is missing or
// unreadable, and when it is of another type, which is told.
std::string ReadStoredString(const std::string& key, const std::string& valueName);
// The path registered under "\Software\Morvane\App Paths" for programName; "" when none.
std::string ReadAppPath(const std::string& programName);
// Registers this executable's full path there under its name; a failure is logged.
void WriteOwnAppPath();
// True when the program key holds a value of that name.
bool RegistryValueExists(const std::string& valueName);
// String valueName of the sibling program's key "\Software\Morvane\<programName>"; "" when missing.
std::string ReadSiblingRegistryString(const std::string& programName, const std::string& valueName);
// ReadSiblingRegistryString of the tracking program "Quenmar".
std::string ReadTrackerRegistryString(const std::string& valueName);

}  // namespace kestrune
