#include "db/ArchiveCopy.h"

#include "db/ArchiveTables.h"
#include "db/PgDatabase.h"
#include "db/SqliteDatabase.h"

#include <cstdio>
#include <limits>

namespace kest {
namespace {

constexpr std::int64_t kAllKeys = std::numeric_limits<std::int64_t>::max();
constexpr DateTime kEarliest = 0;
constexpr DateTime kLatest = 1e6;

/// FNV-1a of one row's text; the table's checksum adds these up.
std::uint64_t rowHash(const std::string& text)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string valueText(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

struct TableSum
{
    std::int64_t rows = 0;
    std::uint64_t checksum = 0;
    void add(const std::string& row)
    {
        ++rows;
        checksum += rowHash(row);
    }
};

DbStatus sumArchive(ArchiveDatabase& db, ArchiveKind kind, TableSum& sum)
{
    std::vector<std::int64_t> keys;
    if (DbStatus s = db.selectArchiveKeys(kind, std::numeric_limits<std::int64_t>::min(), kAllKeys, keys); !s.ok())
        return s;
    std::vector<ArchiveRow> rows;
    for (const auto key : keys) {
        if (DbStatus s = db.selectArchiveRange(kind, key, kEarliest, kLatest, rows); !s.ok())
            return s;
        for (const auto& r : rows)
            sum.add(std::to_string(key) + "|" + toSqlText(r.sdate) + "|" + valueText(r.svalue));
    }
    return DbStatus::success();
}

DbStatus sumControllers(ArchiveDatabase& db, TableSum& names, TableSum& intervals)
{
    std::vector<ControllerRow> rows;
    if (DbStatus s = db.selectAllControllers(rows); !s.ok())
        return s;
    for (const auto& c : rows) {
        names.add(std::to_string(c.scode) + "|" + c.sname + "|" + std::to_string(c.rhour) + "|" +
                  std::to_string(c.rday) + "|" + std::to_string(c.avans));
        if (const auto smin = db.selectIntervalMinutes(c.scode))
            intervals.add(std::to_string(c.scode) + "|" + std::to_string(*smin));
    }
    return DbStatus::success();
}

DbStatus copyControllers(ArchiveDatabase& source, ArchiveDatabase& target, std::int64_t& copied, std::int64_t& kept)
{
    std::vector<ControllerRow> rows;
    if (DbStatus s = source.selectAllControllers(rows); !s.ok())
        return s;
    for (const auto& c : rows) {
        if (target.selectController(c.scode)) {
            ++kept;
            continue;
        }
        const int smin = source.selectIntervalMinutes(c.scode).value_or(5);
        DbStatus s = target.ensureControllerRows(c.scode);
        if (s.ok())
            s = target.updateControllerName(c.scode, c.sname);
        if (s.ok())
            s = target.updateControllerSettlement(c.scode, c.rhour, c.rday, c.avans, smin);
        if (!s.ok())
            return s;
        ++copied;
    }
    return DbStatus::success();
}

/// One archive per transaction: a copy cut short keeps whole archives only.
DbStatus copyArchive(ArchiveDatabase& source,
                     ArchiveDatabase& target,
                     ArchiveKind kind,
                     TableComparison& table,
                     const CopyProgress& progress)
{
    std::vector<std::int64_t> keys;
    if (DbStatus s = source.selectArchiveKeys(kind, std::numeric_limits<std::int64_t>::min(), kAllKeys, keys); !s.ok())
        return s;
    std::vector<ArchiveRow> rows, before, after;
    std::vector<ArchiveValue> values;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto key = keys[i];
        DbStatus s = source.selectArchiveRange(kind, key, kEarliest, kLatest, rows);
        if (!s.ok())
            return s;
        values.clear();
        for (const auto& r : rows)
            values.push_back({r.sdate, r.svalue});
        Transaction tx(target);
        if (!tx.begin().ok())
            return tx.begin();
        s = target.selectArchiveRange(kind, key, kEarliest, kLatest, before);
        if (s.ok())
            s = target.storeArchiveValues(kind, key, values, DuplicateRule::KeepExisting);
        if (s.ok())
            s = target.selectArchiveRange(kind, key, kEarliest, kLatest, after);
        if (s.ok())
            s = tx.commit();
        if (!s.ok())
            return s;
        const auto added = static_cast<std::int64_t>(after.size() - before.size());
        table.copied += added;
        table.kept += static_cast<std::int64_t>(rows.size()) - added;
        if (progress)
            progress(table.table, i + 1, keys.size());
    }
    return DbStatus::success();
}

bool looksLikeConnection(const std::string& target)
{
    return target.find('=') != std::string::npos || target.rfind("postgresql://", 0) == 0 ||
           target.rfind("postgres://", 0) == 0;
}

} // namespace

std::unique_ptr<ArchiveDatabase> OpenCopyTarget(const std::string& target, std::string* error)
{
    std::unique_ptr<ArchiveDatabase> db;
    if (looksLikeConnection(target))
        db = PgDatabase::open(target, error);
    else
        db = SqliteDatabase::open(target, SqliteDatabase::OpenMode::CreateIfMissing, error);
    if (!db)
        return nullptr;
    if (const DbStatus s = db->createMissingTables(); !s.ok()) {
        if (error)
            *error = s.message;
        return nullptr;
    }
    return db;
}

DbStatus CopyArchive(ArchiveDatabase& source,
                     ArchiveDatabase& target,
                     std::vector<TableComparison>& tables,
                     const CopyProgress& progress)
{
    tables.clear();
    for (const auto& name : kArchiveDatabaseTables)
        tables.push_back({name});
    // meranb and merane travel together: a controller's two rows are one thing.
    if (DbStatus s = copyControllers(source, target, tables[0].copied, tables[0].kept); !s.ok())
        return s;
    tables[1].copied = tables[0].copied;
    tables[1].kept = tables[0].kept;
    if (progress)
        progress("meranb", 1, 1);
    const ArchiveKind kinds[] = {ArchiveKind::Hourly, ArchiveKind::Daily, ArchiveKind::Monthly, ArchiveKind::Interval};
    for (std::size_t i = 0; i < 4; ++i) {
        if (DbStatus s = copyArchive(source, target, kinds[i], tables[i + 2], progress); !s.ok())
            return s;
    }

    for (int side = 0; side < 2; ++side) {
        ArchiveDatabase& db = side == 0 ? source : target;
        TableSum sums[6];
        if (DbStatus s = sumControllers(db, sums[0], sums[1]); !s.ok())
            return s;
        for (std::size_t i = 0; i < 4; ++i) {
            if (DbStatus s = sumArchive(db, kinds[i], sums[i + 2]); !s.ok())
                return s;
        }
        for (std::size_t i = 0; i < 6; ++i) {
            (side == 0 ? tables[i].sourceRows : tables[i].targetRows) = sums[i].rows;
            (side == 0 ? tables[i].sourceChecksum : tables[i].targetChecksum) = sums[i].checksum;
        }
    }
    return DbStatus::success();
}

} // namespace kest
