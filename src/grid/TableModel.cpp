#include "grid/TableModel.h"

#include <algorithm>
#include <stdexcept>

namespace kest {

TableModel::TableModel(int cols, int rows)
{
    setColCount(cols);
    setRowCount(rows);
}

void TableModel::setColCount(int cols)
{
    m_cols = std::max(cols, 0);
    for (auto& row : m_cells)
        row.resize(static_cast<std::size_t>(m_cols));
    m_widths.resize(static_cast<std::size_t>(m_cols), kDefaultColWidth);
    std::erase_if(m_merges, [&](const CellSpan& s) { return s.col + s.cols > m_cols; });
}

void TableModel::setRowCount(int rows)
{
    rows = std::max(rows, 0);
    m_cells.resize(static_cast<std::size_t>(rows), std::vector<GridCell>(static_cast<std::size_t>(m_cols)));
    m_heights.resize(static_cast<std::size_t>(rows), kDefaultRowHeight);
    std::erase_if(m_merges, [&](const CellSpan& s) { return s.row + s.rows > rows; });
}

int TableModel::colWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_widths[static_cast<std::size_t>(col)] : 0;
}

void TableModel::setColWidth(int col, int width)
{
    if (col >= 0 && col < m_cols)
        m_widths[static_cast<std::size_t>(col)] = std::max(width, 0);
}

int TableModel::rowHeight(int row) const
{
    return row >= 0 && row < rowCount() ? m_heights[static_cast<std::size_t>(row)] : 0;
}

void TableModel::setRowHeight(int row, int height)
{
    if (row >= 0 && row < rowCount())
        m_heights[static_cast<std::size_t>(row)] = std::max(height, 0);
}

int TableModel::totalWidth() const
{
    int sum = 0;
    for (int w : m_widths)
        sum += w;
    return sum;
}

GridCell& TableModel::cell(int col, int row)
{
    if (!valid(col, row))
        throw std::out_of_range("cell outside the table");
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

const GridCell& TableModel::cell(int col, int row) const
{
    if (!valid(col, row))
        throw std::out_of_range("cell outside the table");
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TableModel::addMerge(const CellSpan& span)
{
    std::erase_if(m_merges, [&](const CellSpan& s) {
        return s.col < span.col + span.cols && span.col < s.col + s.cols && s.row < span.row + span.rows &&
               span.row < s.row + s.rows;
    });
    m_merges.push_back(span);
}

void TableModel::mergeRow(int row, int firstCol, int lastCol)
{
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, m_cols - 1);
    if (row < 0 || row >= rowCount() || lastCol <= firstCol)
        return;
    addMerge({firstCol, row, lastCol - firstCol + 1, 1});
}

void TableModel::mergeColumn(int col, int row)
{
    if (!valid(col, row) || !valid(col, row + 1))
        return;
    addMerge({col, row, 1, 2});
}

void TableModel::merge(const CellSpan& span)
{
    const int left = std::max(span.col, 0);
    const int top = std::max(span.row, 0);
    const int right = std::min(span.col + span.cols, m_cols);
    const int bottom = std::min(span.row + span.rows, rowCount());
    if (right <= left || bottom <= top || (right - left) * (bottom - top) < 2)
        return;
    addMerge({left, top, right - left, bottom - top});
}

const CellSpan* TableModel::spanAt(int col, int row) const
{
    for (const auto& s : m_merges) {
        if (s.contains(col, row))
            return &s;
    }
    return nullptr;
}

bool TableModel::covered(int col, int row) const
{
    const CellSpan* s = spanAt(col, row);
    return s && (s->col != col || s->row != row);
}

void TableModel::insertRow(int row)
{
    row = std::clamp(row, 0, rowCount());
    m_cells.insert(m_cells.begin() + row, std::vector<GridCell>(static_cast<std::size_t>(m_cols)));
    m_heights.insert(m_heights.begin() + row, kDefaultRowHeight);
    for (auto& s : m_merges) {
        if (s.row >= row)
            ++s.row;
        else if (s.row + s.rows > row)
            ++s.rows; // a row inserted inside a merge widens it
    }
}

void TableModel::clear()
{
    m_cells.clear();
    m_heights.clear();
    m_widths.clear();
    m_merges.clear();
    m_fixedRows = 0;
    m_gridLines = true;
    m_cols = 0;
    setColCount(1);
    setRowCount(1);
}

} // namespace kest
