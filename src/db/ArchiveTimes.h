#pragma once

#include "common/DateTime.h"

#include <array>
#include <optional>

namespace kest {

/// Month lengths for one record: February has 29 days whenever the record year is
/// divisible by 4, as the controllers count. Index 1..12.
using MonthDaysTable = std::array<int, 13>;
MonthDaysTable MonthDays(int recordYear);

/// A run of values one step apart; `steps` 0 means nothing is stored.
struct TimeSeries
{
    DateTime start = 0;
    int steps = 0;
};

// Hourly archives.

/// The hour of the last hourly value: the record date with the hour of one hour
/// before the record time. A record taken at 00:30 ends at 23:00 of its own date.
DateTime HourlyEndTime(DateTime recordTime);
/// 00:00 three days before the end time's date, one slot per hour up to the end.
TimeSeries HourlySeries(DateTime recordTime);
/// Member j (1..7) of an hourly chain: the four days before those of member j-1.
TimeSeries HourlyMemberSeries(DateTime recordTime, int member);

// Daily archives. A date's value sits in the slot of its day of the month.

struct DailyRules
{
    DateTime recordTime = 0;
    int settlementHour = 0; ///< rhour
    int mode = 0;           ///< avans: 0 dated by the day that ended, 1 by the day that began
    MonthDaysTable monthDays{};
};

/// The last date a daily archive holds a finished value for.
DateTime DailyLastDate(const DailyRules& rules);
/// An archive without a chain member: the month of days up to the last date.
TimeSeries DailyPlainSeries(const DailyRules& rules);
/// The last date that series stores: the last date, except on the first of a month
/// in mode 0 before the settlement hour, where it is the whole month before.
DateTime DailyPlainEnd(const DailyRules& rules);
/// The head of a chained pair: the current month up to the last date.
TimeSeries DailyHeadSeries(const DailyRules& rules);
/// The member of a chained pair: the month before (or the one before that).
TimeSeries DailyMemberSeries(const DailyRules& rules);
/// The page link stores member values under the same day one month earlier; a day
/// that month does not have gives nothing.
std::optional<DateTime> MemberPageLinkDate(DateTime date);

// Monthly archives.

/// The first days of the eleven months before the record's month, oldest first.
std::array<DateTime, 11> MonthlyDates(DateTime recordTime);

// Extended hourly archives.

/// 42 days of hours ending at 23:00 four days before the record date.
TimeSeries ExtendedSeries(DateTime recordTime);
/// The slot (0..1007) of an hour in the controller's 42-day ring.
int ExtendedSlot(DateTime time);

// Interval archives.

/// The 1440 slots of the head (member 0) or of chain member j, `minutes` apart.
TimeSeries IntervalSeries(DateTime recordTime, int minutes, int member, int memberCount);
/// The earliest time the archive's span rewrites; rows from there on are replaced.
DateTime IntervalCutOff(DateTime recordTime, int minutes, int memberCount);

/// True when a value time is not after the record time (to the second).
bool notAfter(DateTime time, DateTime recordTime);

} // namespace kest
