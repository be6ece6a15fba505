#include "events/EventArchive.h"

#include "common/Hex.h"
#include "db/ArchiveTables.h"
#include "reports/ReportWords.h"

namespace kest {

EventGrid LoadEventGrid(const std::filesystem::path& DatabasePath)
{
    EventGrid list;
    std::string error;
    // Never create the database here: an absent one is a failure like a broken one.
    const auto db = OpenArchiveDatabase(DatabasePath, false, &error);
    std::vector<ControllerRow> rows;
    if (db) {
        const DbStatus status = SelectAllControllers(*db, rows);
        if (!status.ok())
            error = status.message;
    }
    if (!db || !error.empty()) {
        list.EventListFailed = true;
        list.message = error;
        return list;
    }
    for (const ControllerRow& row : rows)
        list.rows.push_back({row.sname, eventControllerCode(row.scode)});
    return list;
}

std::string eventControllerCode(std::int64_t scode)
{
    const std::string hex = toHex(static_cast<std::uint64_t>(scode), 4);
    return hex == "0000" ? "..." : hex;
}

ReportPeriod eventPeriod(DateTime today, int hour)
{
    ReportPeriod period;
    period.startDate = dateOf(today);
    period.endDate = period.startDate + 1;
    period.startHour = static_cast<std::uint8_t>(hour);
    period.endHour = static_cast<std::uint8_t>(hour);
    return period;
}

std::string eventPeriodCaption(const ReportPeriod& period)
{
    return EventPeriodCaption(period.startHour, period.startDate, period.endHour, period.endDate);
}

} // namespace kest
