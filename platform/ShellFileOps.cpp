#include "platform/ShellFileOps.h"

#include "platform/FileIO.h"
#include "platform/FileTreeCopy.h"
#include "platform/PartFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ShellNamespace.h"
#include "platform/SysUtils.h"
#include "platform/SystemErrors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace fs = std::filesystem;

namespace {

uint32_t ErrorOf(const std::error_code& error) { return error ? ErrorFromErrno(error.value()) : 0; }

// Copies source to target keeping its times; a part copied before a failure is removed.
int CopyWhole(const fs::path& source, const fs::path& target) {
    const int error = CopyKeepingTimes(source, target);
    std::error_code ignored;
    if (error) fs::remove_all(target, ignored);
    return error;
}

// Moves within a file system by renaming; across file systems by copying and removing.
uint32_t MoveItem(const fs::path& source, const fs::path& target) {
    if (std::rename(source.c_str(), target.c_str()) == 0) return 0;
    if (errno != EXDEV) return ErrorFromErrno(errno);
    if (const int error = CopyWhole(source, target)) return ErrorFromErrno(error);
    std::error_code error;
    fs::remove_all(source, error);
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

// A folder of its own, not a link to one.
bool IsRealFolder(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A name split where a copy's mark goes: stem and ending.
std::pair<std::string, std::string> SplitForCopyMark(const std::string& name, bool folder) {
    const size_t ending = EndingStart(name, folder);
    return {name.substr(0, ending), name.substr(ending)};
}

std::string CopyNameNumbered(const std::string& stem, int number, const std::string& ending) {
    return (number == 1 ? FormatResStr(res::SCopyName, {stem})
                        : FormatResStr(res::SCopyNameNumbered, {stem, std::to_string(number)})) +
           ending;
}

// The names of one folder that a copy goes into, as settled so far.
struct TFolderNames {
    fs::path Folder;
    std::vector<std::pair<std::string, std::string>> Coming;  // stem and ending of every item of the copy
    std::set<std::string> Taken;                               // names given to items of the copy
    std::map<std::string, int> Numbers;                        // the copy number of each stem kept twice

    bool Free(const std::string& candidate) const {
        return !Taken.count(candidate) && !Exists(Folder / candidate);
    }
    // The number a copy of stem gets: the one its other items got, else the
    // first free for every item of the copy with that stem (a pass and its
    // preview keep pairing).
    int NumberFor(const std::string& stem, const std::string& ending) const {
        if (const auto known = Numbers.find(stem);
            known != Numbers.end() && Free(CopyNameNumbered(stem, known->second, ending)))
            return known->second;
        for (int number = 1;; ++number) {
            bool free = Free(CopyNameNumbered(stem, number, ending));
            for (const auto& [otherStem, otherEnding] : Coming)
                if (otherStem == stem) free = free && Free(CopyNameNumbered(stem, number, otherEnding));
            if (free) return number;
        }
    }
    std::string KeptName(const std::string& name, bool folder) const {
        const auto [stem, ending] = SplitForCopyMark(name, folder);
        return CopyNameNumbered(stem, NumberFor(stem, ending), ending);
    }
    // The name of an item kept beside the one there, its stem's number settled.
    std::string Keep(const std::string& name, bool folder) {
        const auto [stem, ending] = SplitForCopyMark(name, folder);
        const int number = NumberFor(stem, ending);
        Numbers.emplace(stem, number);
        return CopyNameNumbered(stem, number, ending);
    }
};

// One step of a copy as it was settled: an item and where it goes, and
// whether it replaces the file there; or, in a move, a folder whose items
// went one by one into a folder of its name, to be removed once empty.
struct TPlannedItem {
    std::string Source;
    fs::path Target;
    std::string Shown;  // its name below the folder copied into
    bool Replace = false;
    bool EmptiedFolder = false;
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

// Settles every item, the clashes asked about in turn, before anything is copied.
class TCopyPlanner {
public:
    TCopyPlanner(bool move, const TClashQuestion& ask, TCopyOutcome& outcome)
        : move_(move), ask_(ask), outcome_(outcome) {}

    // 0; ERROR_CANCELLED; or the failure of a source that cannot go (outcome names it).
    uint32_t Plan(const std::vector<std::string>& sources, const std::string& folder) {
        leftBehind_.assign(sources.size(), false);
        TFolderNames names{folder, {}, {}, {}};
        for (const std::string& source : sources) names.Coming.push_back(ComingName(source));
        for (size_t top = 0; top < sources.size(); ++top) {
            const std::string name = fs::path(sources[top]).filename().string();
            if (const uint32_t code = CheckSource(sources[top], folder, name)) return code;
            if (const uint32_t code = PlanItem(sources[top], name, top, names)) return code;
        }
        outcome_.Skipped = static_cast<size_t>(std::count(leftBehind_.begin(), leftBehind_.end(), true));
        return 0;
    }
    std::vector<TPlannedItem> Items;

private:
    static std::pair<std::string, std::string> ComingName(const std::string& source) {
        return SplitForCopyMark(fs::path(source).filename().string(), IsRealFolder(source));
    }

    uint32_t Fail(TCopyFailure failure, const std::string& shown, uint32_t code) {
        outcome_.Failure = failure;
        outcome_.FailedItem = shown;
        return code;
    }

    // A source gone since it was chosen, or a folder that would go into itself, stops the copy.
    uint32_t CheckSource(const std::string& source, const std::string& folder, const std::string& shown) {
        struct stat info {};
        if (lstat(source.c_str(), &info) != 0)
            return Fail(errno == ENOENT ? TCopyFailure::SourceGone : TCopyFailure::System, shown, ErrorFromErrno(errno));
        if (S_ISDIR(info.st_mode) && InsideItself(source, folder))
            return Fail(TCopyFailure::IntoItself, shown, ErrorFromErrno(EINVAL));
        return 0;
    }

    void Add(const std::string& source, const fs::path& target, const std::string& shown, bool replace) {
        Items.push_back({source, target, shown, replace, false});
    }

    uint32_t PlanItem(const std::string& source, const std::string& shown, size_t top, TFolderNames& names) {
        const std::string name = fs::path(source).filename().string();
        const fs::path target = names.Folder / name;
        const bool folder = IsRealFolder(source);
        std::error_code error;
        TClashAction action = TClashAction::Replace;
        if (fs::equivalent(source, target, error)) {
            if (move_) return Leave(top);  // already where it is to go
            action = TClashAction::KeepBoth;
        } else if (!Exists(target) && !names.Taken.count(name)) {
            Add(source, target, shown, false);
            names.Taken.insert(name);
            return 0;
        } else if (folder && IsRealFolder(target) && !names.Taken.count(name)) {
            return Merge(source, target, shown, top);
        } else {
            action = Answer({source, target.string(), names.KeptName(name, folder), !IsRealFolder(target)});
        }
        if (action == TClashAction::Cancel) return ERROR_CANCELLED;
        if (action == TClashAction::Skip) return Leave(top);
        // A folder there is never replaced: the new item is kept beside it.
        if (action == TClashAction::Replace && IsRealFolder(target)) action = TClashAction::KeepBoth;
        const std::string kept = action == TClashAction::KeepBoth ? names.Keep(name, folder) : name;
        Add(source, names.Folder / kept, shown, action == TClashAction::Replace);
        names.Taken.insert(kept);
        return 0;
    }

    TClashAction Answer(const TClash& clash) {
        if (standing_) return *standing_;
        bool forAll = false;
        const TClashAction action = ask_ ? ask_(clash, forAll) : TClashAction::Skip;
        if (forAll) standing_ = action;
        return action;
    }

    uint32_t Leave(size_t top) {
        leftBehind_[top] = true;
        return 0;
    }

    // A folder onto a folder of its name: each of its items goes into that folder.
    uint32_t Merge(const std::string& source, const fs::path& target, const std::string& shown, size_t top) {
        int error = 0;
        const std::vector<std::string> items = FolderItems(source, error);
        if (error) return Fail(TCopyFailure::System, shown, ErrorFromErrno(error));
        TFolderNames names{target, {}, {}, {}};
        for (const std::string& item : items) names.Coming.push_back(ComingName(source + "/" + item));
        for (const std::string& item : items)
            if (const uint32_t code = PlanItem(source + "/" + item, shown + "/" + item, top, names)) return code;
        if (move_) Items.push_back({source, target, shown, false, true});
        return 0;
    }

    bool move_;
    const TClashQuestion& ask_;
    TCopyOutcome& outcome_;
    std::optional<TClashAction> standing_;
    std::vector<bool> leftBehind_;
};

// Renames without replacing anything (a name taken meanwhile is not lost).
int RenameNoReplace(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: the check and the rename are two steps there.
    if (Exists(to)) return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Puts a copied folder in place of the file it replaces: the two trade
// places, then the file, now under the temporary name, goes.
int ExchangeWithFile(const fs::path& temporary, const fs::path& target) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) return errno;
    return unlink(temporary.c_str()) == 0 ? 0 : errno;
}

// Puts the item written under its temporary name in place. Only a file (or
// a link) is ever replaced, and only by an item already whole; a folder there
// stays, whatever it holds.
uint32_t Commit(const fs::path& temporary, const TPlannedItem& item) {
    if (!item.Replace) return ErrorFromErrno(RenameNoReplace(temporary, item.Target));
    if (IsRealFolder(item.Target)) return ErrorFromErrno(EEXIST);
    if (IsRealFolder(temporary)) return ErrorFromErrno(ExchangeWithFile(temporary, item.Target));
    return std::rename(temporary.c_str(), item.Target.c_str()) == 0 ? 0 : ErrorFromErrno(errno);
}

// A file is written under a part name that it holds locked from before its
// first byte until it is renamed into place: a clean-up meanwhile (a run
// writing its products into the same folder) takes it for one whose writer
// lives. The part is removed when the copy fails.
uint32_t CopyFileLocked(const TPlannedItem& item, const fs::path& part, const TBeforeNaming& beforeNaming) {
    const TFileHandle file(open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!file.Valid()) return ErrorFromErrno(errno);
    uint32_t code = flock(file.Get(), LOCK_EX | LOCK_NB) == 0 ? 0 : ErrorFromErrno(errno);
    if (code == 0) code = ErrorFromErrno(CopyFileInto(item.Source, file.Get()));
    if (code == 0 && beforeNaming) beforeNaming(part.string());
    if (code == 0) code = Commit(part, item);
    if (code != 0) unlink(part.c_str());
    return code;
}

// A folder is filled under a part name holding a note of its source, locked
// until the folder is whole: a clean-up meanwhile takes it for one whose
// writer lives, and after a kill removes it only while its source can make
// it again.
int CopyFolderNoted(const TPlannedItem& item, const fs::path& part) {
    const TPartFolder folder(part.string(), fs::absolute(item.Source).string());
    int error = folder.Error();
    if (!error) error = CopyFolderItems(item.Source, part, [&folder](const std::string& file) { folder.Copying(file); });
    if (!error) error = folder.Finish();
    return error ? error : TakeModeAndTimes(item.Source, part);
}

// A folder or a link is copied whole under a part name, then named; removed
// when the copy fails.
uint32_t CopyTreeThenName(const TPlannedItem& item, const fs::path& part, const TBeforeNaming& beforeNaming) {
    uint32_t code = ErrorFromErrno(IsRealFolder(item.Source) ? CopyFolderNoted(item, part) : CopyWhole(item.Source, part));
    if (code == 0 && beforeNaming) beforeNaming(part.string());
    if (code == 0) code = Commit(part, item);
    std::error_code ignored;
    if (code != 0) fs::remove_all(part, ignored);
    return code;
}

// One item, whole or not at all. A move within one file system renames the
// source straight into place, so the user's only copy never stands under a
// name a clean-up may take; otherwise the item is copied beside its target
// under a part name first, and a move removes the source once the copy is
// in place.
uint32_t CopyItem(const TPlannedItem& item, bool move, const TBeforeNaming& beforeNaming) {
    if (move) {
        if (beforeNaming) beforeNaming(item.Source);
        const uint32_t code = Commit(item.Source, item);
        if (code != ErrorFromErrno(EXDEV)) return code;
    }
    struct stat info {};
    if (lstat(item.Source.c_str(), &info) != 0) return ErrorFromErrno(errno);
    const fs::path part = TemporaryNameFor(item.Target.string());
    const uint32_t code = S_ISREG(info.st_mode) ? CopyFileLocked(item, part, beforeNaming)
                                                : CopyTreeThenName(item, part, beforeNaming);
    if (code != 0 || !move) return code;
    std::error_code error;
    fs::remove_all(item.Source, error);
    return ErrorOf(error);
}

// A part folder without its note (left by a copy that kept none, or killed
// as it was named) is still made again by the item of this paste it is the
// part of, when that holds all it holds.
void RemoveRemadeByPlan(const std::vector<TPlannedItem>& plan, std::vector<std::string>& kept) {
    std::erase_if(kept, [&](const std::string& part) {
        const fs::path path(part);
        const std::string name = path.filename().string();
        const fs::path target = path.parent_path() / name.substr(0, name.rfind(TemporaryMark));
        std::error_code ignored;
        return PartFolderSource(part).empty() && std::any_of(plan.begin(), plan.end(), [&](const TPlannedItem& item) {
                   return !item.EmptiedFolder && item.Target == target && SourceHoldsAll(item.Source, part) &&
                          fs::remove_all(path, ignored) > 0;
               });
    });
}

// Names the item a copy stopped at, and those after it, left undone.
uint32_t Stopped(const std::vector<TPlannedItem>& plan, size_t at, uint32_t code, TCopyOutcome& outcome) {
    const TPlannedItem& item = plan[at];
    outcome.Failure = code == ERROR_FILE_NOT_FOUND && !Exists(item.Source) ? TCopyFailure::SourceGone : TCopyFailure::System;
    outcome.FailedItem = item.Shown;
    for (size_t k = at + 1; k < plan.size(); ++k)
        if (!plan[k].EmptiedFolder) outcome.NotCopied.push_back(plan[k].Shown);
    return code;
}

}  // namespace

std::string CopyName(const std::string& folder, const std::string& name) {
    const bool isFolder = DirectoryExists(folder + "/" + name);
    TFolderNames names{folder, {SplitForCopyMark(name, isFolder)}, {}, {}};
    return names.KeptName(name, isFolder);
}

uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move,
                   const TClashQuestion& ask, TCopyOutcome* outcome, const TBeforeNaming& beforeNaming) {
    TCopyOutcome ignored;
    TCopyOutcome& told = outcome ? *outcome : ignored;
    told = {};
    TCopyPlanner planner(move, ask, told);
    if (const uint32_t code = planner.Plan(sources, folder)) {
        // Nothing was copied: every other source is named as left undone.
        if (code != ERROR_CANCELLED)
            for (const std::string& source : sources)
                if (const std::string name = fs::path(source).filename().string(); name != told.FailedItem)
                    told.NotCopied.push_back(name);
        return code;
    }
    const std::vector<TPlannedItem>& plan = planner.Items;
    // What a paste killed halfway left in a folder goes, as before a product is written there.
    std::set<fs::path> swept;
    for (const TPlannedItem& item : plan)
        if (!item.EmptiedFolder && swept.insert(item.Target.parent_path()).second)
            SweepStaleTemporaries(item.Target.parent_path().string() + "/", &told.KeptParts);
    RemoveRemadeByPlan(plan, told.KeptParts);
    for (size_t k = 0; k < plan.size(); ++k) {
        // A folder emptied by a move goes; one that kept skipped items stays.
        if (plan[k].EmptiedFolder) rmdir(plan[k].Source.c_str());
        else if (const uint32_t code = CopyItem(plan[k], move, beforeNaming)) return Stopped(plan, k, code, told);
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

namespace {

// The attribute flags of the item (0 when they cannot be read).
int AttributeFlags(const std::string& path) {
    const TFileHandle item(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    int flags = 0;
    if (!item.Valid() || ioctl(item.Get(), FS_IOC_GETFLAGS, &flags) != 0) return 0;
    return flags;
}

// Why an item could not be removed: a mark on it or on its folder, a file
// system mounted read-only, or what the system said.
TStayCause CauseOf(const std::string& path, int error) {
    if (error == EROFS) return TStayCause::ReadOnlyFileSystem;
    if (error != EPERM && error != EACCES) return TStayCause::System;
    const int flags = AttributeFlags(path);
    if (flags & FS_IMMUTABLE_FL) return TStayCause::Immutable;
    if (flags & FS_APPEND_FL) return TStayCause::AppendOnly;
    if (AttributeFlags(ExtractFilePath(path)) & (FS_IMMUTABLE_FL | FS_APPEND_FL)) return TStayCause::FolderMarked;
    return TStayCause::System;
}

// Removes the item, a folder with all it can of what it holds; whether it went.
bool RemoveTree(const std::string& path, std::vector<TNotDeleted>& stayed) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        stayed.push_back({path, ErrorFromErrno(errno), TStayCause::System});
        return false;
    }
    bool whole = true;
    if (S_ISDIR(info.st_mode)) {
        int error = 0;
        for (const std::string& item : FolderItems(path, error)) whole = RemoveTree(path + "/" + item, stayed) && whole;
        if (error) {
            stayed.push_back({path, ErrorFromErrno(error), CauseOf(path, error)});
            return false;
        }
    }
    if ((S_ISDIR(info.st_mode) ? rmdir(path.c_str()) : unlink(path.c_str())) == 0) return true;
    // A folder that keeps what could not go is named by what it keeps.
    if (whole) stayed.push_back({path, ErrorFromErrno(errno), CauseOf(path, errno)});
    return false;
}

}  // namespace

uint32_t DeleteForGood(const std::string& path, std::vector<TNotDeleted>* notDeleted) {
    std::vector<TNotDeleted> stayed;
    RemoveTree(path, stayed);
    if (notDeleted) notDeleted->insert(notDeleted->end(), stayed.begin(), stayed.end());
    return stayed.empty() ? 0 : stayed.front().Code;
}

}  // namespace kestrune
