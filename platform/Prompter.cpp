#include "Prompter.h"

#include <cstdio>

namespace tamrel {

void StderrPrompter::tell(const std::string& text, PromptIcon) {
    std::fprintf(stderr, "tamrel: %s\n", text.c_str());
}

bool StderrPrompter::ask(const std::string& text, PromptIcon) {
    std::fprintf(stderr, "tamrel: %s (yes)\n", text.c_str());
    return true;
}

void RecordingPrompter::tell(const std::string& text, PromptIcon) {
    std::lock_guard lock(mutex_);
    texts_.push_back(text);
}

bool RecordingPrompter::ask(const std::string& text, PromptIcon) {
    std::lock_guard lock(mutex_);
    texts_.push_back(text);
    return answer_;
}

void RecordingPrompter::setAnswer(bool answer) {
    std::lock_guard lock(mutex_);
    answer_ = answer;
}

std::vector<std::string> RecordingPrompter::texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
}

void RecordingPrompter::clear() {
    std::lock_guard lock(mutex_);
    texts_.clear();
}

} // namespace tamrel
