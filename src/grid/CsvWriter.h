#pragma once

#include "grid/TableModel.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// The table as CSV: UTF-8, ';' between cells, one line per row, each cell's text as
/// shown; a merged cell's text sits in its first cell and the covered cells stay
/// empty; a text is quoted with '"' only when it holds ';', '"' or a line break.
std::string ToCsv(const TableModel& table);

/// Writes ToCsv atomically; "" on success, else the reason.
[[nodiscard]] std::string WriteCsv(const std::filesystem::path& path, const TableModel& table);

/// Tables one after another as CSV, an empty line between them; null tables and
/// tables without rows are left out.
std::string ToCsvTables(const std::vector<const TableModel*>& tables);

/// Writes ToCsvTables atomically; "" on success, else the reason.
[[nodiscard]] std::string WriteCsvTables(const std::filesystem::path& path,
                                         const std::vector<const TableModel*>& tables);

} // namespace kest
