#include "ReportHome.h"
#include "db/EngineTest.h"
#include "TestSupport.h"
#include "common/CodePage.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

/// A program folder after `kest init` (the delivered forms installed) whose database
/// holds controller 0412: hourly archives 1 to 3, daily 1, 5 and 7, monthly 1, 2, 4.
class FormCommandTest : public test::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto db = test::prepareReportHome(dir, server);
        auto key = [](ArchiveKind k, int a) { return ArchiveKey(0x0412, k, a); };
        const DateTime start = *encodeDateTime(2024, 3, 1);
        for (int h = 0; h < 48; ++h) {
            const DateTime t = start + h * kOneHour;
            WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(ArchiveKind::Hourly, 1), 0.125 * h});
            WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(ArchiveKind::Hourly, 2), 1000.0 + 2 * h});
            WriteArchiveRow(*db, ArchiveKind::Hourly, {t, key(ArchiveKind::Hourly, 3), 70.0 + h % 3});
        }
        for (int d = 0; d < 6; ++d) {
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(ArchiveKind::Daily, 1), 3.0 + d});
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(ArchiveKind::Daily, 5), 500.0 + 48 * d});
            WriteArchiveRow(*db, ArchiveKind::Daily, {start + d, key(ArchiveKind::Daily, 7), 65.5});
        }
        for (int m = 1; m <= 4; ++m) {
            const DateTime first = *encodeDateTime(2024, m, 1);
            WriteArchiveRow(*db, ArchiveKind::Monthly, {first, key(ArchiveKind::Monthly, 1), 80.0 * m});
            WriteArchiveRow(*db, ArchiveKind::Monthly,
                            {first, key(ArchiveKind::Monthly, 2), 9000.0 + 1400 * m});
            WriteArchiveRow(*db, ArchiveKind::Monthly, {first, key(ArchiveKind::Monthly, 4), 60.0 + m});
        }
        EXPECT_EQ(kest("init"), 0);
    }

    int kest(const std::string& args, std::string* err = nullptr)
    {
        std::string out;
        return runCommand(std::string(KEST_BIN) + " --home '" + dir.path().string() + "' " + args, &out, err);
    }

    int form(const std::string& args, std::string* err = nullptr) { return kest("form " + args, err); }

    TempDir dir;
};

TEST_P(FormCommandTest, DeliveredHourlySheetFilledCellByCell)
{
    const std::string csv = (dir / "h.csv").string();
    std::string err;
    ASSERT_EQ(form("--form 'часовая ВЕДОМОСТЬ' --controller 412 --from 2024-03-01 --to 2024-03-01 "
                   "--from-hour 1 --to-hour 3 --out " +
                       csv,
                   &err),
              0)
        << err;
    EXPECT_EQ(readFile(csv), "ВЕДОМОСТЬ учета тепловой энергии (часовая);;;\n"
                             "Потребитель: ____________________.  Адрес узла учета: ____________________;;;\n"
                             "за период с 1:00:00 01.03.2024 года по 3:00:00 01.03.2024 года;;;\n"
                             "Часовые значения по архивам контроллера МЕРАН;;;\n"
                             "\n"
                             "Время;Тепловая энергия Q, Гкал;Объем V, м3;Температура t, °C\n"
                             "01   01-02 час ;0,125;1002;71,00\n"
                             "02-03 час ;0,250;1004;72,00\n"
                             "03-04 час ;0,375;1006;70,00\n"
                             "Итого за 3 ч:;0,750;4;71,00\n"
                             "\n"
                             "Показание счетчика V на 01.03.2024 1:00:00, м3;    1002;\n"
                             "Показание счетчика V на 01.03.2024 3:00:00, м3;  1006,0;\n"
                             "Расход V за период, м3;     4,0;\n"
                             ";;\n"
                             "Ответственный за учет: ____________________;;\n");
}

TEST_P(FormCommandTest, DeliveredDailyAndMonthlySheets)
{
    const std::string csv = (dir / "d.csv").string();
    std::string err;
    ASSERT_EQ(
        form("--form 'Суточная ведомость' --controller 0412 --from 2024-03-02 --to 2024-03-04 --out " + csv,
             &err),
        0)
        << err;
    const std::string daily = readFile(csv);
    EXPECT_NE(daily.find("за период с 02.03.2024 года по 04.03.2024 года;;;\n"), std::string::npos);
    EXPECT_NE(daily.find("Дата;Тепловая энергия Q, Гкал;Объем V, м3;Температура t, °C\n"
                         "02.03.2024;4,00;548;65,50\n"
                         "03.03.2024;5,00;596;65,50\n"
                         "04.03.2024;6,00;644;65,50\n"
                         "Итого за 3 сут.:;15,00;96;65,50\n"),
              std::string::npos)
        << daily;
    EXPECT_NE(daily.find("Показание счетчика V на 02.03.2024, м3;     548;\n"
                         "Показание счетчика V на 04.03.2024, м3;   644,0;\n"
                         "Расход V за период (конец - начало), м3;    96,0;\n"
                         "Среднесуточный расход V, м3/сут;   32,00;\n"
                         "Показание Q на 02.03.2024, Гкал;       4;\n"
                         "Показание Q на 04.03.2024, Гкал;     6,0;\n"
                         "Тепловая энергия Q за период, Гкал;    2,00;\n"),
              std::string::npos)
        << daily;

    ASSERT_EQ(form("--form 'Годовая сводка' --controller 0412 --from 2024-02-01 --to 2024-04-01 --out " + csv,
                   &err),
              0)
        << err;
    const std::string monthly = readFile(csv);
    EXPECT_NE(monthly.find("за период с февраля 2024 года по апрель 2024 года;;;\n"), std::string::npos);
    EXPECT_NE(monthly.find("Месяц;Тепловая энергия Q, Гкал;Объем V, м3;Температура t, °C\n"
                           "февраль 2024г.;160,00;11800;62,00\n"),
              std::string::npos)
        << monthly;
    EXPECT_NE(monthly.find("Итого за 3 мес.:;720,00;2800;63,00\n"), std::string::npos) << monthly;
    EXPECT_NE(monthly.find("Среднемесячный расход V, м3/мес;  933,33;\n"), std::string::npos) << monthly;
}

TEST_P(FormCommandTest, FailuresExitOneAndWriteNothing)
{
    const auto out = dir / "f.csv";
    const std::string o = " --out " + out.string();
    const std::string period = " --from 2024-03-01 --to 2024-03-01";
    std::string err;
    EXPECT_EQ(form("--form Нет --controller 0412" + period + o, &err), 1);
    EXPECT_NE(err.find("\"Нет\" не найден"), std::string::npos);
    EXPECT_EQ(form("--form 'Годовая сводка' --controller 12345" + period + o), 1);
    EXPECT_EQ(form("--form 'Годовая сводка' --controller 0G12" + period + o), 1);
    EXPECT_EQ(form("--form 'Годовая сводка' --controller 0412 --from 2024-03-02 --to 2024-03-01" + o, &err),
              1);
    EXPECT_NE(err.find("Неверно указан диапазон"), std::string::npos);
    EXPECT_EQ(
        form("--form 'Часовая ведомость' --controller 0412" + period + " --from-hour 5 --to-hour 4" + o), 1);

    // A layout file that breaks its format, and a formula over a text.
    const auto folder = dir / "data" / "Часовая ведомость";
    test::writeFile(folder / "m3.ini", "[Grid]\r\nColCount=2\r\n[Cells]\r\nR0C2=x\r\n");
    EXPECT_EQ(form("--form 'Часовая ведомость' --controller 0412" + period + o, &err), 1);
    EXPECT_NE(err.find("m3.ini, строка 4:"), std::string::npos) << err;
    test::writeFile(folder / "m3.ini", "[Cells]\r\nR0C0=%10=%1-%8\r\n");
    EXPECT_EQ(form("--form 'Часовая ведомость' --controller 0412" + period + o, &err), 1);
    EXPECT_NE(err.find("не является числом"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(out));

    // The database must be there, or every value would read as 0.
    loseArchive(dir / "data");
    EXPECT_EQ(form("--form 'Годовая сводка' --controller 0412" + period + o, &err), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_P(FormCommandTest, InitInstallsOnlyTheFormsThatAreMissing)
{
    const auto data = dir / "data";
    const auto opis = data / "Годовая сводка" / "OPIS.INI";
    ASSERT_TRUE(std::filesystem::exists(opis));
    EXPECT_TRUE(std::filesystem::exists(data / "Суточная ведомость" / "m2.ini"));
    test::writeFile(opis, "changed");
    std::filesystem::remove_all(data / "Часовая ведомость");
    std::filesystem::rename(data / "Суточная ведомость", data / "СУТОЧНАЯ ВЕДОМОСТЬ");
    std::string err;
    std::string out;
    ASSERT_EQ(runCommand(std::string(KEST_BIN) + " --home '" + dir.path().string() + "' init", &out, &err),
              0);
    EXPECT_EQ(readFile(opis), "changed");
    EXPECT_TRUE(std::filesystem::exists(data / "Часовая ведомость" / "m1.ini"));
    EXPECT_FALSE(std::filesystem::exists(data / "Суточная ведомость"));
    EXPECT_NE(out.find("Standard form installed: Часовая ведомость"), std::string::npos);
    EXPECT_EQ(out.find("Годовая сводка"), std::string::npos);
}

KEST_ON_BOTH_ENGINES(FormCommandTest);

} // namespace
} // namespace kest
