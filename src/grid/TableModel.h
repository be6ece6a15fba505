#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest {

enum class HAlign
{
    Left,
    Center,
    Right
};
enum class VAlign
{
    Top,
    Center,
    Bottom
};

/// Colours as 0xRRGGBB.
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kSilver = 0xC0C0C0;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kYellow = 0xFFFF00;

/// A cell's own font; an empty family or a size of 0 means the table's font.
struct CellFont
{
    std::string family;
    int pixelSize = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;

    bool operator==(const CellFont&) const = default;
};

struct GridCell
{
    std::string text; ///< UTF-8; '\n' separates lines
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Top;
    std::uint32_t color = kWhite;
    CellFont font;
    bool readOnly = false;
};

/// Cells joined into one: the anchor (top left) holds the text, the others are covered.
struct CellSpan
{
    int col = 0;
    int row = 0;
    int cols = 1;
    int rows = 1;

    bool contains(int c, int r) const { return c >= col && c < col + cols && r >= row && r < row + rows; }
};

/// The grid every report is shown, printed and exported from: cells addressed by
/// column and row (both from 0), fixed heading rows, widths in pixels and merges.
class TableModel
{
public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kDefaultRowHeight = 24;

    TableModel(int cols = 1, int rows = 1);

    int colCount() const { return m_cols; }
    int rowCount() const { return static_cast<int>(m_cells.size()); }
    /// Keeps the cells that stay inside; merges that no longer fit are dropped.
    void setColCount(int cols);
    void setRowCount(int rows);
    int fixedRows() const { return m_fixedRows; }
    void setFixedRows(int rows) { m_fixedRows = rows < 0 ? 0 : rows; }

    int colWidth(int col) const;
    void setColWidth(int col, int width);
    int rowHeight(int row) const;
    void setRowHeight(int row, int height);
    int totalWidth() const;

    /// The table's own font (cells without a font of their own).
    const CellFont& font() const { return m_font; }
    void setFont(const CellFont& font) { m_font = font; }

    /// Whether cell borders are drawn and printed.
    bool gridLines() const { return m_gridLines; }
    void setGridLines(bool on) { m_gridLines = on; }

    /// The cell; throws std::out_of_range outside the table, which is a programming
    /// error, never a data error.
    GridCell& cell(int col, int row);
    const GridCell& cell(int col, int row) const;
    bool valid(int col, int row) const { return col >= 0 && col < m_cols && row >= 0 && row < rowCount(); }

    /// Joins columns first..last of one row; ranges are clipped to the table and a
    /// merge it overlaps is replaced. Nothing happens for less than two cells.
    void mergeRow(int row, int firstCol, int lastCol);
    /// Joins rows `row` and `row` + 1 of one column.
    void mergeColumn(int col, int row);
    /// Joins any block of cells; clipped to the table, a merge it overlaps is
    /// replaced, nothing happens for less than two cells.
    void merge(const CellSpan& span);
    const std::vector<CellSpan>& merges() const { return m_merges; }
    /// The merge that covers the cell, or nullptr.
    const CellSpan* spanAt(int col, int row) const;
    /// True for the cells of a merge other than its anchor.
    bool covered(int col, int row) const;

    /// Inserts an empty row before `row` (at the end when row == rowCount()); merges
    /// below move down with their rows.
    void insertRow(int row);
    /// One column, one row, no merges, no fixed rows; widths and heights forgotten.
    void clear();

private:
    void addMerge(const CellSpan& span);

    int m_cols = 1;
    int m_fixedRows = 0;
    std::vector<std::vector<GridCell>> m_cells; // [row][col]
    std::vector<int> m_widths;
    std::vector<int> m_heights;
    std::vector<CellSpan> m_merges;
    CellFont m_font{"Arial", 13, false, false};
    bool m_gridLines = true;
};

} // namespace kest
