#include "cw/CwKeyboard.h"

#include <algorithm>

namespace tamrel::cw {

namespace {

std::string withSpace(const std::string& text) {
    return text.empty() ? text : text + " ";
}

} // namespace

CwKeyboard::CwKeyboard(CwKeyboardHooks hooks, const Texts& stored, int32_t counter,
                       uint8_t outputMode)
    : hooks_(std::move(hooks)), counter_(counter), outputMode_(outputMode) {
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
    const MacroVariables vars = hooks_.macroVariables ? hooks_.macroVariables() : MacroVariables{};
    int32_t counter = counter_;
    const std::string expanded = KeyableText(ExpandMacros(text + " ", vars, counter, outputMode_));
    if (!Queue(expanded))
        return false;
    if (counter != counter_) {
        counter_ = counter;
        if (hooks_.counterChanged)
            hooks_.counterChanged(counter_, outputMode_);
    }
    return true;
}

bool CwKeyboard::Queue(const std::string& expanded) {
    if (pending_.size() + expanded.size() > kMaxQueuedCharacters) {
        if (hooks_.refused)
            hooks_.refused(kRefusedStatus);
        return false;
    }
    abortRed_ = true;
    if (hooks_.toThread)
        hooks_.toThread({msg::WM_K2_CW_QUEUE, kQueueText, Payload::of(expanded)});
    pending_ += expanded;
    return true;
}

bool CwKeyboard::TakeTyped(const std::string& piece) {
    const std::string keyable = KeyableText(piece);
    if (pending_.size() + keyable.size() > kMaxQueuedCharacters) {
        if (hooks_.refused)
            hooks_.refused(kRefusedStatus);
        return false;
    }
    pending_ += keyable;
    return true;
}

void CwKeyboard::Progress(uint64_t code, const std::string* chunk) {
    if (code == 8) {
        abortRed_ = false;
        return;
    }
    abortRed_ = true;
    if (chunk)
        pending_.erase(0, std::min(chunk->size(), pending_.size()));
}

void CwKeyboard::Abort() {
    abortRed_ = false;
    if (hooks_.toThread)
        hooks_.toThread({msg::WM_K2_CW_QUEUE, kQueueAbort, {}});
    pending_.clear();
    EndAutoplay();
}

void CwKeyboard::SetCounter(int32_t counter, uint8_t outputMode) {
    counter_ = counter;
    outputMode_ = outputMode;
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
    SendMemory(autoplay_.memory);
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
    SendMemory(autoplay_.memory);
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
