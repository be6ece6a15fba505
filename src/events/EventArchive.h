#pragma once

#include "common/DateTime.h"
#include "reports/ReportPeriod.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// One row of the event window's controller grid.
struct EventGridRow
{
    std::string name; ///< SNAME as stored
    std::string code; ///< four hexadecimal digits; "..." for a controller code of 0
};

/// The event window's controller grid as read from meranb.
struct EventGrid
{
    std::vector<EventGridRow> rows;
    /// The controller table could not be read; `message` says why.
    bool EventListFailed = false;
    std::string message;
};

/// The controllers known to the database in DatabasePath, in table order.
EventGrid LoadEventGrid(const std::filesystem::path& DatabasePath);

/// The code column's text: four upper-case hexadecimal digits, "..." for "0000".
std::string eventControllerCode(std::int64_t scode);

/// The event window's period: from `hour` o'clock of the day of `today` to `hour`
/// o'clock of the next day.
ReportPeriod eventPeriod(DateTime today, int hour);

/// "c 0 часов 10.12.2026 г. по 0 часов 11.12.2026 г." for an entry of the period table.
std::string eventPeriodCaption(const ReportPeriod& period);

} // namespace kest
