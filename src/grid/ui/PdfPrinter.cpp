#include "grid/ui/PdfPrinter.h"

#include "common/AtomicFile.h"
#include "grid/ui/TablePainter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {
namespace {

constexpr int kResolution = 96;

/// The command line has no application object; fonts and the PDF engine need one.
bool ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt falls back to this folder anyway but says so on stderr, which the command
    // line keeps for message texts.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        if (mkdir(runtime.c_str(), 0700) == 0 || errno == EEXIST)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "kest";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives until the process ends
    // libxlsxwriter writes numbers with LC_NUMERIC, which the application may have changed.
    std::setlocale(LC_NUMERIC, "C");
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
