#pragma once
// The keys of the QSO windows, looked at before the dialog's own handling,
// wherever the focus is in the window: F1..F11 and Esc are function keys for
// the keyboard CW window (request 10, key index 0..10 or 27; Esc never closes
// the window), ALT+X is the exit question (request 9), ALT+L presses
// "Log It" where there is one.

#include <QObject>

#include <cstdint>
#include <functional>

class QWidget;

namespace tamrel {

class QsoWindowKeys final : public QObject {
public:
    using Request = std::function<void(uint64_t code, int64_t argument)>;

    // Watches the keys of `window`'s controls (not of the windows it opens)
    // for as long as it lives.
    QsoWindowKeys(QWidget& window, Request request, std::function<void()> logIt = {});
    ~QsoWindowKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    Request request_;
    std::function<void()> logIt_;
};

} // namespace tamrel
