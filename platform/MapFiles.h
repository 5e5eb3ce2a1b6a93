// Streams over a whole file held in memory. Read-only streams map the file
// with a guard: a file that a receiving station truncates while it is open
// reads as zeros past its new end instead of faulting, and CutShort() tells
// the reader that it happened. Writable streams map the file
// shared (the program's own files); writers serialise through a lock on the
// file itself, and no stream empties a file that another has mapped.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrune {

class TFileHandle;

class EMemoryMappedFile : public Exception {
public:
    using Exception::Exception;
};

class EMMEndOfFile : public EMemoryMappedFile {
public:
    using EMemoryMappedFile::EMemoryMappedFile;
};

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TMapStream {
public:
    // File dispositions of CreateMode.
    enum : uint8_t { cmCreateNew = 0, cmCreateAlways = 1, cmOpenExisting = 2, cmOpenAlways = 3, cmTruncateExisting = 4 };

    // An empty fileName backs the stream with anonymous memory of this process.
    explicit TMapStream(std::string fileName);
    virtual ~TMapStream();
    TMapStream(const TMapStream&) = delete;
    TMapStream& operator=(const TMapStream&) = delete;

    // True opens (no new size), False closes; an unchanged value does nothing.
    void SetActive(bool value);
    bool Active() const { return active_; }
    // Opens the stream; newSize > 0 sets the size of a writable file first.
    void Open(int64_t newSize = 0);
    // Flushes a writable stream, then releases the memory; Position and Size become 0.
    void Close();
    // Writes a writable stream's bytes to its file under the lock.
    void Flush();

    // Copies count bytes from Position, or raises EMMEndOfFile (no partial read).
    virtual int64_t Read(void* buffer, int64_t count);
    // Copies count bytes to Position; never grows the stream.
    virtual int64_t Write(const void* buffer, int64_t count);
    // Moves Position (origin soFromBeginning/soFromCurrent/soFromEnd); never beyond Size.
    virtual int64_t Seek(int64_t offset, int origin);
    // Size given to an empty file.
    virtual int64_t DefaultSize() const { return 64; }
    // Open: memory and size are set; closed: both clear.
    virtual bool IsValid() const;

    const std::string& FileName() const { return fileName_; }
    uint8_t* Memory() { return memory_; }
    const uint8_t* Memory() const { return memory_; }
    int64_t Size() const { return size_; }
    int64_t Position() const { return position_; }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
    // True when another writable stream already had the same file open.
    bool Existed() const { return existed_; }
    // A read-only mapping whose file was cut short while it was open: some of
    // what was read may be zeros the file never held. Ask after the reads.
    bool CutShort() const;

    uint8_t CreateMode = cmOpenExisting;
    uint8_t AccessHint = 0;  // 0 normal, 1 random access, 2 sequential scan
    bool ReadOnly = false;
    bool WarnOnResize = true;
    // The mapping's name, as messages give it (the file's name without folder).
    std::string MapName;

private:
    void OpenReadOnlyMapping();
    void OpenWritableMapping(int64_t newSize);
    void OpenAnonymous(int64_t newSize);
    void ReleaseMemory();
    void LockMutex();
    void UnlockMutex();
    [[noreturn]] void RaiseEndOfFile() const;

    std::string fileName_;
    bool active_ = false;
    bool existed_ = false;
    bool mapped_ = false;   // memory_ comes from mmap
    bool watched_ = false;  // and is guarded against the file being cut short
    bool mutexOwned_ = false;
    uint8_t* memory_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
    std::unique_ptr<TFileHandle> lockedFile_;  // a writable stream's file, holding its open mark and writers' lock
    std::unique_ptr<TFileHandle> watchedFile_;  // the mapped file of a read-only stream, for its size now
};

// The stream the loader opens its input files with.
class TMemMapStream : public TMapStream {
public:
    using TMapStream::TMapStream;
};

}  // namespace kestrune
