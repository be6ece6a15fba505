#include "forms/FormPrintJob.h"

namespace kest {
namespace {

constexpr double kLeft = 0.08;
constexpr double kUpperTop = 1.0 / 30;
constexpr double kBottom = 0.02;
constexpr double kLowerSpacing = 0.02;

PrintedTable printed(const TableModel& grid, double top, double spacing)
{
    PrintedTable t;
    t.table = &grid;
    t.leftMargin = kLeft;
    t.topMargin = top;
    t.bottomMargin = kBottom;
    t.spacing = spacing;
    t.gridLines = grid.gridLines();
    return t;
}

} // namespace

PrintJob MakeFormPrintJob(const FilledForm& form, const std::string& title)
{
    PrintJob job;
    job.title = title;
    job.tables.push_back(printed(form.upgrid, kUpperTop, 0));
    PrintedTable main = printed(form.basegrid, kUpperTop, 0);
    // The main table never opens the document, so its first page keeps no header;
    // the pages after it are numbered.
    main.pageHeader = {"Страница 1", ""};
    main.numberPages = true;
    job.tables.push_back(main);
    job.tables.push_back(printed(form.downgrid, 0, kLowerSpacing));
    return job;
}

} // namespace kest
