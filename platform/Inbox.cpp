#include "Inbox.h"

#include <QCoreApplication>
#include <QEvent>

namespace tamrel::detail {

namespace {
const QEvent::Type kInboxEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

void InboxBase::Wake() {
    // Qt owns posted events; those not yet delivered die with the object.
    QCoreApplication::postEvent(this, new QEvent(kInboxEvent));
}

bool InboxBase::event(QEvent* event) {
    if (event->type() == kInboxEvent) {
        DeliverOne();
        return true;
    }
    return QObject::event(event);
}

} // namespace tamrel::detail
