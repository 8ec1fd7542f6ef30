#include "WindowMailbox.h"

#include <QCoreApplication>
#include <QEvent>

#include <memory>
#include <optional>

namespace tamrel {

namespace {
const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

WindowMailbox::WindowMailbox(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    handle_ = Mailboxes::add([this](Message&& m) {
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(m));
        }
        // Qt takes ownership of posted events; pending ones die with the object.
        QCoreApplication::postEvent(this, std::make_unique<QEvent>(kMessageEvent).release());
    });
}

WindowMailbox::~WindowMailbox() {
    Mailboxes::remove(handle_);
}

bool WindowMailbox::event(QEvent* event) {
    if (event->type() == kMessageEvent) {
        std::optional<Message> m;
        {
            std::lock_guard lock(mutex_);
            if (!pending_.empty()) {
                m = std::move(pending_.front());
                pending_.pop_front();
            }
        }
        if (m)
            handler_(std::move(*m));
        return true;
    }
    return QObject::event(event);
}

} // namespace tamrel
