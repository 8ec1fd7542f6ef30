#pragma once
// KeyerFeed: what the CW transmitting thread does with its text, free of the
// thread so that tests drive it step by step.
//
// Text waits in a ring of at most 2047 characters. The radio is asked with
// "KY;" whether its keyer buffer can take more; when it answers ready (KY2)
// the next chunk of at most 24 characters goes out, cut after the last break
// character, and the characters after that break wait at the head of the next
// chunk. Busy answers change nothing. Answers owed to queries that left before
// the last chunk describe the buffer as it was before that chunk, so they
// release nothing: counting queries and answers keeps chunks from going out
// back to back when replies are slow.
//
// Thread: one owner thread; nothing here locks.

#include "cw/CwText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

namespace tamrel::cw {

// The radio end of the feed: the KY commands and the status polling switch.
class KeyerLink {
public:
    virtual ~KeyerLink() = default;
    virtual void Query() = 0;                          // "KY;"
    virtual void SendText(std::string_view chunk) = 0; // "KY <chunk>;"
    virtual void Abort() = 0;                          // "KY @;"
    virtual void SetStatusPolling(bool on) = 0;
};

// What the feed tells the keyboard window.
struct ChunkSent {
    std::string chunk; // went out to the keyer
};
struct KeyerBusy {};  // asked while waiting: the keyer is still sending
struct KeyerReady {}; // all sent: the keyer is idle
using CwProgress = std::variant<ChunkSent, KeyerBusy, KeyerReady>;

class KeyerFeed {
public:
    using Notify = std::function<void(CwProgress progress)>;

    void SetLink(KeyerLink* link) { link_ = link; }
    void SetNotify(Notify notify) { notify_ = std::move(notify); }

    // Queues the keyable characters of the text whole, or nothing when they
    // do not all fit; false then.
    bool Append(std::string_view text);
    void KeyerState(int digit);
    void Abort();
    // Sends "KY;" and counts it (nothing without a link).
    void SendQuery();

    bool Sending() const { return sending_; }
    bool QueryWanted() const { return query_; }
    std::size_t Queued() const { return (write_ + kRingSize - read_) % kRingSize; }
    std::size_t FreeSpace() const { return kMaxQueuedCharacters - Queued(); }
    const std::string& HeldBack() const { return heldBack_; }
    // Counts chunks sent; the thread paces its next query from each.
    uint64_t ChunksSent() const { return chunksSent_; }

private:
    static constexpr std::size_t kRingSize = kMaxQueuedCharacters + 1;

    void OnReady();
    void SendChunk(const std::string& chunk);
    void Post(const CwProgress& progress) {
        if (notify_)
            notify_(progress);
    }
    void Polling(bool on) {
        if (link_)
            link_->SetStatusPolling(on);
    }

    KeyerLink* link_ = nullptr;
    Notify notify_;
    bool sending_ = false;
    bool query_ = false;
    std::array<char, kRingSize> ring_{};
    std::size_t read_ = 0;
    std::size_t write_ = 0;
    std::string heldBack_;
    // Queries whose answers have not come yet, and answers still owed to
    // queries sent before the last chunk (or abort).
    uint32_t openQueries_ = 0;
    uint32_t staleAnswers_ = 0;
    uint64_t chunksSent_ = 0;
};

} // namespace tamrel::cw
