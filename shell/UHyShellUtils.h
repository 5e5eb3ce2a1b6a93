// Routines on item ID lists and shell folders that every shell control uses,
// an ID-list list with a duplicate rule, the process-wide device-change
// dispatcher, freeing of ID lists at idle time and the message formatter.
#pragma once

#include "platform/ShellNamespace.h"
#include "platform/ShortcutFile.h"
#include "platform/SysUtils.h"
#include "shell/UHyUnicode.h"

#include <QObject>
#include <QPixmap>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune::shell {

// Absent lists are null pointers; the empty list (the desktop) has size 2.
size_t IdListSize(const TItemIdList* list);
TItemIdList CopyIdList(const TItemIdList* list);
TItemIdList CombineIdLists(const TItemIdList* first, const TItemIdList* second);
// Bytes over the shorter size: the first difference, else the size difference.
int CompareIdListsRaw(const TItemIdList* a, const TItemIdList* b);
// The desktop's order as a signed 16-bit value; 0 when both are absent or
// empty, -1 when only one is; 0x7FFFFFFF when the comparison fails.
int CompareIdLists(const TItemIdList* a, const TItemIdList* b);
constexpr int CompareFailed = 0x7FFFFFFF;

std::shared_ptr<IShellFolder> BindFolder(const TItemIdList& absolute);
HRESULT ParsePath(std::u16string_view path, TItemIdList& list);
// One item: the desktop, no parent list and the item; more: the parent's
// folder and list and the last item. False when the parent cannot be bound.
bool SplitIdList(const TItemIdList& absolute, std::shared_ptr<IShellFolder>& parentFolder,
                 std::optional<TItemIdList>& parentList, TItemIdList& lastItem);
// kind: 0 normal, 1 in-folder, 2 for parsing; folder none = the desktop. Empty on failure.
WideString GetDisplayName(IShellFolder* folder, const TItemIdList& item, int kind);
WideString PathOfIdList(const TItemIdList& absolute);

// The pack's special folders: index 0 none, 1 the desktop, 17 the computer ... 55.
constexpr int SpecialFolderCount = 56;
int CsidlOfSpecialFolder(int index);
HRESULT SpecialFolderIdList(int index, TItemIdList& list);
WideString SpecialFolderPath(int index);
int WhichSpecialFolder(const TItemIdList& absolute);
// The desktop directory's parent list and last item; false when it has none.
bool DesktopDirectorySplit(TItemIdList& parentList, TItemIdList& lastItem);

// System image list indexes and overlays.
enum TSystemIcon : int { siFile = 0, siFolder = 1, siFolderOpen = 2, siComputer = 3, siHome = 4, siDrive = 5 };
constexpr uint32_t SHGFI_OPENICON = 0x2;
int IconIndex(const TItemIdList* absolute, uint32_t flags);
// The system image list's picture (small 16 x 16, large 32 x 32); overlays
// 1 (shared) and 2 (link) are small marks drawn over an icon's lower left.
QPixmap SystemIcon(int index, bool large);
QPixmap SystemOverlay(int overlay, bool large);
// 1 for shared items, 2 for links, else 0.
int OverlayIndex(IShellFolder& parent, const TItemIdList& item);
int OverlayOfAttributes(uint32_t attributes);
// The small system icon with the overlay's mark over it (0: none).
QPixmap OverlaidIcon(int index, int overlay);
// The attributes a tree node asks for: without read-only at the root of a
// removable medium, so that asking does not touch the medium.
uint32_t TreeAttributeRequest(const std::string& path, uint32_t mask, const std::vector<std::string>& removableRoots);
// Always ready: drives here have no network connection state.
bool NetworkDriveReady(char16_t drive);
// The mounts the tree watches: fixed disks and the root; not optical media
// ("iso9660", "udf") nor devices that removable says can be taken out.
std::vector<std::string> WatchedDriveRoots(const std::vector<TMount>& mounts,
                                           const std::function<bool(const std::string& source)>& removable);
// The kernel's word on a "/dev/..." source (its disk's "removable" flag).
bool RemovableDevice(const std::string& source);
// A no-op here (no drive cache), with its nesting counter.
void ValidateDrives();
void SuppressDriveValidation(bool suppress);

// A shell link: its fields after Load, and the resolved target.
class THyShortcut {
public:
    // The first failing step's code; fields not yet read keep their values.
    HRESULT Load(std::u16string_view path);
    uint8_t ResolveMode = 0;
    TShortcutFields Fields;
    WideString Target;
};

// An ID list and a scratch list that its accessors hand out.
class THyIdListArray {
public:
    explicit THyIdListArray(const TItemIdList* list) : list_(list) {}
    int Count() const;
    // The first count items less the given trailing ones.
    const TItemIdList* Leading(int count, int less = 0);
    // Item k alone; null when out of range.
    const TItemIdList* Item(int k);

private:
    const TItemIdList* list_;
    std::unique_ptr<TItemIdList> scratch_;
};

class EHyPidlListError : public Exception {
public:
    using Exception::Exception;
};

enum class TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// ID lists with a data value each; sorted lists find their place by search.
class THyPidlList {
public:
    int Add(const TItemIdList& list, uint32_t data = 0);
    int IndexOf(const TItemIdList& list) const;
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(entries_.size()); }
    const TItemIdList& Items(int index) const { return entries_.at(static_cast<size_t>(index)).List; }
    uint32_t Data(int index) const { return entries_.at(static_cast<size_t>(index)).Data; }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    void SetCompareFolder(std::shared_ptr<IShellFolder> folder) { folder_ = std::move(folder); }
    TDuplicates Duplicates = TDuplicates::dupError;

private:
    struct TEntry {
        TItemIdList List;
        uint32_t Data = 0;
    };
    int Compare(const TItemIdList& a, const TItemIdList& b) const;
    // The first entry not less than list, and whether it is equal.
    size_t Find(const TItemIdList& list, bool& found) const;
    std::vector<TEntry> entries_;
    bool sorted_ = false;
    std::shared_ptr<IShellFolder> folder_;
};

// Frees lists at idle time, 500 at a go within 250 ms, so that closing a
// large folder never stalls the window.
class TShellMemFreeOnIdle : public QObject {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static TShellMemFreeOnIdle& Instance();
    ~TShellMemFreeOnIdle() override;
    void Queue(std::unique_ptr<TItemIdList> list);
    // One idle slice; true when nothing is left.
    bool OnIdle();
    size_t Pending() const { return queue_.size(); }
    void SetClock(Clock clock) { clock_ = std::move(clock); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    TShellMemFreeOnIdle() = default;
    std::vector<std::unique_ptr<TItemIdList>> queue_;
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };
    int timer_ = 0;
};
void ShellFreeDeferred(std::unique_ptr<TItemIdList> list);

// Tells registered controls of mounts and unmounts (device arrival 0x8000,
// removal 0x8004), never inside the notification itself: the change is
// posted as message 1124 first.
class THyDeviceChangeHandler : public QObject {
public:
    using THandler = std::function<void(uint32_t msg, uintptr_t wParam, intptr_t lParam)>;
    static THyDeviceChangeHandler& Instance();
    void Register(const void* owner, THandler handler);
    void Unregister(const void* owner);
    // Compares the mount table with the last one and posts the differences.
    void MountsChanged(const std::vector<TMount>& mounts);
    // The mount points of media that can be taken out (by IsRemovable of
    // their device), as the last mount table had them.
    const std::vector<std::string>& RemovableRoots() const { return removableRoots_; }
    std::function<bool(const std::string& source)> IsRemovable = RemovableDevice;

protected:
    bool event(QEvent* event) override;

private:
    THyDeviceChangeHandler();
    std::vector<std::pair<const void*, THandler>> handlers_;
    void NoteRemovableRoots();
    std::vector<TMount> mounts_;
    std::vector<std::string> removableRoots_;
};

// The system formatter's syntax: %1 ... %99 with an optional !format!, %% and
// %n; at most 49 strings. Empty for an empty format.
WideString FormatMessageW(std::u16string_view format, const std::vector<WideString>& strings);

}  // namespace kestrune::shell
