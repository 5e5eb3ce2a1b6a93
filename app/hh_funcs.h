// The debug log "HHDebug.txt": on when a file "debug.debug" stands beside the
// program or a parameter "/debug" or "-debug" is given. It starts with a
// header of system facts; every later line carries a time stamp, except lines
// beginning with "!" (written without the "!"), and a line of "-" or "="
// alone becomes an 80-character rule. Also the help-name helper shared with
// the help hook, and the one place quiet errors are reported.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class TDLogFile {
public:
    // Deletes an old log of that name; when enabled, writes the header.
    TDLogFile(std::string fileName, bool enabled, const std::vector<std::string>& params);
    TDLogFile(const TDLogFile&) = delete;
    TDLogFile& operator=(const TDLogFile&) = delete;

    // Appends one line (opened and closed each time, so a crash loses
    // nothing). A log that cannot be written is reported on standard error,
    // once; the run goes on.
    void Write(const std::string& text) const;

    const std::string& FileName() const { return fileName_; }
    bool Enabled;
    bool TimeStamp = true;

private:
    void WriteHeader(const std::vector<std::string>& params) const;

    std::string fileName_;
    mutable bool failureReported_ = false;
};

// The user's locale as the environment names it ("fr_FR.UTF-8"), "C" when none.
std::string UserLocaleName();

// True when a parameter equals "/debug" or "-debug" (case ignored).
bool DebugSwitchGiven(const std::vector<std::string>& params);
// Decides the debug mode from the marker file and params (the program's
// parameters without the program name) and makes the log, beside the program
// when that folder is writable, else in the user's data folder.
void InitDebugMode(const std::vector<std::string>& params);
bool DebugMode();
// The log made by InitDebugMode; a disabled one before that.
TDLogFile& DebugLog();

// Writes a line when the log is enabled.
void DebugOut(const std::string& text);
// Shows the text in a message box (exclamation icon) and writes it to the
// log when the log is enabled.
void DebugOutAndShow(const std::string& text);
// A failure nobody is asked about (a setting that could not be written):
// standard error and the debug log.
void ReportQuietError(const std::string& text);

// The help name of a file, a topic and a window: "%20" becomes a blank and
// each part is trimmed; a topic uses "/" and starts with one, joined by "::";
// a window follows ">"; prefix 1 puts "mk:@MSITStore:" in front, 2 "ms-its:".
std::string HHFormatName(const std::string& chmFile, const std::string& topic, const std::string& winName, int prefix);

}  // namespace kestrune
