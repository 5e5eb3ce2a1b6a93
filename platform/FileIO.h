// Low-level file helpers shared by the settings store, the initialisation
// files, the product writers and the file streams: owned descriptors, lock
// files, bounded reads and writes that replace a file in one step.
#pragma once

#include "platform/SysUtils.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A file could not be written; the message is "Unable to write to <path>".
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// Owns a POSIX file descriptor (-1 when none) and closes it.
class TFileHandle {
public:
    explicit TFileHandle(int fd = -1) : fd_(fd) {}
    ~TFileHandle();
    TFileHandle(TFileHandle&& other) noexcept : fd_(other.Release()) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Gives up ownership and returns the descriptor.
    int Release();

private:
    int fd_;
};

// An advisory lock over a lock file, shared between threads and processes.
class TLockFile {
public:
    // Opens (creating it and its folder) the lock file; throws Exception on failure.
    explicit TLockFile(const std::string& path);
    // Waits for the exclusive lock.
    void Lock();
    // Takes the exclusive lock only when nobody holds any lock; never waits.
    bool TryLock();
    // Waits for a shared lock (replacing an exclusive one held here).
    void LockShared();
    void Unlock();

private:
    TFileHandle handle_;
};

// Holds a TLockFile's exclusive lock for the guard's life.
class TLockGuard {
public:
    explicit TLockGuard(TLockFile& file) : file_(file) { file_.Lock(); }
    ~TLockGuard() { file_.Unlock(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TLockFile& file_;
};

// A file's lock could not be had (what stands at the lock's name, a folder
// or a disk that takes no lock file, another run holding it past the wait):
// the file is then written by nobody, as one that cannot be written.
class ELockUnavailable : public EWriteError {
public:
    using EWriteError::EWriteError;
};

// The mode a kept file the program makes in folder gets: writable by the
// folder's group where that group may write the folder (a station's shared
// folder), else by its owner only.
mode_t KeptFileModeIn(const std::string& folder);
// Who hears of a wait for a lock besides standard error (the window's status
// line), called on the thread that set it only; nullptr: nobody.
void SetLockWaitListener(std::function<void(const std::string&)> listener);

// The lock every writer of one file waits on, whatever its environment: the
// lock file "<name>.lock" beside the file that path names (through links,
// so that writers through any link meet), never written and never renamed,
// so it stands while the file is replaced; and the file itself, locked for
// writing (made empty when not there yet, and removed again when left
// empty), so that a lock file removed while held loses nothing. Each is
// taken only once its name is found still to lead to it. The lock file is
// opened to those who may write the file (its owner, and its group or
// everyone where they may write it), with the file's group, so that no mere
// reader can hold a writer up (one an older build made readable to more is
// replaced before it is waited for). A thread that holds it already takes
// it again at once, whatever became of the lock file's name. A lock held by
// another is waited for at most waitLimit, told on standard error (and to the
// wait listener) once it lasts five seconds; once a wait of this process has
// run out, later ones for the same lock are not waited. ELockUnavailable when
// no lock can be had; only a file system that keeps no locks at all gives a
// guard that holds none.
class TFileWriteLock {
public:
    static constexpr int DefaultWaitSeconds = 30;
    explicit TFileWriteLock(const std::string& path, std::chrono::milliseconds waitLimit = std::chrono::seconds(DefaultWaitSeconds));
    TFileWriteLock(const TFileWriteLock&) = delete;
    TFileWriteLock& operator=(const TFileWriteLock&) = delete;

    bool Held() const { return held_ != nullptr; }
    // The name of the lock file for path.
    static std::string LockFileFor(const std::string& path);
    // The permissions of the lock file of a file of mode: read and write to whoever may write the file.
    static mode_t LockModeFor(mode_t fileMode);

    struct THeld;

private:
    std::shared_ptr<THeld> held_;  // shared with this thread's other holders
};

// Reads up to count bytes from offset; returns the bytes read (fewer at the end of the file, -1 on error).
int64_t ReadAt(int fd, void* buffer, int64_t count, int64_t offset);
// A file to be read, opened without waiting on what stands there (a named
// pipe or a device opens at once) and examined before a byte is read.
struct TExaminedFile {
    TFileHandle Handle;   // open when the open and the examination succeeded
    struct stat Info {};  // of what Handle opened
    int Error = 0;        // the cause of a failed open or examination (ENOENT: nothing there)
    bool Missing() const { return Error == ENOENT; }
    bool Regular() const { return Handle.Valid() && S_ISREG(Info.st_mode); }
};
TExaminedFile OpenExamined(const std::string& path);
// Whether anything stands at path, a file or what is none, found without
// waiting on it: a reader then tells what is no file, rather than pass it
// over as missing.
bool AnythingAt(const std::string& path);
// What stands where a file should, as a message names it: "a folder", "a named pipe"...
std::string KindOfFile(mode_t mode);

// Reads a whole regular file, never waiting on what stands there; false when
// it cannot be opened or read, or is no regular file. (Files the program
// keeps or reads beside itself are read by ReadKeptFile, within a bound.)
bool ReadFileText(const std::string& path, std::string& content);

// A file the program keeps or reads beside itself and reads whole (the pass
// log, the nudge memory, the satellite parameter files, the station list,
// overlays, pictures, language files...): only a regular file of at
// most a bound is read; anything else is told, naming the file and why.
struct TKeptFile {
    enum class TKind { Missing, Read, NotAFile, TooLarge, Unreadable };
    TKind Kind = TKind::Missing;
    std::string Why;  // for NotAFile, TooLarge and Unreadable
};
TKeptFile ReadKeptFile(const std::string& path, int64_t mostBytes, std::string& content);
// Removes the UTF-8 byte-order mark some editors begin a text file with: it
// is no part of the file's text (a first section, key or line behind it).
void DropByteOrderMark(std::string& text);
// Text to be written whose first bytes are a mark's goes behind one more: the
// reader takes that one for nothing, and a line's own bytes stay whole.
std::string KeepingLeadingMark(std::string text);
// What to tell of a file ReadKeptFile did not read: "" when it was read or
// is not there, else why, and that it is left as it is.
std::string LeftAloneNote(const TKeptFile& kept);
// The same of what stands at path, found without reading it or waiting on it.
std::string LeftAloneNote(const std::string& path, int64_t mostBytes);
// Thrown by readers of a file ReadKeptFile did not read; what() is its LeftAloneNote.
class EFileLeftAlone : public Exception {
public:
    using Exception::Exception;
};
// Renames path (the file a link there names) beside itself as path + mark + the date ("-2" and on when
// that is taken); the name it was kept as, "" when it could not be moved.
std::string KeepAside(const std::string& path, const std::string& mark);
// Sets a kept file far too large aside (mark ".too-large-"); note becomes
// what to tell: why, and the name it was kept as or that it is left alone.
bool SetAsideTooLarge(const std::string& path, const TKeptFile& kept, std::string& note);
// Writes a temporary file beside path, syncs it and renames it into place; throws EWriteError.
// Without mode the file keeps the permissions of the one it replaces (0644 when new).
void WriteFileAtomically(const std::string& path, std::string_view content, std::optional<uint32_t> mode = {});

// WriteFileAtomically piece by piece, for products written line by line:
// (a symbolic link at path is written through: the file it names is
// replaced, its temporary beside that file, its mode kept, and the link
// stays; a link that cannot be followed, or names what is no file or where
// nothing can be written, is left and told)
// nothing shows at path until Commit; an uncommitted file is removed.
// The file being written has no name in the folder, so a run killed while
// writing leaves nothing behind; where the file system cannot do that, it is
// named path + TemporaryMark + six characters, and the next writer into the
// folder removes such files that nobody is writing any more.
// Write and Commit throw EWriteError.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(std::string path);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // The permissions the file gets; without, those of the file it replaces, or 0644.
    void SetMode(uint32_t mode) { mode_ = static_cast<int64_t>(mode & 07777); }
    void Write(std::string_view bytes);
    // The pieces one after the other, written from where they lie.
    void Write(std::span<const std::string_view> pieces);
    void Commit();

private:
    void OpenNamed();
    [[noreturn]] void Fail();
    std::string UnableToWrite() const;
    void Written(int64_t bytes);
    std::string LinkUnnamedFile();

    static constexpr int64_t FlushChunk = 1 << 20;
    static constexpr int64_t LargeFile = 1 << 16;

    std::string path_;
    std::string target_;     // path_, or the file a link there names
    std::string temporary_;  // empty while the file has no name
    TFileHandle file_;
    int64_t mode_ = -1;
    int64_t written_ = 0;
    int64_t flushed_ = 0;
    bool committed_ = false;
};

// What a temporary file of TAtomicFileWriter has between the name it is for
// and its six random characters.
inline constexpr std::string_view TemporaryMark = ".kestrune-part-";
// A name of that shape for a temporary file or folder of path (not yet taken, most likely).
std::string TemporaryNameFor(const std::string& path);
// Removes this user's temporary files in folder (with its trailing "/") that
// no writer holds; an empty one (which may be only just made, not yet held)
// only once it has not changed for minimumAgeSeconds. A part folder a killed
// copy left goes when its source can make it again; one that cannot stays,
// and is added to kept. Gives how many it removed.
int RemoveStaleTemporaries(const std::string& folder, int64_t minimumAgeSeconds,
                           std::vector<std::string>* kept = nullptr);
// RemoveStaleTemporaries as every writer into a folder runs it: what killed
// writers left there goes, what a living writer holds stays.
int SweepStaleTemporaries(const std::string& folder, std::vector<std::string>* kept = nullptr);

}  // namespace kestrune
