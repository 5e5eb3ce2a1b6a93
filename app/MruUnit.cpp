#include "app/MruUnit.h"

#include "app/hh_funcs.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"

#include <algorithm>
#include <iterator>

namespace kestrune {

namespace {

constexpr int MostFiles = 8;

std::string ValueName(int index) { return "MRU" + std::to_string(index); }

}  // namespace

TMostRecentFiles::TMostRecentFiles(int maxFiles, std::string regPath)
    : maxFiles_(std::clamp(maxFiles, 1, MostFiles)), regPath_(std::move(regPath)) {
    Load();
}

TMostRecentFiles::~TMostRecentFiles() {
    try {
        Save();
    } catch (const std::exception& error) {
        ReportQuietError(std::string("The recent-file list could not be stored: ") + error.what());
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
    std::vector<std::string> files;
    try {
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(regPath_)) return files;
        for (int index = 1; index <= maxFiles_; ++index) {
            const std::string name = registry.ReadString(ValueName(index));
            if (name.empty()) break;
            files.push_back(name);
        }
    } catch (const std::exception&) {
        // A value of another type ends the list, as a missing one does.
    }
    return files;
}

void TMostRecentFiles::Save() {
    if (added_.empty() && removed_.empty()) return;
    // Copies that end together merge one after another, each over the list
    // the one before it wrote; interleaved, they would lose each other's names.
    TLockFile lock(LockFolder() + "recent-files.lock");
    TLockGuard guard(lock);
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
    TRegistry registry;
    if (!registry.OpenKey(regPath_, true)) return;
    for (int index = 1; index <= maxFiles_; ++index) {
        const size_t at = static_cast<size_t>(index - 1);
        registry.WriteString(ValueName(index), at < merged.size() ? merged[at] : std::string());
    }
    files_ = std::move(merged);
    added_.clear();
    removed_.clear();
}

}  // namespace kestrune
