#include "events/EventArchive.h"

#include "reports/ReportWords.h"

namespace kest {

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
