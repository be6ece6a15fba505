#include "app/CommandLine.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef KEST_GUI
#include "app/ui/KestApplication.h"
#include "charts/ui/ChartDrawing.h"
#include "grid/QueuePrinter.h"
#include "grid/ui/PdfPrinter.h"
#include "grid/ui/SystemPrinter.h"
#endif

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
#ifdef KEST_GUI
    // The core prints PDFs through the windowed build's painter.
    kest::registerPdfPrinter(&kest::PrintTablesToPdf);
    kest::registerChartWriter(&kest::SaveReportChart);
    kest::registerQueuePrinter(&kest::PrintTablesToQueue);
    if (!kest::wantsCommandLine(args))
        return kest::runWindows(argc, argv);
#endif
    return kest::RunCommandLine(args, argv[0], std::cout, std::cerr);
}
