#pragma once

#include "db/ArchiveDatabase.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kest {

/// What a connection string asks for, read without connecting.
struct ServerConnection
{
    std::string text;    ///< as NN.INI has it
    std::string problem; ///< why it cannot be used (unreadable, holds a password)
    std::string shown;   ///< host, port, database and user, never a password
};
ServerConnection ReadServerConnection(const std::string& text);

/// The archive on a PostgreSQL server, reached through libpq. Statements are
/// prepared once per connection and take their values as parameters; a storing
/// batch goes to the server as one statement.
class PgDatabase final : public ArchiveDatabase
{
public:
    /// Connects with the string as it stands, 10 s connect timeout unless it names
    /// one. Nothing on failure, with the server's (or libpq's) reason in `error`.
    static std::unique_ptr<PgDatabase> open(const std::string& connection, std::string* error);
    ~PgDatabase() override;

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
    void setBusyTimeout(int ms) override;
    DbStatus execute(const std::string& sql) override;

    /// "PostgreSQL 15.4" as the server reports it.
    std::string serverVersion() const;
    /// True when this role may insert into every archive table.
    bool mayWrite();

private:
    struct ResultFree
    {
        void operator()(pg_result* r) const;
    };
    using Result = std::unique_ptr<pg_result, ResultFree>;
    using Params = std::vector<std::optional<std::string>>;

    PgDatabase(pg_conn* conn, std::string shown) : m_conn(conn), m_shown(std::move(shown)) {}
    /// Runs a statement prepared on first use; `status` tells how it ended.
    Result run(const std::string& sql, const Params& params, DbStatus& status);
    DbStatus runCommand(const std::string& sql, const Params& params);
    DbStatus statusOf(const pg_result* result) const;

    /// Rows of one table and duplicate rule waiting to go to the server as one
    /// statement: inside a transaction the values of a whole record travel together.
    struct Pending
    {
        std::vector<ArchiveRow> rows;
        std::map<std::int64_t, std::pair<DateTime, DateTime>> queued; ///< key -> first and last time
    };
    static std::size_t pendingIndex(ArchiveKind kind, DuplicateRule rule);
    DbStatus flush(std::size_t index);
    DbStatus flushAll();
    /// True when the table holds a row of a waiting archive within its times.
    bool anyStored(std::size_t index, DbStatus& status);
    /// COPY of rows that cannot meet a stored one: the fastest way in.
    DbStatus copyRows(ArchiveKind kind, const std::vector<ArchiveRow>& rows);
    /// One INSERT … ON CONFLICT of rows some of which may be stored.
    DbStatus upsertRows(ArchiveKind kind, const std::vector<ArchiveRow>& rows, bool overwrite);
    /// Sends what waits for this table when it holds rows of `key`, so that a
    /// statement on that archive sees them.
    DbStatus flushTouching(ArchiveKind kind, std::int64_t key);

    pg_conn* m_conn;
    std::string m_shown;
    bool m_inTransaction = false;
    std::array<Pending, 8> m_pending;
    /// Depth deletes waiting per table (key, first time kept); sent before its rows.
    std::array<std::map<std::int64_t, DateTime>, 4> m_pendingDeletes;
    DbStatus flushDeletes(ArchiveKind kind);
    std::map<std::string, std::string, std::less<>> m_prepared; // SQL -> statement name
};

} // namespace kest
