#include "shell/UHyShellControlBase.h"

#include "platform/DialogService.h"
#include "platform/Guarded.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShellUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>
#include <chrono>

namespace kestrune::shell {

namespace {

TChangeDelay::TClock& ChangeClock() {
    static TChangeDelay::TClock clock;
    return clock;
}

int64_t ChangeClockNow() {
    if (ChangeClock()) return ChangeClock()();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int TChangeDelay::Next(int delay) {
    const int64_t now = ChangeClockNow();
    if (!first_) first_ = now;
    return static_cast<int>(std::clamp<int64_t>(*first_ + MaxRefreshWait - now, 0, delay));
}

void TChangeDelay::SetClock(TClock clock) { ChangeClock() = std::move(clock); }

THourglass::THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
THourglass::~THourglass() { QApplication::restoreOverrideCursor(); }

namespace {

// The shortcut code of a key event as the command table writes it.
uint16_t ShortCutOf(const QKeyEvent& event, bool withShift) {
    uint16_t key = 0;
    const int qtKey = event.key();
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) key = static_cast<uint16_t>('A' + (qtKey - Qt::Key_A));
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) key = static_cast<uint16_t>(0x70 + (qtKey - Qt::Key_F1));
    else if (qtKey == Qt::Key_Delete) key = 0x2E;
    else return 0;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (withShift && (modifiers & Qt::ShiftModifier)) key |= 0x2000;
    if (modifiers & Qt::ControlModifier) key |= 0x4000;
    if (modifiers & Qt::AltModifier) key |= 0x8000;
    return key;
}

}  // namespace

bool ShiftDown() { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

void ShowRenameError(HRESULT result) {
    TDialogService::Instance().ShowMessage(SysErrorMessage(static_cast<uint32_t>(result) & 0xFFFF), {}, TMsgDlgType::mtError);
}

bool NameCanBeWritten(const WideString& name) {
    const std::u16string refused = CharactersNoFileNameHolds(name);
    if (refused.empty()) return true;
    TDialogService::Instance().ShowMessage(
        FormatResStr(res::SNameCharactersNotWritten, {Utf16ToUtf8(refused), LocaleCodeset()}), {}, TMsgDlgType::mtError);
    return false;
}

[[noreturn]] void RaiseSystemError(HRESULT code) { throw Exception(SysErrorMessage(static_cast<uint32_t>(code))); }

bool EnumerateFolder(IShellFolder* folder, uint32_t flags, std::vector<TItemIdList>& items,
                     std::initializer_list<HRESULT> silentEnds) {
    std::unique_ptr<IEnumIdList> enumerator;
    if (!folder || !ole::Succeeded(folder->EnumObjects(flags, enumerator)) || !enumerator) return false;
    items.reserve(500);
    for (;;) {
        TItemIdList item;
        const HRESULT result = enumerator->Next(item);
        if (result == ole::S_OK) {
            items.push_back(std::move(item));
        } else if (result == ole::S_FALSE || result == static_cast<HRESULT>(0x80070103)) {
            return true;
        } else if (std::find(silentEnds.begin(), silentEnds.end(), result) != silentEnds.end()) {
            items.clear();
            return false;
        } else {
            RaiseSystemError(result);
        }
    }
}

int FolderOrder(IShellFolder& folder, const TItemIdList& a, const TItemIdList& b) {
    const HRESULT result = folder.CompareIDs(0, a, b);
    return ole::Succeeded(result) ? CompareResult(result) : 0;
}

THyKeyCommand KeyCommandOf(const QKeyEvent& event) {
    const auto& commands = KeyCommands();
    for (int command = 0; command < kcCount; ++command) {
        const bool shiftFree = command == kcDelete;
        if (commands[static_cast<size_t>(command)] == ShortCutOf(event, !shiftFree))
            return static_cast<THyKeyCommand>(command);
    }
    return kcCount;
}

uint32_t TrackShellMenu(IContextMenu& menu, uint32_t flags, QWidget* owner, QPoint screenPoint,
                        const TShellMenuHooks& hooks, std::vector<TMenuCommand>& commands,
                        std::vector<TSendToEntry>& sendTo) {
    constexpr int FirstCustomId = 100;
    menu.QueryContextMenu(commands, MenuFirst, MenuLast, flags);
    QMenu popup(owner);
    for (const TMenuCommand& command : commands)
        popup.addAction(QString::fromStdString(command.Text))->setData(command.Id);
    sendTo = SendToEntries();
    if (!sendTo.empty()) {
        popup.addSeparator();
        QMenu* sub = popup.addMenu(QString::fromStdString(resStr(res::SSendTo)));
        for (size_t k = 0; k < sendTo.size() && k < 99; ++k)
            sub->addAction(QIcon(SystemIcon(sendTo[k].IconIndex, false)), QString::fromStdU16String(sendTo[k].Text))
                ->setData(static_cast<uint32_t>(k + 1));
    }
    bool cancel = false;
    if (hooks.BeforePopup) hooks.BeforePopup(popup, FirstCustomId, cancel);
    if (cancel) return 0;
    if (hooks.Hint) {
        QObject::connect(&popup, &QMenu::hovered, &popup, [&](QAction* action) {
            const uint32_t id = action->data().toUInt();
            for (const TMenuCommand& command : commands)
                if (command.Id == id) Guarded([&] { hooks.Hint(Utf8ToUtf16(command.Help)); });
        });
    }
    const QAction* chosen = popup.exec(screenPoint);
    const uint32_t id = chosen ? chosen->data().toUInt() : 0;
    bool allowDefault = true;
    if (id != 0 && hooks.AfterSelection) hooks.AfterSelection(id, allowDefault);
    return allowDefault ? id : 0;
}

bool IsRenameCommand(const std::vector<TMenuCommand>& commands, uint32_t id) {
    if (id == MenuRename) return true;
    for (const TMenuCommand& command : commands)
        if (command.Id == id) return command.Verb == "rename";
    return false;
}

TOleDropEvent Forward(const TOleDropEvent& event) {
    return [&event](const std::shared_ptr<ole::IDataObject>& object, uint32_t keys, QPoint point, uint32_t& effect,
                    HRESULT& result) {
        if (event) event(object, keys, point, effect, result);
    };
}

}  // namespace kestrune::shell
