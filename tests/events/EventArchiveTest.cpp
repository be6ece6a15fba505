#include "events/EventArchive.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

TEST(EventArchiveTest, PeriodRunsFromTodayToTomorrow)
{
    const DateTime now = *encodeDateTime(2026, 12, 31, 17, 45);
    const ReportPeriod period = eventPeriod(now, 5);
    EXPECT_EQ(period.startDate, *encodeDateTime(2026, 12, 31));
    EXPECT_EQ(period.endDate, *encodeDateTime(2027, 1, 1));
    EXPECT_EQ(eventPeriodCaption(period), "c 5 часов 31.12.2026 г. по 5 час 01.01.2027 г.");
    EXPECT_EQ(eventPeriodCaption(eventPeriod(now, 0)), "c 0 часов 31.12.2026 г. по 0 часов 01.01.2027 г.");
}

} // namespace
} // namespace kest
