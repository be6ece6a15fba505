#pragma once

#include "common/DateTime.h"
#include "db/DbStatus.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest {

/// A stored time that is no valid "YYYY-MM-DD HH:MM:SS" text.
inline constexpr std::int64_t kUnreadableTime = std::numeric_limits<std::int64_t>::min();

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

/// One value of an archive at its time, as a storing pass hands it over.
struct ArchiveValue
{
    DateTime time;
    double value;
};

/// What a batch of values does with a row of the same key and time: the request
/// link keeps the stored row, the page link overwrites it.
enum class DuplicateRule
{
    KeepExisting,
    Overwrite
};

/// The archive tables as the program uses them, whichever engine holds them (the
/// SQLite file in DatabasePath or a PostgreSQL server). Every time is a local time
/// to the second; range selects give rows in ascending sdate.
class ArchiveDatabase
{
public:
    virtual ~ArchiveDatabase() = default;
    ArchiveDatabase() = default;
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

    /// "the file …" or "the server …" (never a password), for messages and windows.
    virtual std::string describe() const = 0;

    // Tables.
    virtual bool hasTable(std::string_view name) = 0;
    /// Creates whichever of the six tables is missing and leaves the others.
    virtual DbStatus createMissingTables() = 0;

    // Controller tables.
    virtual std::optional<ControllerRow> selectController(std::int64_t code) = 0;
    virtual DbStatus ensureControllerRows(std::int64_t code) = 0;
    virtual DbStatus updateControllerName(std::int64_t code, const std::string& name) = 0;
    virtual DbStatus updateControllerSettlement(std::int64_t code, int rhour, int rday, int avans, int smin) = 0;
    virtual DbStatus selectAllControllers(std::vector<ControllerRow>& rows) = 0;
    /// smin of the controller; nothing when it has no row.
    virtual std::optional<int> selectIntervalMinutes(std::int64_t code) = 0;
    /// Adds a controller's name and settlement row, or its interval row, unless one
    /// of that scode exists; an old installation's tables come in this way.
    virtual DbStatus insertController(const ControllerRow& row) = 0;
    virtual DbStatus insertIntervalMinutes(std::int64_t code, int smin) = 0;

    // Archive tables.
    virtual DbStatus selectArchiveRange(
        ArchiveKind kind, std::int64_t key, DateTime from, DateTime to, std::vector<ArchiveRow>& rows) = 0;
    virtual DbStatus deleteArchiveRowsBefore(ArchiveKind kind, std::int64_t key, DateTime limit) = 0;
    /// Interval rows at or after `from` and, when `to` is given, before it.
    virtual DbStatus deleteIntervalRows(std::int64_t key, DateTime from, std::optional<DateTime> to) = 0;
    /// KeyViolation when a row of that key and time exists.
    virtual DbStatus appendArchiveRow(ArchiveKind kind, const ArchiveRow& row) = 0;
    virtual DbStatus writeArchiveRow(ArchiveKind kind, const ArchiveRow& row) = 0;
    /// Stores a run of values of one archive at once, rows of the same time handled
    /// by `rule`. The storing pass sends a million rows through here per image.
    virtual DbStatus
    storeArchiveValues(ArchiveKind kind, std::int64_t key, const std::vector<ArchiveValue>& values, DuplicateRule rule) = 0;
    virtual DbStatus selectArchiveValue(ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value) = 0;

    // Completeness scans.
    /// The distinct keys of the table from `low` to `high`, ascending.
    virtual DbStatus
    selectArchiveKeys(ArchiveKind kind, std::int64_t low, std::int64_t high, std::vector<std::int64_t>& keys) = 0;
    /// Times at or after `from` and before `before`, ascending, as seconds since
    /// 1899-12-30; a stored time that cannot be read gives kUnreadableTime.
    virtual DbStatus selectArchiveSeconds(
        ArchiveKind kind, std::int64_t key, DateTime from, DateTime before, std::vector<std::int64_t>& seconds) = 0;

    // Transactions.
    virtual DbStatus begin() = 0;
    virtual DbStatus commit() = 0;
    virtual void rollback() = 0;
    /// How long a statement waits for a lock another desk holds before it fails.
    virtual void setBusyTimeout(int ms) = 0;

    /// Runs a statement of the engine's own language; for maintenance and tests.
    virtual DbStatus execute(const std::string& sql) = 0;
};

/// Rolls back unless commit() ran.
class Transaction
{
public:
    explicit Transaction(ArchiveDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DbStatus begin() const { return m_begin; }
    DbStatus commit();

private:
    ArchiveDatabase& m_db;
    DbStatus m_begin;
    bool m_open = false;
};

} // namespace kest
