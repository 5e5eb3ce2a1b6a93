#include "platform/PartFolder.h"

#include "platform/FileTreeCopy.h"
#include "platform/ProgramStrings.h"
#include "platform/ShellFileOps.h"
#include "platform/ShellNamespace.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace {

std::string NoteOf(const std::string& path) { return path + "/" + PartFolderNote; }

bool WriteWhole(int fd, const std::string& text) {
    return write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// A note longer than two paths is no note of ours.
constexpr size_t LongestNote = 2 * PATH_MAX + 2;

// Line index of the note (0 its source, 1 the file under way); "" when it has none.
std::string ReadNote(int fd, int index = 0) {
    std::string text(LongestNote + 1, '\0');
    const ssize_t got = pread(fd, text.data(), text.size(), 0);
    if (got <= 0 || static_cast<size_t>(got) > LongestNote) return {};
    text.resize(static_cast<size_t>(got));
    size_t start = 0;
    for (int line = 0; line < index && start != std::string::npos; ++line) {
        start = text.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    const size_t end = start == std::string::npos ? start : text.find('\n', start);
    // Only a whole line: one cut short by a kill names nothing.
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

// By its change time, which its writer's last touches (its note gone, its
// times set) move too, and no copy sets back.
// No age asked for is no age at all: a file's times may run a second ahead of time()'s
// coarser clock, which would make one just made younger than nothing.
bool Young(const struct stat& info, int64_t minimumAgeSeconds) {
    return minimumAgeSeconds > 0 && time(nullptr) - info.st_ctime < minimumAgeSeconds;
}

}  // namespace

TPartFolder::TPartFolder(const std::string& path, const std::string& source) : path_(path) {
    if (mkdir(path.c_str(), 0700) != 0) {
        error_ = errno;
        return;
    }
    // Locked before the source is named in it: a sweep reads only a note that holds a name.
    note_ = TFileHandle(open(NoteOf(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!note_.Valid() || flock(note_.Get(), LOCK_EX | LOCK_NB) != 0 || !WriteWhole(note_.Get(), source + "\n"))
        error_ = errno ? errno : EIO;
    sourceLineEnd_ = static_cast<off_t>(source.size() + 1);
}

void TPartFolder::Copying(const std::string& file) const {
    if (error_ != 0) return;
    const std::string below = file.starts_with(path_ + "/") ? file.substr(path_.size() + 1) : file;
    const std::string line = file.empty() ? std::string() : below + "\n";
    // Written before the old line is cut off: a kill between leaves a whole line to read.
    if (!line.empty() && pwrite(note_.Get(), line.data(), line.size(), sourceLineEnd_) != static_cast<ssize_t>(line.size()))
        return;
    (void)!ftruncate(note_.Get(), sourceLineEnd_ + static_cast<off_t>(line.size()));
}

int TPartFolder::Finish() const { return unlink(NoteOf(path_).c_str()) == 0 ? 0 : errno; }

namespace {

std::string NoteLine(const std::string& path, int index) {
    const TFileHandle note(open(NoteOf(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    return note.Valid() ? ReadNote(note.Get(), index) : std::string();
}

}  // namespace

std::string PartFolderSource(const std::string& path) { return NoteLine(path, 0); }

bool SourceHoldsAll(const std::string& source, const std::string& part) {
    int error = 0;
    for (const std::string& item : FolderItems(part, error)) {
        if (item == PartFolderNote) continue;
        struct stat there {}, here {};
        const std::string from = source + "/" + item, copied = part + "/" + item;
        if (source.empty() || lstat(from.c_str(), &there) != 0 || lstat(copied.c_str(), &here) != 0) return false;
        if ((there.st_mode & S_IFMT) != (here.st_mode & S_IFMT)) return false;
        if (S_ISREG(here.st_mode) && here.st_size > there.st_size) return false;
        if (S_ISDIR(here.st_mode) && !SourceHoldsAll(from, copied)) return false;
    }
    return error == 0;
}

TPartFolderState StatePartFolder(const std::string& path, int64_t minimumAgeSeconds) {
    struct stat folder {};
    if (lstat(path.c_str(), &folder) != 0) return TPartFolderState::Filling;
    const TFileHandle note(open(NoteOf(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat noted {};
    const bool hasNote = note.Valid() && fstat(note.Get(), &noted) == 0;
    // Made a moment ago, its note not yet written: its writer is at work.
    if ((!hasNote || noted.st_size == 0) && Young(folder, minimumAgeSeconds)) return TPartFolderState::Filling;
    if (hasNote && flock(note.Get(), LOCK_EX | LOCK_NB) != 0) return TPartFolderState::Filling;
    // Without a source, only a folder that holds nothing can go.
    const std::string source = hasNote ? ReadNote(note.Get()) : std::string();
    return SourceHoldsAll(source, path) ? TPartFolderState::Remakable : TPartFolderState::Kept;
}

std::string KeptPartFolderText(const std::string& path, const std::function<std::string(const std::string&)>& shown) {
    const std::string source = PartFolderSource(path), cut = NoteLine(path, 1);
    const std::string shownSource = source.empty() ? resStr(res::SPartFolderSourceUnknown) : shown(source);
    const std::string bytes = GroupedDigits(MeasureItems({path}).Bytes);
    struct stat cutInfo {};
    if (cut.empty() || lstat((path + "/" + cut).c_str(), &cutInfo) != 0 || !S_ISREG(cutInfo.st_mode))
        return FormatResStr(res::SPartFolderKept, {shown(path), bytes, shownSource});
    return FormatResStr(res::SPartFolderKeptCut, {shown(path), shown(cut), GroupedDigits(static_cast<uint64_t>(cutInfo.st_size)),
                                                  bytes, shownSource});
}

}  // namespace kestrune
