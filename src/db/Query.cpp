#include "db/Query.h"

#include "common/CodePage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kest {
namespace {

const DbValue kNull;

bool sameColumn(std::string_view a, std::string_view b)
{
    return foldCase(a) == foldCase(b);
}

} // namespace

Query::Query(SqliteDatabase& db, std::string table) : m_db(db), m_table(std::move(table)) {}

void Query::setSql(std::string sql)
{
    m_sql = std::move(sql);
    m_params.clear();
}

void Query::setParam(const std::string& name, DbValue value)
{
    for (auto& p : m_params) {
        if (p.first == name) {
            p.second = std::move(value);
            return;
        }
    }
    m_params.emplace_back(name, std::move(value));
}

void Query::setParamTime(const std::string& name, DateTime t)
{
    setParam(name, toSqlText(t));
}

DbStatus Query::open()
{
    close();
    Statement stmt = m_db.prepare(m_sql);
    if (!stmt.valid())
        return DbStatus::failure(m_db.lastError());
    for (const auto& [name, value] : m_params)
        stmt.bindValue(name, value);
    m_columns.clear();
    for (int i = 0; i < stmt.columnCount(); ++i)
        m_columns.push_back(stmt.columnName(i));
    Statement::Step s;
    while ((s = stmt.step()) == Statement::Step::Row) {
        std::vector<DbValue> row;
        row.reserve(m_columns.size());
        for (int i = 0; i < static_cast<int>(m_columns.size()); ++i)
            row.push_back(stmt.column(i));
        m_rows.push_back(std::move(row));
    }
    if (s == Statement::Step::Error) {
        m_rows.clear();
        return DbStatus::failure(m_db.lastError());
    }
    m_open = true;
    m_current = 0;
    return DbStatus::success();
}

DbStatus Query::execute()
{
    Statement stmt = m_db.prepare(m_sql);
    if (!stmt.valid())
        return DbStatus::failure(m_db.lastError());
    for (const auto& [name, value] : m_params)
        stmt.bindValue(name, value);
    return m_db.run(stmt);
}

void Query::close()
{
    m_open = false;
    m_rows.clear();
    m_current = 0;
}

void Query::next()
{
    if (m_current < m_rows.size())
        ++m_current;
}

int Query::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (sameColumn(m_columns[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

const DbValue& Query::field(int position) const
{
    if (eof() || position < 0 || position >= static_cast<int>(m_columns.size()))
        return kNull;
    return m_rows[m_current][static_cast<std::size_t>(position)];
}

const DbValue& Query::field(std::string_view name) const
{
    return field(columnIndex(name));
}

std::int64_t Query::fieldInt(std::string_view name) const
{
    const DbValue& v = field(name);
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return static_cast<std::int64_t>(std::llround(*d));
    if (const auto* s = std::get_if<std::string>(&v))
        return std::atoll(s->c_str());
    return 0;
}

double Query::fieldDouble(std::string_view name) const
{
    const DbValue& v = field(name);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    if (const auto* s = std::get_if<std::string>(&v))
        return std::atof(s->c_str());
    return 0.0;
}

std::string Query::fieldText(std::string_view name) const
{
    const DbValue& v = field(name);
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v))
        return std::to_string(*d);
    return {};
}

DateTime Query::fieldTime(std::string_view name) const
{
    const DbValue& v = field(name);
    if (const auto* s = std::get_if<std::string>(&v))
        return fromSqlText(*s).value_or(0.0);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    return 0.0;
}

void Query::loadTableColumns()
{
    if (!m_tableColumns.empty())
        return;
    Statement stmt = m_db.prepare("SELECT name, pk FROM pragma_table_info(:table) ORDER BY cid");
    stmt.bind(":table", std::string_view(m_table));
    std::vector<std::pair<int, std::string>> keys;
    while (stmt.step() == Statement::Step::Row) {
        m_tableColumns.push_back(stmt.columnText(0));
        if (stmt.columnInt(1) > 0)
            keys.emplace_back(static_cast<int>(stmt.columnInt(1)), stmt.columnText(0));
    }
    std::sort(keys.begin(), keys.end());
    for (auto& k : keys)
        m_keyColumns.push_back(k.second);
}

DbStatus Query::deleteCurrent()
{
    if (eof())
        return DbStatus::failure("no current row");
    loadTableColumns();
    std::string sql = "DELETE FROM \"" + m_table + "\" WHERE 1";
    for (const auto& key : m_keyColumns)
        sql += " AND \"" + key + "\" = :" + key;
    Statement stmt = m_db.prepare(sql);
    if (!stmt.valid())
        return DbStatus::failure(m_db.lastError());
    for (const auto& key : m_keyColumns)
        stmt.bindValue(":" + key, field(key));
    const DbStatus status = m_db.run(stmt);
    if (status.ok())
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(m_current));
    return status;
}

void Query::setField(std::string_view name, DbValue value)
{
    const int i = columnIndex(name);
    if (eof() || i < 0)
        return;
    if (m_edited.empty())
        m_edited = m_rows[m_current];
    m_rows[m_current][static_cast<std::size_t>(i)] = std::move(value);
}

DbStatus Query::post()
{
    if (eof() || m_edited.empty())
        return DbStatus::success();
    loadTableColumns();
    std::string sql = "UPDATE \"" + m_table + "\" SET ";
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        sql += (i ? ", \"" : "\"") + m_columns[i] + "\" = :new" + std::to_string(i);
    sql += " WHERE 1";
    for (const auto& key : m_keyColumns)
        sql += " AND \"" + key + "\" = :old_" + key;
    Statement stmt = m_db.prepare(sql);
    if (!stmt.valid())
        return DbStatus::failure(m_db.lastError());
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        stmt.bindValue(":new" + std::to_string(i), m_rows[m_current][i]);
    for (const auto& key : m_keyColumns) {
        const int i = columnIndex(key);
        stmt.bindValue(":old_" + key, i < 0 ? kNull : m_edited[static_cast<std::size_t>(i)]);
    }
    m_edited.clear();
    return m_db.run(stmt);
}

DbStatus Query::append(const std::vector<DbValue>& values)
{
    loadTableColumns();
    std::string sql = "INSERT INTO \"" + m_table + "\" VALUES (";
    for (std::size_t i = 0; i < values.size(); ++i)
        sql += (i ? ", :v" : ":v") + std::to_string(i);
    sql += ")";
    Statement* stmt = m_db.cached(sql);
    if (!stmt)
        return DbStatus::failure(m_db.lastError());
    for (std::size_t i = 0; i < values.size(); ++i)
        stmt->bindValue(":v" + std::to_string(i), values[i]);
    const DbStatus status = m_db.run(*stmt);
    stmt->reset();
    return status;
}

} // namespace kest
