#include "db/PgDatabase.h"

#include "db/TableTimeReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>

namespace kest {
namespace {

constexpr const char* kDefaultConnectTimeout = "10";

std::string tableSql(ArchiveKind kind, const std::string& rest)
{
    return std::string(rest).replace(rest.find("{T}"), 3, archiveTable(kind));
}

std::string integerText(std::int64_t v)
{
    return std::to_string(v);
}

/// Seventeen digits give back exactly the double that was sent.
std::string doubleText(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string timeText(DateTime t)
{
    char text[20];
    writeSqlText(t, text);
    return std::string(text, 19);
}

std::int64_t fieldInt(const PGresult* r, int row, int column)
{
    if (PQgetisnull(r, row, column))
        return 0;
    return std::strtoll(PQgetvalue(r, row, column), nullptr, 10);
}

double fieldDouble(const PGresult* r, int row, int column)
{
    if (PQgetisnull(r, row, column))
        return 0;
    return std::strtod(PQgetvalue(r, row, column), nullptr);
}

std::string fieldText(const PGresult* r, int row, int column)
{
    return std::string(PQgetvalue(r, row, column), static_cast<std::size_t>(PQgetlength(r, row, column)));
}

/// libpq ends its messages with a newline; the program puts its own.
std::string trimmed(const char* message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

/// COPY's binary form: its signature, no flags, no header extension.
constexpr char kBinaryCopyHeader[] = "PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0";
static_assert(sizeof kBinaryCopyHeader - 1 == 19);

/// The server keeps a timestamp as microseconds from 2000-01-01 00:00, which is day
/// 36526 of our count.
constexpr std::int64_t kServerEpochSeconds = 36526LL * 86400;

void appendBig16(std::string& out, std::int16_t v)
{
    const auto u = static_cast<std::uint16_t>(v);
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
}

void appendBig32(std::string& out, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((u >> shift) & 0xFF);
}

void appendBig64(std::string& out, std::uint64_t u)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        out += static_cast<char>((u >> shift) & 0xFF);
}

/// One row as three fields of eight bytes each: the time (whole seconds, as the text
/// form rounds it), the key and the value's IEEE bits.
void appendBinaryRow(std::string& out, const ArchiveRow& row)
{
    appendBig16(out, 3);
    const std::int64_t seconds = std::llround(row.sdate * 86400.0) - kServerEpochSeconds;
    appendBig32(out, 8);
    appendBig64(out, static_cast<std::uint64_t>(seconds * 1000000));
    appendBig32(out, 8);
    appendBig64(out, static_cast<std::uint64_t>(row.scode));
    std::uint64_t bits = 0;
    std::memcpy(&bits, &row.svalue, sizeof bits);
    appendBig32(out, 8);
    appendBig64(out, bits);
}

} // namespace

ServerConnection ReadServerConnection(const std::string& text)
{
    ServerConnection c;
    c.text = text;
    char* problem = nullptr;
    PQconninfoOption* options = PQconninfoParse(text.c_str(), &problem);
    if (!options) {
        c.problem = problem ? trimmed(problem) : "the connection string cannot be read";
        PQfreemem(problem);
        return c;
    }
    std::string host, port, dbname, user;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val || !*o->val)
            continue;
        const std::string key = o->keyword;
        if (key == "password")
            c.problem = "SERVER in NN.INI holds a password; NN.INI is a plain file that desks copy around, "
                        "so keep the password in ~/.pgpass (or the file PGPASSFILE names) instead";
        else if (key == "host" || key == "hostaddr")
            host = host.empty() ? o->val : host;
        else if (key == "port")
            port = o->val;
        else if (key == "dbname")
            dbname = o->val;
        else if (key == "user")
            user = o->val;
    }
    PQconninfoFree(options);
    c.shown = "server";
    if (!host.empty())
        c.shown += " " + host;
    if (!port.empty())
        c.shown += ":" + port;
    if (!dbname.empty())
        c.shown += ", database " + dbname;
    if (!user.empty())
        c.shown += ", user " + user;
    return c;
}

void PgDatabase::ResultFree::operator()(pg_result* r) const
{
    PQclear(r);
}

std::unique_ptr<PgDatabase> PgDatabase::open(const std::string& connection, std::string* error)
{
    const ServerConnection c = ReadServerConnection(connection);
    if (!c.problem.empty()) {
        if (error)
            *error = c.problem;
        return nullptr;
    }
    // The string goes to libpq as it stands (expanded from dbname); the keys before it
    // are defaults the string overrides.
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* values[] = {kDefaultConnectTimeout, "kest", connection.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        if (error)
            *error = conn ? trimmed(PQerrorMessage(conn)) : "out of memory";
        PQfinish(conn);
        return nullptr;
    }
    std::unique_ptr<PgDatabase> db(new PgDatabase(conn, c.shown));
    // Times travel as "YYYY-MM-DD HH:MM:SS" both ways, whatever the server's defaults.
    if (const DbStatus s = db->execute("SET datestyle TO ISO, YMD"); !s.ok()) {
        if (error)
            *error = s.message;
        return nullptr;
    }
    return db;
}

PgDatabase::~PgDatabase()
{
    PQfinish(m_conn);
}

std::string PgDatabase::describe() const
{
    return "the " + m_shown;
}

DbStatus PgDatabase::statusOf(const PGresult* result) const
{
    const ExecStatusType t = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (t == PGRES_COMMAND_OK || t == PGRES_TUPLES_OK)
        return DbStatus::success();
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    if (code == "23505")
        return {DbStatus::KeyViolation, std::string(kKeyViolation)};
    DbStatus failed = DbStatus::failure(trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(m_conn)));
    if (failed.message.empty())
        failed.message = trimmed(PQerrorMessage(m_conn));
    // Serialization failures and deadlocks: the server undid the transaction so that
    // another one could finish; running ours again is what it asks for.
    failed.retryable = code == "40001" || code == "40P01";
    return failed;
}

PgDatabase::Result PgDatabase::run(const std::string& sql, const Params& params, DbStatus& status)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        const std::string name = "k" + std::to_string(m_prepared.size());
        Result made(PQprepare(m_conn, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr));
        status = statusOf(made.get());
        if (!status.ok())
            return nullptr;
        it = m_prepared.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    Result result(PQexecPrepared(m_conn, it->second.c_str(), static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0));
    status = statusOf(result.get());
    if (!status.ok() && PQstatus(m_conn) == CONNECTION_BAD) {
        // The statements prepared on the lost connection are gone with it.
        m_prepared.clear();
    }
    return result;
}

DbStatus PgDatabase::runCommand(const std::string& sql, const Params& params)
{
    DbStatus status;
    (void)run(sql, params, status);
    return status;
}

DbStatus PgDatabase::execute(const std::string& sql)
{
    if (DbStatus s = flushAll(); !s.ok())
        return s;
    Result result(PQexec(m_conn, sql.c_str()));
    return statusOf(result.get());
}

bool PgDatabase::hasTable(std::string_view name)
{
    DbStatus status;
    Result r = run("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() AND "
                   "table_name = $1",
                   {std::string(name)}, status);
    return status.ok() && PQntuples(r.get()) > 0;
}

DbStatus PgDatabase::createMissingTables()
{
    static const char* kArchiveColumns = " (sdate timestamp(0) without time zone NOT NULL, scode bigint NOT NULL, "
                                         "svalue double precision, PRIMARY KEY (scode, sdate))";
    std::vector<std::string> statements = {
        "CREATE TABLE IF NOT EXISTS meranb (scode bigint PRIMARY KEY, sname text, rhour integer, rday integer, "
        "avans integer)",
        "CREATE TABLE IF NOT EXISTS merane (scode bigint PRIMARY KEY, smin integer)"};
    for (const char* t : {"arhivh", "arhivd", "arhivm", "detail"})
        statements.push_back(std::string("CREATE TABLE IF NOT EXISTS ") + t + kArchiveColumns);
    // A role that may only read cannot create anything; asking it would fail even
    // when every table is there, so only the missing ones are created.
    const std::vector<std::string> names = {"meranb", "merane", "arhivh", "arhivd", "arhivm", "detail"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (hasTable(names[i]))
            continue;
        if (DbStatus s = execute(statements[i]); !s.ok())
            return s;
    }
    return DbStatus::success();
}

std::optional<ControllerRow> PgDatabase::selectController(std::int64_t code)
{
    DbStatus status;
    Result r = run("SELECT scode, sname, rhour, rday, avans FROM meranb WHERE scode = $1", {integerText(code)},
                   status);
    if (!status.ok() || PQntuples(r.get()) == 0)
        return std::nullopt;
    return ControllerRow{fieldInt(r.get(), 0, 0), fieldText(r.get(), 0, 1), static_cast<int>(fieldInt(r.get(), 0, 2)),
                         static_cast<int>(fieldInt(r.get(), 0, 3)), static_cast<int>(fieldInt(r.get(), 0, 4))};
}

DbStatus PgDatabase::ensureControllerRows(std::int64_t code)
{
    DbStatus status = runCommand("INSERT INTO meranb (scode, sname, rhour, rday, avans) VALUES ($1, ' ', 0, 1, 0) "
                                 "ON CONFLICT DO NOTHING",
                                 {integerText(code)});
    if (!status.ok())
        return status;
    return runCommand("INSERT INTO merane (scode, smin) VALUES ($1, 5) ON CONFLICT DO NOTHING", {integerText(code)});
}

DbStatus PgDatabase::insertController(const ControllerRow& row)
{
    return runCommand("INSERT INTO meranb (scode, sname, rhour, rday, avans) VALUES ($1, $2, $3, $4, $5) "
                      "ON CONFLICT DO NOTHING",
                      {integerText(row.scode), row.sname, integerText(row.rhour), integerText(row.rday),
                       integerText(row.avans)});
}

DbStatus PgDatabase::insertIntervalMinutes(std::int64_t code, int smin)
{
    return runCommand("INSERT INTO merane (scode, smin) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                      {integerText(code), integerText(smin)});
}

DbStatus PgDatabase::updateControllerName(std::int64_t code, const std::string& name)
{
    return runCommand("UPDATE meranb SET sname = $1 WHERE scode = $2", {name, integerText(code)});
}

DbStatus PgDatabase::updateControllerSettlement(std::int64_t code, int rhour, int rday, int avans, int smin)
{
    DbStatus status = runCommand("UPDATE meranb SET rhour = $1, rday = $2, avans = $3 WHERE scode = $4",
                                 {integerText(rhour), integerText(rday), integerText(avans), integerText(code)});
    if (!status.ok())
        return status;
    return runCommand("UPDATE merane SET smin = $1 WHERE scode = $2", {integerText(smin), integerText(code)});
}

DbStatus PgDatabase::selectAllControllers(std::vector<ControllerRow>& rows)
{
    rows.clear();
    DbStatus status;
    Result r = run("SELECT scode, sname, rhour, rday, avans FROM meranb ORDER BY scode", {}, status);
    if (!status.ok())
        return status;
    for (int i = 0; i < PQntuples(r.get()); ++i)
        rows.push_back({fieldInt(r.get(), i, 0), fieldText(r.get(), i, 1), static_cast<int>(fieldInt(r.get(), i, 2)),
                        static_cast<int>(fieldInt(r.get(), i, 3)), static_cast<int>(fieldInt(r.get(), i, 4))});
    return status;
}

std::optional<int> PgDatabase::selectIntervalMinutes(std::int64_t code)
{
    DbStatus status;
    Result r = run("SELECT smin FROM merane WHERE scode = $1", {integerText(code)}, status);
    if (!status.ok() || PQntuples(r.get()) == 0)
        return std::nullopt;
    return static_cast<int>(fieldInt(r.get(), 0, 0));
}

DbStatus PgDatabase::selectArchiveRange(
    ArchiveKind kind, std::int64_t key, DateTime from, DateTime to, std::vector<ArchiveRow>& rows)
{
    rows.clear();
    DbStatus status = flushTouching(kind, key);
    if (!status.ok())
        return status;
    Result r = run(tableSql(kind, "SELECT sdate, svalue FROM {T} WHERE scode = $1 AND sdate >= $2 AND sdate <= $3 "
                                  "ORDER BY sdate"),
                   {integerText(key), timeText(from), timeText(to)}, status);
    if (!status.ok())
        return status;
    const int n = PQntuples(r.get());
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        rows.push_back({fromSqlText(fieldText(r.get(), i, 0)).value_or(0.0), key, fieldDouble(r.get(), i, 1)});
    return status;
}

DbStatus PgDatabase::deleteArchiveRowsBefore(ArchiveKind kind, std::int64_t key, DateTime limit)
{
    if (DbStatus s = flushTouching(kind, key); !s.ok())
        return s;
    // In a record's transaction the depth deletes of a table go as one statement,
    // ahead of the table's rows.
    if (m_inTransaction) {
        m_pendingDeletes[static_cast<std::size_t>(kind)][key] = limit;
        return DbStatus::success();
    }
    return runCommand(tableSql(kind, "DELETE FROM {T} WHERE scode = $1 AND sdate < $2"),
                      {integerText(key), timeText(limit)});
}

DbStatus PgDatabase::deleteIntervalRows(std::int64_t key, DateTime from, std::optional<DateTime> to)
{
    if (DbStatus s = flushTouching(ArchiveKind::Interval, key); !s.ok())
        return s;
    if (!to)
        return runCommand("DELETE FROM detail WHERE scode = $1 AND sdate >= $2", {integerText(key), timeText(from)});
    return runCommand("DELETE FROM detail WHERE scode = $1 AND sdate >= $2 AND sdate < $3",
                      {integerText(key), timeText(from), timeText(*to)});
}

DbStatus PgDatabase::appendArchiveRow(ArchiveKind kind, const ArchiveRow& row)
{
    if (DbStatus s = flushTouching(kind, row.scode); !s.ok())
        return s;
    return runCommand(tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES ($1, $2, $3)"),
                      {timeText(row.sdate), integerText(row.scode), doubleText(row.svalue)});
}

DbStatus PgDatabase::writeArchiveRow(ArchiveKind kind, const ArchiveRow& row)
{
    if (DbStatus s = flushTouching(kind, row.scode); !s.ok())
        return s;
    return runCommand(tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) VALUES ($1, $2, $3) "
                                     "ON CONFLICT (scode, sdate) DO UPDATE SET svalue = excluded.svalue"),
                      {timeText(row.sdate), integerText(row.scode), doubleText(row.svalue)});
}

std::size_t PgDatabase::pendingIndex(ArchiveKind kind, DuplicateRule rule)
{
    return static_cast<std::size_t>(kind) * 2 + (rule == DuplicateRule::Overwrite ? 1 : 0);
}

DbStatus PgDatabase::flushDeletes(ArchiveKind kind)
{
    auto& waiting = m_pendingDeletes[static_cast<std::size_t>(kind)];
    if (waiting.empty())
        return DbStatus::success();
    // The depths are the same for every archive of a kind, so a record's deletes
    // share one or two limits; each goes as one index scan over its keys.
    std::map<DateTime, std::string> keysByLimit;
    for (const auto& [key, limit] : waiting) {
        std::string& keys = keysByLimit[limit];
        keys += (keys.empty() ? "{" : ",") + integerText(key);
    }
    waiting.clear();
    for (const auto& [limit, keys] : keysByLimit) {
        if (DbStatus s = runCommand(tableSql(kind, "DELETE FROM {T} WHERE scode = ANY ($1::bigint[]) AND sdate < $2"),
                                    {keys + "}", timeText(limit)});
            !s.ok())
            return s;
    }
    return DbStatus::success();
}

DbStatus PgDatabase::flush(std::size_t index)
{
    const auto kind = static_cast<ArchiveKind>(index / 2);
    if (DbStatus s = flushDeletes(kind); !s.ok())
        return s;
    Pending& p = m_pending[index];
    if (p.rows.empty())
        return DbStatus::success();
    const bool overwrite = index % 2 == 1;
    // Checking every row for a conflict costs the server as much again as the insert.
    // One index probe per archive tells whether any row can conflict; most batches
    // (new hours, a first store) cannot, and go in by COPY.
    DbStatus status;
    const bool conflicts = anyStored(index, status);
    if (!status.ok())
        return status;
    status = conflicts ? upsertRows(kind, p.rows, overwrite) : copyRows(kind, p.rows);
    p = Pending{};
    // Another desk stored the same rows after the probe: the record is stored again
    // from its start, and then sees them.
    if (!conflicts && status.code == DbStatus::KeyViolation) {
        status = DbStatus::failure("another desk stored the same rows at the same moment");
        status.retryable = true;
    }
    return status;
}

DbStatus PgDatabase::copyRows(ArchiveKind kind, const std::vector<ArchiveRow>& rows)
{
    // The rows go in COPY's binary form: the server then neither parses a time nor a
    // number per row, which is most of what a text COPY costs it.
    Result started(PQexec(
        m_conn, (std::string("COPY ") + archiveTable(kind) + " (sdate, scode, svalue) FROM STDIN WITH BINARY").c_str()));
    if (PQresultStatus(started.get()) != PGRES_COPY_IN)
        return statusOf(started.get());
    std::string data;
    constexpr std::size_t kChunk = 1 << 20;
    data.reserve(kChunk + 64);
    data.append(kBinaryCopyHeader, sizeof kBinaryCopyHeader - 1);
    bool sent = true;
    for (std::size_t i = 0; i < rows.size() && sent; ++i) {
        appendBinaryRow(data, rows[i]);
        if (i + 1 == rows.size())
            appendBig16(data, -1);
        if (data.size() >= kChunk || i + 1 == rows.size()) {
            sent = PQputCopyData(m_conn, data.data(), static_cast<int>(data.size())) == 1;
            data.clear();
        }
    }
    PQputCopyEnd(m_conn, sent ? nullptr : "the rows could not be sent");
    Result ended(PQgetResult(m_conn));
    DbStatus status = statusOf(ended.get());
    while (PGresult* more = PQgetResult(m_conn))
        PQclear(more);
    return status;
}

DbStatus PgDatabase::upsertRows(ArchiveKind kind, const std::vector<ArchiveRow>& rows, bool overwrite)
{
    std::string times = "{", keys = "{", values = "{";
    char time[20];
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            times += ',';
            keys += ',';
            values += ',';
        }
        writeSqlText(rows[i].sdate, time);
        times += '"';
        times.append(time, 19);
        times += '"';
        keys += integerText(rows[i].scode);
        values += doubleText(rows[i].svalue);
    }
    times += '}';
    keys += '}';
    values += '}';
    std::string sql = tableSql(kind, "INSERT INTO {T} (sdate, scode, svalue) SELECT * FROM "
                                     "unnest($1::timestamp(0)[], $2::bigint[], $3::double precision[]) "
                                     "ON CONFLICT (scode, sdate) ");
    sql += overwrite ? "DO UPDATE SET svalue = excluded.svalue" : "DO NOTHING";
    return runCommand(sql, {times, keys, values});
}

bool PgDatabase::anyStored(std::size_t index, DbStatus& status)
{
    const Pending& p = m_pending[index];
    std::string keys, firsts, lasts;
    for (const auto& [key, span] : p.queued) {
        if (!keys.empty()) {
            keys += ',';
            firsts += ',';
            lasts += ',';
        }
        keys += integerText(key);
        firsts += '"' + timeText(span.first) + '"';
        lasts += '"' + timeText(span.second) + '"';
    }
    Result r = run(tableSql(static_cast<ArchiveKind>(index / 2),
                            "SELECT 1 FROM unnest($1::bigint[], $2::timestamp(0)[], $3::timestamp(0)[]) AS r(k, lo, hi) "
                            "WHERE EXISTS (SELECT 1 FROM {T} AS a WHERE a.scode = r.k AND a.sdate >= r.lo AND "
                            "a.sdate <= r.hi) LIMIT 1"),
                   {"{" + keys + "}", "{" + firsts + "}", "{" + lasts + "}"}, status);
    return status.ok() && PQntuples(r.get()) > 0;
}

DbStatus PgDatabase::flushAll()
{
    DbStatus status;
    for (std::size_t i = 0; i < m_pending.size() && status.ok(); ++i)
        status = flush(i);
    for (std::size_t k = 0; k < m_pendingDeletes.size() && status.ok(); ++k)
        status = flushDeletes(static_cast<ArchiveKind>(k));
    return status;
}

DbStatus PgDatabase::flushTouching(ArchiveKind kind, std::int64_t key)
{
    if (m_pendingDeletes[static_cast<std::size_t>(kind)].count(key) != 0) {
        if (DbStatus s = flushDeletes(kind); !s.ok())
            return s;
    }
    for (const DuplicateRule rule : {DuplicateRule::KeepExisting, DuplicateRule::Overwrite}) {
        const std::size_t i = pendingIndex(kind, rule);
        if (m_pending[i].queued.count(key) != 0) {
            if (DbStatus s = flush(i); !s.ok())
                return s;
        }
    }
    return DbStatus::success();
}

DbStatus PgDatabase::storeArchiveValues(ArchiveKind kind,
                                        std::int64_t key,
                                        const std::vector<ArchiveValue>& values,
                                        DuplicateRule rule)
{
    if (values.empty())
        return DbStatus::success();
    // A row may appear once per statement, so an archive already waiting goes first.
    if (DbStatus s = flushTouching(kind, key); !s.ok())
        return s;
    const std::size_t index = pendingIndex(kind, rule);
    Pending& p = m_pending[index];
    // A time given twice is sent once, with the value a row-by-row store would leave.
    for (std::size_t i = 0; i < values.size(); ++i) {
        const bool repeated = i + 1 < values.size() && std::fabs(values[i + 1].time - values[i].time) < 1e-6;
        const bool repeatOfEarlier = i > 0 && std::fabs(values[i - 1].time - values[i].time) < 1e-6;
        if (rule == DuplicateRule::Overwrite ? repeated : repeatOfEarlier)
            continue;
        p.rows.push_back({values[i].time, key, values[i].value});
    }
    DateTime first = values.front().time, last = values.front().time;
    for (const ArchiveValue& v : values) {
        first = std::min(first, v.time);
        last = std::max(last, v.time);
    }
    p.queued.emplace(key, std::make_pair(first, last));
    // Outside a transaction nothing would send them later; inside one, a record's
    // rows wait for its commit unless they grow large.
    constexpr std::size_t kMostWaiting = 100000;
    if (!m_inTransaction || p.rows.size() >= kMostWaiting)
        return flush(index);
    return DbStatus::success();
}

DbStatus
PgDatabase::selectArchiveValue(ArchiveKind kind, std::int64_t key, DateTime when, std::optional<double>& value)
{
    value.reset();
    DbStatus status = flushTouching(kind, key);
    if (!status.ok())
        return status;
    Result r = run(tableSql(kind, "SELECT svalue FROM {T} WHERE scode = $1 AND sdate = $2"),
                   {integerText(key), timeText(when)}, status);
    if (status.ok() && PQntuples(r.get()) > 0)
        value = fieldDouble(r.get(), 0, 0);
    return status;
}

DbStatus PgDatabase::selectArchiveKeys(ArchiveKind kind,
                                       std::int64_t low,
                                       std::int64_t high,
                                       std::vector<std::int64_t>& keys)
{
    keys.clear();
    if (DbStatus s = flushAll(); !s.ok())
        return s;
    // One index seek per key, as on the file: a plain DISTINCT would walk every row.
    const std::string sql =
        tableSql(kind, "SELECT scode FROM {T} WHERE scode >= $1 AND scode <= $2 ORDER BY scode LIMIT 1");
    std::int64_t next = low;
    for (;;) {
        DbStatus status;
        Result r = run(sql, {integerText(next), integerText(high)}, status);
        if (!status.ok())
            return status;
        if (PQntuples(r.get()) == 0)
            break;
        const std::int64_t key = fieldInt(r.get(), 0, 0);
        keys.push_back(key);
        if (key >= high)
            break;
        next = key + 1;
    }
    return DbStatus::success();
}

DbStatus PgDatabase::selectArchiveSeconds(ArchiveKind kind,
                                          std::int64_t key,
                                          DateTime from,
                                          DateTime before,
                                          std::vector<std::int64_t>& seconds)
{
    seconds.clear();
    DbStatus status = flushTouching(kind, key);
    if (!status.ok())
        return status;
    Result r = run(tableSql(kind, "SELECT sdate FROM {T} WHERE scode = $1 AND sdate >= $2 AND sdate < $3 "
                                  "ORDER BY sdate"),
                   {integerText(key), timeText(from), timeText(before)}, status);
    if (!status.ok())
        return status;
    TableTimeReader reader;
    const int n = PQntuples(r.get());
    seconds.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto t = reader.seconds(std::string_view(PQgetvalue(r.get(), i, 0),
                                                       static_cast<std::size_t>(PQgetlength(r.get(), i, 0))));
        seconds.push_back(t.value_or(kUnreadableTime));
    }
    return status;
}

DbStatus PgDatabase::begin()
{
    DbStatus status = execute("BEGIN");
    m_inTransaction = status.ok();
    return status;
}

DbStatus PgDatabase::commit()
{
    DbStatus status = flushAll();
    if (status.ok())
        status = execute("COMMIT");
    if (!status.ok())
        rollback();
    m_inTransaction = false;
    return status;
}

void PgDatabase::rollback()
{
    for (Pending& p : m_pending)
        p = Pending{};
    for (auto& waiting : m_pendingDeletes)
        waiting.clear();
    m_inTransaction = false;
    if (PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        (void)execute("ROLLBACK");
}

void PgDatabase::setBusyTimeout(int ms)
{
    (void)execute("SET lock_timeout = " + std::to_string(ms < 0 ? 0 : ms));
}

std::string PgDatabase::serverVersion() const
{
    const int v = PQserverVersion(m_conn);
    return "PostgreSQL " + std::to_string(v / 10000) + "." + std::to_string(v % 10000);
}

bool PgDatabase::mayWrite()
{
    for (const char* t : {"meranb", "merane", "arhivh", "arhivd", "arhivm", "detail"}) {
        DbStatus status;
        Result r = run("SELECT has_table_privilege(current_schema() || '.' || $1, 'INSERT, UPDATE, DELETE')",
                       {std::string(t)}, status);
        if (!status.ok() || PQntuples(r.get()) == 0 || std::strcmp(PQgetvalue(r.get(), 0, 0), "t") != 0)
            return false;
    }
    return true;
}

} // namespace kest
