#include "cw/KeyerFeed.h"

#include <algorithm>

namespace tamrel::cw {

bool KeyerFeed::Append(std::string_view text) {
    const std::string keyable = KeyableText(text);
    if (keyable.empty())
        return true;
    // A text cut short on air reads as a different message: all or nothing.
    if (keyable.size() > FreeSpace())
        return false;
    if (!sending_) {
        sending_ = true;
        query_ = true;
        Polling(false);
    }
    for (char c : keyable) {
        ring_[write_] = c;
        write_ = (write_ + 1) % kRingSize;
    }
    return true;
}

void KeyerFeed::SendQuery() {
    if (!link_)
        return;
    link_->Query();
    ++openQueries_;
}

void KeyerFeed::KeyerState(int digit) {
    if (staleAnswers_ > 0) {
        --staleAnswers_;
        return;
    }
    if (openQueries_ > 0)
        --openQueries_;
    if (digit == 2) {
        OnReady();
    } else if (digit == 0 || digit == 1) {
        if (query_)
            Post(KeyerBusy{});
        else
            Post(KeyerReady{});
    }
}

void KeyerFeed::OnReady() {
    if (query_) {
        Post(KeyerReady{});
        query_ = false;
        Polling(true);
    }
    std::size_t n = Queued();
    if (!sending_) {
        if (heldBack_.empty() && n == 0)
            return;
        sending_ = true;
        Polling(false);
    }
    std::string chunk;
    chunk.swap(heldBack_);
    if (n == 0) {
        sending_ = false;
        query_ = true;
        // A remainder with nothing after it still has to be keyed.
        if (!chunk.empty())
            SendChunk(chunk);
        return;
    }
    const std::size_t t = std::min(n, kMaxChunk - chunk.size());
    std::string taken;
    taken.reserve(t);
    for (std::size_t i = 0; i < t; ++i) {
        taken.push_back(ring_[read_]);
        read_ = (read_ + 1) % kRingSize;
    }
    // A word longer than a chunk goes out as it is.
    std::size_t cut = taken.size();
    for (std::size_t i = taken.size(); i > 0; --i)
        if (IsBreakCharacter(taken[i - 1])) {
            cut = i;
            break;
        }
    chunk.append(taken, 0, cut);
    heldBack_.assign(taken, cut);
    SendChunk(chunk);
}

void KeyerFeed::SendChunk(const std::string& chunk) {
    query_ = true;
    if (!link_)
        return;
    link_->SendText(chunk);
    ++chunksSent_;
    staleAnswers_ += openQueries_;
    openQueries_ = 0;
    Post(ChunkSent{chunk});
}

void KeyerFeed::Abort() {
    sending_ = false;
    query_ = false;
    read_ = write_ = 0;
    heldBack_.clear();
    if (!link_)
        return;
    link_->Abort();
    // What the radio answers to earlier queries no longer describes its buffer.
    staleAnswers_ += openQueries_;
    openQueries_ = 0;
    // No KY2 follows an abort unasked: ask until the keyer reports done, so
    // that everyone who reads the answers (the TX lamp) sees it stop.
    query_ = true;
}

} // namespace tamrel::cw
