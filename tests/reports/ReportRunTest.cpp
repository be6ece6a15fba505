#include "reports/ReportRun.h"

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "common/CodePage.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::day;
using test::TempDir;

/// A blank of two interval columns of controller 1A2F, whose interval is 10 minutes,
/// and the archive database with three of its values.
class ReportRunTest : public ::testing::Test
{
protected:
    ReportRunTest()
    {
        std::string error;
        auto db = OpenArchiveDatabase(dir.path(), true, &error);
        EnsureControllerRows(*db, 0x1A2F);
        UpdateControllerSettlement(*db, 0x1A2F, 0, 1, 0, 10);
        for (int i = 0; i < 3; ++i)
            WriteArchiveRow(*db, ArchiveKind::Interval,
                            {day(2024, 3, 2) + (60 + 10 * i) * kOneMinute,
                             ArchiveKey(0x1A2F, ArchiveKind::Interval, 1), 1.0 + i});
        blank.TIP = kIntervalBlank;
        // Column 1 names no controller: the interval is column 2's controller's.
        blank.NAME[1] = "A";
        blank.ARH[1] = 1;
        blank.NAME[2] = "B";
        blank.ARH[2] = 1;
        blank.MERAN[2] = 0x1A2F;
    }

    ReportResult make(DateTime d)
    {
        periods[3] = test::period(d, d, 1, 1, 0, 20);
        ReportRequest request{blank, periods, 3, dir.path(), prompter};
        return MakeReport(request, tables);
    }

    TempDir dir;
    BlankRecord blank;
    PeriodTable periods;
    MemoryPrompter prompter;
    ReportTables tables;
};

TEST_F(ReportRunTest, OutcomesAndIntervalOfTheBlanksController)
{
    EXPECT_EQ(make(day(2024, 3, 2)).outcome, ReportOutcome::Built);
    EXPECT_EQ(blank.IntervalMinutes, 10);
    // Rows 1:00, 1:10 and 1:20 between the heading and the totals; each shows the
    // value stamped at its interval's end.
    ASSERT_EQ(tables.basegrid.rowCount(), 1 + 3 + 1);
    EXPECT_EQ(tables.basegrid.cell(2, 1).text, "2,0");
    EXPECT_EQ(tables.basegrid.cell(2, 3).text, "...");
    EXPECT_EQ(tables.upgrid.cell(0, tables.upgrid.rowCount() - 1).text.find("за период"), 0u);

    EXPECT_EQ(make(day(2025, 3, 2)).outcome, ReportOutcome::NoData);
    EXPECT_TRUE(prompter.errors.empty());

    std::filesystem::remove(dir / "kest.sqlite");
    const ReportResult failed = make(day(2024, 3, 2));
    EXPECT_EQ(failed.outcome, ReportOutcome::Failed);
    EXPECT_FALSE(failed.detail.empty());
    EXPECT_EQ(prompter.errors.size(), 1u);
}

TEST(FindBlankTest, IgnoresCaseAndSurroundingBlanksAndAnswersZeroWhenAbsent)
{
    TempDir dir;
    test::writeFile(dir / "blank.ini", utf8ToCp1251("[Первый]\r\nTIP=0\r\n[Суточный Отчет]\r\nTIP=1\r\n"));
    BlankState state;
    state.DatabasePath = dir.path();
    EXPECT_EQ(FindBlank(state, "  суточный отчет "), 2);
    EXPECT_EQ(FindBlank(state, "первый"), 1);
    EXPECT_EQ(FindBlank(state, "Второй"), 0);
    EXPECT_EQ(FindBlank(state, ""), 0);
}

} // namespace
} // namespace kest
