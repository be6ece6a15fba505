#include "grid/PrintJob.h"

namespace kest {
namespace {

// Set once by main() before any command runs; the only process-wide hook of the core.
PdfPrinter g_pdfPrinter = nullptr;

} // namespace

void registerPdfPrinter(PdfPrinter printer)
{
    g_pdfPrinter = printer;
}

PdfPrinter registeredPdfPrinter()
{
    return g_pdfPrinter;
}

} // namespace kest
