#pragma once

#include "db/SqliteDatabase.h"

#include <string>
#include <vector>

namespace kest {

/// A query object over one table: a statement with named parameters whose result
/// can be walked, read by field name or position, and changed row by row (delete,
/// edit and post, append). Rows are fetched when the query opens; changes go to the
/// table at once and are located by the table's primary key.
class Query
{
public:
    Query(SqliteDatabase& db, std::string table);

    void setSql(std::string sql);
    void setParam(const std::string& name, DbValue value);
    void setParamTime(const std::string& name, DateTime t);

    /// Runs the select and fetches its rows.
    DbStatus open();
    /// Runs a statement that returns no rows.
    DbStatus execute();
    void close();
    bool isOpen() const { return m_open; }

    std::size_t recordCount() const { return m_rows.size(); }
    bool eof() const { return m_current >= m_rows.size(); }
    void first() { m_current = 0; }
    void next();

    const DbValue& field(int position) const;
    const DbValue& field(std::string_view name) const;
    std::int64_t fieldInt(std::string_view name) const;
    double fieldDouble(std::string_view name) const;
    std::string fieldText(std::string_view name) const;
    /// A date-time field; 0 when it holds no valid time.
    DateTime fieldTime(std::string_view name) const;

    /// Deletes the current row; the cursor then stands on the row after it.
    DbStatus deleteCurrent();
    /// Changes a field of the current row in memory; post() writes the row back.
    void setField(std::string_view name, DbValue value);
    DbStatus post();
    /// Appends a row, values in the table's column order. A duplicate key gives
    /// the status KeyViolation with the text "Key violation.".
    DbStatus append(const std::vector<DbValue>& values);

private:
    int columnIndex(std::string_view name) const;
    void loadTableColumns();

    SqliteDatabase& m_db;
    std::string m_table;
    std::string m_sql;
    std::vector<std::pair<std::string, DbValue>> m_params;
    std::vector<std::string> m_columns;
    std::vector<std::vector<DbValue>> m_rows;
    std::vector<DbValue> m_edited; // the current row as it was fetched
    std::vector<std::string> m_tableColumns;
    std::vector<std::string> m_keyColumns;
    std::size_t m_current = 0;
    bool m_open = false;
};

} // namespace kest
