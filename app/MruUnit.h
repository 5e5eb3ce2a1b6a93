// The recent-file list: the names of the most recently opened data files,
// newest first, kept in the program's key as "MRU1".."MRU<MaxFiles>". The
// list is read when its key is set and written when the list is freed.
// (The menu entries that show it belong to the window.)
#pragma once

#include <string>
#include <vector>

namespace kestrune {

class TMostRecentFiles {
public:
    // maxFiles is kept within 1..8; regPath is the key ("\Software\Morvane\kestrune").
    TMostRecentFiles(int maxFiles, std::string regPath);
    // Writes the list; a failed write is reported, never thrown.
    ~TMostRecentFiles();
    TMostRecentFiles(const TMostRecentFiles&) = delete;
    TMostRecentFiles& operator=(const TMostRecentFiles&) = delete;

    // Puts the name first (moved when listed already; paths compare exactly),
    // dropping what falls beyond MaxFiles.
    void AddFile(const std::string& fileName);
    // Removes an entry whose file no longer exists.
    void RemoveFile(const std::string& fileName);

    const std::vector<std::string>& Files() const { return files_; }
    int MaxFiles() const { return maxFiles_; }

    // Reads "MRU1".. up to the first missing or empty value.
    void Load();
    // Writes every value, empty strings after the last name.
    void Save() const;

private:
    int maxFiles_;
    std::string regPath_;
    std::vector<std::string> files_;
};

}  // namespace kestrune
