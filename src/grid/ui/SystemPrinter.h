#pragma once

#include "grid/PrintJob.h"

#include <string>

namespace kest {

/// Prints the tables of a job on a queue of the print service, the default queue
/// when `queue` is empty: A4, the same pages as the window's "Печать" and as the PDF
/// of the command line. Works without a display (an offscreen application object is
/// made when the process has none), so a timer can print the morning sheets.
std::string PrintTablesToQueue(const std::string& queue, const PrintJob& job);

} // namespace kest
