#pragma once

#include "grid/PrintJob.h"

#include <filesystem>
#include <string>

namespace kest {

/// Prints the tables of a job into a PDF with real text (QPdfWriter and QPainter),
/// A4 portrait at 96 dots per inch so that the grid's pixels keep their size; the
/// pages are those of PaintPrintJob. The file is replaced only by a complete
/// document: a failed write (a full disk) leaves the earlier file and returns the
/// reason. Works without a display: when the process has no application object
/// yet, an offscreen one is made.
std::string PrintTablesToPdf(const std::filesystem::path& path, const PrintJob& job);

} // namespace kest
