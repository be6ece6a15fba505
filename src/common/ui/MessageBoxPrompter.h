#pragma once

#include "common/Prompter.h"

class QWidget;

namespace kest {

/// The windows' message boxes: errors and information with one OK button, questions
/// with "OK" and "No".
class MessageBoxPrompter final : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void showError(const std::string& text) override;
    void showInfo(const std::string& text) override;
    bool ask(const std::string& question, bool defaultAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace kest
