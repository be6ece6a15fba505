#include "grid/XlsxWriter.h"

#include "common/AtomicFile.h"

#include <charconv>
#include <map>
#include <optional>
#include <xlsxwriter.h>

namespace kest {
namespace {

struct ShownNumber
{
    double value = 0;
    int decimals = 0;
};

/// A text that reads as a number exactly as shown: an optional minus, digits, and
/// optionally one '.' or ',' followed by digits. A leading zero before another digit
/// ("007") would be lost in a number cell, so such a text stays text.
std::optional<ShownNumber> shownNumber(const std::string& text)
{
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    const std::size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == digitsStart || (text[digitsStart] == '0' && i - digitsStart > 1))
        return std::nullopt;
    int decimals = 0;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        const std::size_t fraction = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        decimals = static_cast<int>(i - fraction);
        if (decimals == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    std::string plain = text;
    for (char& c : plain) {
        if (c == ',')
            c = '.';
    }
    ShownNumber n;
    n.decimals = decimals;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), n.value);
    if (ec != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return n;
}

uint8_t alignOf(HAlign a)
{
    switch (a) {
    case HAlign::Center:
        return LXW_ALIGN_CENTER;
    case HAlign::Right:
        return LXW_ALIGN_RIGHT;
    case HAlign::Left:
        break;
    }
    return LXW_ALIGN_LEFT;
}

uint8_t valignOf(VAlign a)
{
    switch (a) {
    case VAlign::Center:
        return LXW_ALIGN_VERTICAL_CENTER;
    case VAlign::Bottom:
        return LXW_ALIGN_VERTICAL_BOTTOM;
    case VAlign::Top:
        break;
    }
    return LXW_ALIGN_VERTICAL_TOP;
}

/// Formats are objects of the workbook; equal looks share one.
class FormatCache
{
public:
    explicit FormatCache(lxw_workbook* book) : m_book(book) {}

    lxw_format* get(const TableModel& table, const GridCell& cell, int decimals, bool border)
    {
        const CellFont font{cell.font.family.empty() ? table.font().family : cell.font.family,
                            cell.font.pixelSize > 0 ? cell.font.pixelSize : table.font().pixelSize,
                            cell.font.bold, cell.font.underline};
        const std::string key =
            font.family + '|' + std::to_string(font.pixelSize) + '|' + std::to_string(font.bold) +
            std::to_string(font.underline) + '|' + std::to_string(cell.color) + '|' +
            std::to_string(static_cast<int>(cell.hAlign)) + std::to_string(static_cast<int>(cell.vAlign)) +
            '|' + std::to_string(decimals) + '|' + std::to_string(border);
        if (auto it = m_formats.find(key); it != m_formats.end())
            return it->second;
        lxw_format* f = workbook_add_format(m_book);
        format_set_font_name(f, font.family.c_str());
        format_set_font_size(f, font.pixelSize * 0.75);
        if (font.bold)
            format_set_bold(f);
        if (font.underline)
            format_set_underline(f, LXW_UNDERLINE_SINGLE);
        if (cell.color != kWhite) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, static_cast<lxw_color_t>(cell.color));
        }
        format_set_align(f, alignOf(cell.hAlign));
        format_set_align(f, valignOf(cell.vAlign));
        if (cell.text.find('\n') != std::string::npos)
            format_set_text_wrap(f);
        if (decimals >= 0)
            format_set_num_format(
                f,
                decimals == 0 ? "0" : ("0." + std::string(static_cast<std::size_t>(decimals), '0')).c_str());
        if (border)
            format_set_border(f, LXW_BORDER_THIN);
        m_formats.emplace(key, f);
        return f;
    }

private:
    lxw_workbook* m_book;
    std::map<std::string, lxw_format*> m_formats;
};

lxw_error writeCell(lxw_worksheet* sheet,
                    FormatCache& formats,
                    const TableModel& table,
                    int c,
                    int r,
                    lxw_row_t row,
                    bool border,
                    int sheetCols)
{
    const GridCell& cell = table.cell(c, r);
    const auto number = shownNumber(cell.text);
    lxw_format* format = formats.get(table, cell, number ? number->decimals : -1, border);
    const auto col = static_cast<lxw_col_t>(c);
    // A title line spans the report's columns; alone in column A a spreadsheet would
    // spill a centred line both ways and cut its start at the sheet's edge.
    if (table.colCount() == 1 && sheetCols > 1 && !cell.text.empty())
        return worksheet_merge_range(sheet, row, 0, row, static_cast<lxw_col_t>(sheetCols - 1),
                                     cell.text.c_str(), format);
    if (const CellSpan* span = table.spanAt(c, r)) {
        if (span->col != c || span->row != r)
            return LXW_NO_ERROR;
        return worksheet_merge_range(sheet, row, col, row + static_cast<lxw_row_t>(span->rows - 1),
                                     col + static_cast<lxw_col_t>(span->cols - 1), cell.text.c_str(), format);
    }
    if (number)
        return worksheet_write_number(sheet, row, col, number->value, format);
    if (cell.text.empty())
        return worksheet_write_blank(sheet, row, col, format);
    return worksheet_write_string(sheet, row, col, cell.text.c_str(), format);
}

} // namespace

std::string WriteXlsx(const std::filesystem::path& path,
                      const std::vector<const TableModel*>& tables,
                      const std::string& sheetName,
                      const XlsxProgress& progress)
{
    const std::filesystem::path temp = path.string() + ".tmp";
    lxw_workbook* book = workbook_new(temp.c_str());
    if (!book)
        return "cannot create " + temp.string();
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.c_str());
    FormatCache formats(book);

    const TableModel* widest = nullptr;
    int totalRows = 0;
    for (const TableModel* table : tables) {
        if (!table || table->rowCount() == 0 || table->colCount() == 0)
            continue;
        if (!widest || table->colCount() > widest->colCount())
            widest = table;
        totalRows += table->rowCount();
    }
    const int sheetCols = widest ? widest->colCount() : 0;
    lxw_row_t row = 0;
    int written = 0;
    lxw_error error = LXW_NO_ERROR;
    for (const TableModel* table : tables) {
        if (!table || table->rowCount() == 0 || table->colCount() == 0)
            continue;
        if (row > 0)
            ++row; // one empty row between the tables
        // Grid lines belong to the report table, whose heading rows are fixed.
        const bool border = table->fixedRows() > 0;
        for (int r = 0; r < table->rowCount(); ++r, ++row) {
            for (int c = 0; c < table->colCount() && error == LXW_NO_ERROR; ++c)
                error = writeCell(sheet, formats, *table, c, r, row, border, sheetCols);
            // Every hundredth row, so a year of hours reports often enough to move a bar.
            if (progress && (++written % 100 == 0 || written == totalRows))
                progress(written, totalRows);
        }
    }
    if (widest) {
        for (int c = 0; c < widest->colCount(); ++c)
            worksheet_set_column_pixels(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                        static_cast<uint32_t>(widest->colWidth(c)), nullptr);
    }
    const lxw_error closed = workbook_close(book);
    if (error == LXW_NO_ERROR)
        error = closed;
    std::error_code ec;
    if (error != LXW_NO_ERROR) {
        std::filesystem::remove(temp, ec);
        return lxw_strerror(error);
    }
    return replaceWithTemporary(temp, path);
}

} // namespace kest
