// An hourly blank of 16 columns over one year (8,760 rows) from a database holding
// that year of the 16 archives among a million other rows, against 16 plain range
// selects of the same rows in the same run.
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "grid/TableModel.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sys/resource.h>

namespace kest {
namespace {

constexpr int kColumns = 16;
constexpr int kController = 0x0412;
constexpr int kOtherRows = 1'000'000;
constexpr int kYearHours = 8760;

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "kest-report-bench";

DateTime yearStart()
{
    return *encodeDateTime(2025, 1, 1);
}

/// Builds the database once; a later run reuses the file.
Database& benchDatabase()
{
    static std::unique_ptr<Database> db = [] {
        std::filesystem::create_directories(kFolder);
        const bool exists = std::filesystem::exists(kFolder / kDatabaseFile);
        std::string error;
        auto opened = OpenArchiveDatabase(kFolder, true, &error);
        if (!opened)
            throw std::runtime_error(error);
        if (!exists) {
            opened->execute("PRAGMA journal_mode=WAL");
            Transaction tx(*opened);
            // The other rows: 400 archives of other controllers, 2,500 hours each.
            for (int i = 0; i < kOtherRows; ++i) {
                const std::int64_t key = ArchiveKey(0x1000 + i % 400, ArchiveKind::Hourly, 1);
                AppendArchiveRow(*opened, ArchiveKind::Hourly,
                                 {yearStart() + (i / 400) * kOneHour, key, 1.0});
            }
            for (int a = 1; a <= kColumns; ++a) {
                for (int h = -1; h < kYearHours; ++h) {
                    AppendArchiveRow(*opened, ArchiveKind::Hourly,
                                     {yearStart() + h * kOneHour,
                                      ArchiveKey(kController, ArchiveKind::Hourly, a),
                                      100.0 + a + h * 0.125});
                }
            }
            tx.commit();
        }
        return opened;
    }();
    return *db;
}

BlankRecord yearBlank()
{
    BlankRecord b;
    b.TIP = kHourlyBlank;
    b.NAME[0] = "Год";
    for (int k = 1; k <= kColumns; ++k) {
        b.NAME[k] = "K" + std::to_string(k);
        b.ARH[k] = k;
        b.MERAN[k] = kController;
        b.ITOG[k] = k % 4;
        b.ZAP[k] = 2;
    }
    return b;
}

void addPeakMemory(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_BuildHourlyYearReport(benchmark::State& state)
{
    Database& db = benchDatabase();
    BlankRecord blank = yearBlank();
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
    Database& db = benchDatabase();
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
