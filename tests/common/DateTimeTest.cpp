#include "common/DateTime.h"

#include "common/Hex.h"

#include <gtest/gtest.h>

using namespace kest;

TEST(DateTime, DayCountsMatchTheCalendar)
{
    EXPECT_EQ(*encodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(*encodeDateTime(1900, 3, 1), 61.0);
    EXPECT_EQ(*encodeDateTime(2000, 1, 1), 36526.0);
    EXPECT_FALSE(encodeDateTime(2007, 2, 29));
    EXPECT_TRUE(encodeDateTime(2008, 2, 29));
    EXPECT_FALSE(encodeDateTime(2007, 13, 1));
    EXPECT_FALSE(encodeDateTime(2007, 1, 0));
    EXPECT_FALSE(encodeDateTime(2007, 1, 1, 24));
}

TEST(DateTime, TextFormsRoundToWholeSeconds)
{
    const DateTime t = *encodeDateTime(2007, 12, 31, 23, 59) + 0.4 * kOneSecond;
    EXPECT_EQ(toSqlText(t), "2007-12-31 23:59:00");
    EXPECT_EQ(toSqlText(*encodeDateTime(2007, 12, 31, 23, 59, 59) + 0.6 * kOneSecond), "2008-01-01 00:00:00");
    EXPECT_EQ(*fromSqlText("2007-12-31 23:59:00"), *encodeDateTime(2007, 12, 31, 23, 59));
    EXPECT_FALSE(fromSqlText("2007-02-30 00:00:00"));
    EXPECT_EQ(formatDate(t), "31.12.2007");
    EXPECT_EQ(formatTime(*encodeDateTime(2007, 1, 5, 7, 3, 9)), "7:03:09");
    // 24 hourly steps added one by one must still land on a whole hour.
    DateTime h = *encodeDateTime(2026, 3, 1);
    for (int i = 0; i < 24 * 365; ++i)
        h += kOneHour;
    EXPECT_EQ(toSqlText(h), "2027-03-01 00:00:00");
}

TEST(DateTime, SameDayOfThePreviousMonth)
{
    EXPECT_EQ(sameDayPreviousMonth(*encodeDateTime(2007, 1, 15)), *encodeDateTime(2006, 12, 15));
    EXPECT_EQ(sameDayPreviousMonth(*encodeDateTime(2007, 3, 31)), *encodeDateTime(2007, 2, 28));
}

TEST(Hex, ParseHexCountsBlanksAsZero)
{
    EXPECT_EQ(ParseHex("0A1F"), 0x0A1F);
    EXPECT_EQ(ParseHex("0a1f"), 0x0A1F);
    EXPECT_EQ(ParseHex(" 1 F"), 0x010F);
    EXPECT_EQ(ParseHex(""), 0);
    EXPECT_EQ(toHex(0x412, 4), "0412");
}
