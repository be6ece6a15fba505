// An hourly blank of 16 columns over one year (8,760 rows) from a database holding
// that year of the 16 archives among a million other rows, against 16 plain range
// selects of the same rows in the same run.
#include "YearDatabase.h"
#include "common/Prompter.h"
#include "grid/TableModel.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sys/resource.h>

namespace kest {
namespace {

using bench::kYearHours;
using bench::yearStart;

constexpr int kColumns = 16;
constexpr int kController = 0x0412;
constexpr int kOtherRows = 1'000'000;

const std::filesystem::path kFolder = bench::benchFolder("kest-report-bench");

ArchiveDatabase& benchDatabase()
{
    return bench::yearDatabase(kFolder, [](ArchiveDatabase& db) {
        // The other rows: 400 archives of other controllers, 2,500 hours each.
        for (int c = 0; c < 400; ++c)
            bench::appendHours(db, ArchiveKey(0x1000 + c, ArchiveKind::Hourly, 1), 0, kOtherRows / 400,
                               [](int) { return 1.0; });
        bench::appendReportColumns(db, kController, kColumns);
    });
}

void addPeakMemory(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_BuildHourlyYearReport(benchmark::State& state)
{
    ArchiveDatabase& db = benchDatabase();
    BlankRecord blank = bench::yearBlank(kController, kColumns);
    PeriodTable periods;
    periods[1].startDate = yearStart();
    periods[1].endDate = yearStart() + 364;
    periods[1].startHour = 0;
    periods[1].endHour = 23;
    MemoryPrompter prompter;
    for (auto _ : state) {
        TableModel table;
        ReportBuild build{blank, periods, 1, kFolder, prompter, table};
        build.database = &db;
        build.HeaderRows = PrepareFrame(table, blank);
        BuildReport(build);
        if (build.ReportFailed || table.rowCount() != kYearHours + 2)
            state.SkipWithError("the report was not built");
        benchmark::DoNotOptimize(table);
    }
    addPeakMemory(state);
}
BENCHMARK(BM_BuildHourlyYearReport)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SixteenPlainRangeSelects(benchmark::State& state)
{
    ArchiveDatabase& db = benchDatabase();
    std::int64_t rows = 0;
    for (auto _ : state) {
        for (int a = 1; a <= kColumns; ++a) {
            std::vector<ArchiveRow> found;
            SelectArchiveRange(db, ArchiveKind::Hourly, ArchiveKey(kController, ArchiveKind::Hourly, a),
                               yearStart() - kOneHour, yearStart() + 364 + 23 * kOneHour, found);
            rows += static_cast<std::int64_t>(found.size());
            benchmark::DoNotOptimize(found);
        }
    }
    state.counters["rows_per_iteration"] =
        static_cast<double>(rows) / static_cast<double>(state.iterations());
    addPeakMemory(state);
}
BENCHMARK(BM_SixteenPlainRangeSelects)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace kest
