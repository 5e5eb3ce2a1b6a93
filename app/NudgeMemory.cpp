#include "app/NudgeMemory.h"

#include "app/hh_funcs.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"

#include <algorithm>

namespace kestrune {

std::string TNudgeMemory::LoadFromFile(const std::string& fileName) {
    std::string content;
    const TKeptFile kept = ReadKeptFile(fileName, MostFileBytes, content);
    lines_ = SplitLines(content);
    std::erase(lines_, std::string());
    std::string note;
    if (kept.Kind == TKeptFile::TKind::TooLarge && SetAsideTooLarge(fileName, kept, note)) return note;
    if (kept.Kind == TKeptFile::TKind::Read || kept.Kind == TKeptFile::TKind::Missing) return {};
    leftAlone_ = fileName;
    return note.empty() ? FormatResStr(res::SFileLeftAlone, {kept.Why}) : note;
}

void TNudgeMemory::SaveToFile(const std::string& fileName) const {
    if (fileName == leftAlone_) return;
    std::string content;
    for (const std::string& line : lines_) content += line + "\r\n";
    try {
        WriteFileAtomically(fileName, content);
    } catch (const std::exception& error) {
        ReportQuietError(error.what());
    }
}

namespace {

// A line belongs to a file when its first field, the file's full name,
// names it whole: as the full name, the name without folder, or the name
// without folder and extension ("pass1" is not "pass10").
bool NamesFile(const std::string& line, const std::string& text) {
    const std::string field = line.substr(0, line.find(' '));
    const std::string name = ExtractFileName(field);
    return field == text || name == text || ChangeFileExt(name, "") == text;
}

}  // namespace

std::vector<std::string>::const_iterator TNudgeMemory::FindLine(const std::string& text) const {
    return std::find_if(lines_.begin(), lines_.end(), [&](const std::string& line) { return NamesFile(line, text); });
}

std::optional<std::string> TNudgeMemory::Find(const std::string& text) const {
    const auto found = FindLine(text);
    if (found == lines_.end()) return std::nullopt;
    return *found;
}

void TNudgeMemory::Remember(const std::string& fileName, int nudgeX, int nudgeY, TDateTime passDateTime) {
    if (fileName.empty()) return;
    std::string key = fileName;
    std::replace(key.begin(), key.end(), ' ', '_');
    std::string line = key + " " + std::to_string(nudgeX) + " " + std::to_string(nudgeY);
    if (passDateTime != 0) line += FormatDateTime(" yyyy-mm-dd hh:nn:ss", passDateTime);
    const auto found = FindLine(key);
    if (found != lines_.end()) lines_.erase(found);
    lines_.push_back(line);
    if (lines_.size() > MaxLines) lines_.erase(lines_.begin());
}

}  // namespace kestrune
