#include "ReportHome.h"
#include "db/EngineTest.h"
#include "TestSupport.h"
#include "common/CodePage.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;
using test::writeFile;

/// A program folder with NN.INI, the delivered example blanks and a database holding
/// four days of hourly and a month of daily values of controller 1A2F.
class ReportCommandTest : public test::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto db = test::prepareReportHome(dir, server);
        const DateTime start = *encodeDateTime(2024, 3, 2);
        for (int h = 0; h < 96; ++h) {
            for (int a : {4, 6})
                WriteArchiveRow(*db, ArchiveKind::Hourly,
                                {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, a), 10.0 + h});
        }
        for (int d = 0; d < 31; ++d)
            WriteArchiveRow(*db, ArchiveKind::Daily,
                            {start - 1 + d, ArchiveKey(0x1A2F, ArchiveKind::Daily, 2), 1.5});
    }

    int report(const std::string& args, std::string* out = nullptr, std::string* err = nullptr)
    {
        return runCommand(std::string(KEST_BIN) + " --home '" + dir.path().string() + "' report " + args, out,
                          err);
    }

    TempDir dir;
};

TEST_P(ReportCommandTest, ExitStatusesAndCsv)
{
    const std::string csv = (dir / "d.csv").string();
    std::string err;
    ASSERT_EQ(report("--blank 'суточный отчет меран 1a2f' --from 2024-03-01 --to 2024-03-03 --out " + csv,
                     nullptr, &err),
              0)
        << err;
    EXPECT_EQ(readFile(csv), "Дата;Q, Гкал;Нарастающий итог, Гкал;V, м3\n"
                             "01.03.2024;1,50;1,50;...\n"
                             "02.03.2024;1,50;1,50;...\n"
                             "03.03.2024;1,50;1,50;...\n"
                             "Итого:;4,50;0,00;\n");

    EXPECT_EQ(report("--blank 'Суточный отчет МЕРАН 1A2F' --from 2025-01-01 --to 2025-01-03 --out " + csv,
                     nullptr, &err),
              2);
    EXPECT_NE(err.find("Нет данных за указанный отчетный период."), std::string::npos);

    EXPECT_EQ(report("--blank Нет --from 2024-03-01 --to 2024-03-03 --out " + csv, nullptr, &err), 1);
    EXPECT_EQ(report("--blank 'Суточный отчет МЕРАН 1A2F' --from 2024-03-03 --to 2024-03-01 --out " + csv,
                     nullptr, &err),
              1);
    EXPECT_NE(err.find("Неверно указан диапазон"), std::string::npos);
    EXPECT_EQ(report("--blank 'Суточный отчет МЕРАН 1A2F' --from 2024-03-01 --to 2024-03-03 --out r.txt"), 1);
    EXPECT_EQ(
        report("--blank 'Часовой отчет МЕРАН 1A2F' --from 2024-03-02 --to 2024-03-02 --from-hour 24 --out " +
               csv),
        1);
}

TEST_P(ReportCommandTest, HourlyXlsxWithTitlesAndMissingDatabase)
{
    const std::string xlsx = (dir / "h.xlsx").string();
    std::string err;
    ASSERT_EQ(report("--blank 'Часовой отчет МЕРАН 1A2F' --from 2024-03-02 --to 2024-03-03 --from-hour 22 "
                     "--to-hour 1 --out " +
                         xlsx,
                     nullptr, &err),
              0)
        << err;
    std::string strings;
    ASSERT_EQ(runCommand("unzip -p '" + xlsx + "' xl/sharedStrings.xml", &strings), 0);
    for (const char* text : {"Котельная №2 (МЕРАН 1A2F)",
                             "за период с 22:00:00 02.03.2024 года по 1:00:00 "
                             "03.03.2024 года",
                             "Тепловая энергия", "02   22-23 час ", "За 4 часа:", "Отчет составил"})
        EXPECT_NE(strings.find(text), std::string::npos) << text;

    loseArchive(dir / "data");
    EXPECT_EQ(report("--blank 'Часовой отчет МЕРАН 1A2F' --from 2024-03-02 --to 2024-03-02 --out " + xlsx,
                     nullptr, &err),
              1);
    EXPECT_NE(err.find("Отсутствуют необходимые базы"), std::string::npos);
}

TEST_P(ReportCommandTest, AnOutputThatCannotBeWrittenFailsAndStaysAsItWas)
{
    const std::string blank = "--blank 'Суточный отчет МЕРАН 1A2F' --from 2024-03-01 --to 2024-03-03 --out ";
    for (const char* name : {"kept.csv", "kept.xlsx"}) {
        const auto out = dir / name;
        writeFile(out, "the report of last week");
        std::filesystem::permissions(out, std::filesystem::perms::owner_read);
        std::string err;
        EXPECT_EQ(report(blank + out.string(), nullptr, &err), 1) << name;
        EXPECT_NE(err.find("Не удалось записать " + out.string()), std::string::npos) << err;
        EXPECT_NE(err.find("read-only file"), std::string::npos) << err;
        EXPECT_EQ(readFile(out), "the report of last week");
    }
}

/// What concerns the file alone: a folder that may not be written.
class ReportCommandFileTest : public ReportCommandTest
{
};
INSTANTIATE_TEST_SUITE_P(FileOnly, ReportCommandFileTest, ::testing::Values("file"), test::engineName);

TEST_P(ReportCommandFileTest, DatabaseInAReadOnlyFolder)
{
    // A colleague's share or a copied archive: the folder may not be written, and a
    // database in WAL mode could not be opened there for lack of its -shm file.
    using std::filesystem::perms;
    const auto data = dir / "data";
    std::filesystem::permissions(dir.path(), perms::all);
    std::filesystem::permissions(dir / "NN.INI", perms::all);
    std::filesystem::permissions(data, perms::owner_read | perms::owner_exec | perms::group_read |
                                           perms::group_exec | perms::others_read | perms::others_exec);
    std::string kest = KEST_BIN;
    if (geteuid() == 0) {
        // Root writes into read-only folders; the program runs as nobody instead.
        std::filesystem::copy_file(KEST_BIN, dir / "kest");
        kest = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + (dir / "kest").string() + "'";
    }
    const std::string csv = (dir / "ro.csv").string();
    std::string err;
    EXPECT_EQ(runCommand(kest + " --home '" + dir.path().string() +
                             "' report --blank 'Суточный отчет МЕРАН 1A2F' --from 2024-03-01 --to 2024-03-02 "
                             "--out " +
                             csv,
                         nullptr, &err),
              0)
        << err;
    EXPECT_EQ(readFile(csv), "Дата;Q, Гкал;Нарастающий итог, Гкал;V, м3\n"
                             "01.03.2024;1,50;1,50;...\n"
                             "02.03.2024;1,50;1,50;...\n"
                             "Итого:;3,00;0,00;\n");
    EXPECT_FALSE(std::filesystem::exists(data / "kest.sqlite-shm"));
    std::filesystem::permissions(data, perms::owner_all);
}

TEST(ReportCommandIntervalTest, RowsFollowTheIntervalOfTheBlanksController)
{
    // Column 1 names no controller; the blank reports on the controller of column 2,
    // whose intervals are 10 minutes long.
    TempDir dir;
    auto db = test::prepareReportHome(dir);
    ASSERT_TRUE(db);
    ASSERT_TRUE(EnsureControllerRows(*db, 0x1A2F).ok());
    ASSERT_TRUE(UpdateControllerSettlement(*db, 0x1A2F, 0, 1, 0, 10).ok());
    for (int m = 0; m <= 30; m += 10)
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Interval,
                                    {*encodeDateTime(2024, 3, 2, 10, m),
                                     ArchiveKey(0x1A2F, ArchiveKind::Interval, 1), static_cast<double>(m)})
                        .ok());
    writeFile(dir / "data" / "BLANK.INI",
              utf8ToCp1251("[Интервалы]\r\nTIP=3\r\nNAME01=Без МЕРАН\r\nARH01=1\r\n"
                           "NAME02=P\r\nARH02=1\r\nMERAN02=6703\r\n"));
    const std::string csv = (dir / "i.csv").string();
    std::string err;
    ASSERT_EQ(runCommand(std::string(KEST_BIN) + " --home '" + dir.path().string() +
                             "' report --blank Интервалы --from 2024-03-02 --to 2024-03-02 --from-hour 10 "
                             "--to-hour 10 --from-minute 0 --to-minute 20 --out " +
                             csv,
                         nullptr, &err),
              0)
        << err;
    EXPECT_EQ(readFile(csv), "Дата;Без МЕРАН;P\n"
                             "2.3  10 ч. 00-09 мин;;10,0\n"
                             "10 ч. 10-19 мин;;20,0\n"
                             "10 ч. 20-29 мин;;30,0\n"
                             "Итого:;;60,0\n");
}

KEST_ON_BOTH_ENGINES(ReportCommandTest);

} // namespace
} // namespace kest
