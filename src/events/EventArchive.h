#pragma once

#include "common/DateTime.h"
#include "reports/ReportPeriod.h"

#include <string>

namespace kest {

/// The event window's period: from `hour` o'clock of the day of `today` to `hour`
/// o'clock of the next day.
ReportPeriod eventPeriod(DateTime today, int hour);

/// "c 0 часов 10.12.2026 г. по 0 часов 11.12.2026 г." for an entry of the period table.
std::string eventPeriodCaption(const ReportPeriod& period);

} // namespace kest
