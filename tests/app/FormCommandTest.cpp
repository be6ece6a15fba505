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
/// holds controller 0412 as a heat-metering unit: 48 hours from 1 March 2024, 6 days
/// and 4 months, each with the archives the delivered forms read.
class FormCommandTest : public test::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto db = test::prepareReportHome(dir, server);
        const DateTime start = *encodeDateTime(2024, 3, 1);
        std::vector<DateTime> hours, days, months;
        for (int h = 0; h < 48; ++h)
            hours.push_back(start + h * kOneHour);
        for (int d = 0; d < 6; ++d)
            days.push_back(start + d);
        for (int m = 1; m <= 4; ++m)
            months.push_back(*encodeDateTime(2024, m, 1));
        meter(*db, ArchiveKind::Hourly, hours, 1);
        meter(*db, ArchiveKind::Daily, days, 24);
        meter(*db, ArchiveKind::Monthly, months, 720);
        EXPECT_EQ(kest("init"), 0);
    }

    /// Slot i: t1 90 + i, t2 60 + i, M1 100 + i, M2 98 + i, their difference 2, heat
    /// 3 + i, the slot's hours, and the readings of Q, M1 and M2 at its start and end.
    static void meter(ArchiveDatabase& db, ArchiveKind kind, const std::vector<DateTime>& times, double hours)
    {
        double q = 500, m1 = 1000, m2 = 900;
        for (std::size_t i = 0; i < times.size(); ++i) {
            const double d = static_cast<double>(i);
            const double v[] = {90 + d, 60 + d, 100 + d, 98 + d, 2,        3 + d, hours,
                                q,      q + 3 + d, m1,   m1 + 100 + d, m2, m2 + 98 + d};
            for (int a = 1; a <= 13; ++a)
                WriteArchiveRow(db, kind, {times[i], ArchiveKey(0x0412, kind, a), v[a - 1]});
            q += 3 + d;
            m1 += 100 + d;
            m2 += 98 + d;
        }
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
    EXPECT_EQ(readFile(csv),
              "ВЕДОМОСТЬ учета параметров теплопотребления (часовая)\n"
              "за период с 1:00:00 01.03.2024 года по 3:00:00 01.03.2024 года\n"
              "Потребитель: ______________________________\n"
              "Адрес узла учета: ______________________________\n"
              "Теплосчетчик: ______________________________\n"
              "\n"
              "Время;Температура, °C;;Масса теплоносителя, т;;;Тепловая энергия Q, Гкал;Время работы, ч\n"
              ";подача t1;обратка t2;подача M1;обратка M2;разность M1-M2;;\n"
              "01   01-02 час ;91,00;61,00;101,00;99,00;2,00;4,000;1\n"
              "02-03 час ;92,00;62,00;102,00;100,00;2,00;5,000;1\n"
              "03-04 час ;93,00;63,00;103,00;101,00;2,00;6,000;1\n"
              "Итого за 3 ч:;92,00;62,00;306,00;300,00;6,00;15,000;3\n"
              "В строке итогов температуры - средние за период, массы, энергия и время работы - суммы.;;;;;;;\n"
              "\n"
              "Показания приборов учета;;;\n"
              "Величина;на начало часа 01.03.2024 1:00:00;на конец часа 01.03.2024 3:00:00;за период\n"
              "Тепловая энергия Q, Гкал; 503,000; 518,000;  15,000\n"
              "Масса подачи M1, т; 1100,00; 1406,00;  306,00\n"
              "Масса обратки M2, т;  998,00; 1298,00;  300,00\n"
              "Среднечасовое потребление тепловой энергии, Гкал/ч;;;   5,000\n"
              "Ответственный за учет: ____________________;;;\n"
              "Представитель потребителя: ____________________;;;\n");
}

// The table's totals and the meter readings at the period's ends tell the same
// consumption.
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
    EXPECT_NE(daily.find("за период с 02.03.2024 года по 04.03.2024 года\n"), std::string::npos);
    EXPECT_NE(daily.find("02.03.2024;91,00;61,00;101,00;99,00;2,00;4,000;24\n"
                         "03.03.2024;92,00;62,00;102,00;100,00;2,00;5,000;24\n"
                         "04.03.2024;93,00;63,00;103,00;101,00;2,00;6,000;24\n"
                         "Итого за 3 сут.:;92,00;62,00;306,00;300,00;6,00;15,000;72\n"),
              std::string::npos)
        << daily;
    EXPECT_NE(daily.find("Величина;на начало суток 02.03.2024;на конец суток 04.03.2024;за период\n"
                         "Тепловая энергия Q, Гкал; 503,000; 518,000;  15,000\n"
                         "Масса подачи M1, т; 1100,00; 1406,00;  306,00\n"
                         "Масса обратки M2, т;  998,00; 1298,00;  300,00\n"
                         "Среднесуточное потребление тепловой энергии, Гкал/сут;;;   5,000\n"),
              std::string::npos)
        << daily;

    ASSERT_EQ(form("--form 'Годовая сводка' --controller 0412 --from 2024-02-01 --to 2024-04-01 --out " + csv,
                   &err),
              0)
        << err;
    const std::string monthly = readFile(csv);
    EXPECT_NE(monthly.find("за период с февраля 2024 года по апрель 2024 года\n"), std::string::npos);
    EXPECT_NE(monthly.find("февраль 2024г.;91,00;61,00;101,00;99,00;2,00;4,000;720\n"), std::string::npos)
        << monthly;
    EXPECT_NE(monthly.find("Итого за 3 мес.:;92,00;62,00;306,00;300,00;6,00;15,000;2160\n"), std::string::npos)
        << monthly;
    EXPECT_NE(monthly.find("Величина;на начало месяца 01.02.2024;на конец месяца, начатого 01.04.2024;за "
                           "период\nТепловая энергия Q, Гкал; 503,000; 518,000;  15,000\n"),
              std::string::npos)
        << monthly;
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
    test::writeFile(folder / "m3.ini", "[Cells]\r\nR0C0=%15=%1\r\n");
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
