// An hourly blank of 16 columns over one year (8,760 rows) from a database holding
// that year of the 16 archives among a million other rows, against 16 plain range
// selects of the same rows in the same run; then the same report from a PostgreSQL
// server (KEST_BENCH_SERVER, or one started here as the tests start theirs) against
// psql running the same 16 selects.
#include "YearDatabase.h"
#include "common/Prompter.h"
#include "db/PgTestServer.h"
#include "grid/TableModel.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
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

/// The same rows on the server, stored once per run in batches of one archive.
std::string& serverConnection()
{
    static std::string connection;
    return connection;
}

ArchiveDatabase* serverDatabase(benchmark::State& state)
{
    static std::unique_ptr<ArchiveDatabase> db;
    if (db)
        return db.get();
    if (const char* given = std::getenv("KEST_BENCH_SERVER")) {
        serverConnection() = given;
    } else {
        std::string why;
        auto* server = test::PgTestServer::get(&why);
        if (!server) {
            state.SkipWithError(why.c_str());
            return nullptr;
        }
        serverConnection() = server->freshDatabase();
    }
    UseArchiveServer(serverConnection());
    std::string error;
    db = OpenArchiveDatabase(kFolder, true, &error);
    UseArchiveServer("");
    if (!db) {
        state.SkipWithError(error.c_str());
        return nullptr;
    }
    const auto store = [&](std::int64_t key, int first, int last, auto value) {
        std::vector<ArchiveValue> values;
        for (int h = first; h < last; ++h)
            values.push_back({yearStart() + h * kOneHour, value(h)});
        Transaction tx(*db);
        db->storeArchiveValues(ArchiveKind::Hourly, key, values, DuplicateRule::Overwrite);
        tx.commit();
    };
    (void)db->execute("TRUNCATE arhivh");
    for (int c = 0; c < 400; ++c)
        store(ArchiveKey(0x1000 + c, ArchiveKind::Hourly, 1), 0, kOtherRows / 400, [](int) { return 1.0; });
    for (int a = 1; a <= kColumns; ++a)
        store(ArchiveKey(kController, ArchiveKind::Hourly, a), -1, kYearHours,
              [a](int h) { return 100.0 + a + h * 0.125; });
    (void)db->execute("ANALYZE arhivh");
    return db.get();
}

void buildYearReport(benchmark::State& state, ArchiveDatabase& db)
{
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

void BM_BuildHourlyYearReport(benchmark::State& state)
{
    buildYearReport(state, benchDatabase());
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

void BM_BuildHourlyYearReportOnServer(benchmark::State& state)
{
    if (ArchiveDatabase* db = serverDatabase(state))
        buildYearReport(state, *db);
}
BENCHMARK(BM_BuildHourlyYearReportOnServer)->Unit(benchmark::kMillisecond)->MinTime(2.0);

/// psql, started once per iteration, running the report's 16 selects and printing
/// their rows: what a hand-made query of the same data costs.
void BM_SixteenSelectsByPsql(benchmark::State& state)
{
    if (!serverDatabase(state))
        return;
    std::string command = "psql -X -q -A -t -o /dev/null '" + serverConnection() + "'";
    for (int a = 1; a <= kColumns; ++a)
        command += " -c \"SELECT sdate, scode, svalue FROM arhivh WHERE scode = " +
                   std::to_string(ArchiveKey(kController, ArchiveKind::Hourly, a)) + " AND sdate >= '" +
                   toSqlText(yearStart() - kOneHour) + "' AND sdate <= '" +
                   toSqlText(yearStart() + 364 + 23 * kOneHour) + "' ORDER BY sdate\"";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("psql failed");
    }
}
BENCHMARK(BM_SixteenSelectsByPsql)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace kest
