#include "WindowMailbox.h"

#include <QCoreApplication>
#include <QEvent>

#include <memory>

namespace tamrel {

namespace {
const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent final : QEvent {
    explicit MessageEvent(Message m) : QEvent(kMessageEvent), message(std::move(m)) {}
    Message message;
};
} // namespace

WindowMailbox::WindowMailbox(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    handle_ = Mailboxes::add([this](Message&& m) {
        // Qt takes ownership of posted events; pending ones die with the object.
        QCoreApplication::postEvent(this, std::make_unique<MessageEvent>(std::move(m)).release());
    });
}

WindowMailbox::~WindowMailbox() { Mailboxes::remove(handle_); }

bool WindowMailbox::event(QEvent* event) {
    if (event->type() == kMessageEvent) {
        handler_(std::move(static_cast<MessageEvent*>(event)->message));
        return true;
    }
    return QObject::event(event);
}

} // namespace tamrel
