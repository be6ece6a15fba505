#include "reports/MissingValues.h"

#include "reports/ReportFrame.h"

namespace kest {
namespace {

constexpr const char* kNoValue = "...";

/// "ячейка", "ячейки" or "ячеек" for n.
std::string cellsWord(int n)
{
    const int tens = n % 100;
    const int last = n % 10;
    if (tens >= 11 && tens <= 14)
        return "ячеек";
    if (last == 1)
        return "ячейка";
    if (last >= 2 && last <= 4)
        return "ячейки";
    return "ячеек";
}

} // namespace

MissingValues CountMissingValues(const TableModel& table, int headerRows)
{
    MissingValues missing;
    // The last row is the totals row; a table without data rows has nothing to count.
    const int lastDataRow = table.rowCount() - 2;
    for (int col = 1; col < table.colCount(); ++col) {
        int cells = 0;
        for (int row = headerRows; row <= lastDataRow; ++row)
            cells += table.cell(col, row).text == kNoValue;
        if (cells == 0)
            continue;
        std::string caption = ReportColumnCaption(table, col, headerRows);
        if (caption.empty())
            caption = "столбец " + std::to_string(col);
        missing.columns.push_back({col, std::move(caption), cells});
        missing.cells += cells;
    }
    return missing;
}

std::string MissingValuesText(const MissingValues& missing)
{
    if (missing.cells == 0)
        return "";
    std::string text =
        std::to_string(missing.cells) + " " + cellsWord(missing.cells) + " без значения (\"...\"): ";
    for (std::size_t i = 0; i < missing.columns.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += "«" + missing.columns[i].caption + "» - " + std::to_string(missing.columns[i].cells);
    }
    return text + ".";
}

} // namespace kest
