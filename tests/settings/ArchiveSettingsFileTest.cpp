#include "settings/ArchiveSettingsFile.h"

#include "common/IniFile.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

ArchiveSettings fresh()
{
    ArchiveSettings s;
    s.clear();
    return s;
}

TEST(ArchiveSettingsFileTest, HourlyDoublePrecisionHeadMarksItsMembers)
{
    const IniFile ini = IniFile::parse("[0412]\r\nAH05=90\r\nAH07=1105\r\nAH09=1205\r\nAH11=1805\r\n");
    ArchiveSettings s = fresh();
    LoadArchiveSettings(ini, "0412", MarkKind::Hourly, s);
    EXPECT_EQ(s.HourlyFlags[5], kDoublePrecision);
    EXPECT_EQ(s.HourlyFlags[7], kDoublePrecision);
    EXPECT_EQ(s.HourlyFlags[9], kDoublePrecision);
    EXPECT_EQ(s.HourlyChains[5][1], 7);
    EXPECT_EQ(s.HourlyChains[5][2], 9);
    EXPECT_EQ(s.HourlyChains[5][3], kNoMark);
    // 1805 is an extended archive that happens to carry 05 in its digits: never a member.
    EXPECT_EQ(s.HourlyExtended[5], 1);
    EXPECT_EQ(s.HourlyFlags[11], kNoMark);
}

TEST(ArchiveSettingsFileTest, ExtendedAndMonthlyAndIntervalRules)
{
    const IniFile ini = IniFile::parse("[0A1F]\r\nAH12=1812\r\nAI04=1804\r\nAM05=1105\r\nAM06=90\r\n"
                                       "AI13=90\r\nAI02=90\r\nAI13x=1\r\nAI12=1102\r\n");
    ArchiveSettings s = fresh();
    for (MarkKind k : {MarkKind::Hourly, MarkKind::Daily, MarkKind::Monthly, MarkKind::Interval})
        LoadArchiveSettings(ini, "0a1f", k, s);
    EXPECT_EQ(s.HourlyExtended[12], 1);
    EXPECT_EQ(s.HourlyFlags[12], kDoublePrecision);
    EXPECT_EQ(s.IntervalFlags[4], kNoMark);
    EXPECT_EQ(s.MonthlyFlags[5], kNoMark);
    EXPECT_EQ(s.MonthlyFlags[6], kDoublePrecision);
    // The interval walk stops at 12, so AI13 itself is never loaded.
    EXPECT_EQ(s.IntervalFlags[13], kNoMark);
    EXPECT_EQ(s.IntervalFlags[2], kDoublePrecision);
    EXPECT_EQ(s.IntervalFlags[12], kDoublePrecision);
    EXPECT_EQ(s.IntervalChains[2][1], 12);
}

TEST(ArchiveSettingsFileTest, DailyChainsHigherMemberWinsAndDoubleReachesMembers)
{
    const IniFile ini =
        IniFile::parse("[0001]\r\nAD10=1103\r\nAD20=1103\r\nAD03=90\r\nAD40=1833\r\nAD33=90\r\n");
    ArchiveSettings s = fresh();
    LoadArchiveSettings(ini, "0001", MarkKind::Daily, s);
    EXPECT_EQ(s.DailyChains[3], 20);
    EXPECT_EQ(s.DailyFlags[10], kDoublePrecision);
    EXPECT_EQ(s.DailyFlags[20], kDoublePrecision);
    // Daily scans do not skip the '8' position, but the load makes no chain of it.
    EXPECT_EQ(s.DailyFlags[40], kDoublePrecision);
    EXPECT_EQ(s.DailyChains[33], kNoMark);
}

TEST(ArchiveSettingsFileTest, GarbageAndOutOfRangeValuesAreIgnored)
{
    const IniFile ini = IniFile::parse("[0001]\r\nAH00=abc\r\nAH01=1199\r\nAH02=1905\r\nAH03=1005\r\n"
                                       "AH04=500\r\nAH05=1x05\r\nAD01=1170\r\nAI01=1150\r\nAH06= 90\r\n");
    ArchiveSettings s = fresh();
    for (MarkKind k : {MarkKind::Hourly, MarkKind::Daily, MarkKind::Interval})
        LoadArchiveSettings(ini, "0001", k, s);
    const ArchiveSettings clean = fresh();
    EXPECT_EQ(s.HourlyChains, clean.HourlyChains);
    EXPECT_EQ(s.DailyChains, clean.DailyChains);
    EXPECT_EQ(s.IntervalChains, clean.IntervalChains);
    EXPECT_EQ(s.HourlyExtended, clean.HourlyExtended);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(s.HourlyFlags[static_cast<std::size_t>(k)], kNoMark) << k;
}

TEST(ArchiveSettingsFileTest, OnlyFourDigitValuesAreChainMarks)
{
    // Read by their leading characters, these would chain daily 02 to head 47 and
    // hourly 07 to the double-precision head 05, and neither would be stored on its own.
    const IniFile ini = IniFile::parse("[0001]\r\nAD02=2147483647\r\nAH05=90\r\nAH07=11050\r\n"
                                       "AI03=18030\r\nAH08=1205\r\n");
    ArchiveSettings s = fresh();
    for (MarkKind k : {MarkKind::Hourly, MarkKind::Daily, MarkKind::Interval})
        LoadArchiveSettings(ini, "0001", k, s);
    const ArchiveSettings clean = fresh();
    EXPECT_EQ(s.DailyChains, clean.DailyChains);
    EXPECT_EQ(s.IntervalChains, clean.IntervalChains);
    EXPECT_EQ(s.HourlyExtended, clean.HourlyExtended);
    EXPECT_EQ(s.HourlyFlags[7], kNoMark);
    EXPECT_EQ(s.HourlyFlags[8], kDoublePrecision);
    EXPECT_EQ(s.HourlyChains[5][2], 8);
    EXPECT_EQ(s.HourlyChains[5][1], kNoMark);
    EXPECT_FALSE(DeriveChainMembers(ini, "0001", MarkKind::Hourly, 5).isMember[7]);
}

TEST(ArchiveSettingsFileTest, SecondLoadKeepsEarlierMarks)
{
    ArchiveSettings s = fresh();
    LoadArchiveSettings(IniFile::parse("[0001]\r\nAH05=90\r\nAH07=1105\r\n"), "0001", MarkKind::Hourly, s);
    LoadArchiveSettings(IniFile::parse("[0001]\r\nAH01=90\r\n"), "0001", MarkKind::Hourly, s);
    EXPECT_EQ(s.HourlyFlags[5], kDoublePrecision);
    EXPECT_EQ(s.HourlyFlags[1], kDoublePrecision);
    EXPECT_EQ(s.HourlyChains[5][1], 7);
    LoadArchiveSettings(IniFile::parse(""), "0002", MarkKind::Hourly, s);
    EXPECT_EQ(s.HourlyFlags[5], kDoublePrecision);
}

TEST(ArchiveSettingsFileTest, MemberListPlacesMembersByPosition)
{
    const IniFile ini = IniFile::parse("[0001]\r\nAI13=1302\r\nAI05=1102\r\nAI06=1802\r\nAI07=1902\r\n");
    const ChainMembers m = DeriveChainMembers(ini, "0001", MarkKind::Interval, 2);
    EXPECT_EQ(m.byPosition[1], 5);
    EXPECT_EQ(m.byPosition[3], 13);
    EXPECT_EQ(m.byPosition[2], kNoMark);
    EXPECT_FALSE(m.isMember[6]);
    EXPECT_TRUE(m.isMember[7]); // a member all the same, though it has no position slot
}

} // namespace
} // namespace kest
