#pragma once

#include "common/DateTime.h"

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

/// The text the storing code compares with to tell an existing row from a failure.
inline constexpr std::string_view kKeyViolation = "Key violation.";

/// The outcome of one database operation: success, a duplicate primary key
/// (message "Key violation."), or any other failure with the engine's own text.
struct DbStatus
{
    enum Code
    {
        Ok,
        KeyViolation,
        Failed
    };
    Code code = Ok;
    std::string message;

    bool ok() const { return code == Ok; }
    static DbStatus success() { return {}; }
    static DbStatus failure(std::string text) { return {Failed, std::move(text)}; }
};

/// A field value as the tables hold it.
using DbValue = std::variant<std::monostate, std::int64_t, double, std::string>;

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

/// One SQLite database file. Statements run through cached prepared statements, so
/// the named table statements cost a reset and a bind per call.
class Database
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
    static std::unique_ptr<Database>
    open(const std::filesystem::path& file, OpenMode mode, std::string* error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// A cached statement, reset and with its bindings cleared; nullptr when the SQL
    /// does not compile (lastError() says why).
    Statement* cached(const std::string& sql);
    /// A statement of its own for the caller.
    Statement prepare(const std::string& sql);
    DbStatus execute(const std::string& sql);
    /// Runs a cached statement to its end, turning the engine's result into a status.
    DbStatus run(Statement& stmt);

    /// How long a statement waits for a lock another connection holds before it
    /// fails as busy; 5 s from open.
    void setBusyTimeout(int ms);

    bool hasTable(std::string_view name);
    std::string lastError() const;
    std::int64_t changes() const;
    sqlite3* handle() const { return m_db; }

private:
    explicit Database(sqlite3* db) : m_db(db) {}
    /// Opens `name` (a path or a URI) with the engine's flags and reads the schema.
    static std::unique_ptr<Database> connect(const std::string& name, int flags, std::string& error);
    sqlite3* m_db;
    std::map<std::string, Statement, std::less<>> m_cache;
};

/// Rolls back unless commit() ran.
class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DbStatus begin() const { return m_begin; }
    DbStatus commit();

private:
    Database& m_db;
    DbStatus m_begin;
    bool m_open = false;
};

} // namespace kest
