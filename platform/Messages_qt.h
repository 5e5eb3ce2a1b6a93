// Window messages between threads and controls: a posted message is one
// custom Qt event carrying (message, wParam, lParam). Posting is safe from
// any thread; the receiver handles the event on its own thread.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

namespace kestrune {

constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_DEVICECHANGE = 0x0219;

struct TMessage {
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
};

class TMessageEvent : public QEvent {
public:
    explicit TMessageEvent(const TMessage& message) : QEvent(EventType()), Message(message) {}
    static QEvent::Type EventType();
    TMessage Message;
};

// Queues the message for target; nothing for a null target.
void PostMessage(QObject* target, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Hands the message to target at once, on the calling thread.
bool SendMessage(QObject* target, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// The message of event, or none when it is not a posted message.
const TMessage* MessageOf(const QEvent* event);

}  // namespace kestrune
