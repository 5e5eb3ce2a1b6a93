#include "app/NudgeMemory.h"

#include "app/hh_funcs.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <utility>

namespace kestrune {

namespace {

// The lines of the memory in text, empty ones left out.
std::vector<std::string> MemoryLines(std::string text) {
    DropByteOrderMark(text);
    std::vector<std::string> lines = SplitLines(text);
    std::erase(lines, std::string());
    return lines;
}

}  // namespace

std::string TNudgeMemory::LoadFromFile(const std::string& fileName) {
    std::string content;
    const TKeptFile kept = ReadKeptFile(fileName, MostFileBytes, content);
    lines_ = MemoryLines(content);
    remembered_.clear();
    std::string note;
    if (kept.Kind == TKeptFile::TKind::TooLarge && SetAsideTooLarge(fileName, kept, note)) return note;
    if (kept.Kind == TKeptFile::TKind::Read || kept.Kind == TKeptFile::TKind::Missing) return {};
    leftAlone_ = fileName;
    return note.empty() ? FormatResStr(res::SFileLeftAlone, {kept.Why}) : note;
}

void TNudgeMemory::SaveToFile(const std::string& fileName) const {
    if (fileName == leftAlone_) return;
    try {
        // Runs that end together each add what they remembered to the file as
        // the one before left it, rather than put back what they first read.
        const TFileWriteLock lock(fileName);
        std::string now;
        std::vector<std::string> lines = lines_;
        if (ReadKeptFile(fileName, MostFileBytes, now).Kind == TKeptFile::TKind::Read) lines = MemoryLines(now);
        for (const auto& [key, line] : remembered_) PutLine(lines, key, line);
        std::string content;
        for (const std::string& line : lines) content += line + "\r\n";
        WriteFileAtomically(fileName, KeepingLeadingMark(std::move(content)));
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

std::vector<std::string>::const_iterator TNudgeMemory::FindLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return NamesFile(line, text); });
}

void TNudgeMemory::PutLine(std::vector<std::string>& lines, const std::string& key, const std::string& line) {
    const auto found = FindLine(lines, key);
    if (found != lines.end()) lines.erase(found);
    lines.push_back(line);
    if (lines.size() > MaxLines) lines.erase(lines.begin());
}

std::optional<std::string> TNudgeMemory::Find(const std::string& text) const {
    const auto found = FindLine(lines_, text);
    if (found == lines_.end()) return std::nullopt;
    return *found;
}

void TNudgeMemory::Remember(const std::string& fileName, int nudgeX, int nudgeY, TDateTime passDateTime) {
    if (fileName.empty()) return;
    std::string key = fileName;
    std::replace(key.begin(), key.end(), ' ', '_');
    std::string line = key + " " + std::to_string(nudgeX) + " " + std::to_string(nudgeY);
    if (passDateTime != 0) line += FormatDateTime(" yyyy-mm-dd hh:nn:ss", passDateTime);
    PutLine(lines_, key, line);
    remembered_.emplace_back(key, line);
}

}  // namespace kestrune
