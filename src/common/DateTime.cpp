#include "common/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kest {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

// Computed at compile time: a date encoded from another file's static initialiser
// would otherwise see 0 here and land in 1970.
constexpr std::int64_t kEpochOffset = daysFromCivil(1899, 12, 30);

std::int64_t totalSeconds(DateTime t)
{
    return std::llround(t * 86400.0);
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<DateTime> encodeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const auto days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset;
    return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

DateTimeParts decodeDateTime(DateTime t)
{
    const std::int64_t secs = totalSeconds(t);
    std::int64_t days = secs / 86400;
    std::int64_t rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTimeParts p;
    civilFromDays(days + kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3600);
    p.minute = static_cast<int>(rest / 60 % 60);
    p.second = static_cast<int>(rest % 60);
    return p;
}

DateTime roundToSecond(DateTime t)
{
    return static_cast<double>(totalSeconds(t)) / 86400.0;
}

DateTime dateOf(DateTime t)
{
    const auto p = decodeDateTime(t);
    return *encodeDateTime(p.year, p.month, p.day);
}

void writeSqlText(DateTime t, char* out)
{
    const DateTimeParts p = decodeDateTime(t);
    const auto put = [&out](int value, int digits, char after) {
        for (int i = digits - 1; i >= 0; --i) {
            out[i] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        out += digits;
        if (after)
            *out++ = after;
    };
    put(p.year, 4, '-');
    put(p.month, 2, '-');
    put(p.day, 2, ' ');
    put(p.hour, 2, ':');
    put(p.minute, 2, ':');
    put(p.second, 2, 0);
}

std::string toSqlText(DateTime t)
{
    std::string text(19, ' ');
    writeSqlText(t, text.data());
    return text;
}

std::optional<DateTime> fromSqlText(std::string_view text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const std::string copy(text);
    const int n = std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s);
    if (n != 3 && n != 6)
        return std::nullopt;
    return encodeDateTime(y, mo, d, h, mi, s);
}

std::string formatDate(DateTime t)
{
    const auto p = decodeDateTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", p.day, p.month, p.year);
    return buf;
}

std::string formatTime(DateTime t)
{
    const auto p = decodeDateTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", p.hour, p.minute, p.second);
    return buf;
}

DateTime sameDayPreviousMonth(DateTime t)
{
    const auto p = decodeDateTime(t);
    const int year = p.month == 1 ? p.year - 1 : p.year;
    const int month = p.month == 1 ? 12 : p.month - 1;
    const int day = std::min(p.day, daysInMonth(year, month));
    return *encodeDateTime(year, month, day, p.hour, p.minute, p.second);
}

} // namespace kest
