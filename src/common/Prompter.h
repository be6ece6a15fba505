#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace kest {

/// Message boxes and questions. The windows show boxes; the command line writes
/// each text to stderr on one line and takes the default answer.
class Prompter
{
public:
    virtual ~Prompter() = default;
    /// An error box with a single OK button.
    virtual void showError(const std::string& text) = 0;
    /// An information box with a single OK button.
    virtual void showInfo(const std::string& text) = 0;
    /// A yes/no question; `defaultAnswer` is what a headless run takes.
    virtual bool ask(const std::string& question, bool defaultAnswer) = 0;
};

class StreamPrompter final : public Prompter
{
public:
    explicit StreamPrompter(std::ostream& err) : m_err(err) {}
    void showError(const std::string& text) override { m_err << text << '\n' << std::flush; }
    void showInfo(const std::string& text) override { m_err << text << '\n' << std::flush; }
    bool ask(const std::string& question, bool defaultAnswer) override
    {
        m_err << question << '\n' << std::flush;
        return defaultAnswer;
    }

private:
    std::ostream& m_err;
};

/// Records every box, for tests. A question takes the next queued answer, so a test
/// can say "Нет" to the second question and "Да" to the third; once the queue is
/// empty, each question takes its default answer like a headless run.
class MemoryPrompter final : public Prompter
{
public:
    void showError(const std::string& text) override { errors.push_back(text); }
    void showInfo(const std::string& text) override { infos.push_back(text); }
    bool ask(const std::string& question, bool defaultAnswer) override
    {
        questions.push_back(question);
        if (answers.empty())
            return defaultAnswer;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> errors, infos, questions;
    /// Answers for the coming questions, first in line first.
    std::deque<bool> answers;
};

} // namespace kest
