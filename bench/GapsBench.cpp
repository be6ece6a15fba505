// The completeness of a year of 16 hourly archives of 10 controllers (1,401,600 rows,
// a few hours missing in each), against plain SQL counts of the same rows in the same
// run: one count per archive over the same range, and one grouped count.
#include "YearDatabase.h"
#include "reports/Completeness.h"

#include <benchmark/benchmark.h>

namespace kest {
namespace {

using bench::yearStart;

constexpr int kControllers = 10;
constexpr int kArchives = 16;

ArchiveDatabase& benchDatabase()
{
    return bench::yearDatabase(bench::benchFolder("kest-gaps-bench"), [](ArchiveDatabase& db) {
        for (int c = 0; c < kControllers; ++c) {
            for (int a = 1; a <= kArchives; ++a) {
                // Every archive misses a few hours at a place of its own.
                bench::appendHours(db, ArchiveKey(0x0A10 + c, ArchiveKind::Hourly, a), 0, bench::kYearHours,
                                   [&](int h) -> std::optional<double> {
                                       if (h % 997 == (c * kArchives + a) % 997)
                                           return std::nullopt;
                                       return 1.0;
                                   });
            }
        }
    });
}

void BM_CheckCompletenessYear(benchmark::State& state)
{
    ArchiveDatabase& db = benchDatabase();
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
    ArchiveDatabase& db = benchDatabase();
    std::int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (int c = 0; c < kControllers; ++c) {
            for (int a = 1; a <= kArchives; ++a) {
                Statement* s =
                    bench::sqliteOf(db).cached("SELECT count(*) FROM \"arhivh\" WHERE scode = :arhcode AND sdate >= "
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
    ArchiveDatabase& db = benchDatabase();
    std::int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        Statement* s =
            bench::sqliteOf(db).cached("SELECT scode, count(*) FROM \"arhivh\" WHERE sdate >= :arhstart AND sdate < "
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
