#pragma once

#include "TestSupport.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "reports/ui/ReportSession.h"

#include <QApplication>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kest::test {

/// Records every box and answers questions from a queue (the default answer when the
/// queue is empty).
class QueuedPrompter final : public Prompter
{
public:
    void showError(const std::string& text) override { errors.push_back(text); }
    void showInfo(const std::string& text) override { infos.push_back(text); }
    bool ask(const std::string& question, bool defaultAnswer) override
    {
        questions.push_back(question);
        if (answers.empty())
            return defaultAnswer;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<bool> answers;
    std::vector<std::string> errors, infos, questions;
};

/// A data folder with the delivered example blanks and four days of hourly values of
/// controller 1A2F (archives 4 and 6), and the shared state of the report windows.
struct ReportWindowHome
{
    TempDir dir;
    std::filesystem::path data = dir / "data";
    BlankState blanks;
    PeriodTable periods;
    ExchangeState status;
    QueuedPrompter prompter;
    ReportSession session{blanks, periods, status, prompter};

    ReportWindowHome()
    {
        std::filesystem::create_directories(data);
        std::filesystem::copy_file(std::filesystem::path(KEST_SOURCE_DIR) / "data/blanks/BLANK.INI",
                                   data / "BLANK.INI");
        writeFile(dir / "NN.INI", "[TIME]\r\nPUT=" + data.string() + "/\r\n");
        blanks.DatabasePath = data.string() + "/";
        std::string error;
        auto db = OpenArchiveDatabase(blanks.DatabasePath, true, &error);
        const DateTime start = *encodeDateTime(2024, 3, 2);
        for (int h = 0; h < 96; ++h) {
            for (int a : {4, 6})
                WriteArchiveRow(
                    *db, ArchiveKind::Hourly,
                    {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, a), 10.0 + h * 0.5});
        }
    }
};

/// Runs `action` on the modal window that opens next, once it is shown.
template <typename Window> void whenModal(std::function<void(Window&)> action)
{
    QTimer::singleShot(0, [action] {
        auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (w)
            action(*w);
    });
}

} // namespace kest::test
