#include "ReportHome.h"
#include "TestSupport.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <regex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

/// A cups-pdf queue of the machine's print service whose PDFs land in a folder of
/// the test. The service is started for the test when it is not running, and the
/// queue and its settings file are removed again afterwards.
class CupsPdfQueue
{
public:
    CupsPdfQueue() : m_name("KestTest" + std::to_string(getpid()))
    {
        if (geteuid() != 0 || !std::filesystem::exists("/usr/sbin/cupsd") ||
            !std::filesystem::exists("/usr/lib/cups/backend/cups-pdf") || runCommand("command -v pdftotext") != 0) {
            m_missing = "needs root, cups, printer-driver-cups-pdf and poppler-utils";
            return;
        }
        if (runCommand("(lpstat -r | grep -q 'is running')") != 0 && !startScheduler()) {
            m_missing = "the print service did not start";
            return;
        }
        // cups-pdf reads the settings of a queue from cups-pdf-NAME.conf, NAME taken
        // from the device address. The PostScript it is fed is made with pdftocairo,
        // which keeps the Unicode names of most glyphs (the other renderers keep
        // none), so that pdftotext reads the words that are on the paper.
        test::writeFile(settingsFile(), "Out " + m_out.path().string() + "\nLabel 0\n");
        if (runCommand("lpadmin -p " + m_name + " -v cups-pdf:/" + m_name +
                       " -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd -o pdftops-renderer-default=pdftocairo") != 0)
            m_missing = "lpadmin could not add the queue";
    }
    ~CupsPdfQueue()
    {
        runCommand("lpadmin -x " + m_name);
        std::error_code ec;
        std::filesystem::remove(settingsFile(), ec);
        if (m_scheduler > 0) {
            kill(m_scheduler, SIGTERM);
            waitpid(m_scheduler, nullptr, 0);
        }
    }

    const std::string& missing() const { return m_missing; }
    const std::string& name() const { return m_name; }

    /// The next PDF the queue makes, taken out of its folder; "" after 60 s.
    std::filesystem::path takePdf(const std::filesystem::path& into)
    {
        for (int i = 0; i < 600; ++i) {
            const bool idle = runCommand("test -z \"$(lpstat -o " + m_name + ")\"") == 0;
            for (const auto& entry : std::filesystem::directory_iterator(m_out.path())) {
                if (idle && entry.path().extension() == ".pdf") {
                    std::filesystem::rename(entry.path(), into);
                    return into;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return {};
    }

private:
    std::filesystem::path settingsFile() const { return "/etc/cups/cups-pdf-" + m_name + ".conf"; }

    bool startScheduler()
    {
        m_scheduler = fork();
        if (m_scheduler == 0) {
            execl("/usr/sbin/cupsd", "cupsd", "-f", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (runCommand("(lpstat -r | grep -q 'is running')") == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    std::string m_name;
    std::string m_missing;
    TempDir m_out;
    pid_t m_scheduler = -1;
};

/// What pdftotext reads in a PDF, blanks and line ends folded: the print path turns
/// the document into PostScript and back, which moves the spacing, not the words.
std::string wordsOf(const std::filesystem::path& pdf)
{
    std::string text;
    runCommand("pdftotext '" + pdf.string() + "' -", &text);
    text = std::regex_replace(text, std::regex("[\\s\\f]+"), " ");
    return text;
}

int pagesOf(const std::filesystem::path& pdf)
{
    std::string info;
    runCommand("pdfinfo '" + pdf.string() + "'", &info);
    std::smatch m;
    return std::regex_search(info, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

/// The build without the windows has no printer (nor PDF output).
bool kestPrints()
{
    std::string err;
    runCommand(std::string(KEST_BIN) + " report --blank x --print", nullptr, &err);
    return err.find("not available") == std::string::npos;
}

// The morning sheets from a timer: a report of several pages and a standard form
// printed through CUPS without a display come out as the PDFs of --out.
TEST(PrintCommandTest, ReportAndFormPrintedOnAQueueMatchTheirPdfFiles)
{
    if (!kestPrints())
        GTEST_SKIP() << "built without the windows";
    CupsPdfQueue queue;
    if (!queue.missing().empty())
        GTEST_SKIP() << queue.missing();
    TempDir home;
    {
        auto db = test::prepareReportHome(home);
        test::fillJanuaryHours(*db);
        const DateTime start = *encodeDateTime(2024, 3, 1);
        for (int h = 0; h < 24; ++h)
            for (int a = 1; a <= 3; ++a)
                WriteArchiveRow(*db, ArchiveKind::Hourly,
                                {start + h * kOneHour, ArchiveKey(0x0412, ArchiveKind::Hourly, a), 10.0 * a + h});
    }
    const std::string kest = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + KEST_BIN +
                             " --home '" + home.path().string() + "' ";
    ASSERT_EQ(runCommand(kest + "init"), 0);
    const std::string report = "report --blank 'Часовой отчет МЕРАН 1A2F' --from 2024-01-01 --to 2024-01-31 "
                               "--to-hour 23 ";
    const std::string form = "form --form 'Часовая ведомость' --controller 0412 --from 2024-03-01 --to "
                             "2024-03-01 --to-hour 23 ";
    for (const std::string& command : {report, form}) {
        SCOPED_TRACE(command);
        const auto file = home / "file.pdf";
        std::string err;
        ASSERT_EQ(runCommand(kest + command + "--out '" + file.string() + "'", nullptr, &err), 0) << err;
        ASSERT_EQ(runCommand(kest + command + "--print " + queue.name(), nullptr, &err), 0) << err;
        const auto printed = queue.takePdf(home / "printed.pdf");
        ASSERT_FALSE(printed.empty()) << "the queue made no PDF";
        // The way through PostScript loses a few glyph names (Latin capitals of the
        // embedded fonts), the same ones for any document: the PDF of --out sent down
        // the same way must come out word for word as the printed one.
        ASSERT_EQ(runCommand("lp -d " + queue.name() + " '" + file.string() + "'"), 0);
        const auto sent = queue.takePdf(home / "sent.pdf");
        ASSERT_FALSE(sent.empty()) << "the queue made no PDF of the file";
        EXPECT_EQ(pagesOf(printed), pagesOf(file));
        EXPECT_EQ(wordsOf(printed), wordsOf(sent));
        for (const char* word : {"учета", "Итого", "Время", "Тепловая"}) {
            if (wordsOf(file).find(word) != std::string::npos)
                EXPECT_NE(wordsOf(printed).find(word), std::string::npos) << word;
        }
    }
    EXPECT_GT(pagesOf(home / "file.pdf"), 0);

    // A queue the print service does not know is a failure, not a quiet PDF file.
    std::string err;
    EXPECT_EQ(runCommand(kest + report + "--print NoSuchQueue", nullptr, &err), 1);
    EXPECT_NE(err.find("NoSuchQueue"), std::string::npos) << err;
}

} // namespace
} // namespace kest
