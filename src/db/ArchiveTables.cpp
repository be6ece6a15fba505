#include "db/ArchiveTables.h"

#include "common/CodePage.h"
#include "common/Hex.h"

namespace kest {
namespace {

std::string tableSql(ArchiveKind kind, const std::string& rest)
{
    return std::string(rest).replace(rest.find("{T}"), 3, std::string("\"") + archiveTable(kind) + "\"");
}

DbStatus runCached(Database& db, const std::string& sql, const auto& binder)
{
    Statement* stmt = db.cached(sql);
    if (!stmt)
        return DbStatus::failure(db.lastError());
    binder(*stmt);
    const DbStatus status = db.run(*stmt);
    stmt->reset();
    return status;
}

DateTime rowTime(const Statement& stmt, int column)
{
    return fromSqlText(stmt.columnText(column)).value_or(0.0);
}

} // namespace

const char* archiveTable(ArchiveKind kind)
{
    switch (kind) {
    case ArchiveKind::Hourly:
        return "arhivh";
    case ArchiveKind::Daily:
        return "arhivd";
    case ArchiveKind::Monthly:
        return "arhivm";
    case ArchiveKind::Interval:
        return "detail";
    }
    return "arhivh";
}

std::int64_t ArchiveKey(std::int64_t controllerCode, ArchiveKind kind, int number)
{
    const std::string text = toHex(static_cast<std::uint64_t>(controllerCode), 4) +
                             std::to_string(static_cast<int>(kind)) +
                             toHex(static_cast<std::uint64_t>(number), 2);
    return ParseHex(text);
}

std::unique_ptr<Database>
OpenArchiveDatabase(const std::filesystem::path& databasePath, bool create, std::string* error)
{
    auto db =
        Database::open(databasePath / kDatabaseFile,
                       create ? Database::OpenMode::CreateIfMissing : Database::OpenMode::Existing, error);
    if (db && create) {
        const DbStatus made = CreateTables(*db);
        if (!made.ok()) {
            if (error)
                *error = made.message;
            return nullptr;
        }
    }
    return db;
}

DbStatus CreateTables(Database& db)
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
    const DbStatus status = db.execute(sql);
    if (!status.ok())
        (void)db.execute("ROLLBACK");
    return status;
}

DbStatus RequireTables(Database& db, const std::vector<std::string>& tables)
{
    for (const auto& t : tables) {
        if (!db.hasTable(t))
            return DbStatus::failure("no such table: " + t);
    }
    return DbStatus::success();
}

std::optional<ControllerRow> SelectController(Database& db, std::int64_t code)
{
    Statement* stmt = db.cached("SELECT scode, sname, rhour, rday, avans FROM meranb WHERE scode = :arhcode");
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

DbStatus EnsureControllerRows(Database& db, std::int64_t code)
{
    DbStatus status =
        runCached(db,
                  "INSERT INTO meranb (scode, sname, rhour, rday, avans) VALUES (:arhcode, ' ', 0, 1, 0) "
                  "ON CONFLICT DO NOTHING",
                  [&](Statement& s) { s.bind(":arhcode", code); });
    if (!status.ok())
        return status;
    return runCached(db, "INSERT INTO merane (scode, smin) VALUES (:arhcode, 5) ON CONFLICT DO NOTHING",
                     [&](Statement& s) { s.bind(":arhcode", code); });
}

DbStatus UpdateControllerName(Database& db, std::int64_t code, const std::string& name)
{
    const std::string cut = utf8Left(name, 50);
    return runCached(db, "UPDATE meranb SET sname = :sname WHERE scode = :arhcode", [&](Statement& s) {
        s.bind(":sname", std::string_view(cut));
        s.bind(":arhcode", code);
    });
}

DbStatus UpdateControllerSettlement(Database& db, std::int64_t code, int rhour, int rday, int avans, int smin)
{
    DbStatus status =
        runCached(db, "UPDATE meranb SET rhour = :rhour, rday = :rday, avans = :avans WHERE scode = :arhcode",
                  [&](Statement& s) {
                      s.bind(":rhour", std::int64_t{rhour});
                      s.bind(":rday", std::int64_t{rday});
                      s.bind(":avans", std::int64_t{avans});
                      s.bind(":arhcode", code);
                  });
    if (!status.ok())
        return status;
    return runCached(db, "UPDATE merane SET smin = :smin WHERE scode = :arhcode", [&](Statement& s) {
        s.bind(":smin", std::int64_t{smin == 0 ? 5 : smin});
        s.bind(":arhcode", code);
    });
}

DbStatus SelectAllControllers(Database& db, std::vector<ControllerRow>& rows)
{
    rows.clear();
    Statement* stmt = db.cached("SELECT scode, sname, rhour, rday, avans FROM meranb ORDER BY scode");
    if (!stmt)
        return DbStatus::failure(db.lastError());
    Statement::Step s;
    while ((s = stmt->step()) == Statement::Step::Row) {
        rows.push_back({stmt->columnInt(0), stmt->columnText(1), static_cast<int>(stmt->columnInt(2)),
                        static_cast<int>(stmt->columnInt(3)), static_cast<int>(stmt->columnInt(4))});
    }
    const DbStatus status =
        s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(db.lastError());
    stmt->reset();
    return status;
}

int SelectIntervalMinutes(Database& db, std::int64_t code)
{
    Statement* stmt = db.cached("SELECT smin FROM merane WHERE scode = :arhcode");
    if (!stmt)
        return 5;
    stmt->bind(":arhcode", code);
    int minutes = 0;
    if (stmt->step() == Statement::Step::Row)
        minutes = static_cast<int>(stmt->columnInt(0));
    stmt->reset();
    return minutes == 0 ? 5 : minutes;
}

DbStatus SelectArchiveRange(Database& db,
                            ArchiveKind kind,
                            std::int64_t key,
                            DateTime from,
                            DateTime to,
                            std::vector<ArchiveRow>& rows)
{
    rows.clear();
    Statement* stmt = db.cached(tableSql(
        kind,
        "SELECT sdate, scode, svalue FROM {T} WHERE scode = :arhcode AND sdate >= :arhstart AND sdate <= "
        ":arhdate ORDER BY sdate"));
    if (!stmt)
        return DbStatus::failure(db.lastError());
    stmt->bind(":arhcode", key);
    stmt->bindTime(":arhstart", from);
    stmt->bindTime(":arhdate", to);
    Statement::Step s;
    while ((s = stmt->step()) == Statement::Step::Row)
        rows.push_back({rowTime(*stmt, 0), stmt->columnInt(1), stmt->columnDouble(2)});
    const DbStatus status =
        s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(db.lastError());
    stmt->reset();
    return status;
}

DbStatus DeleteArchiveRowsBefore(Database& db, ArchiveKind kind, std::int64_t key, DateTime limit)
{
    return runCached(db, tableSql(kind, "DELETE FROM {T} WHERE scode = :arhcode AND sdate < :limit"),
                     [&](Statement& s) {
                         s.bind(":arhcode", key);
                         s.bindTime(":limit", limit);
                     });
}

DbStatus DeleteIntervalRowsFrom(Database& db, std::int64_t key, DateTime from)
{
    return runCached(db, "DELETE FROM detail WHERE scode = :arhcode AND sdate >= :mind", [&](Statement& s) {
        s.bind(":arhcode", key);
        s.bindTime(":mind", from);
    });
}

DbStatus DeleteIntervalRowsBetween(Database& db, std::int64_t key, DateTime from, DateTime to)
{
    return runCached(db, "DELETE FROM detail WHERE scode = :arhcode AND sdate >= :mind AND sdate < :maxd",
                     [&](Statement& s) {
                         s.bind(":arhcode", key);
                         s.bindTime(":mind", from);
                         s.bindTime(":maxd", to);
                     });
}

DbStatus AppendArchiveRow(Database& db, ArchiveKind kind, const ArchiveRow& row)
{
    return runCached(
        db, tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES (:sdate, :scode, :svalue)"),
        [&](Statement& s) {
            s.bindTime(":sdate", row.sdate);
            s.bind(":scode", row.scode);
            s.bind(":svalue", row.svalue);
        });
}

DbStatus WriteArchiveRow(Database& db, ArchiveKind kind, const ArchiveRow& row)
{
    return runCached(db,
                     tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES (:sdate, :scode, :svalue) "
                                    "ON CONFLICT (scode, sdate) DO UPDATE SET svalue = excluded.svalue"),
                     [&](Statement& s) {
                         s.bindTime(":sdate", row.sdate);
                         s.bind(":scode", row.scode);
                         s.bind(":svalue", row.svalue);
                     });
}

DbStatus SelectArchiveValue(
    Database& db, ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value)
{
    value.reset();
    Statement* stmt =
        db.cached(tableSql(kind, "SELECT svalue FROM {T} WHERE scode = :arhcode AND sdate = :mydate"));
    if (!stmt)
        return DbStatus::failure(db.lastError());
    stmt->bind(":arhcode", key);
    stmt->bindTime(":mydate", when);
    const auto s = stmt->step();
    if (s == Statement::Step::Row)
        value = stmt->columnDouble(0);
    const DbStatus status =
        s == Statement::Step::Error ? DbStatus::failure(db.lastError()) : DbStatus::success();
    stmt->reset();
    return status;
}

} // namespace kest
