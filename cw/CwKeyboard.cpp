#include "cw/CwKeyboard.h"

#include <algorithm>

namespace tamrel::cw {

namespace {

std::string withSpace(const std::string& text) {
    return text.empty() ? text : text + " ";
}

} // namespace

CwKeyboard::CwKeyboard(KeyboardServices& services, const Texts& stored) : services_(services) {
    for (int i = 0; i < kMemoryKeys; ++i)
        ReplaceMemory(i, stored[std::size_t(i)]);
}

bool CwKeyboard::AnyMemory() const {
    return std::any_of(memory_.begin(), memory_.end(), [](auto& m) { return !m.empty(); });
}

void CwKeyboard::ReplaceMemory(int i, const std::string& text) {
    if (i < 0 || i >= kMemoryKeys)
        return;
    memory_[std::size_t(i)] = withSpace(text);
}

bool CwKeyboard::SendMemory(int i) {
    if (MemoryEmpty(i))
        return false;
    return SendText(Memory(i).substr(0, Memory(i).size() - 1));
}

bool CwKeyboard::SendText(const std::string& text) {
    const std::string withBreak = text + " ";
    // Read afresh: the counter dialog or the configuration sheet may have set it.
    const SerialCounter stored = UsesSerial(withBreak) ? services_.Counter() : SerialCounter{};
    int32_t counter = stored.value;
    const std::string expanded =
        KeyableText(ExpandMacros(withBreak, services_.Variables(), counter, stored.outputMode));
    if (!Queue(expanded))
        return false;
    if (counter != stored.value)
        services_.StoreCounter({counter, stored.outputMode});
    return true;
}

bool CwKeyboard::Fits(const std::string& text) {
    if (pending_.size() + text.size() <= kMaxQueuedCharacters)
        return true;
    services_.Refused(kRefusedStatus);
    return false;
}

bool CwKeyboard::Queue(const std::string& expanded) {
    if (!Fits(expanded))
        return false;
    abortRed_ = true;
    services_.QueueText(expanded);
    pending_ += expanded;
    return true;
}

bool CwKeyboard::TakeTyped(const std::string& piece) {
    const std::string keyable = KeyableText(piece);
    if (!Fits(keyable))
        return false;
    services_.QueueText(keyable);
    pending_ += keyable;
    return true;
}

void CwKeyboard::Progress(const CwProgress& progress) {
    abortRed_ = !std::holds_alternative<KeyerReady>(progress);
    if (const auto* sent = std::get_if<ChunkSent>(&progress))
        pending_.erase(0, std::min(sent->chunk.size(), pending_.size()));
    // Ready before the last chunk only means the keyer can take more.
    if (std::holds_alternative<KeyerReady>(progress) && pending_.empty())
        playing_ = false;
}

void CwKeyboard::Abort() {
    abortRed_ = false;
    services_.AbortQueue();
    pending_.clear();
    EndAutoplay();
}

void CwKeyboard::ConfigureAutoplay(const AutoplaySettings& settings) {
    autoplay_ = settings;
    autoplay_.memory = std::clamp(autoplay_.memory, 0, kMemoryKeys - 1);
    autoplay_.count = std::clamp(autoplay_.count, 0, 1000);
    autoplayConfigured_ = true;
}

bool CwKeyboard::StartAutoplay() {
    if (MemoryEmpty(autoplay_.memory))
        return false;
    autoplayRunning_ = true;
    Play();
    untilInterrupted_ = autoplay_.count == 0;
    // Counted on a copy: "AutoPlay Repeat" plays as many times again.
    playsLeft_ = autoplay_.count;
    if (!untilInterrupted_ && playsLeft_-- == 1)
        EndAutoplay();
    return true;
}

void CwKeyboard::Tick() {
    if (!autoplayRunning_)
        return;
    Play();
    if (!untilInterrupted_ && playsLeft_-- <= 1)
        EndAutoplay();
}

} // namespace tamrel::cw

namespace tamrel::cw {

int StepIntervalIndex(int index, int delta) {
    const int last = int(kAutoplayIntervals.size()) - 1;
    if (delta >= 0)
        return index <= 0 ? last : index - 1;
    return index >= last ? 0 : index + 1;
}

int StepCount(int count, int delta) {
    if (delta >= 0)
        return count - 1 < 1 ? 1000 : count - 1;
    return count + 1 > 1000 ? 1 : count + 1;
}

int StepDigits(int digits, int delta) {
    if (delta >= 0)
        return digits - 1 < 0 ? 5 : digits - 1;
    return digits + 1 > 5 ? 0 : digits + 1;
}

int IntervalIndexOf(int seconds) {
    for (std::size_t i = 0; i < kAutoplayIntervals.size(); ++i)
        if (kAutoplayIntervals[i] == seconds)
            return int(i);
    return 2;
}

} // namespace tamrel::cw
