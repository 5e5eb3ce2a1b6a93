#include "platform/FileTreeCopy.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrune {

namespace {

int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return written < 0 ? errno : EIO;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

int CopyThroughBuffer(int from, int to) {
    std::vector<char> buffer(size_t{1} << 20);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 ? errno : 0;
        if (const int error = WriteAll(to, buffer.data(), static_cast<size_t>(got))) return error;
    }
}

// In the kernel (or as a shared extent where the file system can), else
// through a buffer where the two file systems cannot copy between them.
int CopyBytes(int from, int to) {
    bool started = false;
    for (;;) {
        const ssize_t copied = copy_file_range(from, nullptr, to, nullptr, size_t{1} << 30, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied == 0) return 0;
        if (copied > 0) {
            started = true;
            continue;
        }
        const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP;
        return unsupported && !started ? CopyThroughBuffer(from, to) : errno;
    }
}

int CopyFile(const std::string& source, const std::string& target) {
    const int to = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (to < 0) return errno;
    int error = CopyFileInto(source, to);
    if (close(to) != 0 && !error) error = errno;
    return error;
}

int CopyLink(const std::string& source, const std::string& target) {
    std::error_code error;
    std::filesystem::copy_symlink(source, target, error);
    return error.value();
}

int CopyFolder(const std::string& source, const std::string& target, mode_t mode, const TFileCopyWatch& watch) {
    // Made writable for the copy; the source's permissions come once it is filled.
    int error = mkdir(target.c_str(), 0700) == 0 ? 0 : errno;
    if (!error) error = CopyFolderItems(source, target, watch);
    if (!error && chmod(target.c_str(), mode & 07777) != 0) error = errno;
    return error;
}

int KeepTimes(const std::string& target, const struct stat& source) {
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int CopyWatched(const std::string& source, const std::string& target, const TFileCopyWatch& watch) {
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0) return errno;
    int error = ENOTSUP;  // a device, pipe or socket is not copied
    if (S_ISDIR(info.st_mode)) {
        error = CopyFolder(source, target, info.st_mode, watch);
    } else if (S_ISLNK(info.st_mode)) {
        error = CopyLink(source, target);
    } else if (S_ISREG(info.st_mode)) {
        if (watch) watch(target);
        error = CopyFile(source, target);
    }
    if (!error) error = KeepTimes(target, info);
    if (!error && watch && S_ISREG(info.st_mode)) watch({});
    return error;
}

}  // namespace

int CopyFolderItems(const std::string& source, const std::string& target, const TFileCopyWatch& watch) {
    int error = 0;
    const std::vector<std::string> items = FolderItems(source, error);
    for (size_t k = 0; k < items.size() && !error; ++k)
        error = CopyWatched(source + "/" + items[k], target + "/" + items[k], watch);
    return error;
}

int TakeModeAndTimes(const std::string& source, const std::string& target) {
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0) return errno;
    if (chmod(target.c_str(), info.st_mode & 07777) != 0) return errno;
    return KeepTimes(target, info);
}

int CopyKeepingTimes(const std::string& source, const std::string& target) { return CopyWatched(source, target, {}); }

int CopyFileInto(const std::string& source, int target) {
    const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) return errno;
    struct stat info {};
    int error = fstat(from, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : ENOTSUP;
    if (!error) error = CopyBytes(from, target);
    close(from);
    // Synced before the times are set and the copy is named: a full disk can
    // show only here, and a file it replaces must not go before it is whole.
    if (!error && fsync(target) != 0) error = errno;
    if (!error && fchmod(target, info.st_mode & 07777) != 0) error = errno;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (!error && futimens(target, times) != 0) error = errno;
    return error;
}

std::vector<std::string> FolderItems(const std::string& folder, int& error) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    error = dir ? 0 : errno;
    while (dir) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kestrune
