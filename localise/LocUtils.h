// The program's resource modules: its own embedded resources and the
// language library it may take its resources from instead, the settings
// block every module carries, and resStr(id) through the module in use.
#pragma once

#include "localise/WinResProc.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kestrune {

class ELocUtilsError : public Exception {
public:
    using Exception::Exception;
};

// A parsed settings block ("QEXE" or "LDLL").
struct TDLLInfoItem {
    std::string FileName;
    uint32_t LanguageId = 0;
    uint32_t Stamp = 0;
    std::string AnsiName;
    std::u16string WideName;
    uint32_t SecondStamp = 0;
};

// Reads a block; a short or damaged block raises ELUInvalidResLibrary naming fileName.
TDLLInfoItem ParseDLLSettings(std::string_view block, const std::string& fileName);

// The resources of one module: string tables and RCDATA.
class TResModule {
public:
    // The program's own module, from its embedded image.
    static std::unique_ptr<TResModule> FromImage(std::string_view image, const std::string& name);
    // A library loaded as a data file; raises ELULoadResLibError.
    static std::unique_ptr<TResModule> LoadLibrary(const std::string& fileName);

    const std::string& FileName() const { return fileName_; }
    // The "LDLL" (library) or "QEXE" (program) block; raises ELUInvalidResLibrary when missing.
    TDLLInfoItem ReadSettings(bool isLibrary) const;
    // nullptr when the module holds no such string.
    const std::u16string* FindString(uint16_t id) const;
    // The bytes of an RCDATA item ("" when there is none).
    std::string_view RCDataItem(std::string_view name) const;

private:
    std::string fileName_;
    TResProcessor set_;
};

// The program's own module and the one it takes its resources from.
class TQLocUtils {
public:
    static TQLocUtils& Instance();

    bool IgnoreVersion = true;

    const TResModule& ProgramModule();
    // The module resources come from: a library, or the program's own.
    const TResModule& ResourceModule();
    bool UsesOwnResources() const { return library_ == nullptr; }
    // The library in use (nullptr: the program's own resources), to be set back after a failed switch.
    std::shared_ptr<const TResModule> CurrentLibrary() const { return library_; }

    // Loads a library checked against the program; nullptr when its stamp
    // differs and IgnoreVersion is set, else ELUOutOfVersion.
    std::unique_ptr<TResModule> LoadResourceDLL(const std::string& fileName);
    // nullptr gives the program its own resources back; the previous library is dropped.
    void SetResourceModule(std::shared_ptr<const TResModule> library);
    void RestoreModuleResources() { SetResourceModule(nullptr); }
    // The "LDLL" block of the module in use.
    TDLLInfoItem GetResourceInfo();
    // True when the module in use fits the program; else ELUOutOfVersion unless IgnoreVersion.
    bool CheckResourceVersion();

    // The text of a resource string through the module in use, falling back to the program's own.
    std::string LoadString(uint16_t id);
    // Tests replace the program's image (it is read again on the next use).
    void Reset();

private:
    std::unique_ptr<TResModule> program_;
    std::shared_ptr<const TResModule> library_;
};


}  // namespace kestrune
