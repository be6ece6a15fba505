#pragma once

#include "grid/TableModel.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kest {

/// Loads a table layout file (m1.ini, m2.ini, m3.ini of a standard form) into `table`:
/// counts, widths and heights, the table's font, grid lines, merges and each cell's
/// text, font, alignment and fill. An absent file is an empty table of one cell.
/// Returns "" or the message that names the file and the 1-based line at fault; the
/// table is then left empty.
[[nodiscard]] std::string LoadTableLayout(const std::filesystem::path& path, TableModel& table);

/// The same for bytes already in memory; `fileName` is what the message names.
[[nodiscard]] std::string
ParseTableLayout(std::string_view bytes, const std::string& fileName, TableModel& table);

/// The layout file text of the table (UTF-8; saving writes Windows-1251).
std::string TableLayoutText(const TableModel& table);

/// Writes the table as a layout file; "" or the reason. A cell text that holds a
/// line break cannot be kept by the format and is refused.
[[nodiscard]] std::string SaveTableLayout(const std::filesystem::path& path, const TableModel& table);

} // namespace kest
