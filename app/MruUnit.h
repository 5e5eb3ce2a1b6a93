// The recent-file list: the names of the most recently opened data files,
// newest first, kept in the program's key as "MRU1".."MRU<MaxFiles>", or,
// without a key, in an ini file's section "MRU List" as "1".."<MaxFiles>".
// The list is read when it is made; when it is freed, what this process
// added and removed is merged into the list stored by then, so that another
// running copy's entries are kept. (The menu entries belong to the window.)
#pragma once

#include "platform/IniFiles.h"

#include <string>
#include <vector>

namespace kestrune {

class TMostRecentFiles {
public:
    // maxFiles is kept within 1..8; regPath is the key ("\Software\Morvane\kestrune"); with
    // none the list lives in the ini file named by IniFileName(iniFile).
    TMostRecentFiles(int maxFiles, std::string regPath, std::string iniFile = "");
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
    // Merges this process's additions and removals into the stored list
    // and writes every value, empty strings after the last name; nothing
    // when this process changed nothing.
    void Save();

    // The ini file written: iniFile itself when it names a folder, else a
    // program file of that name, with no name the program's name with ".ini".
    static std::string IniFileName(const std::string& iniFile);

private:
    std::vector<std::string> StoredFiles() const;
    void Store(const std::vector<std::string>& files) const;
    TIniFile OpenIniFile() const;
    void Erase(const std::string& fileName);

    int maxFiles_;
    std::string regPath_;
    std::string iniFile_;
    std::vector<std::string> files_;
    // The names this process added and removed.
    std::vector<std::string> added_;
    std::vector<std::string> removed_;
};

}  // namespace kestrune
