#pragma once

#include "grid/TableModel.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kest {

/// Called while the rows are written: rows written so far and rows in all.
using XlsxProgress = std::function<void(int position, int end)>;

/// Writes tables one below the other on one sheet of a real .xlsx workbook (the
/// upper title, the report table, the lower title), an empty row between them.
/// Texts keep what the grid shows; a text that is a number as shown ("12,5", "-3")
/// becomes a number cell with as many decimals, so the sheet can compute with it.
/// Merges, fill colours, bold and underline, and the column widths of the widest
/// table go along; a one-column title's lines are merged across the widest table's
/// columns. Null or empty tables are left out. "" on success, else the reason.
[[nodiscard]] std::string WriteXlsx(const std::filesystem::path& path,
                                    const std::vector<const TableModel*>& tables,
                                    const std::string& sheetName = "Отчет",
                                    const XlsxProgress& progress = {});

/// "" when the file is a whole workbook package: every member present, unpacking to
/// its recorded size and checksum, every XML part ending with its root's end tag.
/// The library that packs the workbook does not report failed writes, so a full disk
/// shows only here.
[[nodiscard]] std::string CheckXlsxPackage(const std::filesystem::path& file);

} // namespace kest
