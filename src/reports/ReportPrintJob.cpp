#include "reports/ReportPrintJob.h"

namespace kest {
namespace {

constexpr double kLeft = 0.08;
constexpr double kTableTop = 1.0 / 30;
constexpr double kTableBottom = 0.02;
constexpr double kUpperTop = 0.03;

PrintedTable title(const TableModel& grid, double spacing)
{
    PrintedTable t;
    t.table = &grid;
    t.leftMargin = kLeft;
    t.topMargin = kUpperTop;
    t.bottomMargin = kTableBottom;
    t.spacing = spacing;
    t.gridLines = false;
    return t;
}

} // namespace

PrintJob MakeReportPrintJob(const BlankRecord& blank,
                            const TableModel& upgrid,
                            const TableModel& basegrid,
                            const TableModel& downgrid)
{
    const bool upper = !blank.UpTitle.empty();
    const bool lower = !blank.DownTitle.empty();
    PrintJob job;
    job.title = blank.NAME[0];

    PrintedTable table;
    table.table = &basegrid;
    table.numberPages = true;
    table.leftMargin = kLeft;
    table.topMargin = kTableTop;
    table.bottomMargin = kTableBottom;
    if (!(upper && lower))
        table.pageHeader = {"Страница 1", ""};
    if (lower && !upper)
        table.pageHeader.push_back(blank.NAME[0]);

    if (upper)
        job.tables.push_back(title(upgrid, 0));
    table.spacing = upper && !lower ? kTableTop : 0;
    job.tables.push_back(table);
    if (lower)
        job.tables.push_back(title(downgrid, upper ? 0.02 : kTableTop));
    return job;
}

} // namespace kest
