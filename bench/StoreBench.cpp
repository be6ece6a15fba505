// Storing a full registrar image (32 records, every archive of every kind, about
// 1.6 million rows) into an empty and into a full database, against a plain
// prepared-statement insert loop of the very same rows in the same run. The storing
// pass is fast enough when it keeps at least half of the plain loop's rate. The same
// image goes into a PostgreSQL server (KEST_BENCH_SERVER, or one started here as the
// tests start theirs) against a plain COPY of the same rows.
#include "db/ArchiveStore.h"
#include "db/PgTestServer.h"
#include "db/SqliteDatabase.h"
#include "registrar/RegistrarImage.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

using namespace kest;

namespace {

const DateTime kRecordTime = *encodeDateTime(2026, 3, 15, 10, 0);

std::filesystem::path freshDir(const char* name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     (std::string("kest-storebench-") + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::int64_t controllerOf(int record)
{
    return 0x0100 + record;
}

/// Every record read with every archive of every kind.
RegistrarImage& fullImage()
{
    static RegistrarImage image = [] {
        RegistrarImage im;
        ResetRegistrarImage(im);
        for (int r = 1; r <= kImageRecords; ++r) {
            ImageRecord& rec = im.record(r);
            rec.RecordTime = kRecordTime;
            rec.RecordYear = 2026;
            rec.smin = 5;
            auto& s = rec.Settings;
            for (int k = 0; k < kHourlyArchives; ++k)
                s.HourlyFlags[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
            for (int k = 0; k < kExtendedArchives; ++k)
                s.HourlyExtended[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
            for (int k = 0; k < kDailyArchives; ++k) {
                s.DailyFlags[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
                s.MonthlyFlags[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
            }
            for (int k = 0; k < kIntervalArchives; ++k)
                s.IntervalFlags[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
            for (auto& a : rec.Hourly)
                for (std::size_t i = 0; i < a.size(); ++i)
                    a[i] = r * 1000.0 + static_cast<double>(i) * 0.25;
            for (auto& a : rec.Interval)
                for (std::size_t i = 0; i < a.size(); ++i)
                    a[i] = static_cast<double>(i) * 0.5;
            for (auto& a : rec.ExtendedHourly)
                for (std::size_t i = 0; i < a.size(); ++i)
                    a[i] = static_cast<double>(i);
        }
        return im;
    }();
    return image;
}

bool storeRecords(ArchiveDatabase& db)
{
    ArchiveStore store(db, StoreVariant::Page, DepthLimits{}, kRecordTime);
    for (int r = 1; r <= kImageRecords; ++r) {
        if (!store.storeRecord(fullImage().record(r), controllerOf(r)).ok())
            return false;
    }
    return true;
}

std::int64_t storeImage(ArchiveDatabase& db)
{
    if (!storeRecords(db))
        return -1;
    Statement st = static_cast<SqliteDatabase&>(db).prepare("SELECT (SELECT count(*) FROM arhivh) + (SELECT count(*) FROM arhivd) + "
                              "(SELECT count(*) FROM arhivm) + (SELECT count(*) FROM detail)");
    st.step();
    return st.columnInt(0);
}

struct PlainRow
{
    int table;
    std::string sdate;
    std::int64_t scode;
    double svalue;
};

/// The rows the storing pass writes, read back once in table order.
const std::vector<PlainRow>& plainRows()
{
    static std::vector<PlainRow> rows = [] {
        std::vector<PlainRow> out;
        const auto dir = freshDir("rows");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        storeImage(*db);
        const char* tables[] = {"arhivh", "arhivd", "arhivm", "detail"};
        for (int t = 0; t < 4; ++t) {
            Statement st = static_cast<SqliteDatabase&>(*db).prepare(std::string("SELECT sdate, scode, svalue FROM ") + tables[t]);
            while (st.step() == Statement::Step::Row)
                out.push_back({t, st.columnText(0), st.columnInt(1), st.columnDouble(2)});
        }
        std::filesystem::remove_all(dir);
        return out;
    }();
    return rows;
}

void BM_StoreImageIntoEmpty(benchmark::State& state)
{
    std::int64_t rows = 0;
    fullImage();
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("empty");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        state.ResumeTiming();
        rows = storeImage(*db);
        state.PauseTiming();
        db.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_s"] = benchmark::Counter(
        static_cast<double>(rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_StoreImageIntoFull(benchmark::State& state)
{
    const auto dir = freshDir("full");
    std::string error;
    auto db = OpenArchiveDatabase(dir, true, &error);
    std::int64_t rows = storeImage(*db);
    for (auto _ : state)
        rows = storeImage(*db);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_s"] = benchmark::Counter(
        static_cast<double>(rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    db.reset();
    std::filesystem::remove_all(dir);
}

void BM_PlainInsertLoop(benchmark::State& state)
{
    const auto& rows = plainRows();
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("plain");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        sqlite3* h = static_cast<SqliteDatabase&>(*db).handle();
        sqlite3_stmt* stmts[4];
        const char* tables[] = {"arhivh", "arhivd", "arhivm", "detail"};
        for (int t = 0; t < 4; ++t)
            sqlite3_prepare_v2(
                h,
                (std::string("INSERT INTO ") + tables[t] + " (sdate, scode, svalue) VALUES (?, ?, ?)")
                    .c_str(),
                -1, &stmts[t], nullptr);
        state.ResumeTiming();
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        for (const PlainRow& r : rows) {
            sqlite3_stmt* s = stmts[r.table];
            sqlite3_bind_text(s, 1, r.sdate.c_str(), static_cast<int>(r.sdate.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(s, 2, r.scode);
            sqlite3_bind_double(s, 3, r.svalue);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        for (auto* s : stmts)
            sqlite3_finalize(s);
        db.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["rows_per_s"] =
        benchmark::Counter(static_cast<double>(rows.size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

/// A new empty database on the server, with the archive tables.
std::string freshServerDatabase(benchmark::State& state)
{
    if (const char* given = std::getenv("KEST_BENCH_SERVER"))
        return given;
    std::string why;
    auto* server = test::PgTestServer::get(&why);
    if (!server) {
        state.SkipWithError(why.c_str());
        return "";
    }
    return server->freshDatabase();
}

void BM_StoreImageIntoServer(benchmark::State& state)
{
    fullImage();
    const auto dir = freshDir("server");
    for (auto _ : state) {
        state.PauseTiming();
        const std::string conn = freshServerDatabase(state);
        if (conn.empty())
            return;
        UseArchiveServer(conn);
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        UseArchiveServer("");
        if (!db) {
            state.SkipWithError(error.c_str());
            return;
        }
        (void)db->execute("TRUNCATE arhivh, arhivd, arhivm, detail");
        state.ResumeTiming();
        if (!storeRecords(*db))
            state.SkipWithError("the store failed");
    }
    state.counters["rows"] = static_cast<double>(plainRows().size());
    state.counters["rows_per_s"] =
        benchmark::Counter(static_cast<double>(plainRows().size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    std::filesystem::remove_all(dir);
}

void BM_PlainCopyIntoServer(benchmark::State& state)
{
    const auto& rows = plainRows();
    const char* tables[] = {"arhivh", "arhivd", "arhivm", "detail"};
    for (auto _ : state) {
        state.PauseTiming();
        const std::string conn = freshServerDatabase(state);
        if (conn.empty())
            return;
        {
            UseArchiveServer(conn);
            std::string error;
            auto db = OpenArchiveDatabase(freshDir("copy"), true, &error);
            UseArchiveServer("");
            if (db)
                (void)db->execute("TRUNCATE arhivh, arhivd, arhivm, detail");
        }
        PGconn* pg = PQconnectdb(conn.c_str());
        std::string text;
        state.ResumeTiming();
        PQclear(PQexec(pg, "BEGIN"));
        for (int t = 0; t < 4; ++t) {
            PQclear(PQexec(pg, (std::string("COPY ") + tables[t] + " (sdate, scode, svalue) FROM STDIN").c_str()));
            text.clear();
            for (const PlainRow& r : rows) {
                if (r.table != t)
                    continue;
                char value[32];
                std::snprintf(value, sizeof value, "%.17g", r.svalue);
                text += r.sdate + '\t' + std::to_string(r.scode) + '\t' + value + '\n';
                if (text.size() > (1 << 20)) {
                    PQputCopyData(pg, text.data(), static_cast<int>(text.size()));
                    text.clear();
                }
            }
            PQputCopyData(pg, text.data(), static_cast<int>(text.size()));
            PQputCopyEnd(pg, nullptr);
            PQclear(PQgetResult(pg));
        }
        PQclear(PQexec(pg, "COMMIT"));
        state.PauseTiming();
        PQfinish(pg);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["rows_per_s"] =
        benchmark::Counter(static_cast<double>(rows.size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_PlainCopyIntoServer)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_StoreImageIntoServer)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_PlainInsertLoop)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_StoreImageIntoEmpty)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_StoreImageIntoFull)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
