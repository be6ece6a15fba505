// The report window's side of a year of hourly rows with 16 columns: the build alone,
// the build with the table widget's first paint, and printing the year to PDF.
#include "YearDatabase.h"
#include "common/Prompter.h"
#include "grid/TableModel.h"
#include "grid/ui/GridView.h"
#include "grid/ui/PdfPrinter.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"
#include "reports/ReportPrintJob.h"

#include <QApplication>
#include <QPixmap>
#include <benchmark/benchmark.h>
#include <clocale>
#include <filesystem>

namespace kest {
namespace {

using bench::kYearHours;
using bench::yearStart;

constexpr int kColumns = 16;
constexpr int kController = 0x0412;

const std::filesystem::path kFolder = bench::benchFolder("kest-grid-bench");

ArchiveDatabase& benchDatabase()
{
    return bench::yearDatabase(kFolder,
                               [](ArchiveDatabase& db) { bench::appendReportColumns(db, kController, kColumns); });
}

/// The year's blank with both titles, a group and a caption that needs quoting in CSV.
BlankRecord titledYearBlank()
{
    BlankRecord b = bench::yearBlank(kController, kColumns);
    b.UpTitle = {"Котельная №2", "Часовой отчет за год"};
    b.DownTitle = {"Отчет составил: ____________________"};
    b.GROUPB[1] = 1;
    b.GROUPE[1] = 4;
    b.GROUPNAME[1] = "Тепловая энергия";
    b.NAME[5] = "Температура; °C";
    return b;
}

/// The three tables of the report window for the year.
struct YearReport
{
    BlankRecord blank = titledYearBlank();
    PeriodTable periods;
    TableModel upgrid, basegrid, downgrid;

    bool build()
    {
        periods[1].startDate = yearStart();
        periods[1].endDate = yearStart() + 364;
        periods[1].endHour = 23;
        MemoryPrompter prompter;
        UpperTitle(upgrid, blank, periods[1]);
        LowerTitle(downgrid, blank);
        ReportBuild run{blank, periods, 1, kFolder, prompter, basegrid};
        run.database = &benchDatabase();
        run.HeaderRows = PrepareFrame(basegrid, blank);
        BuildReport(run);
        return !run.ReportFailed && basegrid.rowCount() == kYearHours + 3;
    }
};

void BM_BuildYear(benchmark::State& state)
{
    for (auto _ : state) {
        YearReport report;
        if (!report.build())
            state.SkipWithError("the report was not built");
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_BuildYear)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the report window does with a chosen blank: the build inside the view's
// update, then the first paint of the visible rows.
void BM_BuildAndShowYear(benchmark::State& state)
{
    YearReport report;
    GridView view(report.basegrid);
    view.resize(800, 500);
    view.show();
    for (auto _ : state) {
        view.beginUpdate();
        report.basegrid.clear();
        report.periods.clearHasData();
        if (!report.build())
            state.SkipWithError("the report was not built");
        view.endUpdate();
        const QPixmap shown = view.grab();
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_BuildAndShowYear)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PrintYearPdf(benchmark::State& state)
{
    YearReport report;
    if (!report.build()) {
        state.SkipWithError("the report was not built");
        return;
    }
    const auto pdf = kFolder / "year.pdf";
    for (auto _ : state) {
        const std::string error = PrintTablesToPdf(
            pdf, MakeReportPrintJob(report.blank, report.upgrid, report.basegrid, report.downgrid));
        if (!error.empty())
            state.SkipWithError(error.c_str());
    }
    state.counters["pdf_MiB"] = static_cast<double>(std::filesystem::file_size(pdf)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_PrintYearPdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace kest

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
