#include "decoding/ProcessedList.h"

#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrune {

namespace {

constexpr std::string_view LineEnd = "\r\n";

bool CaseBlindLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

bool CaseBlindEqual(std::string_view a, std::string_view b) { return !CaseBlindLess(a, b) && !CaseBlindLess(b, a); }

// The lines of a list as they lie in its text (CR LF, LF or CR ends), empty ones left out.
void AddLinesOf(std::string_view text, std::vector<std::string_view>& lines) {
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + (text.substr(end, 2) == LineEnd ? 2 : 1);
    }
}

// The lines sorted without case, each once (of lines equal but for case the
// first stays), with line added. A list as written is sorted already, so a
// station's years of log are looked over once, not sorted again.
void SortWithLine(std::vector<std::string_view>& lines, std::string_view line) {
    if (!std::is_sorted(lines.begin(), lines.end(), CaseBlindLess)) std::stable_sort(lines.begin(), lines.end(), CaseBlindLess);
    lines.insert(std::upper_bound(lines.begin(), lines.end(), line, CaseBlindLess), line);
    lines.erase(std::unique(lines.begin(), lines.end(), CaseBlindEqual), lines.end());
}

int64_t WrittenSize(const std::vector<std::string_view>& lines) {
    int64_t size = 0;
    for (const std::string_view line : lines) size += static_cast<int64_t>(line.size() + LineEnd.size());
    return size;
}

std::string ListText(const std::vector<std::string_view>& lines) {
    std::string text;
    text.reserve(static_cast<size_t>(WrittenSize(lines)));
    for (const std::string_view line : lines) text.append(line).append(LineEnd);
    return text;
}

// The lists one line's addition works with: those read, and the permissions
// of those set aside, which the lists begun in their place keep.
struct TListsRead {
    std::vector<std::string> Paths;
    std::vector<std::string> Contents;
    std::map<std::string, uint32_t> KeptModes;

    void KeepModeOf(const std::string& list) {
        struct stat info {};
        if (stat(list.c_str(), &info) == 0) KeptModes[list] = info.st_mode & 07777;
    }
    std::optional<uint32_t> ModeFor(const std::string& list) const {
        const auto kept = KeptModes.find(list);
        return kept == KeptModes.end() ? std::nullopt : std::optional<uint32_t>(kept->second);
    }
};

// A list that would grow past its bound as written goes aside whole, as one
// that is read past it does: the next run would refuse it.
void SetAsideGrown(const std::string& list, int64_t size, TListsRead& lists, std::string& note) {
    const std::string why = FormatResStr(res::SProcessedListWouldGrow,
                                         {list, std::to_string(size), std::to_string(MostProcessedListBytes)});
    lists.KeepModeOf(list);
    const std::string keptAs = KeepAside(list, ".too-large-");
    const std::string told = keptAs.empty() ? FormatResStr(res::SFileNotKeptAside, {why, std::strerror(errno)})
                                            : FormatResStr(res::SFileKeptAside, {why, keptAs});
    note += (note.empty() ? "" : "; ") + told;
    if (keptAs.empty()) throw EWriteError(note);
}

// The text list is written with: the lines of every list read and the new
// one. Where together they would pass the bound, list takes only its own
// lines and the new one, the other list staying as it stands; only a list
// that would pass the bound by itself goes aside.
std::string TextFor(const std::string& list, const std::string& line, TListsRead& lists, std::string& note) {
    std::vector<std::string_view> lines;
    for (const std::string& content : lists.Contents) AddLinesOf(content, lines);
    SortWithLine(lines, line);
    if (WrittenSize(lines) <= MostProcessedListBytes) return ListText(lines);
    lines.clear();
    const auto own = std::find(lists.Paths.begin(), lists.Paths.end(), list);
    if (own != lists.Paths.end()) AddLinesOf(lists.Contents[static_cast<size_t>(own - lists.Paths.begin())], lines);
    SortWithLine(lines, line);
    if (const int64_t size = WrittenSize(lines); size > MostProcessedListBytes) {
        SetAsideGrown(list, size, lists, note);
        lines.assign(1, line);
    }
    return ListText(lines);
}

void WriteList(const std::string& list, const std::string& line, TListsRead& lists, std::string& note) {
    const std::string text = TextFor(list, line, lists, note);  // which may set list aside, keeping its mode
    WriteFileAtomically(list, KeepingLeadingMark(text), lists.ModeFor(list));
}

// The lists a line's addition reads: the one beside the program, and the
// user's when one is there. One whose lock is not held here is read but
// never set aside. A list beside the program that is no list, or cannot be
// read, refuses the line (besideRefused); the user's throws.
TListsRead ReadLists(const std::vector<std::string>& lists, const std::string& beside, bool mayMove,
                     std::string& besideRefused, std::string& setAside) {
    TListsRead read;
    for (const std::string& list : lists) {
        std::string content;
        const TKeptFile kept = ReadKeptFile(list, MostProcessedListBytes, content);
        // What is no list, or cannot be read, is not replaced by a list of one line:
        // in the program's folder it is left as the folder refusing the list is.
        if (kept.Kind == TKeptFile::TKind::NotAFile || kept.Kind == TKeptFile::TKind::Unreadable) {
            const std::string refused = FormatResStr(res::SFileLeftAlone, {kept.Why});
            if (list != beside) throw EWriteError(refused);
            besideRefused = refused;
            continue;
        }
        if (kept.Kind == TKeptFile::TKind::TooLarge && (mayMove || list != beside)) {
            read.KeepModeOf(list);
            if (!SetAsideTooLarge(list, kept, setAside)) throw EWriteError(setAside);
        }
        if (kept.Kind != TKeptFile::TKind::Read) continue;
        DropByteOrderMark(content);
        read.Paths.push_back(list);
        read.Contents.push_back(std::move(content));
    }
    return read;
}

}  // namespace

TProcessedLineWrite AddProcessedLine(const std::string& line) {
    // Every writer of a list waits at the list's own lock, in any environment:
    // the one beside the program, and the user's where that one cannot be had
    // or the user's list is read too. A list whose lock cannot be had is one
    // that cannot be written: never written without it.
    const std::string beside = ProgramFolder() + ProcessedListName;
    // A list that once had to go to the user's folder stays there beside the program's own.
    const std::string readable = ReadableProgramFile(ProcessedListName);
    const std::vector<std::string> lists = readable == beside ? std::vector{beside} : std::vector{beside, readable};
    TProcessedLineWrite written{beside, {}, {}};
    // Both lists' locks together are waited for no longer than one's.
    const auto start = std::chrono::steady_clock::now();
    const auto waitLeft = [start] {
        const auto left = std::chrono::seconds(TFileWriteLock::DefaultWaitSeconds) - (std::chrono::steady_clock::now() - start);
        return std::max(std::chrono::milliseconds(0), std::chrono::duration_cast<std::chrono::milliseconds>(left));
    };
    std::optional<TFileWriteLock> besideLock;
    std::optional<TFileWriteLock> userLock;
    try {
        // A list this user may not write is told as one that refuses the line.
        if (WritableProgramFile(ProcessedListName) != beside)
            throw EWriteError(FormatResStr(res::SUnableToWrite, {beside}) + ": " + std::strerror(EACCES));
        besideLock.emplace(beside);
        if (readable != beside) userLock.emplace(readable, waitLeft());
        std::string refused;
        TListsRead read = ReadLists(lists, beside, true, refused, written.SetAside);
        if (!refused.empty()) throw EWriteError(refused);
        WriteList(beside, line, read, written.SetAside);
        return written;
    } catch (const EWriteError& error) {
        written.BesideFailure = error.what();
    }
    written.Path = UserDataFolder() + ProcessedListName;  // made only when it takes the line
    try {
        if (!userLock) userLock.emplace(written.Path, waitLeft());
        std::string refused;
        TListsRead read = ReadLists(lists, beside, besideLock && besideLock->Held(), refused, written.SetAside);
        WriteList(written.Path, line, read, written.SetAside);
    } catch (const EWriteError& error) {
        throw EWriteError(FormatResStr(res::SProcessedListNorIn, {written.BesideFailure, written.Path, error.what()}));
    }
    return written;
}

}  // namespace kestrune
