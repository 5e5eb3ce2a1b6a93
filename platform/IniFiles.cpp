#include "platform/IniFiles.h"

#include <algorithm>
#include <utility>

namespace kestrune {

TIniFile::TIniFile(const std::string& fileName, std::string writeFileName)
    : fileName_(writeFileName.empty() ? fileName : std::move(writeFileName)) {
    std::string text;
    const TKeptFile kept = ReadKeptFile(fileName, MostFileBytes, text);
    DropByteOrderMark(text);
    if (kept.Kind == TKeptFile::TKind::Read) Parse(text);
    else note_ = kept.Why;
    if (kept.Kind == TKeptFile::TKind::TooLarge && fileName_ == fileName) tooLarge_ = kept;
}

// Not replaced unread: a file far too large is kept beside itself first.
void TIniFile::SetAsideWhenWritten() {
    if (tooLarge_.Kind != TKeptFile::TKind::TooLarge) return;
    const bool setAside = SetAsideTooLarge(fileName_, tooLarge_, note_);
    tooLarge_ = {};
    if (!setAside) throw EWriteError(note_);
}

void TIniFile::Parse(const std::string& text) {
    sections_.push_back({"", {}});
    size_t current = 0;
    for (const std::string& rawLine : SplitLines(text)) {
        const std::string line = Trim(rawLine);
        if (line.empty()) continue;
        const size_t close = line.find(']');
        if (line[0] == '[' && close != std::string::npos) {
            // A section named twice is one section.
            const std::string name = Trim(line.substr(1, close - 1));
            const TSection* existing = FindSection(name);
            if (!existing) sections_.push_back({name, {}});
            current = existing ? static_cast<size_t>(existing - sections_.data()) : sections_.size() - 1;
            continue;
        }
        const size_t equals = line[0] == ';' ? std::string::npos : line.find('=');
        const std::string key = Trim(line.substr(0, equals));
        if (equals != std::string::npos && !key.empty())
            sections_[current].lines.push_back({key, Trim(line.substr(equals + 1))});
        else
            sections_[current].lines.push_back({"", line});  // kept as it stands
    }
}

// Lines end in CR LF, as in every text file the program writes.
std::string TIniFile::Text() const {
    std::string text;
    for (const TSection& section : sections_) {
        if (!section.name.empty()) text += (text.empty() ? "[" : "\r\n[") + section.name + "]\r\n";
        for (const TLine& line : section.lines) text += (line.key.empty() ? "" : line.key + "=") + line.value + "\r\n";
    }
    return text;
}

const TIniFile::TSection* TIniFile::FindSection(const std::string& name) const {
    const auto at = std::find_if(sections_.begin(), sections_.end(),
                                 [&](const TSection& section) { return SameText(section.name, name); });
    return at == sections_.end() ? nullptr : &*at;
}

const TIniFile::TLine* TIniFile::FindKey(const std::string& section, const std::string& key) const {
    const TSection* found = FindSection(section);
    if (!found || key.empty()) return nullptr;
    const auto at = std::find_if(found->lines.begin(), found->lines.end(),
                                 [&](const TLine& line) { return SameText(line.key, key); });
    return at == found->lines.end() ? nullptr : &*at;
}

TIniFile::TSection* TIniFile::FindSection(const std::string& name) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

TIniFile::TLine* TIniFile::FindKey(const std::string& section, const std::string& key) {
    return const_cast<TLine*>(std::as_const(*this).FindKey(section, key));
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    const TLine* line = FindKey(section, key);
    return line ? line->value : fallback;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
    const TLine* line = FindKey(section, key);
    return line ? StrToIntDef(line->value, fallback) : fallback;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double fallback) const {
    const TLine* line = FindKey(section, key);
    return line ? StrToFloatDef(line->value, fallback) : fallback;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::string stored = value;  // a line break would start a line of its own
    std::replace_if(stored.begin(), stored.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    if (TLine* existing = FindKey(section, key)) {
        if (existing->value == stored) return;
        existing->value = stored;
    } else {
        TSection* found = FindSection(section);
        if (!found) found = &sections_.emplace_back(TSection{section, {}});
        found->lines.push_back({key, stored});
    }
    SetAsideWhenWritten();
    WriteFileAtomically(fileName_, KeepingLeadingMark(Text()));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    WriteString(section, key, Format("%.15g", value));
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return FindKey(section, key) != nullptr;
}

}  // namespace kestrune
