#include "app/MruUnit.h"

#include "app/hh_funcs.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>

namespace kestrune {

namespace {

constexpr int MostFiles = 8;
constexpr const char* IniSection = "MRU List";

std::string ValueName(int index) { return "MRU" + std::to_string(index); }

std::string IniName(const std::string& iniFile) { return iniFile.empty() ? ProgramName() + ".ini" : iniFile; }
bool NamesFolder(const std::string& name) { return name.find('/') != std::string::npos; }

// The entries 1.. up to the first empty one.
std::vector<std::string> EntriesUntilEmpty(int count, const std::function<std::string(int)>& entry) {
    std::vector<std::string> files;
    for (int index = 1; index <= count; ++index) {
        std::string name = entry(index);
        if (name.empty()) break;
        files.push_back(std::move(name));
    }
    return files;
}

}  // namespace

TMostRecentFiles::TMostRecentFiles(int maxFiles, std::string regPath, std::string iniFile)
    : maxFiles_(std::clamp(maxFiles, 1, MostFiles)), regPath_(std::move(regPath)), iniFile_(std::move(iniFile)) {
    Load();
}

std::string TMostRecentFiles::IniFileName(const std::string& iniFile) {
    const std::string name = IniName(iniFile);
    return NamesFolder(name) ? name : WritableProgramFile(name);
}

// A bare name is read where program files are read (the user's folder first).
TIniFile TMostRecentFiles::OpenIniFile() const {
    const std::string name = IniName(iniFile_);
    return NamesFolder(name) ? TIniFile(name) : TIniFile(ReadableProgramFile(name), WritableProgramFile(name));
}

TMostRecentFiles::~TMostRecentFiles() {
    try {
        Save();
    } catch (const EStoreNotSaved&) {
        // told by the store
    } catch (const std::exception& error) {
        ReportQuietError(FormatResStr(res::SRecentFilesNotStored, {error.what()}));
    }
}

void TMostRecentFiles::AddFile(const std::string& fileName) {
    if (!files_.empty() && files_.front() == fileName) return;
    Erase(fileName);
    files_.insert(files_.begin(), fileName);
    if (files_.size() > static_cast<size_t>(maxFiles_)) files_.resize(static_cast<size_t>(maxFiles_));
    std::erase(removed_, fileName);
    added_.push_back(fileName);
}

void TMostRecentFiles::RemoveFile(const std::string& fileName) {
    Erase(fileName);
    std::erase(added_, fileName);
    removed_.push_back(fileName);
}

void TMostRecentFiles::Erase(const std::string& fileName) { std::erase(files_, fileName); }

void TMostRecentFiles::Load() {
    files_ = StoredFiles();
    added_.clear();
    removed_.clear();
}

std::vector<std::string> TMostRecentFiles::StoredFiles() const {
    if (regPath_.empty()) {
        const TIniFile ini = OpenIniFile();
        return EntriesUntilEmpty(maxFiles_, [&ini](int index) { return ini.ReadString(IniSection, std::to_string(index), ""); });
    }
    // A value of another type ends the list, as a missing one does, and is told.
    return EntriesUntilEmpty(maxFiles_, [this](int index) { return ReadStoredString(regPath_, ValueName(index)); });
}

// Every entry is written, empty ones after the last name.
void TMostRecentFiles::Store(const std::vector<std::string>& files) const {
    const auto entry = [&files](int index) {
        const size_t at = static_cast<size_t>(index - 1);
        return at < files.size() ? files[at] : std::string();
    };
    if (regPath_.empty()) {
        TIniFile ini = OpenIniFile();
        for (int index = 1; index <= maxFiles_; ++index) ini.WriteString(IniSection, std::to_string(index), entry(index));
        return;
    }
    TRegistry registry;
    if (!registry.OpenKey(regPath_, true)) return;
    for (int index = 1; index <= maxFiles_; ++index) registry.WriteString(ValueName(index), entry(index));
}

void TMostRecentFiles::Save() {
    if (added_.empty() && removed_.empty()) return;
    // Copies that end together merge one after another, each over the list
    // the one before it wrote; interleaved, they would lose each other's names.
    // They meet at the lock of the file the list is stored in, which each
    // value's write takes again.
    // A store whose lock cannot be had is told by the store's own first write, once.
    std::optional<TFileWriteLock> lock;
    try {
        lock.emplace(regPath_.empty() ? IniFileName(iniFile_) : TRegistry::DefaultStoreFile());
    } catch (const ELockUnavailable&) {
        if (regPath_.empty()) throw;
    }
    const auto added = [this](const std::string& name) {
        return std::find(added_.begin(), added_.end(), name) != added_.end();
    };
    std::vector<std::string> merged;
    std::copy_if(files_.begin(), files_.end(), std::back_inserter(merged), added);
    for (const std::string& name : StoredFiles())
        if (std::find(merged.begin(), merged.end(), name) == merged.end() &&
            std::find(removed_.begin(), removed_.end(), name) == removed_.end())
            merged.push_back(name);
    if (merged.size() > static_cast<size_t>(maxFiles_)) merged.resize(static_cast<size_t>(maxFiles_));
    Store(merged);
    files_ = std::move(merged);
    added_.clear();
    removed_.clear();
}

}  // namespace kestrune
