#include "common/CodePage.h"
#include "db/SqliteDatabase.h"

#include <sqlite3.h>

namespace kest {
namespace {

std::string tableSql(ArchiveKind kind, const std::string& rest)
{
    return std::string(rest).replace(rest.find("{T}"), 3, std::string("\"") + archiveTable(kind) + "\"");
}

DateTime rowTime(const Statement& stmt, int column)
{
    return fromSqlText(stmt.columnText(column)).value_or(0.0);
}

} // namespace

DbStatus SqliteDatabase::runCached(const std::string& sql, const auto& binder)
{
    Statement* stmt = cached(sql);
    if (!stmt)
        return DbStatus::failure(lastError());
    binder(*stmt);
    const DbStatus status = run(*stmt);
    stmt->reset();
    return status;
}

DbStatus SqliteDatabase::createMissingTables()
{
    static const std::string kArchiveColumns = "(sdate TEXT NOT NULL, scode INTEGER NOT NULL, svalue REAL, "
                                               "PRIMARY KEY (scode, sdate)) WITHOUT ROWID";
    // One transaction, so a failure never leaves half of the tables behind.
    const std::string sql = "BEGIN;"
                            "CREATE TABLE IF NOT EXISTS meranb (scode INTEGER PRIMARY KEY, sname TEXT, rhour "
                            "INTEGER, rday INTEGER, "
                            "avans INTEGER);"
                            "CREATE TABLE IF NOT EXISTS merane (scode INTEGER PRIMARY KEY, smin INTEGER);"
                            "CREATE TABLE IF NOT EXISTS arhivh " +
                            kArchiveColumns +
                            ";"
                            "CREATE TABLE IF NOT EXISTS arhivd " +
                            kArchiveColumns +
                            ";"
                            "CREATE TABLE IF NOT EXISTS arhivm " +
                            kArchiveColumns +
                            ";"
                            "CREATE TABLE IF NOT EXISTS detail " +
                            kArchiveColumns +
                            ";"
                            "COMMIT;";
    const DbStatus status = execute(sql);
    if (!status.ok())
        (void)execute("ROLLBACK");
    return status;
}

std::optional<ControllerRow> SqliteDatabase::selectController(std::int64_t code)
{
    Statement* stmt = cached("SELECT scode, sname, rhour, rday, avans FROM meranb WHERE scode = :arhcode");
    if (!stmt)
        return std::nullopt;
    stmt->bind(":arhcode", code);
    std::optional<ControllerRow> row;
    if (stmt->step() == Statement::Step::Row) {
        row = ControllerRow{stmt->columnInt(0), stmt->columnText(1), static_cast<int>(stmt->columnInt(2)),
                            static_cast<int>(stmt->columnInt(3)), static_cast<int>(stmt->columnInt(4))};
    }
    stmt->reset();
    return row;
}

DbStatus SqliteDatabase::ensureControllerRows(std::int64_t code)
{
    DbStatus status = runCached("INSERT INTO meranb (scode, sname, rhour, rday, avans) VALUES (:arhcode, ' ', 0, 1, 0) "
                                "ON CONFLICT DO NOTHING",
                                [&](Statement& s) { s.bind(":arhcode", code); });
    if (!status.ok())
        return status;
    return runCached("INSERT INTO merane (scode, smin) VALUES (:arhcode, 5) ON CONFLICT DO NOTHING",
                     [&](Statement& s) { s.bind(":arhcode", code); });
}

DbStatus SqliteDatabase::insertController(const ControllerRow& row)
{
    return runCached("INSERT INTO meranb (scode, sname, rhour, rday, avans) "
                     "VALUES (:scode, :sname, :rhour, :rday, :avans) ON CONFLICT DO NOTHING",
                     [&](Statement& s) {
                         s.bind(":scode", row.scode);
                         s.bind(":sname", std::string_view(row.sname));
                         s.bind(":rhour", std::int64_t{row.rhour});
                         s.bind(":rday", std::int64_t{row.rday});
                         s.bind(":avans", std::int64_t{row.avans});
                     });
}

DbStatus SqliteDatabase::insertIntervalMinutes(std::int64_t code, int smin)
{
    return runCached("INSERT INTO merane (scode, smin) VALUES (:scode, :smin) ON CONFLICT DO NOTHING",
                     [&](Statement& s) {
                         s.bind(":scode", code);
                         s.bind(":smin", std::int64_t{smin});
                     });
}

DbStatus SqliteDatabase::updateControllerName(std::int64_t code, const std::string& name)
{
    return runCached("UPDATE meranb SET sname = :sname WHERE scode = :arhcode", [&](Statement& s) {
        s.bind(":sname", std::string_view(name));
        s.bind(":arhcode", code);
    });
}

DbStatus SqliteDatabase::updateControllerSettlement(std::int64_t code, int rhour, int rday, int avans, int smin)
{
    DbStatus status =
        runCached("UPDATE meranb SET rhour = :rhour, rday = :rday, avans = :avans WHERE scode = :arhcode",
                  [&](Statement& s) {
                      s.bind(":rhour", std::int64_t{rhour});
                      s.bind(":rday", std::int64_t{rday});
                      s.bind(":avans", std::int64_t{avans});
                      s.bind(":arhcode", code);
                  });
    if (!status.ok())
        return status;
    return runCached("UPDATE merane SET smin = :smin WHERE scode = :arhcode", [&](Statement& s) {
        s.bind(":smin", std::int64_t{smin});
        s.bind(":arhcode", code);
    });
}

DbStatus SqliteDatabase::selectAllControllers(std::vector<ControllerRow>& rows)
{
    rows.clear();
    Statement* stmt = cached("SELECT scode, sname, rhour, rday, avans FROM meranb ORDER BY scode");
    if (!stmt)
        return DbStatus::failure(lastError());
    Statement::Step s;
    while ((s = stmt->step()) == Statement::Step::Row) {
        rows.push_back({stmt->columnInt(0), stmt->columnText(1), static_cast<int>(stmt->columnInt(2)),
                        static_cast<int>(stmt->columnInt(3)), static_cast<int>(stmt->columnInt(4))});
    }
    const DbStatus status = s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(lastError());
    stmt->reset();
    return status;
}

std::optional<int> SqliteDatabase::selectIntervalMinutes(std::int64_t code)
{
    Statement* stmt = cached("SELECT smin FROM merane WHERE scode = :arhcode");
    if (!stmt)
        return std::nullopt;
    stmt->bind(":arhcode", code);
    std::optional<int> minutes;
    if (stmt->step() == Statement::Step::Row)
        minutes = static_cast<int>(stmt->columnInt(0));
    stmt->reset();
    return minutes;
}

DbStatus SqliteDatabase::selectArchiveRange(
    ArchiveKind kind, std::int64_t key, DateTime from, DateTime to, std::vector<ArchiveRow>& rows)
{
    rows.clear();
    Statement* stmt = cached(tableSql(
        kind,
        "SELECT sdate, scode, svalue FROM {T} WHERE scode = :arhcode AND sdate >= :arhstart AND sdate <= "
        ":arhdate ORDER BY sdate"));
    if (!stmt)
        return DbStatus::failure(lastError());
    stmt->bind(":arhcode", key);
    stmt->bindTime(":arhstart", from);
    stmt->bindTime(":arhdate", to);
    Statement::Step s;
    while ((s = stmt->step()) == Statement::Step::Row)
        rows.push_back({rowTime(*stmt, 0), stmt->columnInt(1), stmt->columnDouble(2)});
    const DbStatus status = s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(lastError());
    stmt->reset();
    return status;
}

DbStatus SqliteDatabase::deleteArchiveRowsBefore(ArchiveKind kind, std::int64_t key, DateTime limit)
{
    return runCached(tableSql(kind, "DELETE FROM {T} WHERE scode = :arhcode AND sdate < :limit"), [&](Statement& s) {
        s.bind(":arhcode", key);
        s.bindTime(":limit", limit);
    });
}

DbStatus SqliteDatabase::deleteIntervalRows(std::int64_t key, DateTime from, std::optional<DateTime> to)
{
    if (!to) {
        return runCached("DELETE FROM detail WHERE scode = :arhcode AND sdate >= :mind", [&](Statement& s) {
            s.bind(":arhcode", key);
            s.bindTime(":mind", from);
        });
    }
    return runCached("DELETE FROM detail WHERE scode = :arhcode AND sdate >= :mind AND sdate < :maxd",
                     [&](Statement& s) {
                         s.bind(":arhcode", key);
                         s.bindTime(":mind", from);
                         s.bindTime(":maxd", *to);
                     });
}

DbStatus SqliteDatabase::appendArchiveRow(ArchiveKind kind, const ArchiveRow& row)
{
    return runCached(tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES (:sdate, :scode, :svalue)"),
                     [&](Statement& s) {
                         s.bindTime(":sdate", row.sdate);
                         s.bind(":scode", row.scode);
                         s.bind(":svalue", row.svalue);
                     });
}

DbStatus SqliteDatabase::writeArchiveRow(ArchiveKind kind, const ArchiveRow& row)
{
    return runCached(tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES (:sdate, :scode, :svalue) "
                                    "ON CONFLICT (scode, sdate) DO UPDATE SET svalue = excluded.svalue"),
                     [&](Statement& s) {
                         s.bindTime(":sdate", row.sdate);
                         s.bind(":scode", row.scode);
                         s.bind(":svalue", row.svalue);
                     });
}

DbStatus SqliteDatabase::storeArchiveValues(ArchiveKind kind,
                                            std::int64_t key,
                                            const std::vector<ArchiveValue>& values,
                                            DuplicateRule rule)
{
    std::string sql = std::string("INSERT INTO ") + archiveTable(kind) +
                      " (sdate, scode, svalue) VALUES (?1, ?2, ?3) ON CONFLICT (scode, sdate) ";
    sql += rule == DuplicateRule::Overwrite ? "DO UPDATE SET svalue = excluded.svalue" : "DO NOTHING";
    Statement* stmt = cached(sql);
    if (!stmt)
        return DbStatus::failure(lastError());
    // A million rows go through here per image: bind by position and format the
    // time by hand, which is what keeps the pass near a plain insert loop.
    sqlite3_stmt* h = stmt->handle();
    char text[20];
    for (const ArchiveValue& v : values) {
        writeSqlText(v.time, text);
        sqlite3_bind_text(h, 1, text, 19, SQLITE_TRANSIENT);
        sqlite3_bind_int64(h, 2, key);
        sqlite3_bind_double(h, 3, v.value);
        const int rc = sqlite3_step(h);
        sqlite3_reset(h);
        if (rc != SQLITE_DONE)
            return DbStatus::failure(lastError());
    }
    return DbStatus::success();
}

DbStatus
SqliteDatabase::selectArchiveValue(ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value)
{
    value.reset();
    Statement* stmt = cached(tableSql(kind, "SELECT svalue FROM {T} WHERE scode = :arhcode AND sdate = :mydate"));
    if (!stmt)
        return DbStatus::failure(lastError());
    stmt->bind(":arhcode", key);
    stmt->bindTime(":mydate", when);
    const auto s = stmt->step();
    if (s == Statement::Step::Row)
        value = stmt->columnDouble(0);
    const DbStatus status = s == Statement::Step::Error ? DbStatus::failure(lastError()) : DbStatus::success();
    stmt->reset();
    return status;
}

} // namespace kest
