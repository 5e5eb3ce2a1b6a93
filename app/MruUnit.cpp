#include "app/MruUnit.h"

#include "app/hh_funcs.h"
#include "platform/Registry.h"

#include <algorithm>

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
    RemoveFile(fileName);
    files_.insert(files_.begin(), fileName);
    if (files_.size() > static_cast<size_t>(maxFiles_)) files_.resize(static_cast<size_t>(maxFiles_));
}

void TMostRecentFiles::RemoveFile(const std::string& fileName) {
    const auto found = std::find(files_.begin(), files_.end(), fileName);
    if (found != files_.end()) files_.erase(found);
}

void TMostRecentFiles::Load() {
    files_.clear();
    try {
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(regPath_)) return;
        for (int index = 1; index <= maxFiles_; ++index) {
            const std::string name = registry.ReadString(ValueName(index));
            if (name.empty()) break;
            files_.push_back(name);
        }
    } catch (const std::exception&) {
        // A value of another type ends the list, as a missing one does.
    }
}

void TMostRecentFiles::Save() const {
    TRegistry registry;
    if (!registry.OpenKey(regPath_, true)) return;
    for (int index = 1; index <= maxFiles_; ++index) {
        const size_t at = static_cast<size_t>(index - 1);
        registry.WriteString(ValueName(index), at < files_.size() ? files_[at] : std::string());
    }
}

}  // namespace kestrune
