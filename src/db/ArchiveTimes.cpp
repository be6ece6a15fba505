#include "db/ArchiveTimes.h"

#include <cmath>

namespace kest {
namespace {

DateTime dayOf(int year, int month, int day)
{
    return encodeDateTime(year, month, day).value_or(0.0);
}

struct YearMonth
{
    int year;
    int month;
};

YearMonth monthBefore(YearMonth ym)
{
    return ym.month == 1 ? YearMonth{ym.year - 1, 12} : YearMonth{ym.year, ym.month - 1};
}

DateTime firstOf(YearMonth ym)
{
    return dayOf(ym.year, ym.month, 1);
}

/// The record's date split once for the daily rules.
struct RecordDay
{
    DateTime date;
    int day;
    YearMonth month;
    YearMonth prev;
    YearMonth prev2;
    bool afterSettlement; ///< H >= S
};

RecordDay recordDay(const DailyRules& r)
{
    const DateTimeParts p = decodeDateTime(r.recordTime);
    const YearMonth m{p.year, p.month};
    const YearMonth prev = monthBefore(m);
    return {dateOf(r.recordTime), p.day, m, prev, monthBefore(prev), p.hour >= r.settlementHour};
}

int md(const DailyRules& r, YearMonth ym)
{
    return r.monthDays[static_cast<std::size_t>(ym.month)];
}

int daysBetween(DateTime from, DateTime to)
{
    return static_cast<int>(std::lround(to - from));
}

} // namespace

MonthDaysTable MonthDays(int recordYear)
{
    MonthDaysTable t{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (recordYear % 4 == 0)
        t[2] = 29;
    return t;
}

DateTime HourlyEndTime(DateTime recordTime)
{
    const DateTimeParts before = decodeDateTime(recordTime - kOneHour);
    return dateOf(recordTime) + before.hour * kOneHour;
}

TimeSeries HourlySeries(DateTime recordTime)
{
    const DateTime end = HourlyEndTime(recordTime);
    return {dateOf(end) - 3, 73 + decodeDateTime(end).hour};
}

TimeSeries HourlyMemberSeries(DateTime recordTime, int member)
{
    return {dateOf(recordTime) - 3 - 4 * member, 96};
}

DateTime DailyLastDate(const DailyRules& rules)
{
    const RecordDay r = recordDay(rules);
    if (rules.mode == 1)
        return r.afterSettlement ? r.date : r.date - 1;
    return r.afterSettlement ? r.date - 1 : r.date - 2;
}

TimeSeries DailyPlainSeries(const DailyRules& rules)
{
    const RecordDay r = recordDay(rules);
    DateTime start = DailyLastDate(rules) + 1 - md(rules, r.prev);
    if (r.day == 1 && rules.mode == 0 && !r.afterSettlement)
        start = firstOf(r.prev);
    const DateTimeParts s = decodeDateTime(start);
    return {start, rules.monthDays[static_cast<std::size_t>(s.month)]};
}

DateTime DailyPlainEnd(const DailyRules& rules)
{
    const RecordDay r = recordDay(rules);
    if (r.day == 1 && rules.mode == 0 && !r.afterSettlement)
        return r.date - 1;
    return DailyLastDate(rules);
}

TimeSeries DailyHeadSeries(const DailyRules& rules)
{
    const RecordDay r = recordDay(rules);
    if (r.day == 1) {
        if (rules.mode == 1 && r.afterSettlement)
            return {r.date, 1};
        if (!r.afterSettlement)
            return {firstOf(r.prev), md(rules, r.prev) - (rules.mode == 0 ? 1 : 0)};
        return {r.date, 0}; // mode 0 after the settlement hour: only the member is stored
    }
    const DateTime start = firstOf(r.month);
    const int steps = daysBetween(start, DailyLastDate(rules)) + 1;
    return {start, steps > 0 ? steps : 0};
}

TimeSeries DailyMemberSeries(const DailyRules& rules)
{
    const RecordDay r = recordDay(rules);
    if (r.day == 1 && !r.afterSettlement)
        return {firstOf(r.prev2), md(rules, r.prev2)};
    if (rules.mode == 1 && r.day == md(rules, r.month)) {
        // The range reaches back by the two months before; it may not reach before the
        // first of the month before, whose day slots would be taken a second time.
        const DateTime first = firstOf(r.prev);
        const DateTime last = first + md(rules, r.prev) - 1;
        DateTime start = r.date + 1 - md(rules, r.prev) - md(rules, r.prev2);
        if (start < first)
            start = first;
        return {start, daysBetween(start, last) + 1};
    }
    return {firstOf(r.prev), md(rules, r.prev)};
}

std::optional<DateTime> MemberPageLinkDate(DateTime date)
{
    const DateTimeParts p = decodeDateTime(date);
    const YearMonth before = monthBefore({p.year, p.month});
    return encodeDateTime(before.year, before.month, p.day);
}

std::array<DateTime, 11> MonthlyDates(DateTime recordTime)
{
    const DateTimeParts p = decodeDateTime(recordTime);
    std::array<DateTime, 11> dates{};
    YearMonth ym{p.year, p.month};
    for (int i = 10; i >= 0; --i) {
        ym = monthBefore(ym);
        dates[static_cast<std::size_t>(i)] = firstOf(ym);
    }
    return dates;
}

TimeSeries ExtendedSeries(DateTime recordTime)
{
    return {dateOf(recordTime) - 45, 42 * 24};
}

int ExtendedSlot(DateTime time)
{
    const DateTimeParts p = decodeDateTime(time + 3);
    const int m = p.month < 3 ? p.month + 13 : p.month + 1;
    const int y = p.month < 3 ? p.year - 1 : p.year;
    const long n =
        static_cast<long>(std::trunc(y * 365.25)) + static_cast<long>(std::trunc(m * 30.6)) + p.day - 694066;
    const long ring = ((n % 42) + 42) % 42;
    return static_cast<int>(ring) * 24 + p.hour;
}

TimeSeries IntervalSeries(DateTime recordTime, int minutes, int member, int memberCount)
{
    if (minutes == 1 && memberCount == 0)
        return {recordTime - 1, 1440};
    const DateTime day = dateOf(recordTime) - minutes * member - minutes + 1;
    return {day + minutes * kOneMinute, 1440};
}

DateTime IntervalCutOff(DateTime recordTime, int minutes, int memberCount)
{
    return IntervalSeries(recordTime, minutes, memberCount, memberCount).start;
}

bool notAfter(DateTime time, DateTime recordTime)
{
    return time <= recordTime + kOneSecond / 2;
}

} // namespace kest
