#include "TestSupport.h"
#include "app/ReportHome.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::runCommand;
using test::TempDir;

// The printed form through the command line: three days of hours run over several
// pages; the upper table opens the document, the main table's later pages are
// numbered and the lower table ends it.
TEST(FormPdfTest, HourlySheetPrintsAllThreeTablesOnNumberedPages)
{
    TempDir dir;
    auto db = test::prepareReportHome(dir);
    ASSERT_TRUE(db);
    const DateTime start = *encodeDateTime(2024, 1, 1);
    // One Gcal an hour, and the meter reading at each hour's start and end.
    auto key = [](int a) { return ArchiveKey(0x0412, ArchiveKind::Hourly, a); };
    for (int h = 0; h < 4 * 24; ++h) {
        const DateTime t = start + h * kOneHour;
        WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(6), 1.0});
        WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(8), static_cast<double>(h)});
        WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(9), h + 1.0});
    }
    db.reset();
    const std::string kest = std::string(KEST_BIN) + " --home '" + dir.path().string() + "' ";
    ASSERT_EQ(runCommand(kest + "init"), 0);

    const auto pdf = dir / "f.pdf";
    std::string err;
    ASSERT_EQ(
        runCommand(kest +
                       "form --form 'Часовая ведомость' --controller 0412 --from 2024-01-01 --to 2024-01-03 "
                       "--to-hour 23 --out '" +
                       pdf.string() + "'",
                   nullptr, &err),
        0)
        << err;
    std::string text;
    ASSERT_EQ(runCommand("pdftotext '" + pdf.string() + "' -", &text), 0);
    EXPECT_NE(text.find("ВЕДОМОСТЬ учета параметров теплопотребления (часовая)"), std::string::npos);
    EXPECT_NE(text.find("за период с 0 часов 01.01.2024 года по 23:00:00 03.01.2024 года"),
              std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_NE(text.find("Итого за 72 ч:"), std::string::npos);
    // The reading rose by 1 an hour from the start of 0:00 of the first day to the end
    // of 23:00 of the last: as much as the table's 72 hours.
    EXPECT_NE(text.find("72,000"), std::string::npos);
    EXPECT_LT(text.find("Страница 2"), text.find("Ответственный за учет"));
    // The first page is numbered too, above the form's title.
    std::string first;
    ASSERT_EQ(runCommand("pdftotext -f 1 -l 1 '" + pdf.string() + "' -", &first), 0);
    EXPECT_EQ(first.rfind("Страница 1\n", 0), 0u) << first;
}

} // namespace
} // namespace kest
