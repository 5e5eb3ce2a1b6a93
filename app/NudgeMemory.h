// The overlay nudge memory "mru_list.ini": one line per data file, oldest
// first, at most 500: the file's full name with blanks as "_", the nudge
// offsets x and y, and the pass date-time when known. Read when the program
// starts; at its end what it remembered is added to the file as it is then.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

class TNudgeMemory {
public:
    static constexpr size_t MaxLines = 500;

    // 500 lines of names take some tens of kilobytes: a larger file is no memory of ours.
    static constexpr int64_t MostFileBytes = int64_t{1} << 20;

    // Reads the file; a missing or unreadable one gives an empty memory. One
    // larger than MostFileBytes is set aside; what is no file (a named pipe,
    // a device) is left alone and not saved. Gives what to tell of such a file, or "".
    std::string LoadFromFile(const std::string& fileName);
    // Replaces the file in one step with its lines as they are now and those
    // remembered since the load; failures are reported, never thrown.
    void SaveToFile(const std::string& fileName) const;

    // The first line of the file that text names: its full name, or its
    // name without folder, with or without extension (blanks as "_").
    std::optional<std::string> Find(const std::string& text) const;
    // Replaces the file's line (or appends one), dropping the oldest beyond MaxLines.
    void Remember(const std::string& fileName, int nudgeX, int nudgeY, TDateTime passDateTime);

    const std::vector<std::string>& Lines() const { return lines_; }

private:
    static std::vector<std::string>::const_iterator FindLine(const std::vector<std::string>& lines, const std::string& text);
    // Replaces the line of key in lines (or appends it), dropping the oldest beyond MaxLines.
    static void PutLine(std::vector<std::string>& lines, const std::string& key, const std::string& line);

    std::vector<std::string> lines_;
    std::vector<std::pair<std::string, std::string>> remembered_;  // key and line, as remembered since the load
    std::string leftAlone_;  // the file not to be replaced
};

}  // namespace kestrune
