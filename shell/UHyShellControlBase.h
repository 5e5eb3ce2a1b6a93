// What the shell list and tree share: the owner's part in their shell
// menus, their delays and messages, and the small helpers both use (the
// hourglass, scoped counters, folder enumeration, key commands, the menu).
#pragma once

#include "platform/Messages_qt.h"
#include "shell/UHyShellData.h"
#include "shell/UHyShellDragDrop.h"
#include "shell/UHyShellTransfer.h"

#include <QKeyEvent>

#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

class QMenu;

namespace kestrune::shell {

// The owner's part in a shell context menu: before it pops up it may add
// entries (custom identifiers from 100) or cancel it; after a choice it may
// forbid what the control would do with it; while an entry is hovered it
// gets the entry's help text.
template <typename TItem>
struct THyShellMenuEvents {
    std::function<void(QMenu& menu, TItem item, int nextCustomId, bool& cancel)> OnBeforeShellMenuPopup;
    std::function<void(TItem item, uint32_t chosenId, bool& allowDefault)> OnAfterShellMenuSelection;
    std::function<void(const WideString& hint)> OnPopupHint;
};

// Change-refresh delays, with and without the focus; the tree's hand-over delay.
constexpr int RefreshDelayFocused = 400;
constexpr int RefreshDelayUnfocused = 2000;
constexpr int SelectionHandOverDelay = 500;
// The longest change messages put a refresh off: a folder where another
// program changes something all the time (a staging folder, a status file
// written and renamed every second) is still shown as it is this often.
constexpr int MaxRefreshWait = 2000;

// When the refresh that change messages ask for is due. Each message puts
// it off by the control's delay, so that a burst ends in one refresh, but
// never further than MaxRefreshWait after the first message it answers.
class TChangeDelay {
public:
    // The wait for a message that arrives now.
    int Next(int delay);
    // The refresh ran (or the wait was given up): the next message starts afresh.
    void Answered() { first_.reset(); }
    // A clock in milliseconds; tests feed messages on a clock of their own.
    using TClock = std::function<int64_t()>;
    static void SetClock(TClock clock);

private:
    std::optional<int64_t> first_;
};

// Waits after a rename and a new folder before the refresh.
constexpr int RenameRefreshDelay = 1000;
constexpr int NewFolderDelay = 1000;
constexpr int NewFolderDesktopDelay = 2100;

// Messages the controls post to themselves besides the change (1125).
constexpr uint32_t WM_HY_EDITPENDING = WM_USER + 102;  // 1126
constexpr uint32_t WM_HY_FIRSTFILL = WM_USER + 103;    // 1127
constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr uint32_t MenuFirst = 1000, MenuLast = 32767, MenuRename = 1018;
constexpr uint32_t CmfExplore = 4, CmfCanRename = 16, CmfExtendedVerbs = 0x100;

// The hourglass while a fill runs, restored however it ends.
struct THourglass {
    THourglass();
    ~THourglass();
};

// A counter raised for a scope.
struct TLock {
    explicit TLock(int& counter) : counter_(counter) { ++counter_; }
    ~TLock() { --counter_; }
    int& counter_;
};

bool ShiftDown();
void ShowRenameError(HRESULT result);
// A new name the locale cannot write (it would reach the disk with "?"s) is refused and told.
bool NameCanBeWritten(const WideString& name);
[[noreturn]] void RaiseSystemError(HRESULT code);

// Enumerates a folder: false for a silent end (it cannot start, or ends with one of silentEnds).
bool EnumerateFolder(IShellFolder* folder, uint32_t flags, std::vector<TItemIdList>& items,
                     std::initializer_list<HRESULT> silentEnds);
// The folder's order of two items by name (0 when the comparison fails).
int FolderOrder(IShellFolder& folder, const TItemIdList& a, const TItemIdList& b);

// The command of the key (Del matches also with Shift held), or kcCount.
THyKeyCommand KeyCommandOf(const QKeyEvent& event);

// The owner's events of one shell menu, bound to the item it is shown for.
struct TShellMenuHooks {
    std::function<void(QMenu& menu, int nextCustomId, bool& cancel)> BeforePopup;
    std::function<void(uint32_t chosenId, bool& allowDefault)> AfterSelection;
    std::function<void(const WideString& hint)> Hint;
};
template <typename TItem>
TShellMenuHooks MenuHooksOf(const THyShellMenuEvents<TItem>& events, TItem item) {
    TShellMenuHooks hooks;
    if (events.OnBeforeShellMenuPopup)
        hooks.BeforePopup = [&events, item](QMenu& menu, int id, bool& cancel) { events.OnBeforeShellMenuPopup(menu, item, id, cancel); };
    if (events.OnAfterShellMenuSelection)
        hooks.AfterSelection = [&events, item](uint32_t id, bool& allow) { events.OnAfterShellMenuSelection(item, id, allow); };
    hooks.Hint = events.OnPopupHint;
    return hooks;
}

// The shell menu of items in a popup, with the Send-To entries as a sub-menu
// (identifiers 1 to 99), raising the owner's events; the chosen identifier,
// 0 for none or when the owner cancelled the menu or forbade the choice.
uint32_t TrackShellMenu(IContextMenu& menu, uint32_t flags, QWidget* owner, QPoint screenPoint,
                        const TShellMenuHooks& hooks, std::vector<TMenuCommand>& commands,
                        std::vector<TSendToEntry>& sendTo);

bool IsRenameCommand(const std::vector<TMenuCommand>& commands, uint32_t id);

// An owner event handed on as it stands when the drop comes, set or not.
TOleDropEvent Forward(const TOleDropEvent& event);

}  // namespace kestrune::shell
