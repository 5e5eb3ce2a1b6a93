#include "platform/ShellFileOps.h"

#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "platform/ShellNamespace.h"
#include "platform/SysUtils.h"
#include "platform/SystemErrors.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <set>
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

namespace {

// The part of a file name a copy's mark goes before: its extension, with the
// one before it for a preview or a packed file; none for a folder or a name
// that is all extension.
size_t EndingStart(const std::string& name, bool folder) {
    const size_t last = name.rfind('.');
    if (folder || last == std::string::npos || last == 0) return name.size();
    const std::string ending = LowerCase(name.substr(last));
    const bool twoParts = ending == ".gz" || ending == ".bz2" || ending == ".xz" || ending == ".zip" || ending == ".jpg";
    const size_t before = name.rfind('.', last - 1);
    if (!twoParts || before == std::string::npos || before == 0) return last;
    return ending == ".jpg" && LowerCase(name.substr(before, last - before)) != ".thumb" ? last : before;
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// The copy's name free in folder by disk and by what taken holds.
std::string FreeCopyName(const std::string& folder, const std::string& name, const std::set<std::string>& taken) {
    const size_t ending = EndingStart(name, DirectoryExists(folder + "/" + name));
    const std::string stem = name.substr(0, ending), extension = name.substr(ending);
    for (int number = 1;; ++number) {
        const std::string candidate =
            (number == 1 ? FormatResStr(res::SCopyName, {stem}) : FormatResStr(res::SCopyNameNumbered, {stem, std::to_string(number)})) +
            extension;
        if (!taken.count(candidate) && !Exists(fs::path(folder) / candidate)) return candidate;
    }
}

// One item of a copy as it was settled: where it goes, and whether it replaces what is there.
struct TPlannedItem {
    std::string Source;
    fs::path Target;
    bool Replace = false;
};

// A folder cannot go into itself or below itself.
bool InsideItself(const fs::path& source, const fs::path& folder) {
    std::error_code sourceError, folderError;
    const fs::path from = fs::weakly_canonical(source, sourceError), to = fs::weakly_canonical(folder, folderError);
    if (sourceError || folderError) return false;
    auto f = from.begin(), t = to.begin();
    for (; f != from.end() && t != to.end(); ++f, ++t)
        if (*f != *t) return false;
    return f == from.end();
}

// Settles every item (the clashes asked about in turn); false when the question was cancelled.
bool PlanCopy(const std::vector<std::string>& sources, const std::string& folder, bool move, const TClashQuestion& ask,
              std::vector<TPlannedItem>& plan) {
    std::optional<TClashAction> standing;
    std::set<std::string> taken;
    for (const std::string& source : sources) {
        const std::string name = fs::path(source).filename().string();
        const fs::path target = fs::path(folder) / name;
        std::error_code error;
        TClashAction action = TClashAction::Replace;
        if (fs::equivalent(source, target, error)) {
            if (move) continue;  // already where it is to go
            action = TClashAction::KeepBoth;
        } else if (!Exists(target) && !taken.count(name)) {
            plan.push_back({source, target, false});
            taken.insert(name);
            continue;
        } else if (standing) {
            action = *standing;
        } else {
            bool forAll = false;
            action = ask ? ask({source, target.string(), FreeCopyName(folder, name, taken)}, forAll) : TClashAction::Skip;
            if (forAll) standing = action;
        }
        if (action == TClashAction::Cancel) return false;
        if (action == TClashAction::Skip) continue;
        const std::string kept = action == TClashAction::KeepBoth ? FreeCopyName(folder, name, taken) : name;
        plan.push_back({source, fs::path(folder) / kept, action == TClashAction::Replace});
        taken.insert(kept);
    }
    return true;
}

// Renames without replacing anything (a name taken meanwhile is not lost).
int RenameNoReplace(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: the check and the rename are two steps there.
    if (Exists(to)) return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Puts the item written under its temporary name in place, removing what it replaces.
uint32_t Commit(const fs::path& temporary, const TPlannedItem& item) {
    if (!item.Replace) return ErrorFromErrno(RenameNoReplace(temporary, item.Target));
    struct stat there {}, coming {};
    const bool replaceable = lstat(item.Target.c_str(), &there) == 0 && lstat(temporary.c_str(), &coming) == 0 &&
                             !S_ISDIR(there.st_mode) && !S_ISDIR(coming.st_mode);
    if (!replaceable) {
        std::error_code error;
        fs::remove_all(item.Target, error);
        if (error) return ErrorOf(error);
    }
    return std::rename(temporary.c_str(), item.Target.c_str()) == 0 ? 0 : ErrorFromErrno(errno);
}

// One item, whole or not at all: written beside its target under a temporary
// name first. A move within one file system renames the source there; across
// file systems the source goes once the copy is in place.
uint32_t CopyItem(const TPlannedItem& item, bool move) {
    if (InsideItself(item.Source, item.Target.parent_path())) return ErrorFromErrno(EINVAL);
    const fs::path temporary = TemporaryNameFor(item.Target.string());
    std::error_code error;
    bool renamed = false;
    if (move) {
        fs::rename(item.Source, temporary, error);
        renamed = !error;
        if (error && error.value() != EXDEV) return ErrorOf(error);
    }
    if (!renamed) {
        error.clear();
        fs::copy(item.Source, temporary, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
        if (error) {
            std::error_code ignored;
            fs::remove_all(temporary, ignored);
            return ErrorOf(error);
        }
    }
    if (const uint32_t code = Commit(temporary, item)) {
        if (renamed) fs::rename(temporary, item.Source, error);
        else fs::remove_all(temporary, error);
        return code;
    }
    if (move && !renamed) fs::remove_all(item.Source, error);
    return ErrorOf(error);
}

}  // namespace

std::string CopyName(const std::string& folder, const std::string& name) { return FreeCopyName(folder, name, {}); }

uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move,
                   const TClashQuestion& ask, size_t* skipped) {
    std::vector<TPlannedItem> plan;
    if (!PlanCopy(sources, folder, move, ask, plan)) return ERROR_CANCELLED;
    if (skipped) *skipped = sources.size() - plan.size();
    for (const TPlannedItem& item : plan)
        if (const uint32_t code = CopyItem(item, move)) return code;
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
