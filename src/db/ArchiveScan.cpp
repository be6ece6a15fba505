#include "db/ArchiveScan.h"

#include <cmath>
#include <sqlite3.h>
#include <string>

namespace kest {
namespace {

std::string withTable(ArchiveKind kind, const char* before, const char* after)
{
    return std::string(before) + "\"" + archiveTable(kind) + "\"" + after;
}

inline bool digits(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

/// Splits a table time into its date (whose seconds it looks up once per day) and its
/// time of day: a year of hours repeats each date 24 times.
class TableTimeReader
{
public:
    std::optional<std::int64_t> seconds(std::string_view text)
    {
        if (text.size() != 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        int h = 0, mi = 0, s = 0;
        if (!digits(text, 11, 2, h) || !digits(text, 14, 2, mi) || !digits(text, 17, 2, s) || h > 23 ||
            mi > 59 || s > 59)
            return std::nullopt;
        if (text.compare(0, 10, m_date, 0, 10) != 0) {
            m_date.assign(text.substr(0, 10));
            m_day = daySeconds(m_date);
        }
        if (!m_day)
            return std::nullopt;
        return *m_day + h * 3600 + mi * 60 + s;
    }

private:
    static std::optional<std::int64_t> daySeconds(std::string_view date)
    {
        int y = 0, mo = 0, d = 0;
        if (date[4] != '-' || date[7] != '-' || !digits(date, 0, 4, y) || !digits(date, 5, 2, mo) ||
            !digits(date, 8, 2, d))
            return std::nullopt;
        const auto t = encodeDateTime(y, mo, d);
        if (!t)
            return std::nullopt;
        return std::llround(*t * 86400.0);
    }

    std::string m_date;
    std::optional<std::int64_t> m_day;
};

} // namespace

std::optional<std::int64_t> tableTimeSeconds(std::string_view text)
{
    return TableTimeReader().seconds(text);
}

DbStatus SelectArchiveKeys(
    Database& db, ArchiveKind kind, std::int64_t low, std::int64_t high, std::vector<std::int64_t>& keys)
{
    keys.clear();
    Statement* stmt = db.cached(withTable(kind, "SELECT scode FROM ",
                                          " WHERE scode >= :low AND scode <= :high ORDER BY scode LIMIT 1"));
    if (!stmt)
        return DbStatus::failure(db.lastError());
    std::int64_t next = low;
    for (;;) {
        stmt->reset();
        stmt->bind(":low", next);
        stmt->bind(":high", high);
        const Statement::Step s = stmt->step();
        if (s == Statement::Step::Error) {
            DbStatus failed = DbStatus::failure(db.lastError());
            stmt->reset();
            return failed;
        }
        if (s == Statement::Step::Done)
            break;
        const std::int64_t key = stmt->columnInt(0);
        keys.push_back(key);
        if (key >= high)
            break;
        next = key + 1;
    }
    stmt->reset();
    return DbStatus::success();
}

DbStatus SelectArchiveSeconds(Database& db,
                              ArchiveKind kind,
                              std::int64_t key,
                              DateTime from,
                              DateTime before,
                              std::vector<std::int64_t>& seconds)
{
    seconds.clear();
    Statement* stmt = db.cached(
        withTable(kind, "SELECT sdate FROM ",
                  " WHERE scode = :arhcode AND sdate >= :arhstart AND sdate < :arhend ORDER BY sdate"));
    if (!stmt)
        return DbStatus::failure(db.lastError());
    stmt->bind(":arhcode", key);
    stmt->bindTime(":arhstart", from);
    stmt->bindTime(":arhend", before);
    TableTimeReader reader;
    Statement::Step s;
    // The text is read in place: a year of an hourly archive is 8,760 rows, and a
    // string per row would cost more than the walk itself.
    while ((s = stmt->step()) == Statement::Step::Row) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt->handle(), 0));
        const int size = sqlite3_column_bytes(stmt->handle(), 0);
        const auto t =
            text ? reader.seconds(std::string_view(text, static_cast<std::size_t>(size))) : std::nullopt;
        seconds.push_back(t.value_or(kUnreadableTime));
    }
    const DbStatus status =
        s == Statement::Step::Done ? DbStatus::success() : DbStatus::failure(db.lastError());
    stmt->reset();
    return status;
}

} // namespace kest
