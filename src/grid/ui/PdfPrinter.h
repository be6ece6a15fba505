#pragma once

#include "grid/PrintJob.h"

#include <filesystem>
#include <string>

namespace kest {

/// Prints the tables of a job into a PDF with real text (QPdfWriter and QPainter),
/// A4 portrait at 96 dots per inch so that the grid's pixels keep their size. Each
/// table is shrunk to the page width when it is wider; a table that runs over a page
/// repeats its fixed rows on the next one. Works without a display: when the
/// process has no application object yet, an offscreen one is made.
std::string PrintTablesToPdf(const std::filesystem::path& path, const PrintJob& job);

} // namespace kest
