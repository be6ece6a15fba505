#pragma once

#include "grid/PrintJob.h"

#include <string>

namespace kest {

/// Prints a job on a queue of the system's print service (CUPS); an empty queue name
/// is the default queue. "" when the service took the whole job, else the reason. As
/// with PDF, the build with windows registers the printer at start-up; without one
/// printing is not available.
using QueuePrinter = std::string (*)(const std::string& queue, const PrintJob& job);

void registerQueuePrinter(QueuePrinter printer);
QueuePrinter registeredQueuePrinter();

} // namespace kest
