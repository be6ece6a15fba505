#pragma once

#include "db/ArchiveDatabase.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// The database file in DatabasePath.
inline constexpr const char* kDatabaseFile = "kest.sqlite";

/// The scode of one archive: the controller as four hex digits, the kind digit and
/// the archive number as two hex digits, read as one hexadecimal number.
std::int64_t ArchiveKey(std::int64_t controllerCode, ArchiveKind kind, int number);

/// Where the archive of this program directory lives: NN.INI [TIME] SERVER, a libpq
/// connection string, or empty for the SQLite file in DatabasePath. Set by whoever
/// reads NN.INI; every command and window opens its database through
/// OpenArchiveDatabase, which follows it.
void UseArchiveServer(std::string connection);
const std::string& ArchiveServer();
/// "server HOST:PORT, database NAME, user NAME" of a connection string, never its
/// password; an unreadable string gives libpq's reason.
std::string DescribeArchiveServer(const std::string& connection);

/// Opens the archive in use: the server named by UseArchiveServer, or else
/// DatabasePath/kest.sqlite. With `create` an absent file is made, and tables that
/// are missing are created. Nothing on failure, with the reason in `error`.
std::unique_ptr<ArchiveDatabase>
OpenArchiveDatabase(const std::filesystem::path& databasePath, bool create, std::string* error);
/// True when the archive is the SQLite file and DatabasePath holds none.
bool ArchiveFileMissing(const std::filesystem::path& databasePath);

/// Creates whichever of the six tables is missing.
inline DbStatus CreateTables(ArchiveDatabase& db)
{
    return db.createMissingTables();
}
/// Fails, naming the first, when one of the tables is missing.
DbStatus RequireTables(ArchiveDatabase& db, const std::vector<std::string>& tables);

// Controller tables.
inline std::optional<ControllerRow> SelectController(ArchiveDatabase& db, std::int64_t code)
{
    return db.selectController(code);
}
/// Gives a new controller its rows: (code, " ", 0, 1, 0) and (code, 5); rows that
/// exist are left as they are.
inline DbStatus EnsureControllerRows(ArchiveDatabase& db, std::int64_t code)
{
    return db.ensureControllerRows(code);
}
/// The name is cut to its first 50 characters.
DbStatus UpdateControllerName(ArchiveDatabase& db, std::int64_t code, const std::string& name);
/// An interval length of 0 is stored as 5.
DbStatus UpdateControllerSettlement(ArchiveDatabase& db, std::int64_t code, int rhour, int rday, int avans, int smin);
inline DbStatus SelectAllControllers(ArchiveDatabase& db, std::vector<ControllerRow>& rows)
{
    return db.selectAllControllers(rows);
}
/// The interval length of a controller; 0 or a missing row reads as 5.
int SelectIntervalMinutes(ArchiveDatabase& db, std::int64_t code);

// Archive tables.
/// Rows of one archive from `from` to `to` inclusive, in ascending sdate.
inline DbStatus SelectArchiveRange(
    ArchiveDatabase& db, ArchiveKind kind, std::int64_t key, DateTime from, DateTime to, std::vector<ArchiveRow>& rows)
{
    return db.selectArchiveRange(kind, key, from, to, rows);
}
/// Deletes every row of the archive dated before `limit`.
inline DbStatus DeleteArchiveRowsBefore(ArchiveDatabase& db, ArchiveKind kind, std::int64_t key, DateTime limit)
{
    return db.deleteArchiveRowsBefore(kind, key, limit);
}
/// Deletes every interval row of the archive at or after `from`.
inline DbStatus DeleteIntervalRowsFrom(ArchiveDatabase& db, std::int64_t key, DateTime from)
{
    return db.deleteIntervalRows(key, from, std::nullopt);
}
/// Deletes every interval row of the archive at or after `from` and before `to`.
inline DbStatus DeleteIntervalRowsBetween(ArchiveDatabase& db, std::int64_t key, DateTime from, DateTime to)
{
    return db.deleteIntervalRows(key, from, to);
}
/// KeyViolation when a row of that key and time exists.
inline DbStatus AppendArchiveRow(ArchiveDatabase& db, ArchiveKind kind, const ArchiveRow& row)
{
    return db.appendArchiveRow(kind, row);
}
/// Writes the row whether or not one of that key and time exists.
inline DbStatus WriteArchiveRow(ArchiveDatabase& db, ArchiveKind kind, const ArchiveRow& row)
{
    return db.writeArchiveRow(kind, row);
}
/// One value of an archive at exactly `when`; nothing when there is no row.
inline DbStatus SelectArchiveValue(
    ArchiveDatabase& db, ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value)
{
    return db.selectArchiveValue(kind, key, when, value);
}

} // namespace kest
