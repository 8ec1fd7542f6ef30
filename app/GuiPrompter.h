#pragma once
// Message boxes and Yes/No questions on screen.

#include "platform/Prompter.h"

class QWidget;

namespace tamrel {

class GuiPrompter final : public Prompter {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    void tell(const std::string& text, PromptIcon icon) override;
    bool ask(const std::string& text, PromptIcon icon) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace tamrel
