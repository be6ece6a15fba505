#include "TestSupport.h"
#include "app/ReportHome.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::runCommand;
using test::TempDir;
using test::writeFile;

/// A program folder with January 2024 of the example hourly blank's archive.
class ReportPdfTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto db = test::prepareReportHome(dir);
        ASSERT_TRUE(db);
        test::fillJanuaryHours(*db);
    }

    TempDir dir;
};

// The printed report through the command line: a month of hourly rows runs over
// several pages, the first with both titles and no page header, the next numbered.
TEST_F(ReportPdfTest, MonthOfHoursPrintsOnNumberedPages)
{
    const auto pdf = dir / "h.pdf";
    std::string err;
    ASSERT_EQ(runCommand(test::januaryReportCommand(dir, pdf), nullptr, &err), 0) << err;
    ASSERT_EQ(runCommand("pdftoppm -r 10 -png '" + pdf.string() + "' '" + (dir / "p").string() + "'"), 0);
    int pages = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        pages += e.path().extension() == ".png";
    // 744 rows of 24 pixels on A4 at 96 dpi (1,123 pixels high): each page repeats the
    // two heading rows under its header and holds about 40 rows. How many exactly
    // depends on the fonts that stand in for Times New Roman on the machine, so the
    // count is checked against the last page's number.
    EXPECT_GE(pages, 17);
    EXPECT_LE(pages, 21);
    std::string last;
    const std::string lastPage = std::to_string(pages);
    ASSERT_EQ(runCommand("pdftotext -f " + lastPage + " -l " + lastPage + " '" + pdf.string() + "' -", &last), 0);
    EXPECT_NE(last.find("Страница " + lastPage), std::string::npos) << last;
    std::string text;
    ASSERT_EQ(runCommand("pdftotext -f 1 -l 2 '" + pdf.string() + "' -", &text), 0);
    EXPECT_EQ(text.find("Страница 1"), std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_NE(text.find("за период с 0 часов 01.01.2024 года по 23:00:00 31.01.2024 года"),
              std::string::npos);
}

// A disk that fills up while the PDF is written: the command says why and exits 1, and
// the report written before stays as it was, with nothing left beside it.
TEST_F(ReportPdfTest, FullDiskKeepsTheEarlierFile)
{
    const auto out = dir / "out";
    std::filesystem::create_directories(out);
    const auto pdf = out / "h.pdf";
    const std::string command = test::januaryReportCommand(dir, pdf);
    ASSERT_EQ(runCommand(command), 0);
    const std::string earlier = test::readFile(pdf);

    // The shell ignores SIGXFSZ for the child, so a write past RLIMIT_FSIZE (512-byte
    // blocks in dash) fails with EFBIG as on a full disk instead of killing the process.
    // Two thirds of the report leave room for the database's 32 KB shared-memory file.
    const std::size_t blocks = earlier.size() * 2 / 3 / 512;
    ASSERT_GT(blocks, 70u);
    std::string err;
    EXPECT_EQ(
        runCommand("trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec " + command, nullptr, &err),
        1);
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
    EXPECT_EQ(test::readFile(pdf), earlier);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace kest
