#pragma once

#include "grid/TableModel.h"

#include <string>
#include <vector>

namespace kest {

/// Value cells of one report column that show "..." (a row the archive has no value for).
struct MissingColumn
{
    int column = 0;
    std::string caption;
    int cells = 0;

    bool operator==(const MissingColumn&) const = default;
};

/// The "..." cells of a built report table, by column.
struct MissingValues
{
    int cells = 0;
    std::vector<MissingColumn> columns; ///< in the table's order, only those with such cells
};

/// Counts the value cells showing "..." in the data rows of a built report table: the
/// rows between the `headerRows` heading rows and the totals row.
MissingValues CountMissingValues(const TableModel& table, int headerRows);

/// The status line before printing or exporting: how many cells have no value and in
/// which columns, e.g. `5 ячеек без значения ("..."): «Q, Гкал» - 3, «t, °C» - 2.`;
/// "" when every cell has its value.
std::string MissingValuesText(const MissingValues& missing);

} // namespace kest
