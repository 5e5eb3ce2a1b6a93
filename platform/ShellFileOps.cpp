#include "platform/ShellFileOps.h"

#include "platform/ShellNamespace.h"
#include "platform/SysUtils.h"
#include "platform/SystemErrors.h"

#include <cctype>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace fs = std::filesystem;

namespace {

uint32_t ErrorOf(const std::error_code& error) { return error ? ErrorFromErrno(error.value()) : 0; }

// Moves within a file system by renaming; across file systems by copying and removing.
uint32_t MoveItem(const fs::path& source, const fs::path& target) {
    std::error_code error;
    fs::rename(source, target, error);
    if (error.value() != EXDEV) return ErrorOf(error);
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (!error) fs::remove_all(source, error);
    return ErrorOf(error);
}

std::string PercentEncoded(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::string_view("/-_.~").find(static_cast<char>(c)) != std::string_view::npos) {
            text += static_cast<char>(c);
        } else {
            text += '%';
            text += hex[c >> 4];
            text += hex[c & 15];
        }
    }
    return text;
}

// Claims a name in the trash by creating its info file first.
int ClaimTrashName(const std::string& trash, const std::string& name, std::string& claimed) {
    for (int n = 1; n < 10000; ++n) {
        claimed = n == 1 ? name : name + "." + std::to_string(n);
        const int fd = open((trash + "info/" + claimed + ".trashinfo").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

uint32_t CreateFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 ? 0 : ErrorFromErrno(errno); }

uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move) {
    for (const std::string& source : sources) {
        const fs::path target = fs::path(folder) / fs::path(source).filename();
        std::error_code error;
        if (fs::equivalent(source, target, error)) continue;
        if (fs::exists(fs::symlink_status(target))) return ERROR_ALREADY_EXISTS;
        if (move) {
            if (const uint32_t code = MoveItem(source, target)) return code;
            continue;
        }
        fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) return ErrorOf(error);
    }
    return 0;
}

std::string TrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    return (data && *data ? std::string(data) : HomeFolder() + "/.local/share") + "/Trash/";
}

uint32_t MoveToTrash(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return ErrorFromErrno(errno);
    if (access(ExtractFilePath(path).c_str(), W_OK) != 0) return ErrorFromErrno(errno);
    const std::string trash = TrashFolder();
    std::error_code error;
    fs::create_directories(trash + "files", error);
    fs::create_directories(trash + "info", error);
    std::string name;
    const int fd = ClaimTrashName(trash, ExtractFileName(path), name);
    if (fd < 0) return ErrorFromErrno(errno);
    char date[32];
    const time_t now = time(nullptr);
    tm local {};
    strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", localtime_r(&now, &local));
    const std::string infoText = "[Trash Info]\nPath=" + PercentEncoded(path) + "\nDeletionDate=" + date + "\n";
    const bool written = write(fd, infoText.data(), infoText.size()) == static_cast<ssize_t>(infoText.size());
    close(fd);
    const uint32_t code = written ? MoveItem(path, trash + "files/" + name) : ErrorFromErrno(EIO);
    if (code != 0) unlink((trash + "info/" + name + ".trashinfo").c_str());
    return code;
}

namespace {

void Measure(const std::string& path, TItemsMeasure& measure) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        ++measure.Files;
        measure.Bytes += static_cast<uint64_t>(info.st_size);
        return;
    }
    ++measure.Folders;
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") Measure(path + "/" + std::string(name), measure);
    }
    closedir(dir);
}

}  // namespace

TItemsMeasure MeasureItems(const std::vector<std::string>& paths) {
    TItemsMeasure measure;
    for (const std::string& path : paths) Measure(path, measure);
    return measure;
}

uint32_t DeleteForGood(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
    return ErrorOf(error);
}

}  // namespace kestrune
