#pragma once

#include "common/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace kest {

inline bool tableDigits(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

/// Splits a table time into its date (whose seconds it looks up once per day) and its
/// time of day: a year of hours repeats each date 24 times.
class TableTimeReader
{
public:
    std::optional<std::int64_t> seconds(std::string_view text)
    {
        if (text.size() != 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        int h = 0, mi = 0, s = 0;
        if (!tableDigits(text, 11, 2, h) || !tableDigits(text, 14, 2, mi) || !tableDigits(text, 17, 2, s) || h > 23 ||
            mi > 59 || s > 59)
            return std::nullopt;
        if (std::memcmp(text.data(), m_date, sizeof m_date) != 0) {
            std::memcpy(m_date, text.data(), sizeof m_date);
            m_day = daySeconds(std::string_view(m_date, sizeof m_date));
        }
        if (!m_day)
            return std::nullopt;
        return *m_day + h * 3600 + mi * 60 + s;
    }

private:
    static std::optional<std::int64_t> daySeconds(std::string_view date)
    {
        int y = 0, mo = 0, d = 0;
        if (date[4] != '-' || date[7] != '-' || !tableDigits(date, 0, 4, y) || !tableDigits(date, 5, 2, mo) ||
            !tableDigits(date, 8, 2, d))
            return std::nullopt;
        const auto t = encodeDateTime(y, mo, d);
        if (!t)
            return std::nullopt;
        return std::llround(*t * 86400.0);
    }

    char m_date[10] = {}; // "YYYY-MM-DD" of the last row read
    std::optional<std::int64_t> m_day;
};

} // namespace kest
