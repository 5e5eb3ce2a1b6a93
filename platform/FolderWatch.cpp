#include "platform/FolderWatch.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace kestrune {

TAutoResetEvent::TAutoResetEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TAutoResetEvent::~TAutoResetEvent() {
    if (fd_ >= 0) close(fd_);
}

void TAutoResetEvent::Set() {
    const uint64_t one = 1;
    // A full counter already means "set".
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

bool TAutoResetEvent::Reset() {
    uint64_t count = 0;
    return read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

bool TAutoResetEvent::Wait(int timeoutMs) {
    const int fds[] = {fd_};
    // Another waiter may take the event between the wake and the read.
    while (WaitAny(fds, timeoutMs) == 0)
        if (Reset()) return true;
    return false;
}

int WaitAny(std::span<const int> fds, int timeoutMs) {
    std::vector<pollfd> polled;
    for (const int fd : fds) polled.push_back({fd, POLLIN, 0});
    for (;;) {
        const int ready = poll(polled.data(), polled.size(), timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return WaitFailed;
        if (ready == 0) return WaitTimedOut;
        for (size_t i = 0; i < polled.size(); ++i)
            if (polled[i].revents != 0) return static_cast<int>(i);
        return WaitTimedOut;
    }
}

namespace {

constexpr uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

uint32_t MaskOf(uint32_t filter) {
    uint32_t mask = NameEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK | IN_MASK_ADD;
    if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) mask |= IN_ATTRIB;
    if (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) mask |= IN_MODIFY | IN_CLOSE_WRITE;
    return mask;
}

// Whether an event of this mask is a change the filter asks for.
bool Reports(uint32_t filter, uint32_t mask) {
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF)) return true;
    if (mask & NameEvents)
        return (filter & ((mask & IN_ISDIR) ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME)) != 0;
    if (mask & IN_ATTRIB) return (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) != 0;
    if (mask & (IN_MODIFY | IN_CLOSE_WRITE))
        return (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) != 0;
    return false;
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

TFolderWatchCore::TFolderWatchCore() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

TFolderWatchCore::~TFolderWatchCore() {
    if (fd_ >= 0) close(fd_);
}

int TFolderWatchCore::AddFolder(int slot, TSlot& watch, const std::string& path, bool followLink) {
    const uint32_t mask = MaskOf(watch.Filter) | (followLink ? 0u : uint32_t{IN_DONT_FOLLOW});
    const int wd = inotify_add_watch(fd_, path.c_str(), mask);
    if (wd < 0) return -1;
    watch.Wds[wd] = path;
    slotsOfWd_[wd].insert(slot);
    return wd;
}

void TFolderWatchCore::AddTree(int slot, TSlot& watch, const std::string& path) {
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(path, std::filesystem::directory_options::skip_permission_denied,
                                                     error);
    for (const std::filesystem::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        if (watch.Wds.size() >= SubtreeBudget) return;
        struct stat info {};
        const std::string folder = it->path().string();
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        if (info.st_dev != watch.Device || AddFolder(slot, watch, folder, false) < 0) it.disable_recursion_pending();
    }
}

bool TFolderWatchCore::Add(int slot, const std::string& path, uint32_t filter, bool subtree) {
    struct stat info {};
    if (fd_ < 0 || path.empty() || stat(path.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    Remove(slot);
    TSlot watch{path, filter, subtree, info.st_dev, -1, {}};
    watch.RootWd = AddFolder(slot, watch, path, true);
    if (watch.RootWd < 0) return false;
    if (subtree) AddTree(slot, watch, path);
    slots_[slot] = std::move(watch);
    return true;
}

void TFolderWatchCore::ReleaseWd(int slot, int wd, bool kernelDropped) {
    auto users = slotsOfWd_.find(wd);
    if (users == slotsOfWd_.end()) return;
    users->second.erase(slot);
    if (!users->second.empty()) return;
    slotsOfWd_.erase(users);
    if (!kernelDropped) inotify_rm_watch(fd_, wd);
}

void TFolderWatchCore::Remove(int slot) {
    const auto found = slots_.find(slot);
    if (found == slots_.end()) return;
    for (const auto& [wd, path] : found->second.Wds) ReleaseWd(slot, wd, false);
    slots_.erase(found);
}

void TFolderWatchCore::RemoveAll() {
    while (!slots_.empty()) Remove(slots_.begin()->first);
}

void TFolderWatchCore::ForgetBelow(int slot, TSlot& watch, const std::string& path) {
    for (auto it = watch.Wds.begin(); it != watch.Wds.end();) {
        if (it->first != watch.RootWd && (it->second == path || IsBelow(it->second, path))) {
            ReleaseWd(slot, it->first, false);
            it = watch.Wds.erase(it);
        } else {
            ++it;
        }
    }
}

void TFolderWatchCore::Reopen() {
    slots_.clear();
    slotsOfWd_.clear();
    if (fd_ >= 0) close(fd_);
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

std::vector<TSlotChange> TFolderWatchCore::Drain() {
    std::map<int, bool> changed;  // slot -> its folder is gone
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) break;
        if (got <= 0) {
            for (const auto& entry : slots_) changed[entry.first] = true;
            Reopen();
            break;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                for (const auto& entry : slots_) changed.try_emplace(entry.first, false);
                continue;
            }
            const auto users = slotsOfWd_.find(event->wd);
            if (users == slotsOfWd_.end()) continue;
            const std::set<int> slots = users->second;
            const std::string name = event->len ? std::string(event->name) : std::string();
            for (const int slot : slots) {
                const auto found = slots_.find(slot);
                if (found == slots_.end()) continue;
                TSlot& watch = found->second;
                const bool root = event->wd == watch.RootWd;
                if (event->mask & IN_IGNORED) {
                    watch.Wds.erase(event->wd);
                    ReleaseWd(slot, event->wd, true);
                    if (root) changed[slot] = true;
                    continue;
                }
                if (root && (event->mask & IN_DELETE_SELF)) changed[slot] = true;
                else if (Reports(watch.Filter, event->mask)) changed.try_emplace(slot, false);
                if (!watch.Subtree || !(event->mask & IN_ISDIR) || name.empty()) continue;
                const std::string child = watch.Wds[event->wd] + "/" + name;
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                    if (watch.Wds.size() < SubtreeBudget && AddFolder(slot, watch, child, false) >= 0)
                        AddTree(slot, watch, child);
                } else if (event->mask & IN_MOVED_FROM) {
                    ForgetBelow(slot, watch, child);
                }
            }
        }
    }
    std::vector<TSlotChange> result;
    for (const auto& [slot, gone] : changed) {
        if (gone) Remove(slot);
        result.push_back({slot, gone});
    }
    return result;
}

}  // namespace kestrune
