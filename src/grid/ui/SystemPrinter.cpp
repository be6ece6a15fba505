#include "grid/ui/SystemPrinter.h"

#include "grid/ui/HeadlessApplication.h"
#include "grid/ui/TablePainter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace kest {

std::string PrintTablesToQueue(const std::string& queue, const PrintJob& job)
{
    if (!QCoreApplication::instance())
        startHeadlessApplication(true);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return "printing needs a graphical application object";
    // Qt would quietly fall back to a PDF file for a queue it does not know.
    const QPrinterInfo info = queue.empty() ? QPrinterInfo::defaultPrinter()
                                            : QPrinterInfo::printerInfo(QString::fromStdString(queue));
    if (info.isNull())
        return queue.empty() ? std::string("the print service names no default printer")
                             : "the print service has no printer queue \"" + queue + "\"";
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(job.title));
    if (!printer.isValid())
        return "the printer queue \"" + info.printerName().toStdString() + "\" cannot be used";
    return PaintPrintJob(printer, job);
}

} // namespace kest
