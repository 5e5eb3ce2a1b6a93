// The satellite catalogue: every element set found in one folder of
// element-set files, one TSatellite per satellite, kept sorted by name
// (without regard to case), searchable by catalogue number, with notes read
// from the folder's notes files.
#pragma once

#include "orbit/Satellite.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrune {

class TSatelliteList {
public:
    // Reads the folder's "*.2li", "*.tle" and "*.txt" files, then its notes
    // files. An empty folder name gives an empty catalogue.
    explicit TSatelliteList(const std::string& directory);
    TSatelliteList(const TSatelliteList&) = delete;
    TSatelliteList& operator=(const TSatelliteList&) = delete;

    std::string Directory;  // with a trailing "/"

    int Count() const { return static_cast<int>(entries_.size()); }
    // Name of entry index.
    const std::string& Strings(int index) const;
    TSatellite* GetSatellite(int index) const;
    // Entry holding the name (compared without case); -1 when none.
    int IndexOf(const std::string& name) const;
    // Entry whose catalogue number is the upper-cased 5-character key; any
    // other length, or an unknown number, gives -1.
    int IndexOfSatellite(const std::string& key) const;

    void Clear();
    // Adds the file's element sets; nothing is removed.
    void LoadFromFile(const std::string& fileName);
    void ReadTLEFile(const std::string& fileName);
    // Validates one record and enters it, keeping the later epoch of one
    // catalogue number; the entry now catalogued for it, or nullptr when the
    // record is invalid.
    TSatellite* AddFromLines(const std::string& fileName, const std::string& name,
                             const std::string& line1, const std::string& line2);
    // Applies a notes file of the folder (name without folder).
    void ReadNotesFile(const std::string& fileName);

private:
    struct TEntry {
        std::string Name;
        std::unique_ptr<TSatellite> Satellite;
    };

    // Position at which the name is held or would be inserted.
    size_t LowerBound(const std::string& name) const;
    TSatellite* Insert(const std::string& name, std::unique_ptr<TSatellite> satellite);
    void Remove(int index);
    TSatellite* SetSatelliteDefaults(const std::string& fileName, const std::string& name,
                                     std::unique_ptr<TSatellite> satellite);
    void ApplyNotesLine(const std::string& line);

    std::vector<TEntry> entries_;
    std::unordered_map<std::string, std::string> nameByCatalogNumber_;
};

}  // namespace kestrune
