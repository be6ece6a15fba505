#include "grid/ui/PdfPrinter.h"

#include "common/AtomicFile.h"
#include "grid/ui/HeadlessApplication.h"
#include "grid/ui/TablePainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <string>

namespace kest {
namespace {

constexpr int kResolution = 96;

/// The command line has no application object; fonts and the PDF engine need one.
bool ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    startHeadlessApplication(false);
    return true;
}

} // namespace

std::string PrintTablesToPdf(const std::filesystem::path& path, const PrintJob& job)
{
    if (!ensureGuiApplication())
        return "PDF output needs a graphical application object";
    // The document is made in memory and written in one go, so a full disk or a
    // broken painter never leaves half a PDF in place of the file that was there.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(kResolution);
        writer.setTitle(QString::fromStdString(job.title));
        writer.setCreator(QStringLiteral("Kest"));
        if (std::string problem = PaintPrintJob(writer, job); !problem.empty())
            return problem;
    }
    const QByteArray& bytes = buffer.data();
    if (bytes.isEmpty())
        return "the PDF writer produced nothing";
    return writeFileAtomically(path,
                               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace kest
