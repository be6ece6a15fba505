#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kest {

/// Date-times are day counts since 1899-12-30 with the time of day as the fraction,
/// the way the registrar's tools and the archive files have always counted them.
using DateTime = double;

constexpr double kOneHour = 1.0 / 24.0;
constexpr double kOneMinute = 1.0 / 1440.0;
constexpr double kOneSecond = 1.0 / 86400.0;

struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const DateTimeParts&) const = default;
};

bool isLeapYear(int year);
/// 28..31; 0 for a month outside 1..12.
int daysInMonth(int year, int month);

/// Nothing when the fields form no valid date or time (day 0, month 13, hour 24, ...).
std::optional<DateTime>
encodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
/// Splits a day count, rounded to the nearest whole second.
DateTimeParts decodeDateTime(DateTime t);

/// The day count rounded to the nearest whole second.
DateTime roundToSecond(DateTime t);
/// 00:00 of the day t falls on.
DateTime dateOf(DateTime t);

/// "YYYY-MM-DD HH:MM:SS", the form in which the archive tables keep time.
std::string toSqlText(DateTime t);
/// The same 19 characters written into `out` without allocating: the storing pass
/// formats a time for each of a million rows.
void writeSqlText(DateTime t, char* out);
std::optional<DateTime> fromSqlText(std::string_view text);

/// Russian short date "dd.MM.yyyy" and long time "H:mm:ss".
std::string formatDate(DateTime t);
std::string formatTime(DateTime t);

/// Same day of the month before (January goes to December of the year before); a
/// day the month before does not have becomes that month's last day.
DateTime sameDayPreviousMonth(DateTime t);

} // namespace kest
