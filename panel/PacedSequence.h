#pragma once
// Steps run one after another on the GUI thread with a pause after each, as
// the radio wants for multi-command sequences (the initial query sends a
// command every 100 ms). The pauses are timers, so the window stays
// responsive while a sequence runs. Starting a sequence again restarts it.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace tamrel {

class PacedSequence final : public QObject {
public:
    using Step = std::function<void()>;

    explicit PacedSequence(QObject* parent = nullptr);

    void start(std::vector<Step> steps, std::chrono::milliseconds pause);
    void stop();
    bool running() const { return next_ < steps_.size(); }

private:
    void runNext();

    QTimer timer_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
};

} // namespace tamrel
