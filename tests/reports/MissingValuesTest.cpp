#include "reports/MissingValues.h"

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "registrar/ValueEncoding.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr int kController = 0x0A1F;

// A built hourly report with a group over two columns (two heading rows): column 1
// has every hour, column 2 misses three hours and holds a "no value" reading, column 3
// has no rows at all. The totals row and the headings never count.
TEST(MissingValuesTest, CountsTheDotsOfABuiltReportByColumn)
{
    test::TempDir dir;
    std::string error;
    auto db = OpenArchiveDatabase(dir.path(), true, &error);
    ASSERT_TRUE(db) << error;
    const DateTime start = test::day(2024, 3, 2);
    for (int h = -1; h < 24; ++h) {
        const DateTime t = start + h * kOneHour;
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Hourly,
                                    {t, ArchiveKey(kController, ArchiveKind::Hourly, 1), 1.0 + h})
                        .ok());
        if (h == 5 || h == 6 || h == 20)
            continue;
        ASSERT_TRUE(
            WriteArchiveRow(*db, ArchiveKind::Hourly,
                            {t, ArchiveKey(kController, ArchiveKind::Hourly, 2), h == 10 ? NoValue : 2.0})
                .ok());
    }
    db.reset();

    BlankRecord blank;
    blank.TIP = kHourlyBlank;
    const char* names[] = {"", "Q, Гкал", "t, °C", "P, МПа"};
    for (int k = 1; k <= 3; ++k) {
        blank.NAME[k] = names[k];
        blank.ARH[k] = k;
        blank.MERAN[k] = kController;
        blank.ZAP[k] = 1;
    }
    blank.GROUPB[1] = 1;
    blank.GROUPE[1] = 2;
    blank.GROUPNAME[1] = "Подача";
    PeriodTable periods;
    periods[1] = test::period(start, start, 0, 23);
    MemoryPrompter prompter;
    TableModel table;
    ReportBuild build{blank, periods, 1, dir.path(), prompter, table};
    build.HeaderRows = PrepareFrame(table, blank);
    BuildReport(build);
    ASSERT_FALSE(build.ReportFailed);
    ASSERT_EQ(build.HeaderRows, 2);

    const MissingValues missing = CountMissingValues(table, build.HeaderRows);
    ASSERT_EQ(table.rowCount(), 2 + 24 + 1);
    EXPECT_EQ(missing.cells, 4 + 24);
    EXPECT_EQ(missing.columns, (std::vector<MissingColumn>{{2, "t, °C", 4}, {3, "P, МПа", 24}}));
    EXPECT_EQ(MissingValuesText(missing), "28 ячеек без значения (\"...\"): «t, °C» - 4, «P, МПа» - 24.");

    // A full report has nothing to say.
    TableModel full(2, 4);
    full.cell(1, 0).text = "Q";
    full.cell(1, 1).text = "1,0";
    full.cell(1, 2).text = "2,0";
    full.cell(1, 3).text = "...";
    EXPECT_EQ(CountMissingValues(full, 1).cells, 0);
    EXPECT_EQ(MissingValuesText(CountMissingValues(full, 1)), "");
}

TEST(MissingValuesTest, CellWordFollowsTheCount)
{
    const auto text = [](int n) { return MissingValuesText({n, {{1, "Q", n}}}); };
    EXPECT_EQ(text(1), "1 ячейка без значения (\"...\"): «Q» - 1.");
    for (const auto& [n, words] : std::vector<std::pair<int, std::string>>{{3, "3 ячейки "},
                                                                           {5, "5 ячеек "},
                                                                           {11, "11 ячеек "},
                                                                           {14, "14 ячеек "},
                                                                           {21, "21 ячейка "},
                                                                           {112, "112 ячеек "},
                                                                           {122, "122 ячейки "}})
        EXPECT_EQ(text(n).rfind(words, 0), 0u) << text(n);
}

} // namespace
} // namespace kest
