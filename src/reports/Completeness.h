#pragma once

#include "common/DateTime.h"
#include "db/ArchiveTables.h"
#include "grid/PrintJob.h"
#include "grid/TableModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// Which archives to check, and over which days.
struct CompletenessRequest
{
    DateTime firstDay = 0; ///< whole days, both included
    DateTime lastDay = 0;
    std::optional<std::int64_t> controller;
    std::optional<ArchiveKind> kind;
};

/// Consecutive missing slots, both ends included.
struct MissingSpan
{
    DateTime first = 0;
    DateTime last = 0;

    bool operator==(const MissingSpan&) const = default;
};

/// How full one archive is over the period.
struct ArchiveCompleteness
{
    std::int64_t controller = 0;
    ArchiveKind kind = ArchiveKind::Hourly;
    int number = 0;
    std::int64_t expected = 0; ///< slots the period holds
    std::int64_t present = 0;  ///< slots that hold a row
    std::int64_t offGrid = 0;  ///< rows inside the period at times that are no slot
    std::vector<MissingSpan> missing;
};

/// The slots of an archive kind over whole days: every hour from 0:00 of the first
/// day to 23:00 of the last (hourly), every day at 0:00 (daily), the first of every
/// month from the first day's month to the last day's (monthly), every multiple of
/// `intervalMinutes` from 0:00 of the first day to the last one of the last day
/// (interval).
class SlotGrid
{
public:
    SlotGrid(ArchiveKind kind, DateTime firstDay, DateTime lastDay, int intervalMinutes = 5);

    std::int64_t count() const { return m_count; }
    /// The slot's time.
    DateTime time(std::int64_t index) const;
    /// The slot at exactly that time (seconds since 1899-12-30), or nothing.
    std::optional<std::int64_t> indexOf(std::int64_t seconds) const;
    /// The rows that belong to the period: from `rangeStart` on, before `rangeEnd`.
    DateTime rangeStart() const;
    DateTime rangeEnd() const;

private:
    ArchiveKind m_kind;
    std::int64_t m_start = 0; ///< seconds, or the month index of a monthly grid
    std::int64_t m_step = 0;  ///< seconds; 0 for months
    std::int64_t m_count = 0;
};

/// Counts present, missing and off-grid rows of every archive that has a row anywhere
/// in its table, for the chosen controller and kind; ordered by controller, kind and
/// number. Interval archives step by the controller's smin (outside 1..60: 5).
DbStatus
CheckCompleteness(ArchiveDatabase& db, const CompletenessRequest& request, std::vector<ArchiveCompleteness>& out);

/// "часовой", "суточный", "месячный", "интервальный".
std::string ArchiveKindWord(ArchiveKind kind);
/// "dd.MM.yyyy HH:mm" (hourly, interval), "dd.MM.yyyy" (daily), "MM.yyyy" (monthly).
std::string SlotText(ArchiveKind kind, DateTime t);
/// The missing spans: "first - last" or a lone slot, joined by ", ".
std::string MissingSpansText(const ArchiveCompleteness& archive);

/// A controller as the completeness window lists it: "0A1F Котельная №3".
std::string ControllerLabel(const ControllerRow& row);

/// A line summing the check up: how many archives were looked at and how many of
/// them have holes or rows off the grid.
std::string CompletenessSummary(const std::vector<ArchiveCompleteness>& archives);

/// The table of the results: a heading row, then one row per archive.
TableModel CompletenessTable(const std::vector<ArchiveCompleteness>& archives);

/// What the printed table covers: the period, the controller ("все контроллеры" when
/// `controllerLabel` is empty) and the kind when one is chosen, e.g.
/// "за период с 01.03.2024 по 31.03.2024, контроллер 0A1F Котельная №3".
std::string CompletenessPeriodLine(const CompletenessRequest& request, const std::string& controllerLabel);

/// The table as printed: "Полнота архива" and the period line over the first page,
/// the later pages numbered.
PrintJob CompletenessPrintJob(const TableModel& table, const std::string& periodLine);

} // namespace kest
