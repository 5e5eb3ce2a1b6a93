#include "platform/ShellNamespace.h"

#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"
#include "platform/SystemErrors.h"
#include "platform/UserNumbers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace {

TItemIdList ItemOf(uint8_t kind, std::string_view text) {
    std::vector<uint8_t> data{kind};
    data.insert(data.end(), text.begin(), text.end());
    return TItemIdList::fromItem(data);
}

const TItemIdList& ComputerList() {
    static const TItemIdList list = ItemOf(ComputerItemKind, "Computer");
    return list;
}

bool IsComputer(const TItemIdList& list) { return list == ComputerList(); }

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    for (const std::string& part : SplitString(path, '/'))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

bool IsFolderPath(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasSubfolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entry->d_type == DT_DIR || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
                                        IsFolderPath(path + "/" + name))) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

uint32_t FileSystemAttributes(const std::string& path, bool place, uint32_t asked) {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MODE, &info) != 0) return 0;
    uint32_t attributes = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
    if (S_ISLNK(info.stx_mode)) attributes |= SFGAO_LINK;
    const bool folder = IsFolderPath(path);
    attributes |= folder ? (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET) : SFGAO_STREAM;
    if (info.stx_attributes_mask & info.stx_attributes & STATX_ATTR_COMPRESSED) attributes |= SFGAO_COMPRESSED;
    if (info.stx_attributes_mask & info.stx_attributes & STATX_ATTR_ENCRYPTED) attributes |= SFGAO_ENCRYPTED;
    const std::string name = path.substr(path.rfind('/') + 1);
    if (!name.empty() && name[0] == '.') attributes |= SFGAO_HIDDEN | SFGAO_GHOSTED;
    if ((asked & SFGAO_READONLY) && access(path.c_str(), W_OK) != 0) attributes |= SFGAO_READONLY;
    if (!place && path != "/" && access(ParentOf(path).c_str(), W_OK) == 0)
        attributes |= SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;
    if (folder && (asked & SFGAO_HASSUBFOLDER) && HasSubfolder(path)) attributes |= SFGAO_HASSUBFOLDER;
    return attributes;
}

struct TFileFacts {
    bool Exists = false;
    bool Folder = false;
    uint64_t Size = 0;
    int64_t Modified = 0;
};

TFileFacts FactsOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    return {true, S_ISDIR(info.st_mode), static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtime)};
}

class TListEnum : public IEnumIdList {
public:
    explicit TListEnum(std::vector<TItemIdList> items) : items_(std::move(items)) {}
    HRESULT Next(TItemIdList& item) override {
        if (next_ >= items_.size()) return ole::S_FALSE;
        item = items_[next_++];
        return ole::S_OK;
    }

private:
    std::vector<TItemIdList> items_;
    size_t next_ = 0;
};

// A place's name in the language in effect, as names travel: in the locale's bytes.
std::string NameText(uint16_t text) { return WideToLocale(Utf8ToUtf16(resStr(text))); }

constexpr uint16_t ColumnTitles[] = {res::SColumnName, res::SColumnSize, res::SColumnType, res::SColumnDateModified};
constexpr int ColumnCount = 4;

// A date as the user's locale writes it ("28.12.2026 22:58" under de_DE) is
// longer than the 15 characters of the other columns.
int DateColumnChars() {
    constexpr int64_t LongDate = 1798498680;  // 28 December 2026, 22:58 UTC: two-digit day and month
    return std::max(15, static_cast<int>(Utf8ToUtf16(FormatShortDateTime(LongDate)).size()) + 3);
}

// A folder of the file system; the desktop and the computer add their places.
class TShellFolder : public IShellFolder {
public:
    TShellFolder(TItemIdList list, std::string path) : list_(std::move(list)), path_(std::move(path)) {}
    const TItemIdList& IdList() const override { return list_; }

    HRESULT EnumObjects(uint32_t flags, std::unique_ptr<IEnumIdList>& items) override {
        std::vector<TItemIdList> found;
        for (const TItemIdList& place : Places())
            if (flags & SHCONTF_FOLDERS) found.push_back(place);
        if (!path_.empty() && !AddEntries(flags, found)) return HResultFromErrno(errno);
        items = std::make_unique<TListEnum>(std::move(found));
        return ole::S_OK;
    }

    HRESULT GetAttributesOf(std::span<const TItemIdList> items, uint32_t& mask) override {
        uint32_t common = 0xFFFFFFFFu;
        for (const TItemIdList& item : items) {
            const TItemIdList absolute = list_.combine(item);
            if (IsComputer(absolute)) {
                common &= SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR;
                continue;
            }
            const std::optional<std::string> path = PathFromIdList(absolute);
            const bool place = item.itemCount() == 1 && item.itemData(0)[0] == PlaceItemKind;
            common &= path ? FileSystemAttributes(*path, place, mask) : 0;
        }
        mask &= common;
        return ole::S_OK;
    }

    HRESULT GetDisplayNameOf(const TItemIdList& item, uint32_t kind, std::string& name) override {
        const TItemIdList absolute = list_.combine(item);
        if (IsComputer(absolute)) {
            name = (kind & SHGDN_FORPARSING) ? "computer:///" : NameText(res::SComputer);
            return ole::S_OK;
        }
        const std::optional<std::string> path = PathFromIdList(absolute);
        if (!path) return ole::E_INVALIDARG;
        if (kind & SHGDN_FORPARSING) name = *path;
        else if (absolute.isEmpty()) name = NameText(res::SDesktop);
        else if (absolute.last().itemData(0)[0] == PlaceItemKind) name = PlaceName(*path);
        else name = path->substr(path->rfind('/') + 1);
        return ole::S_OK;
    }

    HRESULT ParseDisplayName(const std::string& name, TItemIdList& item) override {
        if (name == "computer:///" && list_.isEmpty()) {
            item = ComputerList();
            return ole::S_OK;
        }
        const bool absolute = !name.empty() && name[0] == '/';
        if (name.empty() || path_.empty() || absolute != list_.isEmpty()) return ole::E_INVALIDARG;
        const std::string full = absolute ? name : IncludeTrailingPathDelimiter(path_) + name;
        struct stat info {};
        if (lstat(full.c_str(), &info) != 0) return HResultFromErrno(errno);
        item = TItemIdList();
        for (const std::string& part : Components(name)) {
            if (part == "." || part == "..") return ole::E_INVALIDARG;
            item = item.combine(ItemOf(FileSystemItemKind, part));
        }
        return ole::S_OK;
    }

    HRESULT BindToObject(const TItemIdList& item, std::shared_ptr<IShellFolder>& folder) override {
        folder = BindAbsolute(list_.combine(item));
        return folder ? ole::S_OK : ole::E_INVALIDARG;
    }

    HRESULT CompareIDs(int column, const TItemIdList& a, const TItemIdList& b) override {
        // Names in one folder, the common case of sorting a list, compare
        // directly: folders before files, as in every other column.
        if (column == 0 && IsName(a) && IsName(b)) {
            const std::string_view nameA = NameOf(a), nameB = NameOf(b);
            const bool folderA = IsFolderNamed(nameA), folderB = IsFolderNamed(nameB);
            if (folderA != folderB) return CompareHResult(folderA ? -1 : 1);
            return CompareHResult(CompareNames(nameA, nameB));
        }
        const std::optional<std::string> pathA = PathFromIdList(list_.combine(a));
        const std::optional<std::string> pathB = PathFromIdList(list_.combine(b));
        // Items without a path (the computer) come first, in byte order.
        if (!pathA || !pathB)
            return CompareHResult(pathA ? 1 : pathB ? -1 : TItemIdList::rawCompare(a, b));
        int order = 0;
        if (column >= 1 && column < ColumnCount) order = CompareColumn(column, FactsOf(*pathA), FactsOf(*pathB), *pathA, *pathB);
        return CompareHResult(order != 0 ? order : ComparePaths(*pathA, *pathB));
    }

    HRESULT SetNameOf(const TItemIdList& item, const std::string& name, TItemIdList& renamed) override {
        const std::optional<std::string> path = PathFromIdList(list_.combine(item));
        if (!path || item.itemCount() == 0 || item.last().itemData(0)[0] != FileSystemItemKind) return ole::E_INVALIDARG;
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
            return HResultFromError(ERROR_INVALID_NAME);
        const std::string target = ParentOf(*path) + (ParentOf(*path) == "/" ? "" : "/") + name;
        struct stat info {};
        if (target != *path && lstat(target.c_str(), &info) == 0) return HResultFromErrno(EEXIST);
        if (rename(path->c_str(), target.c_str()) != 0) return HResultFromErrno(errno);
        renamed = item.parent().combine(ItemOf(FileSystemItemKind, name));
        if (item.itemCount() == 1) RenameFolderName(NameOf(item), name);
        return ole::S_OK;
    }

    HRESULT GetDetailsOf(const TItemIdList* item, int column, TShellDetails& details) override {
        if (column < 0 || column >= ColumnCount) return ole::E_INVALIDARG;
        details.Format = column == 1 ? 1 : 0;
        details.CxChar = column == 0 ? 30 : column == 3 ? DateColumnChars() : 15;
        if (!item) {
            details.Text = resStr(ColumnTitles[column]);
            return ole::S_OK;
        }
        if (column == 0) return GetDisplayNameOf(*item, SHGDN_INFOLDER, details.Text);
        const std::optional<std::string> path = PathFromIdList(list_.combine(*item));
        const TFileFacts facts = path ? FactsOf(*path) : TFileFacts{};
        details.Text.clear();
        if (!facts.Exists) return ole::S_OK;
        if (column == 1 && !facts.Folder) details.Text = FormatKilobytes(facts.Size);
        if (column == 2) details.Text = FileTypeName(*path, facts.Folder);
        if (column == 3) details.Text = FormatShortDateTime(facts.Modified);
        return ole::S_OK;
    }

    HRESULT GetDefaultColumnState(int column, uint32_t& state) override {
        if (column < 0 || column >= ColumnCount) return ole::E_INVALIDARG;
        state = SHCOLSTATE_ONBYDEFAULT;
        return ole::S_OK;
    }

private:
    bool IsName(const TItemIdList& item) const {
        return !path_.empty() && item.itemCount() == 1 && item.itemData(0).size() > 1 &&
               item.itemData(0)[0] == FileSystemItemKind;
    }

    static std::string_view NameOf(const TItemIdList& item) {
        const auto name = item.itemData(0).subspan(1);
        return {reinterpret_cast<const char*>(name.data()), name.size()};
    }

    // Whether the entry is a folder: the last enumeration read the folders
    // from the directory itself (an entry made since counts as a file until
    // the next one, which its change brings); before any, the file system says.
    bool IsFolderNamed(std::string_view name) const {
        if (!enumerated_) return IsFolderPath(IncludeTrailingPathDelimiter(path_) + std::string(name));
        return folderNames_.find(name) != folderNames_.end();
    }

    // A folder renamed here stays a folder to the order, which sorts it in place.
    void RenameFolderName(std::string_view from, const std::string& to) {
        const auto known = folderNames_.find(from);
        if (known == folderNames_.end()) return;
        folderNames_.erase(known);
        folderNames_.insert(to);
    }

    // The places in front of this folder's own entries.
    std::vector<TItemIdList> Places() const {
        std::vector<TItemIdList> places;
        if (list_.isEmpty()) {
            places.push_back(ItemOf(PlaceItemKind, HomeFolder()));
            places.push_back(ComputerList());
        } else if (IsComputer(list_)) {
            for (const TMount& mount : MountedFileSystems()) places.push_back(ItemOf(PlaceItemKind, mount.MountPoint));
        }
        return places;
    }

    bool AddEntries(uint32_t flags, std::vector<TItemIdList>& found) const {
        DIR* dir = opendir(path_.c_str());
        if (!dir) return false;
        folderNames_.clear();
        enumerated_ = true;
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const bool folder = entry->d_type == DT_DIR || ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
                                                            IsFolderPath(IncludeTrailingPathDelimiter(path_) + name));
            if (folder) folderNames_.insert(name);
            if (name[0] == '.' && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
            if (flags & (folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)) found.push_back(ItemOf(FileSystemItemKind, name));
        }
        closedir(dir);
        return true;
    }

    static std::string PlaceName(const std::string& path) {
        if (path == HomeFolder()) return NameText(res::SHomeFolder);
        return path == "/" ? NameText(res::SFileSystem) : path.substr(path.rfind('/') + 1);
    }

    static int ComparePaths(const std::string& a, const std::string& b) {
        const std::vector<std::string> partsA = Components(a), partsB = Components(b);
        for (size_t k = 0; k < partsA.size() && k < partsB.size(); ++k)
            if (const int order = CompareNames(partsA[k], partsB[k])) return order;
        return partsA.size() == partsB.size() ? 0 : (partsA.size() < partsB.size() ? -1 : 1);
    }

    static int CompareColumn(int column, const TFileFacts& a, const TFileFacts& b, const std::string& pathA,
                             const std::string& pathB) {
        const auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
        if (a.Folder != b.Folder) return a.Folder ? -1 : 1;
        // Folders have no size of their own here: by size they keep their name order.
        if (column == 1) return a.Folder ? 0 : order(a.Size, b.Size);
        if (column == 2) return CompareNames(FileTypeName(pathA, a.Folder), FileTypeName(pathB, b.Folder));
        return order(a.Modified, b.Modified);
    }

    TItemIdList list_;
    std::string path_;  // empty for the computer
    // The folders among the entries of the last enumeration.
    mutable std::set<std::string, std::less<>> folderNames_;
    mutable bool enumerated_ = false;
};

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string Unescape(std::string_view field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(field[i + 2])) && std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
            text += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a == b ? 0 : (a < b ? -1 : 1);
}

std::shared_ptr<IShellFolder> DesktopFolder() { return std::make_shared<TShellFolder>(TItemIdList(), "/"); }

std::shared_ptr<IShellFolder> BindAbsolute(const TItemIdList& list) {
    if (IsComputer(list)) return std::make_shared<TShellFolder>(list, std::string());
    const std::optional<std::string> path = PathFromIdList(list);
    if (!path || !IsFolderPath(*path)) return nullptr;
    return std::make_shared<TShellFolder>(list, *path);
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

std::string SendToFolder() { return UserDataFolder() + "SendTo"; }

HRESULT SpecialFolderLocation(int csidl, TItemIdList& list) {
    const std::string home = HomeFolder();
    std::string path;
    switch (csidl) {
        case CSIDL_DESKTOP: list = TItemIdList(); return ole::S_OK;
        case CSIDL_DRIVES: list = ComputerList(); return ole::S_OK;
        case CSIDL_PROFILE: list = ItemOf(PlaceItemKind, home); return ole::S_OK;
        case CSIDL_PERSONAL: path = IsFolderPath(home + "/Documents") ? home + "/Documents" : home; break;
        case CSIDL_DESKTOPDIRECTORY: path = home + "/Desktop"; break;
        case CSIDL_SENDTO: path = SendToFolder(); break;
        case CSIDL_BITBUCKET: path = EnvironmentOr("XDG_DATA_HOME", home + "/.local/share") + "/Trash/files"; break;
        case CSIDL_MYMUSIC: path = home + "/Music"; break;
        case CSIDL_MYVIDEO: path = home + "/Videos"; break;
        case CSIDL_MYPICTURES: path = home + "/Pictures"; break;
        case CSIDL_TEMPLATES: path = home + "/Templates"; break;
        case CSIDL_APPDATA: path = EnvironmentOr("XDG_CONFIG_HOME", home + "/.config"); break;
        case CSIDL_LOCAL_APPDATA: path = EnvironmentOr("XDG_DATA_HOME", home + "/.local/share"); break;
        default: return ole::E_FAIL;
    }
    const std::optional<TItemIdList> found = IdListFromPath(path);
    if (!found) return ole::E_FAIL;
    list = *found;
    return ole::S_OK;
}

std::string GroupedDigits(uint64_t value) { return UserGrouped(value); }

std::string FormatKilobytes(uint64_t bytes, std::string_view format) {
    const std::string digits = GroupedDigits(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
    std::string text(format);
    const size_t marker = text.find("%s");
    return marker == std::string::npos ? text : text.replace(marker, 2, digits);
}

std::string FileTypeName(const std::string& path, bool folder) {
    if (folder) return resStr(res::SFileFolder);
    const std::string extension = ExtractFileExt(ExtractFileName(path));
    return extension.size() > 1 ? FormatResStr(res::SFileOfType, {UpperCase(extension.substr(1))}) : resStr(res::SFileOfNoType);
}

std::string FormatShortDateTime(int64_t unixSeconds) { return UserTimeText("%x %H:%M", unixSeconds); }

std::vector<TMount> ParseMountInfo(std::string_view text) {
    std::vector<TMount> mounts;
    for (const std::string& line : SplitLines(text)) {
        std::vector<std::string> fields;
        for (const std::string& field : SplitString(line, ' '))
            if (!field.empty()) fields.push_back(field);
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || dash == fields.end() || fields.end() - dash < 3 || dash - fields.begin() < 6) continue;
        TMount mount{Unescape(fields[4]), Unescape(*(dash + 2)), *(dash + 1)};
        const bool device = mount.Source.rfind("/dev/", 0) == 0;
        if (mount.MountPoint.empty() || mount.MountPoint[0] != '/' || (!device && mount.MountPoint != "/")) continue;
        if (std::none_of(mounts.begin(), mounts.end(), [&](const TMount& m) { return m.MountPoint == mount.MountPoint; }))
            mounts.push_back(mount);
    }
    return mounts;
}

std::vector<TMount> MountedFileSystems() {
    std::ifstream in("/proc/self/mountinfo");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseMountInfo(text);
}

}  // namespace kestrune
