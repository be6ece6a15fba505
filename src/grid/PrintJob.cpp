#include "grid/PrintJob.h"

namespace kest {
namespace {

// Set once by main() before any command runs; with the queue printer, one of the
// two process-wide hooks of the core (both are drawing, which the core cannot do).
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
