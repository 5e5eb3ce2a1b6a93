// The per-user settings store: keys holding typed values (DWORD and string),
// key and value names compared without case, kept in one text file in .reg
// syntax, ${XDG_CONFIG_HOME:-~/.config}/Morvane/HKCU.reg. Every operation
// sees the file as it is now; every change locks it, re-reads it, changes one
// value and renames a new file into place, so that running copies of the
// program never lose each other's values. Strings escape "\", '"', CR and LF.
// A store that cannot be read (not even as the other platform's UTF-16
// export) is kept aside as "HKCU.reg.damaged-<date>" when it is next written;
// one far larger than any store (MostStoreBytes) is kept aside unread at once.
// Lines that are no value of ours (comments, other roots' keys, lines the
// program cannot read) are kept as they stand; those it cannot read are told.
// What is no file (a named pipe, a folder, a file where the folder should be)
// is left alone: the settings keep their defaults and none is saved. Every
// such problem is told once, with its cause. The file is read again only
// when it has changed.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};
// A write the store could not save, whose cause was told already (once a run):
// whoever catches it need not tell it again.
class EStoreNotSaved : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

enum class TRegDataType { rdUnknown, rdString, rdInteger, rdBinary };

// Tells, through the dialog service, what was wrong with the store before
// the service could reach anybody (each problem is told once a run).
void TellHeldStoreProblems();
// Tells (once a run) that the stored value name, whose data is as the file
// holds it, cannot be taken by its setting, which keeps its default.
void TellUnusableValue(const std::string& name, const std::string& data);

// Key paths are relative to HKEY_CURRENT_USER; "\" separates their parts.
class TRegistry {
public:
    // The per-user store.
    TRegistry();
    // Another store file (its lock file is the same name + ".lock").
    explicit TRegistry(std::string storeFile);

    // ${XDG_CONFIG_HOME:-~/.config}/Morvane/HKCU.reg.
    static std::string DefaultStoreFile();

    // Opens key (from the root when it starts with "\" or no key is open); creates it when canCreate.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens an existing key; writes through it then raise ERegistryException.
    bool OpenKeyReadOnly(const std::string& key);
    // True when the key or any key below it is stored.
    bool KeyExists(const std::string& key) const;

    bool ValueExists(const std::string& name) const;
    TRegDataType GetDataType(const std::string& name) const;
    // Value names of the open key, in stored order.
    std::vector<std::string> GetValueNames() const;
    // Names of the keys right below the open one (the root when none is open).
    std::vector<std::string> GetKeyNames() const;
    // The value's data as the file holds it ("text" quoted, dword:..., hex:...); "" when missing.
    std::string ReadData(const std::string& name) const;
    // Raises ERegistryException when the value is missing or not a DWORD.
    int32_t ReadInteger(const std::string& name) const;
    // "" when the value is missing; raises ERegistryException when it is not a string.
    std::string ReadString(const std::string& name) const;
    // Raise ERegistryException when the store cannot be written.
    void WriteInteger(const std::string& name, int32_t value);
    void WriteString(const std::string& name, const std::string& value);
    // Write only when the value is missing or of another type, so that a
    // default never replaces what another running copy stored meanwhile.
    void WriteIntegerIfUnset(const std::string& name, int32_t value);
    void WriteStringIfUnset(const std::string& name, const std::string& value);
    // True when the value existed; a missing value is not an error.
    bool DeleteValue(const std::string& name);

private:
    std::string Resolve(const std::string& key) const;
    void CheckWritable(const std::string& name) const;
    void WriteData(const std::string& name, const std::string& data, bool onlyWhenUnset);

    std::string storeFile_;
    std::string currentPath_;
    bool readOnly_ = false;
};

}  // namespace kestrune
