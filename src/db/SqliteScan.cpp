#include "db/SqliteDatabase.h"
#include "db/TableTimeReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <sqlite3.h>
#include <string>

namespace kest {
namespace {

std::string withTable(ArchiveKind kind, const char* before, const char* after)
{
    return std::string(before) + "\"" + archiveTable(kind) + "\"" + after;
}

/// Where the aggregate puts the times of one archive.
struct TimesSink
{
    std::vector<std::int64_t>* seconds;
    TableTimeReader reader;
};
constexpr const char* kTimesSink = "kest-times-sink";

void timesStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* sink = static_cast<TimesSink*>(sqlite3_value_pointer(argv[1], kTimesSink));
    if (!sink) {
        sqlite3_result_error(ctx, "kest_times: no list to fill", -1);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto size = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
    const auto t = text ? sink->reader.seconds(std::string_view(text, size)) : std::nullopt;
    try {
        sink->seconds->push_back(t.value_or(kUnreadableTime));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

void timesFinal(sqlite3_context* ctx)
{
    sqlite3_result_null(ctx);
}

} // namespace

DbStatus SqliteDatabase::selectArchiveKeys(ArchiveKind kind, std::int64_t low, std::int64_t high, std::vector<std::int64_t>& keys)
{
    keys.clear();
    Statement* stmt = cached(withTable(kind, "SELECT scode FROM ",
                                          " WHERE scode >= :low AND scode <= :high ORDER BY scode LIMIT 1"));
    if (!stmt)
        return DbStatus::failure(lastError());
    std::int64_t next = low;
    for (;;) {
        stmt->reset();
        stmt->bind(":low", next);
        stmt->bind(":high", high);
        const Statement::Step s = stmt->step();
        if (s == Statement::Step::Error) {
            DbStatus failed = DbStatus::failure(lastError());
            stmt->reset();
            return failed;
        }
        if (s == Statement::Step::Done)
            break;
        const std::int64_t key = stmt->columnInt(0);
        keys.push_back(key);
        if (key >= high)
            break;
        next = key + 1;
    }
    stmt->reset();
    return DbStatus::success();
}

DbStatus SqliteDatabase::selectArchiveSeconds(ArchiveKind kind,
                              std::int64_t key,
                              DateTime from,
                              DateTime before,
                              std::vector<std::int64_t>& seconds)
{
    seconds.clear();
    // The times are gathered by an aggregate inside the engine: handing a year of rows
    // out one by one costs as much again as the engine's own walk over them.
    const std::string sql = withTable(kind, "SELECT kest_times(sdate, :sink) FROM ",
                                      " WHERE scode = :arhcode AND sdate >= :arhstart AND sdate < :arhend");
    Statement* stmt = cached(sql);
    if (!stmt) {
        if (sqlite3_create_function_v2(handle(), "kest_times", 2, SQLITE_UTF8, nullptr, nullptr, timesStep,
                                       timesFinal, nullptr) != SQLITE_OK)
            return DbStatus::failure(lastError());
        stmt = cached(sql);
        if (!stmt)
            return DbStatus::failure(lastError());
    }
    TimesSink sink{&seconds, {}};
    stmt->bind(":arhcode", key);
    stmt->bindTime(":arhstart", from);
    stmt->bindTime(":arhend", before);
    sqlite3_bind_pointer(stmt->handle(), sqlite3_bind_parameter_index(stmt->handle(), ":sink"), &sink,
                         kTimesSink, nullptr);
    Statement::Step s;
    while ((s = stmt->step()) == Statement::Step::Row) {
    }
    const DbStatus status =
        s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(lastError());
    stmt->reset();
    // The key's index hands the rows over in time order; should an engine not, the
    // walk still gets them so.
    if (!std::is_sorted(seconds.begin(), seconds.end()))
        std::sort(seconds.begin(), seconds.end());
    return status;
}

} // namespace kest
