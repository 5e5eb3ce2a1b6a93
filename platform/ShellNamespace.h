// Our shell namespace: folders and files named by item ID lists, with the
// shell's attributes, display names, name comparison and detail columns.
// The desktop is the file system's root with two places in front: the home
// folder and "Computer", whose items are the mounted file systems.
#pragma once

#include "platform/ItemIdList.h"
#include "platform/OleCore.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

using ole::HRESULT;

// Attribute bits of an item.
constexpr uint32_t SFGAO_CANCOPY = 0x00000001;
constexpr uint32_t SFGAO_CANMOVE = 0x00000002;
constexpr uint32_t SFGAO_CANLINK = 0x00000004;
constexpr uint32_t SFGAO_CANRENAME = 0x00000010;
constexpr uint32_t SFGAO_CANDELETE = 0x00000020;
constexpr uint32_t SFGAO_DROPTARGET = 0x00000100;
constexpr uint32_t SFGAO_ENCRYPTED = 0x00002000;
// Drawn dimmed: hidden items are, as on the desktop.
constexpr uint32_t SFGAO_GHOSTED = 0x00008000;
constexpr uint32_t SFGAO_LINK = 0x00010000;
constexpr uint32_t SFGAO_SHARE = 0x00020000;
constexpr uint32_t SFGAO_READONLY = 0x00040000;
constexpr uint32_t SFGAO_HIDDEN = 0x00080000;
constexpr uint32_t SFGAO_STREAM = 0x00400000;
constexpr uint32_t SFGAO_VALIDATE = 0x01000000;
constexpr uint32_t SFGAO_REMOVABLE = 0x02000000;
constexpr uint32_t SFGAO_COMPRESSED = 0x04000000;
constexpr uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr uint32_t SFGAO_FOLDER = 0x20000000;
constexpr uint32_t SFGAO_FILESYSTEM = 0x40000000;
constexpr uint32_t SFGAO_HASSUBFOLDER = 0x80000000;

// Enumeration flags.
constexpr uint32_t SHCONTF_FOLDERS = 0x20;
constexpr uint32_t SHCONTF_NONFOLDERS = 0x40;
constexpr uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;

// Display-name kinds.
constexpr uint32_t SHGDN_NORMAL = 0;
constexpr uint32_t SHGDN_INFOLDER = 1;
constexpr uint32_t SHGDN_FORPARSING = 0x8000;

// Column states.
constexpr uint32_t SHCOLSTATE_ONBYDEFAULT = 0x10;

// Special folders (CSIDL numbers) that have a meaning here.
constexpr int CSIDL_DESKTOP = 0x00;
constexpr int CSIDL_PERSONAL = 0x05;
constexpr int CSIDL_SENDTO = 0x09;
constexpr int CSIDL_BITBUCKET = 0x0A;
constexpr int CSIDL_MYMUSIC = 0x0D;
constexpr int CSIDL_MYVIDEO = 0x0E;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
constexpr int CSIDL_DRIVES = 0x11;
constexpr int CSIDL_TEMPLATES = 0x15;
constexpr int CSIDL_APPDATA = 0x1A;
constexpr int CSIDL_LOCAL_APPDATA = 0x1C;
constexpr int CSIDL_MYPICTURES = 0x27;
constexpr int CSIDL_PROFILE = 0x28;

// A detail cell: its alignment (0 left, 1 right), width in characters and text.
struct TShellDetails {
    int Format = 0;
    int CxChar = 0;
    std::string Text;
};

class IEnumIdList {
public:
    virtual ~IEnumIdList() = default;
    // S_OK with the next relative item, S_FALSE when done.
    virtual HRESULT Next(TItemIdList& item) = 0;
};

class IShellFolder {
public:
    virtual ~IShellFolder() = default;
    // The folder's own absolute list.
    virtual const TItemIdList& IdList() const = 0;
    virtual HRESULT EnumObjects(uint32_t flags, std::unique_ptr<IEnumIdList>& items) = 0;
    // mask: in, the bits asked for; out, those every item has.
    virtual HRESULT GetAttributesOf(std::span<const TItemIdList> items, uint32_t& mask) = 0;
    virtual HRESULT GetDisplayNameOf(const TItemIdList& item, uint32_t kind, std::string& name) = 0;
    // A path or name relative to this folder (absolute paths on the desktop).
    virtual HRESULT ParseDisplayName(const std::string& name, TItemIdList& item) = 0;
    virtual HRESULT BindToObject(const TItemIdList& item, std::shared_ptr<IShellFolder>& folder) = 0;
    // Low 16 bits: the signed order of a and b by column; 0 only for the same item.
    virtual HRESULT CompareIDs(int column, const TItemIdList& a, const TItemIdList& b) = 0;
    // Renames the item; the new relative list.
    virtual HRESULT SetNameOf(const TItemIdList& item, const std::string& name, TItemIdList& renamed) = 0;
    // The column's heading for no item, else the item's cell.
    virtual HRESULT GetDetailsOf(const TItemIdList* item, int column, TShellDetails& details) = 0;
    virtual HRESULT GetDefaultColumnState(int column, uint32_t& state) = 0;
};

// The low 16 bits of a CompareIDs result as a signed order.
inline int16_t CompareResult(HRESULT result) { return static_cast<int16_t>(result & 0xFFFF); }
inline HRESULT CompareHResult(int order) { return static_cast<HRESULT>(static_cast<uint16_t>(static_cast<int16_t>(order))); }

std::shared_ptr<IShellFolder> DesktopFolder();
// The folder of an absolute list; none when it names no folder.
std::shared_ptr<IShellFolder> BindAbsolute(const TItemIdList& list);
HRESULT SpecialFolderLocation(int csidl, TItemIdList& list);
// Case-insensitive order, the exact bytes breaking ties: 0 only for equal names.
int CompareNames(std::string_view a, std::string_view b);
// The home folder, and our Send-To folder (under the user data folder).
std::string HomeFolder();
std::string SendToFolder();

// A count with the user's thousands separators: "1,234,567", "1.234.567" under de_DE.
std::string GroupedDigits(uint64_t value);
// The texts of the detail columns: "1,234 KB" (bytes rounded up to whole KB),
// the type name ("File folder", "HPT File") and the local short date and time,
// both in the user's locale ("1.234 KB", "08.12.2026 13:58" under de_DE).
std::string FormatKilobytes(uint64_t bytes, std::string_view format = "%s KB");
std::string FileTypeName(const std::string& path, bool folder);
std::string FormatShortDateTime(int64_t unixSeconds);

// The mounted file systems of /proc/self/mountinfo text (device-backed ones
// and the root), in table order; malformed lines are skipped.
struct TMount {
    std::string MountPoint;
    std::string Source;
    std::string FsType;
    bool operator==(const TMount&) const = default;
};
std::vector<TMount> ParseMountInfo(std::string_view text);
std::vector<TMount> MountedFileSystems();

}  // namespace kestrune
