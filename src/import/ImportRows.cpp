#include "import/ImportRows.h"

#include <cmath>

namespace kest {
namespace {

// Day 1 of the old tables is 1 January of year 1; Kest counts from 30 December 1899.
constexpr double kDaysBeforeKestEpoch = 693594;
constexpr double kMsPerDay = 86400000.0;

double oldDay(int year, int month, int day)
{
    return *encodeDateTime(year, month, day) + kDaysBeforeKestEpoch;
}

} // namespace

std::variant<DateTime, SkipReason> importedTime(double value, bool isTimestamp)
{
    static const double first = oldDay(1990, 1, 1);
    static const double afterLast = oldDay(2101, 1, 1);
    if (!std::isfinite(value))
        return SkipReason::DateOutOfRange;
    const double days = isTimestamp ? std::floor(value / kMsPerDay) : value;
    if (days < first || days >= afterLast)
        return SkipReason::DateOutOfRange;
    if (!isTimestamp)
        return std::floor(days) == days ? DateTime(days - kDaysBeforeKestEpoch)
                                        : std::variant<DateTime, SkipReason>(SkipReason::DateOutOfRange);
    const double ms = value - days * kMsPerDay;
    if (std::fmod(ms, 1000.0) != 0.0)
        return SkipReason::FractionalSeconds;
    return roundToSecond(days - kDaysBeforeKestEpoch + ms / kMsPerDay);
}

std::optional<std::int64_t> wholeNumber(double value)
{
    if (!std::isfinite(value) || std::floor(value) != value || std::fabs(value) > 9.0e15)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

bool isArchiveKey(std::int64_t scode)
{
    return scode >= 0 && scode < (std::int64_t{1} << 28) && ((scode >> 8) & 0xF) <= 3;
}

bool isControllerCode(std::int64_t scode)
{
    return scode >= 0 && scode <= 0xFFFF;
}

} // namespace kest
