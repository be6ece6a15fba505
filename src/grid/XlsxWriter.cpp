#include "grid/XlsxWriter.h"

#include "common/AtomicFile.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <xlsxwriter.h>
#include <zlib.h>

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
    std::string problem;
    const std::filesystem::path temp = makeTemporaryBeside(path, problem);
    if (temp.empty())
        return problem;
    // The library keeps each part in a scratch file before it packs them; beside the
    // workbook they fill the same disk, so a shortage shows in the package check.
    const std::string scratch = path.parent_path().empty() ? "." : path.parent_path().string();
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(scratch.c_str());
    lxw_workbook* book = workbook_new_opt(temp.c_str(), &options);
    if (!book) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return "cannot create " + temp.string();
    }
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
    if (error == LXW_NO_ERROR)
        problem = CheckXlsxPackage(temp);
    else
        problem = lxw_strerror(error);
    if (!problem.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return problem;
    }
    return replaceWithTemporary(temp, path);
}

namespace {

std::uint32_t le32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint32_t le16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

/// The stored or deflated bytes of one member unpacked, or nothing when they do not
/// unpack to exactly `size` bytes.
std::optional<std::string> unpack(const char* data, std::size_t length, unsigned method, std::size_t size)
{
    if (method == 0)
        return length == size ? std::optional<std::string>(std::string(data, length)) : std::nullopt;
    if (method != 8)
        return std::nullopt;
    std::string out(size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(length);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(size);
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.total_out == size;
    inflateEnd(&z);
    return whole ? std::optional<std::string>(std::move(out)) : std::nullopt;
}

/// True when an XML part ends with the end tag of its root element.
bool xmlComplete(const std::string& text)
{
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos && at + 1 < text.size() &&
           (text[at + 1] == '?' || text[at + 1] == '!'))
        ++at;
    if (at == std::string::npos)
        return false;
    const auto nameEnd = text.find_first_of(" \t\r\n/>", at + 1);
    if (nameEnd == std::string::npos)
        return false;
    const std::string root = text.substr(at + 1, nameEnd - at - 1);
    const auto last = text.find_last_not_of(" \t\r\n");
    if (last == std::string::npos || text[last] != '>')
        return false;
    const std::string endTag = "</" + root + ">";
    if (last + 1 >= endTag.size() && text.compare(last + 1 - endTag.size(), endTag.size(), endTag) == 0)
        return true;
    // A root element with nothing inside closes itself.
    return text.find('>', at) == last && text[last - 1] == '/';
}

} // namespace

std::string CheckXlsxPackage(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string b = buffer.str();
    const std::string broken = file.string() + ": the workbook was not written whole";
    // The end record of the central directory closes a complete package.
    if (b.size() < 22)
        return broken;
    const auto end = b.rfind("PK\x05\x06");
    if (end == std::string::npos || end + 22 > b.size())
        return broken;
    const std::size_t entries = le16(b, end + 10);
    const std::size_t dirSize = le32(b, end + 12);
    std::size_t at = le32(b, end + 16);
    if (entries == 0 || at + dirSize != end)
        return broken;
    for (std::size_t i = 0; i < entries; ++i) {
        if (at + 46 > end || le32(b, at) != 0x02014b50)
            return broken;
        const unsigned method = le16(b, at + 10);
        const std::uint32_t crc = le32(b, at + 16);
        const std::size_t packed = le32(b, at + 20);
        const std::size_t size = le32(b, at + 24);
        const std::size_t nameLength = le16(b, at + 28);
        const std::size_t skip = nameLength + le16(b, at + 30) + le16(b, at + 32);
        const std::size_t local = le32(b, at + 42);
        const std::string name = b.substr(at + 46, nameLength);
        at += 46 + skip;
        if (local + 30 > end || le32(b, local) != 0x04034b50 || le16(b, local + 26) != nameLength ||
            b.compare(local + 30, nameLength, name) != 0)
            return broken;
        const std::size_t data = local + 30 + nameLength + le16(b, local + 28);
        if (data + packed > end)
            return broken;
        const auto text = unpack(b.data() + data, packed, method, size);
        if (!text ||
            crc32(0, reinterpret_cast<const Bytef*>(text->data()), static_cast<uInt>(text->size())) != crc)
            return broken;
        const bool xml = name.ends_with(".xml") || name.ends_with(".rels");
        if (xml && !xmlComplete(*text))
            return broken;
    }
    return {};
}

} // namespace kest
