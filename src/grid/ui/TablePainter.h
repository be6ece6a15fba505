#pragma once

#include "grid/PrintJob.h"

#include <QPagedPaintDevice>
#include <string>

namespace kest {

/// Paints the tables of a job one after another on the pages of a printer or a PDF
/// writer, measured in the grid's pixels (96 per inch) whatever the device's
/// resolution. Each table is shrunk to the page width when it is wider; a table that
/// runs over a page repeats its fixed rows on the next one. Cell texts wrap at blanks
/// and a word wider than its cell is set smaller, so no text crosses a cell border.
/// Returns "" or the reason the device refused the document.
[[nodiscard]] std::string PaintPrintJob(QPagedPaintDevice& device, const PrintJob& job);

} // namespace kest
