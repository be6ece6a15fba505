#include "db/SqliteDatabase.h"

#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

namespace kest {
namespace {

/// The file as a URI that opens it without writing anything beside it: no -shm file,
/// no lock files. The engine then takes the file as one that nobody changes.
std::string immutableUri(const std::filesystem::path& file)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (ec)
        full = file;
    std::string uri = "file:";
    for (const unsigned char c : full.string()) {
        if (c == '%' || c == '?' || c == '#' || c <= ' ') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

/// True when the folder of `file` may not be written: a share or a copied archive.
bool inReadOnlyFolder(const std::filesystem::path& file)
{
    const auto dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    return ::access(dir.c_str(), W_OK) != 0;
}

} // namespace

void StmtFinalize::operator()(sqlite3_stmt* s) const
{
    sqlite3_finalize(s);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

int Statement::index(std::string_view name) const
{
    const std::string key(name);
    return sqlite3_bind_parameter_index(m_stmt.get(), key.c_str());
}

void Statement::bind(std::string_view name, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt.get(), index(name), value);
}

void Statement::bind(std::string_view name, double value)
{
    sqlite3_bind_double(m_stmt.get(), index(name), value);
}

void Statement::bind(std::string_view name, std::string_view text)
{
    sqlite3_bind_text(m_stmt.get(), index(name), text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void Statement::bindNull(std::string_view name)
{
    sqlite3_bind_null(m_stmt.get(), index(name));
}

void Statement::bindTime(std::string_view name, DateTime t)
{
    bind(name, std::string_view(toSqlText(t)));
}

void Statement::bindValue(std::string_view name, const DbValue& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        bind(name, *i);
    else if (const auto* d = std::get_if<double>(&value))
        bind(name, *d);
    else if (const auto* s = std::get_if<std::string>(&value))
        bind(name, std::string_view(*s));
    else
        bindNull(name);
}

Statement::Step Statement::step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW)
        return Step::Row;
    if (rc == SQLITE_DONE)
        return Step::Done;
    return Step::Error;
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt.get());
}

std::string Statement::columnName(int i) const
{
    const char* name = sqlite3_column_name(m_stmt.get(), i);
    return name ? name : "";
}

DbValue Statement::column(int i) const
{
    switch (sqlite3_column_type(m_stmt.get(), i)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(m_stmt.get(), i));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt.get(), i);
    case SQLITE_NULL:
        return std::monostate{};
    default:
        return columnText(i);
    }
}

std::int64_t Statement::columnInt(int i) const
{
    return sqlite3_column_int64(m_stmt.get(), i);
}

double Statement::columnDouble(int i) const
{
    return sqlite3_column_double(m_stmt.get(), i);
}

std::string Statement::columnText(int i) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), i));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt.get(), i))) : "";
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const std::filesystem::path& file, OpenMode mode, std::string* error)
{
    std::error_code ec;
    if (mode == OpenMode::Existing && !std::filesystem::exists(file, ec)) {
        if (error)
            *error = file.string() + ": no such file";
        return nullptr;
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (mode == OpenMode::CreateIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    std::string reason;
    auto db = connect(file.string(), file.string(), flags, reason);
    if (!db && mode == OpenMode::Existing && inReadOnlyFolder(file)) {
        // A database in WAL mode needs its -shm file to be read, and a folder that may
        // not be written cannot hold one. Changes still waiting in a -wal file would
        // be passed over that way, so such a database is refused with its reason.
        const auto wal = std::filesystem::path(file.string() + "-wal");
        if (std::filesystem::exists(wal, ec) && std::filesystem::file_size(wal, ec) > 0) {
            reason = file.string() + ": the folder is read-only and " + wal.filename().string() +
                     " holds changes that were never written into the database";
        } else {
            db = connect(immutableUri(file), file.string(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                         reason);
            if (db)
                return db;
        }
    }
    if (!db) {
        if (error)
            *error = reason;
        return nullptr;
    }
    // WAL keeps readers working while a pass stores; a failure (read-only folder)
    // leaves the default journal, which works as well.
    (void)db->execute("PRAGMA journal_mode=WAL");
    (void)db->execute("PRAGMA synchronous=NORMAL");
    return db;
}

std::unique_ptr<SqliteDatabase>
SqliteDatabase::connect(const std::string& name, const std::string& file, int flags, std::string& error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    std::unique_ptr<SqliteDatabase> db(new SqliteDatabase(raw, file));
    if (rc != SQLITE_OK) {
        error = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        return nullptr;
    }
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_extended_result_codes(raw, 1);
    // Reading the schema is what tells a database from a text file or a truncated one.
    const DbStatus probe = db->execute("SELECT count(*) FROM sqlite_master");
    if (!probe.ok()) {
        error = probe.message;
        return nullptr;
    }
    return db;
}

void SqliteDatabase::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(m_db, ms);
}

SqliteDatabase::~SqliteDatabase()
{
    m_cache.clear();
    sqlite3_close_v2(m_db);
}

Statement* SqliteDatabase::cached(const std::string& sql)
{
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        Statement stmt = prepare(sql);
        if (!stmt.valid())
            return nullptr;
        it = m_cache.emplace(sql, std::move(stmt)).first;
    }
    it->second.reset();
    return &it->second;
}

Statement SqliteDatabase::prepare(const std::string& sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
        return Statement();
    return Statement(stmt);
}

DbStatus SqliteDatabase::execute(const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return DbStatus::success();
    std::string text = message ? message : lastError();
    sqlite3_free(message);
    return DbStatus::failure(text);
}

DbStatus SqliteDatabase::run(Statement& stmt)
{
    Statement::Step s;
    while ((s = stmt.step()) == Statement::Step::Row) {
    }
    if (s == Statement::Step::Done)
        return DbStatus::success();
    const int code = sqlite3_extended_errcode(m_db);
    if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE)
        return {DbStatus::KeyViolation, std::string(kKeyViolation)};
    return DbStatus::failure(lastError());
}

bool SqliteDatabase::hasTable(std::string_view name)
{
    Statement* stmt = cached("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = :name");
    if (!stmt)
        return false;
    stmt->bind(":name", name);
    const bool found = stmt->step() == Statement::Step::Row;
    stmt->reset();
    return found;
}

std::string SqliteDatabase::lastError() const
{
    return sqlite3_errmsg(m_db);
}

std::int64_t SqliteDatabase::changes() const
{
    return sqlite3_changes64(m_db);
}

std::string SqliteDatabase::describe() const
{
    return "the file " + m_file;
}

DbStatus SqliteDatabase::begin()
{
    return execute("BEGIN IMMEDIATE");
}

DbStatus SqliteDatabase::commit()
{
    DbStatus status = execute("COMMIT");
    if (!status.ok())
        rollback();
    return status;
}

void SqliteDatabase::rollback()
{
    (void)execute("ROLLBACK");
}

} // namespace kest
