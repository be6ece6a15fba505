#pragma once

#include "TestSupport.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "reports/ui/ReportSession.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace kest::test {

/// A data folder with the delivered example blanks and four days of hourly values of
/// controller 1A2F (archives 4 and 6, from 2 March 2024), and the shared state of the
/// report windows.
struct ReportWindowHome
{
    TempDir dir;
    std::filesystem::path data = dir / "data";
    BlankState blanks;
    PeriodTable periods;
    ExchangeState status;
    MemoryPrompter prompter;
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
            // Heat that grows by the hour (archive 4) and a temperature that follows the day (6).
            WriteArchiveRow(
                *db, ArchiveKind::Hourly,
                {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4), 10.0 + h * 0.5});
            WriteArchiveRow(*db, ArchiveKind::Hourly,
                            {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 6),
                             std::round(550.0 + 100.0 * std::sin(h * std::numbers::pi / 12)) / 10});
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

/// The same for a window that talks to the registrar before it opens (the archive
/// settings window reads record times and pumps events meanwhile): looks again every
/// 10 ms, for up to five seconds, until the window is the modal one.
template <typename Window> void whenModalOpens(std::function<void(Window&)> action, int triesLeft = 500)
{
    QTimer::singleShot(10, [action, triesLeft] {
        if (auto* w = qobject_cast<Window*>(QApplication::activeModalWidget()))
            action(*w);
        else if (triesLeft > 0)
            whenModalOpens<Window>(action, triesLeft - 1);
    });
}

/// Empty when Down moves the current cell of `view` from (`row`, `column`) one row on
/// and Up brings it back; else what went wrong, named by the view.
inline std::string arrowFault(QAbstractItemView& view, int row = 0, int column = 0)
{
    const std::string name = view.window()->objectName().toStdString() + "/" + view.objectName().toStdString();
    if (view.model()->rowCount() < row + 2)
        return name + ": too few rows to move";
    view.setFocus();
    view.setCurrentIndex(view.model()->index(row, column));
    const auto press = [&view](int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&view, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(&view, &up);
        QApplication::processEvents();
    };
    press(Qt::Key_Down);
    if (view.currentIndex().row() != row + 1)
        return name + ": Down left the current row at " + std::to_string(view.currentIndex().row());
    press(Qt::Key_Up);
    if (view.currentIndex().row() != row)
        return name + ": Up left the current row at " + std::to_string(view.currentIndex().row());
    return {};
}

} // namespace kest::test
