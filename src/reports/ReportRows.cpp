#include "reports/ReportRows.h"

#include "reports/ReportWords.h"

#include <cmath>
#include <cstdio>

namespace kest {
namespace {

constexpr std::int64_t kHour = 3600;

std::int64_t seconds(DateTime t)
{
    return std::llround(t * 86400.0);
}
DateTime fromSeconds(std::int64_t s)
{
    return static_cast<double>(s) / 86400.0;
}
std::int64_t monthIndex(int year, int month)
{
    return year * 12LL + month - 1;
}

std::string twoDigits(long long n)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02lld", n);
    return buf;
}

bool lastDayOfMonth(const DateTimeParts& p)
{
    return p.day == daysInMonth(p.year, p.month);
}

void nextMonth(int& year, int& month)
{
    if (++month > 12) {
        month = 1;
        ++year;
    }
}

void hourlyRows(ReportRows& r, DateTime d1, DateTime d2, int h1, int h2)
{
    const std::int64_t first = seconds(d1) + h1 * kHour;
    const std::int64_t end = seconds(d2) + h2 * kHour;
    const std::int64_t count = end >= first ? (end - first) / kHour + 1 : 0;
    r.queryStart = fromSeconds(first - kHour);
    r.queryEnd = fromSeconds(end);
    r.slots.push_back(first - kHour);
    for (std::int64_t j = 0; j < count; ++j) {
        const std::int64_t t = first + j * kHour;
        const auto p = decodeDateTime(fromSeconds(t));
        std::string caption = twoDigits(p.hour) + "-" + twoDigits(p.hour + 1) + " час ";
        if (j == 0 || p.hour == 0)
            caption = twoDigits(p.day) + "   " + caption;
        r.captions.push_back(std::move(caption));
        r.slots.push_back(t);
    }
}

void dailyRows(ReportRows& r, DateTime d1, DateTime d2)
{
    r.captionAlign = HAlign::Center;
    r.queryStart = d1 - 1;
    r.queryEnd = d2;
    r.slots.push_back(seconds(d1 - 1));
    for (DateTime d = d1; d <= d2; d += 1) {
        r.captions.push_back(formatDate(d));
        r.slots.push_back(seconds(d));
    }
}

/// Row days of a daily blank stepped by n days.
std::vector<DateTime> dayStepDates(DateTime d1, DateTime d2, int step)
{
    std::vector<DateTime> days;
    const auto span = static_cast<std::int64_t>(std::llround(d2 - d1)) + 1;
    const std::int64_t count = span > 0 ? (span + step - 1) / step : 0;
    for (std::int64_t j = 0; j < count; ++j)
        days.push_back(d1 + static_cast<double>(j * step));
    return days;
}

/// Row days of a daily blank stepped by months. A period that starts on the last day
/// of a month keeps to month ends; month lengths are those of each row's own year,
/// so a period over several years steps through their Februaries correctly.
std::vector<DateTime> monthStepDates(DateTime d1, DateTime d2)
{
    const auto p1 = decodeDateTime(d1);
    const auto p2 = decodeDateTime(d2);
    const bool fromMonthEnd = lastDayOfMonth(p1);
    const auto lengthAfter = [&](int year, int month) {
        if (!fromMonthEnd)
            return daysInMonth(year, month);
        nextMonth(year, month);
        return daysInMonth(year, month);
    };
    std::int64_t remaining = std::llround(d2 - d1) + 1;
    int count = 0;
    for (int y = p1.year, m = p1.month; remaining > 0; nextMonth(y, m)) {
        ++count;
        remaining -= lengthAfter(y, m);
    }
    // The steps land on the end date when both are month ends, or, stepping from any
    // other day, when the end date has the same day number; otherwise one more row
    // shows the end date. From a month end the steps never land on an end date like
    // 28.04, whatever its day number.
    const bool landsOnEnd = fromMonthEnd ? lastDayOfMonth(p2) : p1.day == p2.day;
    if (!landsOnEnd)
        ++count;

    std::vector<DateTime> days;
    DateTime d = d1;
    for (int j = 0; j < count; ++j) {
        days.push_back(d);
        const auto p = decodeDateTime(d);
        d += lengthAfter(p.year, p.month);
    }
    return days;
}

void steppedRows(ReportRows& r, const BlankRecord& blank, DateTime d1, DateTime d2)
{
    r.stepped = true;
    r.captionAlign = HAlign::Center;
    r.queryStart = d1 - 1;
    r.queryEnd = d2;
    const auto days = blank.STEP == 0 ? monthStepDates(d1, d2) : dayStepDates(d1, d2, blank.STEP);
    r.steppedDays.push_back(d1 - 1);
    for (DateTime d : days) {
        const DateTime shown = d > d2 ? d2 : d;
        // Month steps from the 29th or 30th run ahead of the months and can pass the
        // end date twice; the end date is one row, its value shown and summed once.
        if (r.steppedDays.size() > 1 && shown == r.steppedDays.back())
            continue;
        r.captions.push_back(formatDate(shown));
        r.steppedDays.push_back(shown);
    }
}

void monthlyRows(ReportRows& r, DateTime d1, DateTime d2)
{
    const auto p1 = decodeDateTime(d1);
    const auto p2 = decodeDateTime(d2);
    int year = p1.year, month = p1.month - 1;
    if (month == 0) {
        month = 12;
        --year;
    }
    r.queryStart = *encodeDateTime(year, month, 1);
    r.queryEnd = *encodeDateTime(p2.year, p2.month, 1);
    r.slots.push_back(monthIndex(year, month));
    for (nextMonth(year, month); monthIndex(year, month) <= monthIndex(p2.year, p2.month);
         nextMonth(year, month)) {
        r.captions.push_back(MonthName(month) + " " + std::to_string(year) + "г.");
        r.slots.push_back(monthIndex(year, month));
    }
}

void intervalRows(ReportRows& r, const ReportPeriod& period, DateTime d1, DateTime d2, int minutes)
{
    r.colouredCaptions = false;
    const std::int64_t step = minutes * 60LL;
    const std::int64_t first = seconds(d1) + period.startHour * kHour + period.startMinute * 60LL;
    const std::int64_t end = seconds(d2) + period.endHour * kHour + period.endMinute * 60LL;
    for (std::int64_t t = first; t <= end; t += step) {
        const auto p = decodeDateTime(fromSeconds(t));
        std::string caption = std::to_string(p.hour) + " ч. " + twoDigits(p.minute);
        if (minutes != 1)
            caption += "-" + twoDigits(p.minute + minutes - 1);
        caption += " мин";
        if (t == first || (p.hour == 0 && p.minute == 0))
            caption = std::to_string(p.day) + "." + std::to_string(p.month) + "  " + caption;
        r.captions.push_back(std::move(caption));
    }
    // A controller stamps an interval's value at its end, so every slot lies one
    // interval after the row's own time.
    r.queryStart = fromSeconds(first);
    r.queryEnd = fromSeconds(end + step);
    for (int i = 0; i <= r.count(); ++i)
        r.slots.push_back(first + i * step);
}

} // namespace

std::int64_t ReportRows::slotOf(DateTime sdate) const
{
    if (kind == kMonthlyBlank) {
        const auto p = decodeDateTime(sdate);
        return monthIndex(p.year, p.month);
    }
    return seconds(sdate);
}

ReportRows MakeReportRows(const BlankRecord& blank, const ReportPeriod& period, ExchangeLog* log)
{
    ReportRows r;
    r.kind = blank.TIP >= 0 && blank.TIP <= 3 ? blank.TIP : kHourlyBlank;
    const DateTime d1 = dateOf(period.startDate);
    const DateTime d2 = dateOf(period.endDate);
    switch (r.kind) {
    case kDailyBlank:
        if (blank.STEP == 1 || blank.STEP < 0)
            dailyRows(r, d1, d2);
        else
            steppedRows(r, blank, d1, d2);
        break;
    case kMonthlyBlank:
        monthlyRows(r, d1, d2);
        break;
    case kIntervalBlank:
        intervalRows(r, period, d1, d2, EffectiveIntervalMinutes(blank.IntervalMinutes, log));
        break;
    default:
        hourlyRows(r, d1, d2, period.startHour, period.endHour);
        break;
    }
    return r;
}

} // namespace kest
