// Folder-change notification over the kernel's inotify: one inotify instance
// holds numbered watch slots, each a folder (or a folder and the folders below
// it); an auto-reset event over eventfd; and a wait on several descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <sys/types.h>

namespace kestrune {

// Kinds of change a slot reports (the shell's notify-filter bits).
constexpr uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x01;
constexpr uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x02;
constexpr uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x04;
constexpr uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x08;
constexpr uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

// An auto-reset event: Set wakes one wait and the wait clears it.
class TAutoResetEvent {
public:
    TAutoResetEvent();
    ~TAutoResetEvent();
    TAutoResetEvent(const TAutoResetEvent&) = delete;
    TAutoResetEvent& operator=(const TAutoResetEvent&) = delete;

    void Set();
    // Clears the event; true when it was set.
    bool Reset();
    // Waits until set (clearing it) or until timeoutMs passes (-1: no limit).
    bool Wait(int timeoutMs);
    int Fd() const { return fd_; }

private:
    int fd_;
};

// Index of the first ready descriptor, WaitTimedOut, or WaitFailed (errno
// set). A wait cut by a signal is taken up again.
constexpr int WaitTimedOut = -1;
constexpr int WaitFailed = -2;
int WaitAny(std::span<const int> fds, int timeoutMs);

struct TSlotChange {
    int Slot;
    bool RootGone;  // the watched folder itself was deleted or moved away
};

// One inotify instance; slots are the caller's numbers. A subtree slot
// watches its folder and the folders below it, at most SubtreeBudget of them
// and never across a mount point, and takes on folders created later.
class TFolderWatchCore {
public:
    static constexpr size_t SubtreeBudget = 2000;

    TFolderWatchCore();
    ~TFolderWatchCore();
    TFolderWatchCore(const TFolderWatchCore&) = delete;
    TFolderWatchCore& operator=(const TFolderWatchCore&) = delete;

    // False when the path is not a folder that can be watched (errno set).
    bool Add(int slot, const std::string& path, uint32_t filter, bool subtree);
    void Remove(int slot);
    void RemoveAll();
    // The slots whose changes are waiting (each at most once, in slot order);
    // a slot whose folder is gone is removed. On a read failure every slot
    // is reported as gone and the instance is opened afresh.
    std::vector<TSlotChange> Drain();
    int Fd() const { return fd_; }
    bool Watches(int slot) const { return slots_.count(slot) != 0; }

private:
    struct TSlot {
        std::string Root;
        uint32_t Filter = 0;
        bool Subtree = false;
        dev_t Device = 0;
        int RootWd = -1;
        std::map<int, std::string> Wds;  // watch descriptor -> its folder
    };
    int AddFolder(int slot, TSlot& watch, const std::string& path, bool followLink);
    void AddTree(int slot, TSlot& watch, const std::string& path);
    void ForgetBelow(int slot, TSlot& watch, const std::string& path);
    void ReleaseWd(int slot, int wd, bool kernelDropped);
    void Reopen();

    int fd_ = -1;
    std::map<int, TSlot> slots_;
    // Several slots may watch one folder: the kernel gives them one descriptor.
    std::map<int, std::set<int>> slotsOfWd_;
};

}  // namespace kestrune
