#pragma once

#include "common/DateTime.h"
#include "reports/ReportPeriod.h"

#include <cstdint>

namespace kest::test {

inline DateTime day(int y, int m, int d)
{
    return *encodeDateTime(y, m, d);
}

/// A report period from d1 h1:m1 to d2 h2:m2.
inline ReportPeriod period(DateTime d1, DateTime d2, int h1 = 0, int h2 = 0, int m1 = 0, int m2 = 0)
{
    ReportPeriod p;
    p.startDate = d1;
    p.endDate = d2;
    p.startHour = static_cast<std::uint8_t>(h1);
    p.endHour = static_cast<std::uint8_t>(h2);
    p.startMinute = static_cast<std::uint8_t>(m1);
    p.endMinute = static_cast<std::uint8_t>(m2);
    return p;
}

} // namespace kest::test
