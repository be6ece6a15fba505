#include "reports/ReportPrintJob.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

// Which tables are printed and how the report table's first page is headed, for each
// combination of titles the blank may have.
TEST(ReportPrintJobTest, TitlesDecideTablesAndFirstPageHeader)
{
    const TableModel up, base, down;
    struct Case
    {
        bool upper, lower;
        std::vector<const TableModel*> tables;
        std::vector<std::string> header;
    } cases[] = {
        {false, false, {&base}, {"Страница 1", ""}},
        {true, false, {&up, &base}, {"Страница 1", ""}},
        {false, true, {&base, &down}, {"Страница 1", "", "Котельная"}},
        {true, true, {&up, &base, &down}, {}},
    };
    for (const auto& c : cases) {
        BlankRecord blank;
        blank.NAME[0] = "Котельная";
        if (c.upper)
            blank.UpTitle = {"Верх"};
        if (c.lower)
            blank.DownTitle = {"Низ"};
        const PrintJob job = MakeReportPrintJob(blank, up, base, down);
        std::vector<const TableModel*> tables;
        for (const auto& t : job.tables) {
            tables.push_back(t.table);
            if (t.table == &base) {
                EXPECT_EQ(t.pageHeader, c.header) << c.upper << c.lower;
                EXPECT_TRUE(t.numberPages);
                EXPECT_TRUE(t.gridLines);
            } else {
                EXPECT_FALSE(t.numberPages);
            }
        }
        EXPECT_EQ(tables, c.tables) << c.upper << c.lower;
    }
}

} // namespace
} // namespace kest
