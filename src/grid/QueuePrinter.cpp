#include "grid/QueuePrinter.h"

namespace kest {
namespace {

// Set once by main() before any command runs.
QueuePrinter g_queuePrinter = nullptr;

} // namespace

void registerQueuePrinter(QueuePrinter printer)
{
    g_queuePrinter = printer;
}

QueuePrinter registeredQueuePrinter()
{
    return g_queuePrinter;
}

} // namespace kest
