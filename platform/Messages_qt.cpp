#include "platform/Messages_qt.h"

#include <QCoreApplication>

namespace kestrune {

QEvent::Type TMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostMessage(QObject* target, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (target) QCoreApplication::postEvent(target, new TMessageEvent({msg, wParam, lParam}));
}

bool SendMessage(QObject* target, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!target) return false;
    TMessageEvent event({msg, wParam, lParam});
    return QCoreApplication::sendEvent(target, &event);
}

const TMessage* MessageOf(const QEvent* event) {
    if (!event || event->type() != TMessageEvent::EventType()) return nullptr;
    return &static_cast<const TMessageEvent*>(event)->Message;
}

}  // namespace kestrune
