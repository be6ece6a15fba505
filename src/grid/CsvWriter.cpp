#include "grid/CsvWriter.h"

#include "common/AtomicFile.h"

namespace kest {
namespace {

void appendField(std::string& out, const std::string& text)
{
    if (text.find_first_of(";\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string ToCsv(const TableModel& table)
{
    std::string out;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.colCount(); ++c) {
            if (c > 0)
                out += ';';
            if (!table.covered(c, r))
                appendField(out, table.cell(c, r).text);
        }
        out += '\n';
    }
    return out;
}

std::string WriteCsv(const std::filesystem::path& path, const TableModel& table)
{
    return writeFileAtomically(path, ToCsv(table));
}

std::string ToCsvTables(const std::vector<const TableModel*>& tables)
{
    std::string out;
    for (const TableModel* table : tables) {
        if (!table || table->rowCount() == 0)
            continue;
        if (!out.empty())
            out += '\n';
        out += ToCsv(*table);
    }
    return out;
}

std::string WriteCsvTables(const std::filesystem::path& path, const std::vector<const TableModel*>& tables)
{
    return writeFileAtomically(path, ToCsvTables(tables));
}

} // namespace kest
