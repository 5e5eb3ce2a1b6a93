// The pass log "processed.lst" beside the program: one line a processed
// pass, sorted without case, each line once.
#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

inline constexpr const char* ProcessedListName = "processed.lst";

// Where a line of "processed.lst" went.
struct TProcessedLineWrite {
    std::string Path;
    // Why it is not where the program's files go first ("" when it is there).
    std::string BesideFailure;
    // A list far larger than any pass log, set aside before the line was added ("" when none).
    std::string SetAside;
};

// A station's lifetime of pass log is a few megabytes: a larger list is no log of ours.
constexpr int64_t MostProcessedListBytes = int64_t{32} << 20;

// Adds one line to "processed.lst", which stays sorted (case ignored) and
// holds every line once; the file is replaced in one step. Where the
// program's folder cannot take it (a full disk), the list goes to the user's
// data folder; the lines of both lists are kept. A list larger than
// MostProcessedListBytes, as read or as it would be written (CR LF line
// ends), is set aside and a new one begun, so that no run writes a list the
// next refuses; what stands in its place that is no file (a named pipe, a
// device, a socket) or cannot be read is left alone, as a folder that cannot
// take the list is. EWriteError when it can be written nowhere.
TProcessedLineWrite AddProcessedLine(const std::string& line);

}  // namespace kestrune
