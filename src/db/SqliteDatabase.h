#pragma once

#include "common/DateTime.h"
#include "db/ArchiveDatabase.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kest {

struct StmtFinalize
{
    void operator()(sqlite3_stmt* s) const;
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StmtFinalize>;

/// A prepared statement with named parameters (":arhcode"); values are always bound,
/// never pasted into the SQL text.
class Statement
{
public:
    explicit Statement(sqlite3_stmt* stmt = nullptr) : m_stmt(stmt) {}

    bool valid() const { return m_stmt != nullptr; }
    void reset();
    void bind(std::string_view name, std::int64_t value);
    void bind(std::string_view name, double value);
    void bind(std::string_view name, std::string_view text);
    void bindNull(std::string_view name);
    /// A date-time is bound as its table text "YYYY-MM-DD HH:MM:SS".
    void bindTime(std::string_view name, DateTime t);
    void bindValue(std::string_view name, const DbValue& value);

    enum class Step
    {
        Row,
        Done,
        Error
    };
    Step step();

    int columnCount() const;
    std::string columnName(int i) const;
    DbValue column(int i) const;
    std::int64_t columnInt(int i) const;
    double columnDouble(int i) const;
    std::string columnText(int i) const;

    sqlite3_stmt* handle() const { return m_stmt.get(); }

private:
    int index(std::string_view name) const;
    StatementHandle m_stmt;
};

/// The archive in one SQLite file. Statements run through cached prepared
/// statements, so the named table statements cost a reset and a bind per call.
class SqliteDatabase final : public ArchiveDatabase
{
public:
    enum class OpenMode
    {
        Existing,
        CreateIfMissing
    };

    /// Opens and checks that the file is a database; nothing on failure, with the
    /// engine's text in `error`. An existing database in a folder that may not be
    /// written is opened for reading only.
    static std::unique_ptr<SqliteDatabase>
    open(const std::filesystem::path& file, OpenMode mode, std::string* error);
    ~SqliteDatabase() override;

    std::string describe() const override;
    bool hasTable(std::string_view name) override;
    DbStatus createMissingTables() override;

    std::optional<ControllerRow> selectController(std::int64_t code) override;
    DbStatus ensureControllerRows(std::int64_t code) override;
    DbStatus updateControllerName(std::int64_t code, const std::string& name) override;
    DbStatus updateControllerSettlement(std::int64_t code, int rhour, int rday, int avans, int smin) override;
    DbStatus selectAllControllers(std::vector<ControllerRow>& rows) override;
    std::optional<int> selectIntervalMinutes(std::int64_t code) override;
    DbStatus insertController(const ControllerRow& row) override;
    DbStatus insertIntervalMinutes(std::int64_t code, int smin) override;

    DbStatus selectArchiveRange(
        ArchiveKind kind, std::int64_t key, DateTime from, DateTime to, std::vector<ArchiveRow>& rows) override;
    DbStatus deleteArchiveRowsBefore(ArchiveKind kind, std::int64_t key, DateTime limit) override;
    DbStatus deleteIntervalRows(std::int64_t key, DateTime from, std::optional<DateTime> to) override;
    DbStatus appendArchiveRow(ArchiveKind kind, const ArchiveRow& row) override;
    DbStatus writeArchiveRow(ArchiveKind kind, const ArchiveRow& row) override;
    DbStatus storeArchiveValues(ArchiveKind kind,
                                std::int64_t key,
                                const std::vector<ArchiveValue>& values,
                                DuplicateRule rule) override;
    DbStatus
    selectArchiveValue(ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value) override;

    DbStatus selectArchiveKeys(ArchiveKind kind,
                               std::int64_t low,
                               std::int64_t high,
                               std::vector<std::int64_t>& keys) override;
    DbStatus selectArchiveSeconds(ArchiveKind kind,
                                  std::int64_t key,
                                  DateTime from,
                                  DateTime before,
                                  std::vector<std::int64_t>& seconds) override;

    DbStatus begin() override;
    DbStatus commit() override;
    void rollback() override;
    /// 5 s from open.
    void setBusyTimeout(int ms) override;
    DbStatus execute(const std::string& sql) override;

    /// A cached statement, reset and with its bindings cleared; nullptr when the SQL
    /// does not compile (lastError() says why).
    Statement* cached(const std::string& sql);
    /// A statement of its own for the caller.
    Statement prepare(const std::string& sql);
    /// Runs a cached statement to its end, turning the engine's result into a status.
    DbStatus run(Statement& stmt);

    std::string lastError() const;
    std::int64_t changes() const;
    sqlite3* handle() const { return m_db; }

private:
    SqliteDatabase(sqlite3* db, std::string file) : m_db(db), m_file(std::move(file)) {}
    /// Opens `name` (a path or a URI) with the engine's flags and reads the schema.
    static std::unique_ptr<SqliteDatabase>
    connect(const std::string& name, const std::string& file, int flags, std::string& error);
    DbStatus runCached(const std::string& sql, const auto& binder);
    sqlite3* m_db;
    std::string m_file;
    std::map<std::string, Statement, std::less<>> m_cache;
};

} // namespace kest
