#include "platform/FileIO.h"

#include "platform/PartFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/StandardError.h"
#include "platform/SystemErrors.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrune {

namespace {

// flock that retries when a signal interrupts the wait.
int FlockRetrying(int fd, int operation) {
    int result = 0;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// WriteAll of pieces in as few calls as the system allows.
bool WriteAllPieces(int fd, std::span<const std::string_view> pieces) {
    constexpr size_t MostPieces = 1024;  // IOV_MAX of Linux
    std::vector<iovec> vectors;
    vectors.reserve(std::min(pieces.size(), MostPieces));
    while (!pieces.empty()) {
        vectors.clear();
        for (size_t i = 0; i < pieces.size() && vectors.size() < MostPieces; ++i)
            vectors.push_back({const_cast<char*>(pieces[i].data()), pieces[i].size()});
        const ssize_t written = writev(fd, vectors.data(), static_cast<int>(vectors.size()));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        // Past the pieces written whole; the rest of a piece cut short goes piece by piece.
        auto left = static_cast<size_t>(written);
        while (!pieces.empty() && left >= pieces.front().size()) {
            left -= pieces.front().size();
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            if (!WriteAll(fd, pieces.front().substr(left))) return false;
            pieces = pieces.subspan(1);
        } else if (written == 0 && !pieces.empty() && !vectors.empty() && vectors.front().iov_len > 0) {
            return false;
        }
    }
    return true;
}

// Freeing a replaced product takes milliseconds (its pages, and its blocks discarded on a disk that
// asks for it): a thread of its own does it while the run goes on (or, if no thread can be had, the caller).
void CloseAside(TFileHandle file) {
    try {
        std::thread([handle = std::move(file)]() mutable { handle = TFileHandle(); }).detach();
    } catch (const std::system_error&) {
    }
}

// Starts writing ranges of files to disk on a thread of its own: asked for by the writing thread, the
// start waits whenever the disk's queue is full, about 0.1 s of a station run's products.
class TEarlyWriteback {
public:
    static TEarlyWriteback& Instance() {
        static TEarlyWriteback writeback;
        return writeback;
    }

    // The file stays open (a copy of its handle) until its range is started.
    void Start(int fd, int64_t offset, int64_t length) {
        TFileHandle copy(fcntl(fd, F_DUPFD_CLOEXEC, 0));
        if (!copy.Valid()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!thread_.joinable()) {
                try {
                    thread_ = std::thread([this] { Run(); });
                } catch (const std::system_error&) {
                    return;  // the sync at commit does it all
                }
            }
            pending_.push_back({std::move(copy), offset, length});
        }
        wake_.notify_one();
    }

    ~TEarlyWriteback() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

private:
    struct TRange {
        TFileHandle File;
        int64_t Offset;
        int64_t Length;
    };

    TEarlyWriteback() = default;

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (stopping_) return;
            const TRange range = std::move(pending_.front());
            pending_.pop_front();
            lock.unlock();
            sync_file_range(range.File.Get(), range.Offset, range.Length, SYNC_FILE_RANGE_WRITE);  // a hint
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TRange> pending_;
    std::thread thread_;
    bool stopping_ = false;
};

// Gives a new file the owner and group of the one it replaces where this
// user may: the super-user both, an owner the group when he is one of it.
void KeepOwners(int fd, const struct stat& replaced) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || (info.st_uid == replaced.st_uid && info.st_gid == replaced.st_gid)) return;
    if (fchown(fd, replaced.st_uid, replaced.st_gid) != 0) fchown(fd, static_cast<uid_t>(-1), replaced.st_gid);
}

// Files a killed run left this long ago are no longer being made.
constexpr int64_t StaleTemporarySeconds = 10;

std::string FolderOf(const std::string& path) {
    const std::string folder = ExtractFilePath(path);
    return folder.empty() ? "./" : folder;
}

// Each folder written into is swept for stale temporary files once a run;
// a folder a copy cut short left that its source cannot make again is told.
void SweepFolderOnce(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(folder).second) return;
    }
    std::vector<std::string> kept;
    SweepStaleTemporaries(folder, &kept);
    for (const std::string& path : kept)
        TellOnStandardError(KeptPartFolderText(path, [](const std::string& name) { return ShownFileNameText(name); }));
}

// The file a symbolic link at path names, followed link by link (path itself
// when it is no link), whether or not that file is there yet; "" with errno
// set when the links cannot be followed (a loop, an unreadable link).
std::string FileLinkedTo(const std::string& path) {
    constexpr int MostLinks = 40;  // as the system follows them
    std::string current = path;
    for (int link = 0; link < MostLinks; ++link) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::string target(static_cast<size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length < 0) return {};
        target.resize(static_cast<size_t>(length));
        current = !target.empty() && target[0] == '/' ? target : ExtractFilePath(current) + target;
    }
    errno = ELOOP;
    return {};
}

// An unnamed file is named through its descriptor's entry in /proc.
bool UnnamedFilesLinkable() {
    static const bool linkable = access("/proc/self/fd", X_OK) == 0;
    return linkable;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path) {
    static constexpr std::string_view Characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, Characters.size() - 1);
    std::string name = path + std::string(TemporaryMark);
    for (int k = 0; k < 6; ++k) name += Characters[pick(random)];
    return name;
}

TFileHandle::~TFileHandle() {
    if (fd_ >= 0) close(fd_);
}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

int TFileHandle::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

namespace {

// Opens a lock file, made with mode when missing (never through a link, never
// waiting on what stands there); read-only where this user may not write it,
// as a local lock needs no more. -1 with errno set when it cannot be opened.
int OpenLockFile(const std::string& path, mode_t mode) {
    constexpr int Flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | Flags, 0600);
    if (fd >= 0) {
        fchmod(fd, mode);  // as asked, whatever the umask
        return fd;
    }
    if (errno != EEXIST) return -1;
    fd = open(path.c_str(), O_RDWR | Flags);
    if (fd < 0 && errno == EACCES) fd = open(path.c_str(), O_RDONLY | Flags);
    return fd;
}

[[noreturn]] void ThrowLockFileFailure(const std::string& path, const std::string& why) {
    throw ELockUnavailable("Could not open lock file " + path + ": " + why);
}

// A lock file that opened is a file, or what stands there is told.
void CheckLockFile(const std::string& path, int fd, struct stat& info) {
    if (fstat(fd, &info) != 0) ThrowLockFileFailure(path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) ThrowLockFileFailure(path, KindOfFile(info.st_mode));
}

// Why a lock could not be taken, when it means that this file system keeps
// no locks at all (NFS mounted "nolock" without local locks): nobody's lock
// holds there, so writers go without.
bool NoLocksKept(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS; }

using TLockFileId = std::pair<dev_t, ino_t>;
TLockFileId IdOf(const struct stat& info) { return {info.st_dev, info.st_ino}; }

// Whether the name still leads to the file opened as info (a lock file's
// name is never followed, as it was never opened through a link).
bool StillNamed(const std::string& path, const struct stat& info, bool followLinks) {
    struct stat now {};
    const int result = followLinks ? stat(path.c_str(), &now) : lstat(path.c_str(), &now);
    return result == 0 && IdOf(now) == IdOf(info);
}

// The lock files this thread holds, by their file (whatever name led to it):
// the last of its holders to go lets the lock go, whatever their order.
std::map<TLockFileId, std::weak_ptr<TFileWriteLock::THeld>>& LocksOfThisThread() {
    thread_local std::map<TLockFileId, std::weak_ptr<TFileWriteLock::THeld>> locks;
    return locks;
}

// Locks whose wait ran out in this process, with what was told: a run waits
// for each once, and its later writers give up at once, telling the same.
std::string WaitRanOut(const std::string& lockPath, const std::string& told = {}) {
    static std::mutex mutex;
    static std::map<std::string, std::string> ranOut;
    const std::lock_guard lock(mutex);
    if (!told.empty()) ranOut.try_emplace(lockPath, told);
    const auto found = ranOut.find(lockPath);
    return found == ranOut.end() ? std::string() : found->second;
}

// Who hears of a wait besides standard error, and on which thread.
struct TLockWaitListener {
    std::mutex Mutex;
    std::function<void(const std::string&)> Listener;
    std::thread::id Thread;

    static TLockWaitListener& Instance() {
        static TLockWaitListener listener;
        return listener;
    }
    void Tell(const std::string& text) {
        std::function<void(const std::string&)> listener;
        {
            const std::lock_guard lock(Mutex);
            if (Thread == std::this_thread::get_id()) listener = Listener;
        }
        if (listener) listener(text);
    }
};

// One writer's wait for a lock that another holds: pauses between tries,
// told once it lasts (once, whether the lock file or the file itself is
// waited for), ended by ELockUnavailable once it has lasted its limit.
class TLockWait {
public:
    TLockWait(std::string lockPath, std::string path, std::chrono::milliseconds limit)
        : lockPath_(std::move(lockPath)), path_(std::move(path)),
          ranOut_(WaitRanOut(lockPath_)), limit_(ranOut_.empty() ? limit : std::chrono::milliseconds(0)) {}

    // heldFile: the file itself is what another run holds, not its lock file.
    void PauseOrGiveUp(bool heldFile = false) {
        const auto waited = std::chrono::steady_clock::now() - start_;
        const std::string held = heldFile ? "file " + ShownFileNameText(path_)
                                          : "lock " + ShownFileNameText(lockPath_) + " of " + ShownFileNameText(path_);
        if (waited >= limit_) {
            if (!ranOut_.empty()) throw ELockUnavailable(ranOut_);
            throw ELockUnavailable(WaitRanOut(lockPath_, "The " + held + " is held by another run: waited " + Seconds(limit_) + " s for it"));
        }
        if (!told_ && waited >= TellAfter) {
            const std::string text = "waiting for the " + held + ", which another run holds (at most " + Seconds(limit_) + " s)";
            TellOnStandardError(text);
            TLockWaitListener::Instance().Tell(text);
            told_ = true;
        }
        std::this_thread::sleep_for(pause_);
        pause_ = std::min(pause_ * 2, LongestPause);
    }

private:
    static std::string Seconds(std::chrono::milliseconds span) { return std::to_string((span.count() + 999) / 1000); }

    static constexpr std::chrono::seconds TellAfter{5};
    static constexpr std::chrono::milliseconds LongestPause{50};
    std::string lockPath_;
    std::string path_;
    std::string ranOut_;  // what a wait of this process for this lock that ran out told
    std::chrono::milliseconds limit_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::milliseconds pause_{1};
    bool told_ = false;
};

// Takes a lock without waiting: 0 when taken, else errno (EWOULDBLOCK: another holds it).
int TakeLockFile(int fd) { return FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno; }

// Locks a whole file for writing without waiting: 0 when locked, else errno
// (EWOULDBLOCK: a writer holds it). Only a writer can hold such a lock, and
// only a writer is waited for: a reader's lock (which anyone who may read
// the file can take) is passed by, giving EPERM, the lock file guarding alone.
int LockForWriting(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int result = 0;
    do {
        result = fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return 0;
    if (errno != EACCES && errno != EAGAIN) return errno;
    struct flock holder {};
    holder.l_type = F_WRLCK;
    holder.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_GETLK, &holder) == 0 && holder.l_type == F_RDLCK) return EPERM;
    return EWOULDBLOCK;
}

// Why the lock file at path, of file (as the name given led to it), cannot be
// opened (errno error), as it is told: a folder that is not there as for the file.
[[noreturn]] void ThrowUnopenedLock(const std::string& path, const std::string& file, const std::string& named, int error) {
    if (error == ENOENT)
        throw ELockUnavailable((file == named ? FormatResStr(res::SUnableToWrite, {ShownFileNameText(file)})
                                              : FormatResStr(res::SUnableToWriteLinked, {ShownFileNameText(file), ShownFileNameText(named)})) +
                               ": " + ErrnoText(error));
    struct stat info {};
    const bool link = error == ELOOP && lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    throw ELockUnavailable("Could not open lock file " + ShownFileNameText(path) + ": " +
                           (link ? std::string("it is a symbolic link") : std::string(std::strerror(error))));
}

// Gives a lock file this user may change the mode and group the file's writers
// need; the super-user gives it the file's owner too, so that a lock a root job
// made never keeps the file's own owner out.
void FitLockFile(int fd, const struct stat& lock, const struct stat& file, mode_t mode) {
    const bool superUser = geteuid() == 0;
    if (lock.st_uid != geteuid() && !superUser) return;
    const bool reown = superUser && lock.st_uid != file.st_uid;
    const bool regroup = lock.st_gid != file.st_gid;
    if (reown || regroup) fchown(fd, reown ? file.st_uid : static_cast<uid_t>(-1), file.st_gid);
    if (reown || regroup || (lock.st_mode & 07777) != mode) fchmod(fd, mode);
}

}  // namespace

TLockFile::TLockFile(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(ExtractFilePath(path), error);
    handle_ = TFileHandle(OpenLockFile(path, 0600));
    if (!handle_.Valid()) ThrowLockFileFailure(path, std::strerror(errno));
    struct stat info {};
    CheckLockFile(path, handle_.Get(), info);
}

void TLockFile::Lock() {
    if (FlockRetrying(handle_.Get(), LOCK_EX) != 0) throw Exception(std::string("Could not lock: ") + std::strerror(errno));
}

bool TLockFile::TryLock() { return FlockRetrying(handle_.Get(), LOCK_EX | LOCK_NB) == 0; }

void TLockFile::LockShared() {
    if (FlockRetrying(handle_.Get(), LOCK_SH) != 0) throw Exception(std::string("Could not lock: ") + std::strerror(errno));
}

void TLockFile::Unlock() { FlockRetrying(handle_.Get(), LOCK_UN); }

// The lock files this thread holds, by the name of the lock file: taken again
// at once whatever became of that name (removed, or replaced by another run's).
std::map<std::string, std::weak_ptr<TFileWriteLock::THeld>>& LocksOfThisThreadByName() {
    thread_local std::map<std::string, std::weak_ptr<TFileWriteLock::THeld>> locks;
    return locks;
}

// What a holder keeps: the lock file, and the file itself as each name of it met while held was.
struct TFileWriteLock::THeld {
    explicit THeld(TFileHandle lockFile) : LockFile(std::move(lockFile)) {}
    THeld(const THeld&) = delete;
    THeld& operator=(const THeld&) = delete;
    // A file made only to be locked, and left empty, goes again: nothing was written.
    ~THeld() {
        struct stat info {};
        if (!made_.empty() && lstat(made_.c_str(), &info) == 0 && IdOf(info) == madeId_ && info.st_size == 0)
            unlink(made_.c_str());
    }
    TFileHandle LockFile;
    std::map<TLockFileId, TFileHandle> Files;

    // Locks for writing the file the name now leads to, if this writer may open it so. A
    // file not there yet is made (empty) to be locked: a lock file removed while held then
    // still leaves the file guarded, from its first line.
    void LockFileItself(const std::string& file, TLockWait& wait) {
        for (;;) {
            struct stat info {};
            if (stat(file.c_str(), &info) != 0) {
                if (errno != ENOENT || !MakeEmpty(file)) return;
                continue;
            }
            if (!S_ISREG(info.st_mode) || Files.count(IdOf(info)) > 0) return;
            TFileHandle opened(open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
            if (!opened.Valid() || fstat(opened.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
            const int error = LockForWriting(opened.Get());
            if (error == EWOULDBLOCK) {
                wait.PauseOrGiveUp(true);
                continue;
            }
            if (error != 0) return;  // no locks here: the lock file alone guards it
            // Replaced while waited for: the file now there is the one to lock.
            if (StillNamed(file, info, true)) Files.emplace(IdOf(info), std::move(opened));
        }
    }

private:
    // False when it cannot be made here (the writer then fails as it would have); true also
    // when another run made it first.
    bool MakeEmpty(const std::string& file) {
        const TFileHandle made(open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!made.Valid()) return errno == EEXIST;
        struct stat info {};
        fstat(made.Get(), &info);
        fchmod(made.Get(), KeptFileModeIn(FolderOf(file)));  // as asked, whatever the umask
        made_ = file;
        madeId_ = IdOf(info);
        return true;
    }

    std::string made_;
    TLockFileId madeId_{};
};

mode_t KeptFileModeIn(const std::string& folder) {
    struct stat info {};
    const bool groupWrites = stat(folder.c_str(), &info) == 0 && (info.st_mode & S_IWGRP) != 0;
    return groupWrites ? 0664 : 0644;
}

void SetLockWaitListener(std::function<void(const std::string&)> listener) {
    TLockWaitListener& waits = TLockWaitListener::Instance();
    const std::lock_guard lock(waits.Mutex);
    waits.Listener = std::move(listener);
    waits.Thread = std::this_thread::get_id();
}

std::string TFileWriteLock::LockFileFor(const std::string& path) {
    const std::string linked = FileLinkedTo(path);
    return (linked.empty() ? path : linked) + ".lock";
}

mode_t TFileWriteLock::LockModeFor(mode_t fileMode) {
    const mode_t writers = fileMode & 0222;
    return writers | (writers << 1) | 0600;
}

namespace {

// A lock file that lets read it some who may not write the file (as an older
// build made them) is replaced by one of the mode asked for, by its owner or
// the super-user, before anybody's lock on it is waited for: a mere reader
// holding it then holds nobody up. Whoever writes holds the file itself too.
bool ReplaceTooOpenLock(const std::string& lockPath, const struct stat& lock, const struct stat* file, mode_t mode) {
    if ((lock.st_mode & 0777 & ~mode) == 0 || (lock.st_uid != geteuid() && geteuid() != 0)) return false;
    const std::string fresh = TemporaryNameFor(lockPath);
    const TFileHandle made(open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!made.Valid()) return false;
    if (file) fchown(made.Get(), static_cast<uid_t>(-1), file->st_gid);
    fchmod(made.Get(), mode);
    if (rename(fresh.c_str(), lockPath.c_str()) == 0) return true;
    unlink(fresh.c_str());
    return false;
}

}  // namespace

TFileWriteLock::TFileWriteLock(const std::string& path, std::chrono::milliseconds waitLimit) {
    const std::string lockPath = LockFileFor(path);
    const std::string file = lockPath.substr(0, lockPath.size() - 5);
    TLockWait wait(lockPath, path, waitLimit);
    std::weak_ptr<THeld>& byName = LocksOfThisThreadByName()[lockPath];
    if ((held_ = byName.lock())) {  // this thread holds it already, whatever its name leads to now
        held_->LockFileItself(file, wait);
        return;
    }
    // The file's own folder is made as the file would need it; a link's target's never (it may be a
    // shared disk not mounted now).
    std::error_code ignored;
    if (file == path) std::filesystem::create_directories(ExtractFilePath(lockPath), ignored);
    for (;;) {
        struct stat fileInfo {};
        const bool exists = stat(file.c_str(), &fileInfo) == 0;
        const mode_t mode = LockModeFor(exists ? fileInfo.st_mode : KeptFileModeIn(FolderOf(file)));
        TFileHandle opened(OpenLockFile(lockPath, mode));
        if (!opened.Valid()) ThrowUnopenedLock(lockPath, file, path, errno);
        struct stat info {};
        CheckLockFile(lockPath, opened.Get(), info);
        std::weak_ptr<THeld>& taken = LocksOfThisThread()[IdOf(info)];
        if ((held_ = taken.lock())) {  // this thread holds it already, through another name
            held_->LockFileItself(file, wait);
            byName = held_;
            return;
        }
        const int error = TakeLockFile(opened.Get());
        if (error == EWOULDBLOCK) {
            if (!ReplaceTooOpenLock(lockPath, info, exists ? &fileInfo : nullptr, mode)) wait.PauseOrGiveUp();
            continue;
        }
        if (error != 0 && NoLocksKept(error)) return;
        if (error != 0) throw ELockUnavailable("Could not lock " + ShownFileNameText(lockPath) + ": " + std::strerror(error));
        // Removed or replaced since it was opened: the lock must be the one the name leads to.
        if (!StillNamed(lockPath, info, false)) continue;
        if (exists) FitLockFile(opened.Get(), info, fileInfo, mode);
        auto held = std::make_shared<THeld>(std::move(opened));
        held->LockFileItself(file, wait);
        held_ = std::move(held);
        taken = held_;
        byName = held_;
        return;
    }
}

int64_t ReadAt(int fd, void* buffer, int64_t count, int64_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, bytes + done, static_cast<size_t>(count - done), offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

TExaminedFile OpenExamined(const std::string& path) {
    TExaminedFile file;
    file.Handle = TFileHandle(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.Handle.Valid() || fstat(file.Handle.Get(), &file.Info) != 0) {
        file.Error = errno;
        file.Handle = TFileHandle();
    }
    return file;
}

bool AnythingAt(const std::string& path) { return !OpenExamined(path).Missing(); }

std::string KindOfFile(mode_t mode) {
    if (S_ISDIR(mode)) return resStr(res::SStoreKindFolder);
    if (S_ISFIFO(mode)) return resStr(res::SStoreKindPipe);
    if (S_ISSOCK(mode)) return resStr(res::SStoreKindSocket);
    if (S_ISCHR(mode) || S_ISBLK(mode)) return resStr(res::SStoreKindDevice);
    return resStr(res::SStoreKindOther);
}

namespace {

// Reads an open file to its end, whatever its size now; gives the bytes it
// holds, -1 on a read error, or, once it holds more than mostBytes, how many
// were met by then (more than mostBytes, and content is left partial).
int64_t ReadToEnd(int fd, int64_t mostBytes, std::string& content) {
    content.clear();
    char chunk[65536];
    for (int64_t offset = 0;;) {
        const int64_t got = ReadAt(fd, chunk, sizeof chunk, offset);
        if (got < 0) return -1;
        if (offset + got > mostBytes) return offset + got;
        content.append(chunk, static_cast<size_t>(got));
        offset += got;
        if (got < static_cast<int64_t>(sizeof chunk)) return offset;
    }
}

}  // namespace

bool ReadFileText(const std::string& path, std::string& content) {
    const TExaminedFile file = OpenExamined(path);
    if (!file.Regular()) return false;
    return ReadToEnd(file.Handle.Get(), std::numeric_limits<int64_t>::max(), content) >= 0;
}

namespace {

TKeptFile TooLarge(const std::string& path, int64_t bytes, int64_t mostBytes) {
    return {TKeptFile::TKind::TooLarge,
            FormatResStr(res::SFileTooLarge, {ShownFileNameText(path), std::to_string(bytes), std::to_string(mostBytes)})};
}

// What ReadKeptFile finds before reading: Read when the file may be read.
TKeptFile Examine(const TExaminedFile& file, const std::string& path, int64_t mostBytes) {
    using TKind = TKeptFile::TKind;
    if (file.Missing()) return {};
    // A socket cannot be opened at all (ENXIO): it is told as what it is, as a pipe is.
    struct stat info {};
    if (!file.Handle.Valid() && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return {TKind::NotAFile, FormatResStr(res::SFileIsKind, {ShownFileNameText(path), KindOfFile(info.st_mode)})};
    if (!file.Handle.Valid()) return {TKind::Unreadable, FormatResStr(res::SFileCannotOpen, {ShownFileNameText(path), ErrnoText(file.Error)})};
    if (!file.Regular()) return {TKind::NotAFile, FormatResStr(res::SFileIsKind, {ShownFileNameText(path), KindOfFile(file.Info.st_mode)})};
    if (file.Info.st_size > mostBytes) return TooLarge(path, file.Info.st_size, mostBytes);
    return {TKind::Read, {}};
}

}  // namespace

TKeptFile ReadKeptFile(const std::string& path, int64_t mostBytes, std::string& content) {
    using TKind = TKeptFile::TKind;
    content.clear();
    const TExaminedFile file = OpenExamined(path);
    const TKeptFile found = Examine(file, path, mostBytes);
    if (found.Kind != TKind::Read) return found;
    content.reserve(static_cast<size_t>(file.Info.st_size));
    const int64_t held = ReadToEnd(file.Handle.Get(), mostBytes, content);
    if (held >= 0 && held <= mostBytes) return {TKind::Read, {}};
    const int cause = errno;
    // Grown past its bound while read (or a file that tells no size): what
    // was read of it is no file, and must not be taken for one.
    content.clear();
    struct stat now {};
    if (held > mostBytes)
        return TooLarge(path, fstat(file.Handle.Get(), &now) == 0 ? std::max<int64_t>(held, now.st_size) : held, mostBytes);
    return {TKind::Unreadable, FormatResStr(res::SFileCannotOpen, {ShownFileNameText(path), ErrnoText(cause)})};
}

namespace {
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
}  // namespace

void DropByteOrderMark(std::string& text) {
    if (text.starts_with(ByteOrderMark)) text.erase(0, ByteOrderMark.size());
}

std::string KeepingLeadingMark(std::string text) {
    if (text.starts_with(ByteOrderMark)) text.insert(0, ByteOrderMark);
    return text;
}

std::string LeftAloneNote(const TKeptFile& kept) {
    if (kept.Kind == TKeptFile::TKind::Read || kept.Kind == TKeptFile::TKind::Missing) return {};
    return FormatResStr(res::SFileLeftAlone, {kept.Why});
}

std::string LeftAloneNote(const std::string& path, int64_t mostBytes) {
    return LeftAloneNote(Examine(OpenExamined(path), path, mostBytes));
}

std::string KeepAside(const std::string& path, const std::string& mark) {
    // Behind a link the file it names goes aside: the link stays, for the new one.
    const std::string file = FileLinkedTo(path);
    if (file.empty()) return {};
    const std::string stem = file + mark + FormatDateTime("yyyy-mm-dd-hhnnss", NowUtc());
    std::string kept = stem;
    for (int k = 2; access(kept.c_str(), F_OK) == 0; ++k) kept = stem + "-" + std::to_string(k);
    return std::rename(file.c_str(), kept.c_str()) == 0 ? kept : std::string();
}

bool SetAsideTooLarge(const std::string& path, const TKeptFile& kept, std::string& note) {
    const std::string keptAs = KeepAside(path, ".too-large-");
    note = keptAs.empty() ? FormatResStr(res::SFileNotKeptAside, {kept.Why, ErrnoText(errno)})
                          : FormatResStr(res::SFileKeptAside, {kept.Why, ShownFileNameText(keptAs)});
    return !keptAs.empty();
}

void WriteFileAtomically(const std::string& path, std::string_view content, std::optional<uint32_t> mode) {
    TAtomicFileWriter writer(path);
    if (mode) writer.SetMode(*mode);
    writer.Write(content);
    writer.Commit();
}

TAtomicFileWriter::TAtomicFileWriter(std::string path) : path_(std::move(path)), target_(FileLinkedTo(path_)) {
    // Through a symbolic link the file it names is replaced, its temporary
    // beside it, and the link stays.
    if (target_.empty()) Fail();
    const std::string folder = FolderOf(target_);
    SweepFolderOnce(folder);
    if (UnnamedFilesLinkable()) file_ = TFileHandle(open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!file_.Valid()) OpenNamed();
    // Held while the file is open: no sweeper in another run takes it for stale.
    FlockRetrying(file_.Get(), LOCK_EX | LOCK_NB);
}

TAtomicFileWriter::~TAtomicFileWriter() {
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

void TAtomicFileWriter::OpenNamed() {
    temporary_ = target_ + std::string(TemporaryMark) + "XXXXXX";
    file_ = TFileHandle(mkostemp(temporary_.data(), O_CLOEXEC));
    if (!file_.Valid()) {
        temporary_.clear();
        Fail();
    }
}

// The unnamed file gets a temporary name to be renamed over the target.
std::string TAtomicFileWriter::LinkUnnamedFile() {
    const std::string self = "/proc/self/fd/" + std::to_string(file_.Get());
    constexpr int Attempts = 100;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        std::string name = TemporaryNameFor(target_);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        if (errno != EEXIST) break;
    }
    Fail();
}

std::string TAtomicFileWriter::UnableToWrite() const {
    return target_.empty() || target_ == path_ ? FormatResStr(res::SUnableToWrite, {ShownFileNameText(path_)})
                                               : FormatResStr(res::SUnableToWriteLinked, {ShownFileNameText(target_), ShownFileNameText(path_)});
}

void TAtomicFileWriter::Fail() {
    const int cause = errno;
    throw EWriteError(UnableToWrite() + (cause != 0 ? ": " + ErrnoText(cause) : ""));
}

void TAtomicFileWriter::Write(std::string_view bytes) {
    if (!WriteAll(file_.Get(), bytes)) Fail();
    Written(static_cast<int64_t>(bytes.size()));
}

void TAtomicFileWriter::Write(std::span<const std::string_view> pieces) {
    if (!WriteAllPieces(file_.Get(), pieces)) Fail();
    int64_t bytes = 0;
    for (const std::string_view piece : pieces) bytes += static_cast<int64_t>(piece.size());
    Written(bytes);
}

void TAtomicFileWriter::Written(int64_t bytes) {
    written_ += bytes;
    // Start writing to disk what is complete while the rest is made, so Commit's sync has little left
    // to wait for (about 0.2 s of a station run's products otherwise).
    if (written_ - flushed_ >= FlushChunk) {
        TEarlyWriteback::Instance().Start(file_.Get(), flushed_, written_ - flushed_);
        flushed_ = written_;
    }
}

void TAtomicFileWriter::Commit() {
    struct stat previous {};
    const bool replacing = stat(target_.c_str(), &previous) == 0;
    // What is no file (a named pipe, a device, a link to one) is left as it stands.
    if (replacing && !S_ISREG(previous.st_mode))
        throw EWriteError(UnableToWrite() + ": " + FormatResStr(res::SNotReplaced, {KindOfFile(previous.st_mode)}));
    // Keep the permissions of the file being replaced (the temporary file is made 0600).
    const auto mode = static_cast<mode_t>(mode_ >= 0 ? mode_ : replacing ? previous.st_mode & 07777 : 0644);
    // Held open over the rename, the replaced file is freed when this handle closes, not in the rename.
    TFileHandle replaced(replacing && S_ISREG(previous.st_mode) && previous.st_size >= LargeFile
                             ? open(target_.c_str(), O_RDONLY | O_CLOEXEC)
                             : -1);
    // And its owner and group, as far as this writer may give them (a group's shared list stays the group's).
    if (replacing) KeepOwners(file_.Get(), previous);
    if (fsync(file_.Get()) != 0 || fchmod(file_.Get(), mode) != 0) Fail();
    if (temporary_.empty()) temporary_ = LinkUnnamedFile();
    if (rename(temporary_.c_str(), target_.c_str()) != 0) Fail();
    committed_ = true;
    if (replaced.Valid()) CloseAside(std::move(replaced));
}

int SweepStaleTemporaries(const std::string& folder, std::vector<std::string>* kept) {
    return RemoveStaleTemporaries(folder, StaleTemporarySeconds, kept);
}

int RemoveStaleTemporaries(const std::string& folder, int64_t minimumAgeSeconds, std::vector<std::string>* kept) {
    constexpr size_t SuffixLength = 6;
    std::error_code error;
    int removed = 0;
    const time_t now = time(nullptr);
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const size_t mark = name.rfind(TemporaryMark);
        if (mark == std::string::npos || mark == 0 || name.size() != mark + TemporaryMark.size() + SuffixLength) continue;
        const std::string path = entry.path().string();
        const TFileHandle file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat info {};
        if (!file.Valid() || fstat(file.Get(), &info) != 0 || info.st_uid != getuid()) continue;
        if (S_ISDIR(info.st_mode)) {
            const TPartFolderState state = StatePartFolder(path, minimumAgeSeconds);
            std::error_code ignored;
            if (state == TPartFolderState::Remakable && std::filesystem::remove_all(path, ignored) > 0) ++removed;
            if (state == TPartFolderState::Kept && kept) kept->push_back(path);
            continue;
        }
        if (!S_ISREG(info.st_mode)) continue;
        // A writer holds its file locked from before its first byte: one unlocked that holds bytes
        // has no writer any more. Only an empty one may be just made and not yet locked.
        // (No age asked for is none: a file's times may run ahead of time()'s coarser clock.)
        const bool young = info.st_size == 0 && minimumAgeSeconds > 0 && now - info.st_mtime < minimumAgeSeconds;
        if (young || FlockRetrying(file.Get(), LOCK_EX | LOCK_NB) != 0) continue;
        if (unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace kestrune
