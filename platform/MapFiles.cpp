#include "platform/MapFiles.h"

#include "platform/ProgramStrings.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <new>

namespace kestrune {

namespace {

// Size of an anonymous stream opened without a size (the old allocation granularity).
constexpr int64_t AnonymousDefaultSize = 65536;

int DispositionFlags(uint8_t createMode) {
    switch (createMode) {
        case TMapStream::cmCreateNew: return O_CREAT | O_EXCL;
        case TMapStream::cmCreateAlways: return O_CREAT | O_TRUNC;
        case TMapStream::cmOpenAlways: return O_CREAT;
        case TMapStream::cmTruncateExisting: return O_TRUNC;
        default: return 0;
    }
}

void AdviseAccess(int fd, uint8_t accessHint) {
    if (accessHint == 1) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if (accessHint == 2) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

// What stands in for the named mapping and its mutex are locks on the mapped
// file itself, so that every stream of the file meets them, whatever its
// environment and through any link: open file description locks, which the
// threads of a process hold apart as processes do, and which NFS carries to
// the server. One byte each: the open mark, shared while a stream has the file
// open, and the writers' mutex.
constexpr off_t OpenMarkByte = 0;
constexpr off_t MutexByte = 1;

// Locks (F_RDLCK, F_WRLCK) or unlocks (F_UNLCK) one byte of an open file;
// false with errno set when it cannot, or (without wait) when another holds it.
bool LockByte(int fd, short type, off_t byte, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    int result = 0;
    do {
        result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

int64_t FileSizeOf(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

// Read-only streams map their file. When another process cuts the file
// short, touching a page past its new end raises SIGBUS; the guard puts
// zero pages over the rest of that mapping and the read goes on, so a pass
// still being written or rewritten by a receiving station reads short
// (as zeros) instead of ending the program.
// A range the guard has patched is remembered: its zeros were never in the
// file, and whoever reads the mapping must be able to tell.
struct TWatchedRange {
    std::atomic<uintptr_t> Begin{0};
    std::atomic<uintptr_t> End{0};
    std::atomic<bool> Patched{false};
};

class TTruncationGuard {
public:
    static void Watch(const void* begin, size_t length) {
        const std::lock_guard lock(Mutex());
        InstallHandler();
        for (TWatchedRange& range : ranges_) {
            uintptr_t expected = 0;
            if (range.Begin.compare_exchange_strong(expected, reinterpret_cast<uintptr_t>(begin))) {
                range.Patched.store(false);
                range.End.store(reinterpret_cast<uintptr_t>(begin) + length);
                return;
            }
        }
        throw EMemoryMappedFile("Too many files mapped at once");
    }

    static void Unwatch(const void* begin) {
        const std::lock_guard lock(Mutex());
        for (TWatchedRange& range : ranges_) {
            if (range.Begin.load() != reinterpret_cast<uintptr_t>(begin)) continue;
            range.End.store(0);
            range.Begin.store(0);
        }
    }

    static bool Patched(const void* begin) {
        const std::lock_guard lock(Mutex());
        for (const TWatchedRange& range : ranges_)
            if (range.Begin.load() == reinterpret_cast<uintptr_t>(begin)) return range.Patched.load();
        return false;
    }

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }

    static void InstallHandler() {
        if (installed_) return;
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous_);
        installed_ = true;
    }

    // Only system calls here: the handler may interrupt anything.
    static void OnBusError(int signalNumber, siginfo_t* info, void* context) {
        const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
        const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        const bool fault = info->si_code > 0;  // raised by the kernel, not sent by a process
        for (TWatchedRange& range : ranges_) {
            if (!fault) break;
            const uintptr_t begin = range.Begin.load();
            const uintptr_t end = range.End.load();
            if (begin == 0 || address < begin || address >= end) continue;
            const uintptr_t from = address & ~(page - 1);
            range.Patched.store(true);
            if (mmap(reinterpret_cast<void*>(from), end - from, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                     0) != MAP_FAILED)
                return;
        }
        Chain(signalNumber, info, context);
    }

    // Not ours: what would have happened without the guard.
    static void Chain(int signalNumber, siginfo_t* info, void* context) {
        if ((previous_.sa_flags & SA_SIGINFO) != 0 && previous_.sa_sigaction != nullptr) {
            previous_.sa_sigaction(signalNumber, info, context);
        } else if (previous_.sa_handler != SIG_DFL && previous_.sa_handler != SIG_IGN) {
            previous_.sa_handler(signalNumber);
        } else {
            signal(SIGBUS, SIG_DFL);
            raise(SIGBUS);
        }
    }

    static inline std::array<TWatchedRange, 32> ranges_{};
    static inline struct sigaction previous_ {};
    static inline bool installed_ = false;
};

}  // namespace

TMapStream::TMapStream(std::string fileName) : fileName_(std::move(fileName)) {
    MapName = fileName_.empty() ? std::string("Map") : ExtractFileName(fileName_);
}

TMapStream::~TMapStream() {
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; the memory is released either way.
    }
}

void TMapStream::SetActive(bool value) {
    if (value == active_) return;
    if (value) Open();
    else Close();
}

void TMapStream::Open(int64_t newSize) {
    Close();
    existed_ = false;
    try {
        if (fileName_.empty()) OpenAnonymous(newSize);
        else if (ReadOnly) OpenReadOnlyMapping();
        else OpenWritableMapping(newSize);
    } catch (const EMemoryMappedFile&) {
        ReleaseMemory();
        throw;
    }
    position_ = 0;
    active_ = true;
}

// Mapped, not copied: the guard keeps a file that is cut short meanwhile from faulting us.
void TMapStream::OpenReadOnlyMapping() {
    // A named pipe or a device in its place is told as what it is, never waited on.
    const TExaminedFile examined = OpenExamined(fileName_);
    if (examined.Handle.Valid() && !examined.Regular())
        throw EMemoryMappedFile(FormatResStr(res::SPassIsKind, {fileName_, KindOfFile(examined.Info.st_mode)}));
    const TFileHandle& file = examined.Handle;
    if (!file.Valid()) throw EMemoryMappedFile(Format("Could not open file %s", fileName_.c_str()));
    AdviseAccess(file.Get(), AccessHint);
    const int64_t fileSize = FileSizeOf(file.Get());
    if (fileSize <= 0) {
        OpenAnonymous(DefaultSize());  // zeros, as an empty file reads
        return;
    }
    void* view = mmap(nullptr, static_cast<size_t>(fileSize), PROT_READ, MAP_PRIVATE, file.Get(), 0);
    if (view == MAP_FAILED) throw EMemoryMappedFile("Could not create map view");
    try {
        TTruncationGuard::Watch(view, static_cast<size_t>(fileSize));
    } catch (...) {
        munmap(view, static_cast<size_t>(fileSize));
        throw;
    }
    memory_ = static_cast<uint8_t*>(view);
    mapped_ = true;
    watched_ = true;
    size_ = fileSize;
    watchedFile_ = std::make_unique<TFileHandle>(fcntl(file.Get(), F_DUPFD_CLOEXEC, 0));
}

bool TMapStream::CutShort() const {
    if (!watched_) return false;
    const int64_t fileSize = watchedFile_ && watchedFile_->Valid() ? FileSizeOf(watchedFile_->Get()) : -1;
    return TTruncationGuard::Patched(memory_) || fileSize < size_;
}

void TMapStream::OpenWritableMapping(int64_t newSize) {
    const int flags = O_RDWR | O_CLOEXEC | (newSize > 0 ? 0 : DispositionFlags(CreateMode));
    auto file = std::make_unique<TFileHandle>(open(fileName_.c_str(), flags & ~O_TRUNC, 0644));
    if (!file->Valid()) throw EMemoryMappedFile(Format("Could not open file %s", fileName_.c_str()));
    // Another stream has the file open when the open mark cannot be had alone.
    existed_ = !LockByte(file->Get(), F_WRLCK, OpenMarkByte, false) && (errno == EAGAIN || errno == EACCES);
    LockByte(file->Get(), F_RDLCK, OpenMarkByte, true);
    // Emptying a file that another stream has mapped would fault that stream, so it is refused.
    if ((flags & O_TRUNC) != 0 && (existed_ || ftruncate(file->Get(), 0) != 0))
        throw EMemoryMappedFile(Format("Could not open file %s", fileName_.c_str()));
    AdviseAccess(file->Get(), AccessHint);
    const int64_t fileSize = FileSizeOf(file->Get());
    int64_t size = fileSize;
    if (newSize > 0 && existed_) {
        if (WarnOnResize)
            TDialogService::Instance().ShowMessage(
                Format("Memory map %s is open in another process - cannot resize", MapName.c_str()),
                "Warning: attempt to resize open memory map", TMsgDlgType::mtWarning);
    } else if (newSize > 0) {
        size = newSize;
    }
    if (size <= 0) size = DefaultSize();
    // Like the file mapping it replaces, the mapping's size is the file's size.
    if (size != fileSize && ftruncate(file->Get(), size) != 0) throw EMemoryMappedFile("Couldn't create map");
    void* view = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, file->Get(), 0);
    if (view == MAP_FAILED) throw EMemoryMappedFile("Could not create map view");
    memory_ = static_cast<uint8_t*>(view);
    mapped_ = true;
    size_ = size;
    lockedFile_ = std::move(file);
}

void TMapStream::OpenAnonymous(int64_t newSize) {
    const int64_t size = newSize > 0 ? newSize : AnonymousDefaultSize;
    const int protection = ReadOnly ? PROT_READ : PROT_READ | PROT_WRITE;
    void* view = mmap(nullptr, static_cast<size_t>(size), protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (view == MAP_FAILED) throw EMemoryMappedFile("Could not create map view");
    memory_ = static_cast<uint8_t*>(view);
    mapped_ = true;
    size_ = size;
}

void TMapStream::Close() {
    if (!active_) return;
    if (!ReadOnly) Flush();
    if (watched_) TTruncationGuard::Unwatch(memory_);
    const bool unmapped = !mapped_ || munmap(memory_, static_cast<size_t>(size_)) == 0;
    ReleaseMemory();
    if (!unmapped) throw EMemoryMappedFile("Couldn't close map handle");
}

void TMapStream::ReleaseMemory() {
    lockedFile_.reset();
    watchedFile_.reset();
    mutexOwned_ = false;
    mapped_ = false;
    watched_ = false;
    memory_ = nullptr;
    position_ = 0;
    size_ = 0;
    active_ = false;
}

void TMapStream::Flush() {
    if (!active_ || !mapped_ || ReadOnly) return;
    LockMutex();
    msync(memory_, static_cast<size_t>(size_), MS_SYNC);
    UnlockMutex();
}

void TMapStream::LockMutex() {
    if (lockedFile_) LockByte(lockedFile_->Get(), F_WRLCK, MutexByte, true);
}

void TMapStream::UnlockMutex() {
    if (lockedFile_) LockByte(lockedFile_->Get(), F_UNLCK, MutexByte, false);
}

void TMapStream::RaiseEndOfFile() const { throw EMMEndOfFile("Cannot read beyond end of file"); }

int64_t TMapStream::Read(void* buffer, int64_t count) {
    if (count < 1) return 0;
    if (count > size_ - position_) RaiseEndOfFile();
    std::memcpy(buffer, memory_ + position_, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMapStream::Write(const void* buffer, int64_t count) {
    if (ReadOnly) throw EMemoryMappedFile(Format("The memory map %s is readonly", MapName.c_str()));
    if (count < 1) return 0;
    if (count > size_ - position_) RaiseEndOfFile();
    const bool lockHere = !mutexOwned_;
    if (lockHere) LockMutex();
    std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
    if (lockHere) UnlockMutex();
    position_ += count;
    return count;
}

int64_t TMapStream::Seek(int64_t offset, int origin) {
    int64_t base = 0;
    switch (origin) {
        case soFromBeginning: base = 0; break;
        case soFromCurrent: base = position_; break;
        case soFromEnd: base = size_; break;
        default: return position_;
    }
    // Before the start is as far out of the stream as beyond its end.
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target > size_ || target < 0) RaiseEndOfFile();
    position_ = target;
    return position_;
}

bool TMapStream::IsValid() const {
    if (active_) return memory_ != nullptr && size_ > 0;
    return memory_ == nullptr && size_ == 0;
}

}  // namespace kestrune
