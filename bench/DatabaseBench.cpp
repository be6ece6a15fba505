// Appending archive rows through the table layer against a plain prepared-statement
// loop on the same schema, in the same run. The layer is fast enough when its rows
// per second are at least half of the plain loop's.
#include "db/ArchiveTables.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sqlite3.h>
#include <unistd.h>

using namespace kest;

namespace {

constexpr int kRows = 1'000'000;

std::filesystem::path freshDir(const char* name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     (std::string("kest-bench-") + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// 32 hourly archives of one controller, a year and a half of hours each.
ArchiveRow rowAt(int i)
{
    const DateTime start = *encodeDateTime(2025, 1, 1);
    return {start + (i / 32) * kOneHour, ArchiveKey(0x0A1F, ArchiveKind::Hourly, i % 32), i * 0.5};
}

void BM_AppendThroughLayer(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("layer");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        state.ResumeTiming();
        Transaction tx(*db);
        for (int i = 0; i < kRows; ++i) {
            if (!AppendArchiveRow(*db, ArchiveKind::Hourly, rowAt(i)).ok())
                state.SkipWithError("append failed");
        }
        (void)tx.commit();
        state.PauseTiming();
        db.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(kRows) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_AppendPlainLoop(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("plain");
        std::string error;
        OpenArchiveDatabase(dir, true, &error).reset();
        sqlite3* db = nullptr;
        sqlite3_open((dir / kDatabaseFile).c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO arhivh (sdate, scode, svalue) VALUES (?, ?, ?)", -1, &stmt,
                           nullptr);
        for (int i = 0; i < kRows; ++i) {
            const ArchiveRow row = rowAt(i);
            const std::string sdate = toSqlText(row.sdate);
            sqlite3_bind_text(stmt, 1, sdate.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(stmt, 2, row.scode);
            sqlite3_bind_double(stmt, 3, row.svalue);
            if (sqlite3_step(stmt) != SQLITE_DONE)
                state.SkipWithError("insert failed");
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        sqlite3_close(db);
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(kRows) * state.iterations(), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_AppendPlainLoop)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_AppendThroughLayer)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
