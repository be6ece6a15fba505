#pragma once

#include "common/DateTime.h"

#include <string>

namespace kest {

/// The units the report rows count in, by blank type.
enum class ReportUnit
{
    Hours = 0,
    Days = 1,
    Months = 2,
    Intervals = 3,
};

/// The unit word that goes with a count n: 11..20 (and 10) take the "many" form,
/// otherwise the last digit decides: 1 "one", 2..4 "few", the rest "many". The rule
/// looks at n alone, so 111 takes the "one" form like 21.
std::string UnitWord(ReportUnit unit, long long n);

/// Month names, month 1..12; an out-of-range month gives "".
std::string MonthName(int month);
std::string MonthNameGenitive(int month);

/// The caption of the event window's period, e.g. "c 21 часа 01.02.2026 г. по 0 часов 02.02.2026 г.".
std::string EventPeriodCaption(int h1, DateTime d1, int h2, DateTime d2);

} // namespace kest
