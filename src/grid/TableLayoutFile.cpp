#include "grid/TableLayoutFile.h"

#include "common/AtomicFile.h"
#include "common/CodePage.h"
#include "common/IniFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

namespace kest {
namespace {

constexpr int kMaxCols = 256;
constexpr int kMaxRows = 10000;
constexpr int kMaxPixels = 10000;
constexpr int kMaxPoints = 200;

/// A layout error: the message and the line it points at.
struct LayoutError
{
    int line = 0;
    std::string reason;
};

std::optional<int> parseInt(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

/// "R12C3" into row 12 and column 3; the letters in either case.
std::optional<std::pair<int, int>> parseCellName(std::string_view name)
{
    if (name.size() < 4 || (name[0] != 'R' && name[0] != 'r'))
        return std::nullopt;
    const auto c = name.find_first_of("Cc", 1);
    if (c == std::string_view::npos)
        return std::nullopt;
    const auto row = parseInt(name.substr(1, c - 1));
    const auto col = parseInt(name.substr(c + 1));
    if (!row || !col || name[1] == '+' || name[c + 1] == '+' || *row < 0 || *col < 0)
        return std::nullopt;
    return std::pair{*row, *col};
}

std::optional<int> parseIndex(std::string_view name, char letter)
{
    if (name.size() < 2 || (name[0] != letter && name[0] != letter + ('a' - 'A')) || name[1] == '+')
        return std::nullopt;
    const auto v = parseInt(name.substr(1));
    if (!v || *v < 0)
        return std::nullopt;
    return v;
}

int pointsToPixels(int points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}
int pixelsToPoints(int pixels)
{
    return static_cast<int>(std::lround(pixels * 72.0 / 96.0));
}

class LayoutReader
{
public:
    explicit LayoutReader(const IniFile& ini) : m_ini(ini) {}

    std::optional<LayoutError> read(TableModel& table)
    {
        if (auto e = readGrid(table))
            return e;
        if (auto e = readSizes(table))
            return e;
        if (auto e = readUnions(table))
            return e;
        return readCells(table);
    }

private:
    std::optional<LayoutError> number(const IniFile::Entry& e, int low, int high, int& out) const
    {
        const auto v = parseInt(e.value);
        if (!v)
            return LayoutError{e.line, e.name + ": \"" + e.value + "\" не число"};
        if (*v < low || *v > high)
            return LayoutError{e.line, e.name + "=" + e.value + " вне пределов " + std::to_string(low) +
                                           ".." + std::to_string(high)};
        out = *v;
        return std::nullopt;
    }

    std::optional<LayoutError> readGrid(TableModel& table)
    {
        int cols = 1, rows = 1, fixed = 0, colWidth = TableModel::kDefaultColWidth;
        int rowHeight = TableModel::kDefaultRowHeight, gridLines = 1, points = 0;
        std::string fontName;
        std::optional<LayoutError> fixedError;
        for (const auto& e : m_ini.entries("Grid")) {
            const std::string key = foldCase(e.name);
            std::optional<LayoutError> err;
            if (key == "colcount")
                err = number(e, 1, kMaxCols, cols);
            else if (key == "rowcount")
                err = number(e, 1, kMaxRows, rows);
            else if (key == "fixedrows")
                err = number(e, 0, kMaxRows, fixed), m_fixedLine = e.line;
            else if (key == "defaultcolwidth")
                err = number(e, 0, kMaxPixels, colWidth);
            else if (key == "defaultrowheight")
                err = number(e, 0, kMaxPixels, rowHeight);
            else if (key == "gridlines")
                err = number(e, 0, 1, gridLines);
            else if (key == "font.size")
                err = number(e, 1, kMaxPoints, points);
            else if (key == "font.name")
                fontName = e.value;
            // Print settings and other properties of the grid are not ours to read.
            if (err)
                return err;
        }
        if (fixed > rows)
            return LayoutError{m_fixedLine, "FixedRows больше RowCount"};
        table = TableModel(cols, rows);
        table.setFixedRows(fixed);
        table.setGridLines(gridLines != 0);
        for (int c = 0; c < cols; ++c)
            table.setColWidth(c, colWidth);
        for (int r = 0; r < rows; ++r)
            table.setRowHeight(r, rowHeight);
        CellFont font = table.font();
        if (!fontName.empty())
            font.family = fontName;
        if (points > 0)
            font.pixelSize = pointsToPixels(points);
        table.setFont(font);
        return std::nullopt;
    }

    std::optional<LayoutError> readSizes(TableModel& table)
    {
        for (const auto& e : m_ini.entries("Col.Width")) {
            const auto col = parseIndex(e.name, 'C');
            if (!col)
                return LayoutError{e.line, "\"" + e.name + "\" не номер столбца вида C<n>"};
            if (*col >= table.colCount())
                return LayoutError{e.line, "столбец " + e.name + " вне таблицы"};
            int width = 0;
            if (auto err = number(e, 0, kMaxPixels, width))
                return err;
            table.setColWidth(*col, width);
        }
        for (const auto& e : m_ini.entries("RowHeights")) {
            const auto row = parseIndex(e.name, 'R');
            if (!row)
                return LayoutError{e.line, "\"" + e.name + "\" не номер строки вида R<n>"};
            if (*row >= table.rowCount())
                return LayoutError{e.line, "строка " + e.name + " вне таблицы"};
            int height = 0;
            if (auto err = number(e, 0, kMaxPixels, height))
                return err;
            table.setRowHeight(*row, height);
        }
        return std::nullopt;
    }

    std::optional<LayoutError> readUnions(TableModel& table)
    {
        for (const auto& e : m_ini.entries("Unions")) {
            const auto colon = e.value.find(':');
            const auto from = parseCellName(std::string_view(e.value).substr(0, colon));
            const auto to = colon == std::string::npos
                                ? std::nullopt
                                : parseCellName(std::string_view(e.value).substr(colon + 1));
            if (!from || !to || to->first < from->first || to->second < from->second)
                return LayoutError{e.line, "объединение \"" + e.value + "\" не вида R<n>C<n>:R<n>C<n>"};
            if (!table.valid(to->second, to->first))
                return LayoutError{e.line, "объединение " + e.value + " вне таблицы"};
            table.merge(
                {from->second, from->first, to->second - from->second + 1, to->first - from->first + 1});
        }
        return std::nullopt;
    }

    /// Walks one per-cell section; `apply` takes the cell and the value and answers
    /// the reason when the value does not parse.
    template <typename Apply>
    std::optional<LayoutError> eachCell(TableModel& table, std::string_view section, Apply apply)
    {
        for (const auto& e : m_ini.entries(section)) {
            const auto at = parseCellName(e.name);
            if (!at)
                return LayoutError{e.line, "\"" + e.name + "\" не имя ячейки вида R<n>C<n>"};
            if (!table.valid(at->second, at->first))
                return LayoutError{e.line, "ячейка " + e.name + " вне таблицы"};
            std::string reason = apply(table.cell(at->second, at->first), e.value);
            if (!reason.empty())
                return LayoutError{e.line, e.name + ": " + reason};
        }
        return std::nullopt;
    }

    std::optional<LayoutError> readCells(TableModel& table)
    {
        if (auto e = eachCell(table, "Cells", [](GridCell& cell, const std::string& v) {
                cell.text = v;
                return std::string();
            }))
            return e;
        if (auto e = eachCell(table, "Cell.Font.Name", [](GridCell& cell, const std::string& v) {
                cell.font.family = v;
                return std::string();
            }))
            return e;
        if (auto e = eachCell(table, "Cell.Font.Size", [](GridCell& cell, const std::string& v) {
                const auto points = parseInt(v);
                if (!points || *points < 1 || *points > kMaxPoints)
                    return "\"" + v + "\" не размер шрифта 1.." + std::to_string(kMaxPoints);
                cell.font.pixelSize = pointsToPixels(*points);
                return std::string();
            }))
            return e;
        if (auto e = eachCell(table, "Cell.Font.Style",
                              [](GridCell& cell, const std::string& v) { return applyStyle(cell.font, v); }))
            return e;
        if (auto e = eachCell(table, "Cell.TextAlignment", [](GridCell& cell, const std::string& v) {
                const std::string word = foldCase(v);
                if (word == "left")
                    cell.hAlign = HAlign::Left;
                else if (word == "center")
                    cell.hAlign = HAlign::Center;
                else if (word == "right")
                    cell.hAlign = HAlign::Right;
                else
                    return "неизвестное выравнивание \"" + v + "\"";
                return std::string();
            }))
            return e;
        return eachCell(table, "Cell.Color", [](GridCell& cell, const std::string& v) {
            std::uint32_t rgb = 0;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), rgb, 16);
            if (v.size() != 6 || ec != std::errc() || end != v.data() + v.size())
                return "\"" + v + "\" не цвет вида RRGGBB";
            cell.color = rgb;
            return std::string();
        });
    }

    static std::string applyStyle(CellFont& font, const std::string& value)
    {
        std::stringstream words(value);
        for (std::string word; std::getline(words, word, ',');) {
            const auto first = word.find_first_not_of(' ');
            const auto last = word.find_last_not_of(' ');
            word = first == std::string::npos ? "" : foldCase(word.substr(first, last - first + 1));
            if (word == "bold")
                font.bold = true;
            else if (word == "italic")
                font.italic = true;
            else if (word == "underline")
                font.underline = true;
            else if (!word.empty())
                return "неизвестный стиль \"" + word + "\"";
        }
        return {};
    }

    const IniFile& m_ini;
    int m_fixedLine = 0;
};

std::string cellName(int col, int row)
{
    return "R" + std::to_string(row) + "C" + std::to_string(col);
}

/// A value as the file keeps it: a text with blanks (or a carriage return) at either
/// end, or one that is itself in quotes, goes in quotes.
std::string quoted(const std::string& text)
{
    auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; };
    const bool edgeBlank = !text.empty() && (blank(text.front()) || blank(text.back()));
    const bool inQuotes = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    return edgeBlank || inQuotes ? "\"" + text + "\"" : text;
}

const char* alignmentWord(HAlign a)
{
    switch (a) {
    case HAlign::Center:
        return "center";
    case HAlign::Right:
        return "right";
    case HAlign::Left:
        break;
    }
    return "left";
}

std::string styleWords(const CellFont& f)
{
    std::string words;
    for (const auto& [on, word] :
         {std::pair{f.bold, "bold"}, {f.italic, "italic"}, {f.underline, "underline"}}) {
        if (on)
            words += (words.empty() ? "" : ",") + std::string(word);
    }
    return words;
}

std::string hexColour(std::uint32_t rgb)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return buf;
}

} // namespace

std::string ParseTableLayout(std::string_view bytes, const std::string& fileName, TableModel& table)
{
    const IniFile ini = IniFile::parse(bytes);
    LayoutReader reader(ini);
    if (const auto error = reader.read(table)) {
        table = TableModel();
        return "Ошибка в файле " + fileName + ", строка " + std::to_string(error->line) + ": " +
               error->reason;
    }
    return {};
}

std::string LoadTableLayout(const std::filesystem::path& path, TableModel& table)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        table = TableModel();
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (!in.is_open() || in.bad()) {
        table = TableModel();
        return "Не удалось прочитать файл " + path.string();
    }
    return ParseTableLayout(buffer.str(), path.string(), table);
}

std::string TableLayoutText(const TableModel& t)
{
    std::string out = "[Grid]\n";
    auto line = [&out](const std::string& key, const std::string& value) { out += key + "=" + value + "\n"; };
    line("ColCount", std::to_string(t.colCount()));
    line("RowCount", std::to_string(t.rowCount()));
    line("FixedRows", std::to_string(t.fixedRows()));
    line("DefaultColWidth", std::to_string(TableModel::kDefaultColWidth));
    line("DefaultRowHeight", std::to_string(TableModel::kDefaultRowHeight));
    line("Font.Name", quoted(t.font().family));
    line("Font.Size", std::to_string(pixelsToPoints(t.font().pixelSize)));
    line("GridLines", t.gridLines() ? "1" : "0");
    out += "[Col.Width]\n";
    for (int c = 0; c < t.colCount(); ++c) {
        if (t.colWidth(c) != TableModel::kDefaultColWidth)
            line("C" + std::to_string(c), std::to_string(t.colWidth(c)));
    }
    out += "[RowHeights]\n";
    for (int r = 0; r < t.rowCount(); ++r) {
        if (t.rowHeight(r) != TableModel::kDefaultRowHeight)
            line("R" + std::to_string(r), std::to_string(t.rowHeight(r)));
    }
    out += "[Unions]\n";
    int n = 0;
    for (const auto& s : t.merges())
        line(std::to_string(++n),
             cellName(s.col, s.row) + ":" + cellName(s.col + s.cols - 1, s.row + s.rows - 1));

    struct Section
    {
        const char* name;
        std::string (*value)(const GridCell&);
    };
    static const Section sections[] = {
        {"Cells", [](const GridCell& c) { return c.text.empty() ? std::string() : quoted(c.text); }},
        {"Cell.Font.Name", [](const GridCell& c) { return quoted(c.font.family); }},
        {"Cell.Font.Size",
         [](const GridCell& c) {
             return c.font.pixelSize > 0 ? std::to_string(pixelsToPoints(c.font.pixelSize)) : "";
         }},
        {"Cell.Font.Style", [](const GridCell& c) { return styleWords(c.font); }},
        {"Cell.TextAlignment",
         [](const GridCell& c) {
             return c.hAlign == HAlign::Left ? std::string() : alignmentWord(c.hAlign);
         }},
        {"Cell.Color",
         [](const GridCell& c) { return c.color == kWhite ? std::string() : hexColour(c.color); }},
    };
    for (const auto& s : sections) {
        out += "[" + std::string(s.name) + "]\n";
        for (int r = 0; r < t.rowCount(); ++r) {
            for (int c = 0; c < t.colCount(); ++c) {
                const std::string v = s.value(t.cell(c, r));
                if (!v.empty())
                    line(cellName(c, r), v);
            }
        }
    }
    return out;
}

std::string SaveTableLayout(const std::filesystem::path& path, const TableModel& table)
{
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.colCount(); ++c) {
            if (table.cell(c, r).text.find_first_of("\r\n") != std::string::npos)
                return "Ячейка " + cellName(c, r) +
                       " содержит перевод строки, который файл таблицы не хранит.";
        }
    }
    std::string text = TableLayoutText(table);
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char ch : text) {
        if (ch == '\n')
            crlf += '\r';
        crlf += ch;
    }
    return writeFileAtomically(path, utf8ToCp1251(crlf));
}

} // namespace kest
