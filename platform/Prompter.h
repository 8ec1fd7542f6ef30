#pragma once
// Message boxes and Yes/No questions, behind one small interface so that
// tests answer the questions and capture every text shown.

#include <mutex>
#include <string>
#include <vector>

namespace tamrel {

enum class PromptIcon { Error, Information, Question, Warning };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void tell(const std::string& text, PromptIcon icon) = 0;
    // True for Yes.
    virtual bool ask(const std::string& text, PromptIcon icon) = 0;
};

// For programs without windows: messages go to standard error, questions are
// answered Yes.
class StderrPrompter final : public Prompter {
public:
    void tell(const std::string& text, PromptIcon icon) override;
    bool ask(const std::string& text, PromptIcon icon) override;
};

// Records every text; answers questions with a preset answer. Thread-safe.
class RecordingPrompter final : public Prompter {
public:
    explicit RecordingPrompter(bool answer = true) : answer_(answer) {}
    void tell(const std::string& text, PromptIcon icon) override;
    bool ask(const std::string& text, PromptIcon icon) override;
    void setAnswer(bool answer);
    std::vector<std::string> texts() const;
    void clear();

private:
    mutable std::mutex mutex_;
    bool answer_;
    std::vector<std::string> texts_;
};

} // namespace tamrel
