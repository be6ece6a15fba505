// The completeness of a year of 16 hourly archives of 10 controllers (1,401,600 rows,
// a few hours missing in each), against plain SQL counts of the same rows in the same
// run: one count per archive over the same range, and one grouped count.
#include "db/ArchiveTables.h"
#include "reports/Completeness.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <stdexcept>

namespace kest {
namespace {

constexpr int kControllers = 10;
constexpr int kArchives = 16;
constexpr int kYearHours = 8760;

const std::filesystem::path kFolder = std::filesystem::temp_directory_path() / "kest-gaps-bench";

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
            for (int c = 0; c < kControllers; ++c) {
                for (int a = 1; a <= kArchives; ++a) {
                    const std::int64_t key = ArchiveKey(0x0A10 + c, ArchiveKind::Hourly, a);
                    for (int h = 0; h < kYearHours; ++h) {
                        // Every archive misses a few hours at a place of its own.
                        if (h % 997 == (c * kArchives + a) % 997)
                            continue;
                        AppendArchiveRow(*opened, ArchiveKind::Hourly,
                                         {yearStart() + h * kOneHour, key, 1.0});
                    }
                }
            }
            tx.commit();
        }
        return opened;
    }();
    return *db;
}

void BM_CheckCompletenessYear(benchmark::State& state)
{
    Database& db = benchDatabase();
    const CompletenessRequest request{yearStart(), yearStart() + 364, {}, {}};
    std::vector<ArchiveCompleteness> out;
    for (auto _ : state) {
        if (!CheckCompleteness(db, request, out).ok() || out.size() != kControllers * kArchives)
            state.SkipWithError("the check failed");
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_CheckCompletenessYear)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PlainCountPerArchive(benchmark::State& state)
{
    Database& db = benchDatabase();
    std::int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (int c = 0; c < kControllers; ++c) {
            for (int a = 1; a <= kArchives; ++a) {
                Statement* s =
                    db.cached("SELECT count(*) FROM \"arhivh\" WHERE scode = :arhcode AND sdate >= "
                              ":arhstart AND sdate < :arhend");
                s->bind(":arhcode", ArchiveKey(0x0A10 + c, ArchiveKind::Hourly, a));
                s->bindTime(":arhstart", yearStart());
                s->bindTime(":arhend", yearStart() + 365);
                if (s->step() == Statement::Step::Row)
                    rows += s->columnInt(0);
                s->reset();
            }
        }
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_PlainCountPerArchive)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PlainGroupedCount(benchmark::State& state)
{
    Database& db = benchDatabase();
    std::int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        Statement* s =
            db.cached("SELECT scode, count(*) FROM \"arhivh\" WHERE sdate >= :arhstart AND sdate < "
                      ":arhend GROUP BY scode");
        s->bindTime(":arhstart", yearStart());
        s->bindTime(":arhend", yearStart() + 365);
        while (s->step() == Statement::Step::Row)
            rows += s->columnInt(1);
        s->reset();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_PlainGroupedCount)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace kest
