// Initialisation files: "[Section]" lines followed by "key=value" lines.
// Section and key names compare without case; lines end in CR LF, LF or CR on
// reading and LF on writing; numbers are written and read with ".". Every
// write replaces the file in one step, so a crash never leaves half a file.
#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

class TIniFile {
public:
    // Reads the file when it exists (a missing file is an empty one); writes go to writeFileName
    // when given (a program file read from one folder and written to another), else to fileName.
    explicit TIniFile(const std::string& fileName, std::string writeFileName = "");

    // No initialisation file comes near this: a larger one is not read, and
    // is set aside when the file is next written.
    static constexpr int64_t MostFileBytes = int64_t{4} << 20;

    // The file that writes go to.
    const std::string& FileName() const { return fileName_; }
    // What to tell of a file that was not read (no file, far too large) and
    // what became of it; "" when it was read or missing.
    const std::string& Note() const { return note_; }

    // The trimmed value, or fallback when the section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
    // fallback also when the value is not a whole number.
    int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
    // fallback also when the value is not a number.
    double ReadFloat(const std::string& section, const std::string& key, double fallback) const;

    // Each write stores the file at once; raises EWriteError "Unable to write to <file>" when it cannot.
    // Line breaks in a value are stored as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Up to 15 significant digits (0.0568f is written 0.0568000003695488).
    void WriteFloat(const std::string& section, const std::string& key, double value);

    bool ValueExists(const std::string& section, const std::string& key) const;

private:
    struct TLine {
        std::string key;    // empty for a comment or other line kept as it was
        std::string value;  // the text of a kept line
    };
    struct TSection {
        std::string name;
        std::vector<TLine> lines;
    };

    void Parse(const std::string& text);
    std::string Text() const;
    const TSection* FindSection(const std::string& name) const;
    TSection* FindSection(const std::string& name);
    const TLine* FindKey(const std::string& section, const std::string& key) const;
    TLine* FindKey(const std::string& section, const std::string& key);

    void SetAsideWhenWritten();

    std::string fileName_;
    std::string note_;
    TKeptFile tooLarge_;  // the file read, when it is to be set aside before it is written
    std::vector<TSection> sections_;  // lines before the first "[...]" sit in a section named ""
};

}  // namespace kestrune
