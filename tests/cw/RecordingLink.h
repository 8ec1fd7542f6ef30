#pragma once
// A keyer link that writes down what the feed does to the radio, in order,
// as the wire would show it ("KY;", "KY CQ ;", "KY @;") plus "poll on"/"poll off".

#include "cw/KeyerFeed.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tamrel::test {

class RecordingLink final : public cw::KeyerLink {
public:
    void Query() override { add("KY;"); }
    void SendText(std::string_view chunk) override { add("KY " + std::string(chunk) + ";"); }
    void Abort() override { add("KY @;"); }
    void SetStatusPolling(bool on) override { add(on ? "poll on" : "poll off"); }

    std::vector<std::string> take() {
        std::lock_guard g(m_);
        return std::exchange(log_, {});
    }
    // Waits until pred holds for the log (or the time is up).
    template <class Pred>
    bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock g(m_);
        return cv_.wait_for(g, limit, [&] { return pred(log_); });
    }

private:
    void add(std::string s) {
        {
            std::lock_guard g(m_);
            log_.push_back(std::move(s));
        }
        cv_.notify_all();
    }
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> log_;
};

} // namespace tamrel::test
