#pragma once

#include "db/Database.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// The database file in DatabasePath.
inline constexpr const char* kDatabaseFile = "kest.sqlite";

/// Every table of the archive database.
inline const std::vector<std::string> kArchiveDatabaseTables = {"meranb", "merane", "arhivh",
                                                                "arhivd", "arhivm", "detail"};

/// Archive kinds by their kind digit; extended hourly archives share the hourly table.
enum class ArchiveKind
{
    Hourly = 0,
    Daily = 1,
    Monthly = 2,
    Interval = 3
};

/// "arhivh", "arhivd", "arhivm" or "detail".
const char* archiveTable(ArchiveKind kind);

/// The scode of one archive: the controller as four hex digits, the kind digit and
/// the archive number as two hex digits, read as one hexadecimal number.
std::int64_t ArchiveKey(std::int64_t controllerCode, ArchiveKind kind, int number);

struct ArchiveRow
{
    DateTime sdate = 0;
    std::int64_t scode = 0;
    double svalue = 0;
};

struct ControllerRow
{
    std::int64_t scode = 0;
    std::string sname;
    int rhour = 0;
    int rday = 0;
    int avans = 0;
};

/// Opens DatabasePath/kest.sqlite; with `create` an absent file is made with empty
/// tables. Nothing on failure, with the reason in `error`.
std::unique_ptr<Database>
OpenArchiveDatabase(const std::filesystem::path& databasePath, bool create, std::string* error);
/// Creates whichever of the six tables is missing.
DbStatus CreateTables(Database& db);
/// Fails, naming the first, when one of the tables is missing.
DbStatus RequireTables(Database& db, const std::vector<std::string>& tables);

// Controller tables.
std::optional<ControllerRow> SelectController(Database& db, std::int64_t code);
/// Gives a new controller its rows: (code, " ", 0, 1, 0) and (code, 5); rows that
/// exist are left as they are.
DbStatus EnsureControllerRows(Database& db, std::int64_t code);
/// The name is cut to its first 50 characters.
DbStatus UpdateControllerName(Database& db, std::int64_t code, const std::string& name);
/// An interval length of 0 is stored as 5.
DbStatus
UpdateControllerSettlement(Database& db, std::int64_t code, int rhour, int rday, int avans, int smin);
DbStatus SelectAllControllers(Database& db, std::vector<ControllerRow>& rows);
/// The interval length of a controller; 0 or a missing row reads as 5.
int SelectIntervalMinutes(Database& db, std::int64_t code);

// Archive tables.
/// Rows of one archive from `from` to `to` inclusive, in ascending sdate.
DbStatus SelectArchiveRange(Database& db,
                            ArchiveKind kind,
                            std::int64_t key,
                            DateTime from,
                            DateTime to,
                            std::vector<ArchiveRow>& rows);
/// Deletes every row of the archive dated before `limit`.
DbStatus DeleteArchiveRowsBefore(Database& db, ArchiveKind kind, std::int64_t key, DateTime limit);
/// Deletes every interval row of the archive at or after `from`.
DbStatus DeleteIntervalRowsFrom(Database& db, std::int64_t key, DateTime from);
/// Deletes every interval row of the archive at or after `from` and before `to`.
DbStatus DeleteIntervalRowsBetween(Database& db, std::int64_t key, DateTime from, DateTime to);
/// KeyViolation when a row of that key and time exists.
DbStatus AppendArchiveRow(Database& db, ArchiveKind kind, const ArchiveRow& row);
/// Writes the row whether or not one of that key and time exists.
DbStatus WriteArchiveRow(Database& db, ArchiveKind kind, const ArchiveRow& row);
/// One value of an archive at exactly `when`; nothing when there is no row.
DbStatus SelectArchiveValue(
    Database& db, ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value);

} // namespace kest
