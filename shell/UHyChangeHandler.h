// The folder-change watcher of the shell tree and list: a thread that waits on
// the folders the control watches and posts the control a message naming the
// slot that changed. The control asks for watches through a command protocol.
// One inotify instance holds thousands of watches: the 63 slots of the
// system wait the design was made for are the default, and a control that
// watches every folder it shows asks for as many as it needs.
#pragma once

#include "platform/FolderWatch.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class QObject;

namespace kestrune::shell {

class TChangeHandlerThread {
public:
    static constexpr int SlotCount = 63;
    // A slot limit of none: slots are added as watches ask for them.
    static constexpr int Unlimited = 0;
    static constexpr int AckTimeoutMs = 2000;
    enum TCommand : uint8_t { cmdAdd = 0, cmdRemoveAll = 2, cmdStop = 3 };

    // owner: receives MessageId with wParam = the slot that fired (none: post nothing).
    TChangeHandlerThread(QObject* owner, uint32_t messageId, int slotLimit = SlotCount);
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread&) = delete;
    TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

    // Watches path for the filter's changes (and below it with subtree); slot
    // is set only on success. False for an empty or unwatchable path, when
    // every slot is taken, or when the thread does not answer in time.
    bool AddWatch(const std::string& path, uint32_t filter, int& slot, bool subtree);
    void RemoveAllWatches();

private:
    struct TRequest {
        std::string Path;
        uint32_t Filter = 0;
        bool Subtree = false;
    };
    void Execute();
    void RunCommand();
    void PostChanges();
    bool SendCommand(TCommand command);

    QObject* OwnerWindow;
    uint32_t MessageId;
    TAutoResetEvent CommandEvent;
    TAutoResetEvent AckEvent;
    TFolderWatchCore Core;
    int SlotLimit;
    std::vector<bool> Slots;  // in use; changed only on the watcher thread
    TRequest PendingRequest;
    int ResultSlot = -1;
    TCommand Command = cmdAdd;
    std::thread Thread;
};

}  // namespace kestrune::shell
