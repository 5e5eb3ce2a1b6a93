#include "shell/UHyChangeHandler.h"

#include "platform/Messages_qt.h"

#include <algorithm>

namespace kestrune::shell {

TChangeHandlerThread::TChangeHandlerThread(QObject* owner, uint32_t messageId, int slotLimit)
    : OwnerWindow(owner), MessageId(messageId), SlotLimit(slotLimit), Thread([this] { Execute(); }) {}

TChangeHandlerThread::~TChangeHandlerThread() {
    Command = cmdStop;
    CommandEvent.Set();
    // The thread waits only on its own events, so the stop ends it at once.
    Thread.join();
}

void TChangeHandlerThread::Execute() {
    for (;;) {
        const int fds[] = {CommandEvent.Fd(), Core.Fd()};
        const int ready = WaitAny(fds, -1);
        if (ready == 0) {
            if (!CommandEvent.Reset()) continue;
            if (Command == cmdStop) return;
            RunCommand();
            AckEvent.Set();
        } else if (ready == 1) {
            PostChanges();
        } else if (ready == WaitFailed) {
            // Every descriptor is ours; should the wait fail anyway, drop the
            // watches and keep serving commands.
            Core.RemoveAll();
            Slots.assign(Slots.size(), false);
            const int commandOnly[] = {CommandEvent.Fd()};
            WaitAny(commandOnly, -1);
        }
    }
}

void TChangeHandlerThread::RunCommand() {
    if (Command == cmdAdd) {
        const size_t free = static_cast<size_t>(std::find(Slots.begin(), Slots.end(), false) - Slots.begin());
        ResultSlot = -1;
        const bool room = free < Slots.size() || SlotLimit == Unlimited || free < static_cast<size_t>(SlotLimit);
        if (room && Core.Add(static_cast<int>(free), PendingRequest.Path, PendingRequest.Filter, PendingRequest.Subtree)) {
            if (free == Slots.size()) Slots.push_back(false);
            Slots[free] = true;
            ResultSlot = static_cast<int>(free);
        }
    } else if (Command == cmdRemoveAll) {
        Core.RemoveAll();
        Slots.assign(Slots.size(), false);
    }
}

void TChangeHandlerThread::PostChanges() {
    for (const TSlotChange& change : Core.Drain()) {
        if (change.Slot < 0 || static_cast<size_t>(change.Slot) >= Slots.size()) continue;
        PostMessage(OwnerWindow, MessageId, static_cast<uintptr_t>(change.Slot), 0);
        if (change.RootGone) Slots[static_cast<size_t>(change.Slot)] = false;
    }
}

bool TChangeHandlerThread::SendCommand(TCommand command) {
    Command = command;
    AckEvent.Reset();
    CommandEvent.Set();
    return AckEvent.Wait(AckTimeoutMs);
}

bool TChangeHandlerThread::AddWatch(const std::string& path, uint32_t filter, int& slot, bool subtree) {
    if (path.empty()) return false;
    PendingRequest = {path, filter, subtree};
    if (!SendCommand(cmdAdd) || ResultSlot < 0) return false;
    slot = ResultSlot;
    return true;
}

void TChangeHandlerThread::RemoveAllWatches() { SendCommand(cmdRemoveAll); }

}  // namespace kestrune::shell
