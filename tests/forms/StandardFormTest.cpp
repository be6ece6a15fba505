#include "forms/StandardForm.h"

#include "TestSupport.h"
#include "common/CodePage.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"
#include "registrar/ValueEncoding.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::TempDir;

DateTime day(int y, int m, int d, int h = 0)
{
    return *encodeDateTime(y, m, d, h);
}

/// A data folder with an archive database and one form folder "Форма" whose files
/// each test writes; controller 0A1F is the one filled for.
class StandardFormTest : public ::testing::Test
{
protected:
    StandardFormTest()
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
        std::filesystem::create_directories(dir / "Форма");
    }

    void file(const std::string& name, const std::string& text)
    {
        test::writeFile(dir / "Форма" / name, utf8ToCp1251(text));
    }

    void store(ArchiveKind kind, int archive, DateTime t, double v)
    {
        WriteArchiveRow(*db, kind, {t, ArchiveKey(0x0A1F, kind, archive), v});
    }

    FormResult fill(DateTime d1, DateTime d2, int h1 = 0, int h2 = 0)
    {
        periods[kFormBlankNumber].startDate = d1;
        periods[kFormBlankNumber].endDate = d2;
        periods[kFormBlankNumber].startHour = static_cast<std::uint8_t>(h1);
        periods[kFormBlankNumber].endHour = static_cast<std::uint8_t>(h2);
        form = FilledForm();
        return FillStandardForm(request, form);
    }

    std::string main(int c, int r) const { return form.basegrid.cell(c, r).text; }

    TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
    ParameterTable params;
    BlankRecord ablini;
    PeriodTable periods;
    MemoryPrompter prompter;
    FormRequest request{dir.path(), "форма", "0A1F", params, ablini, periods, prompter};
    FilledForm form;
};

constexpr const char* kMarkerHead = "[TABL]\nTIP=1\n[HEAD]\n"
                                    "T1=0\nN1=2\n0A1FN1=5\n"
                                    "T2=0\nN2=3\n0A1FN2=\n"
                                    "T3=0\nN3=4\n"
                                    "T5=0\nN5=7\n"
                                    "T6=0\nN6=0\n"
                                    "T9=3\nN9=10\nP9=8\n"
                                    "T10=4\nP10=1\n"
                                    "T11=3\nN11=12\nP11=5\n"
                                    "T12=4\n"
                                    "T20=1\nN20=1\nP20=0\n"
                                    "T21=1\nN21=1\nP21=1\n"
                                    "T22=1\nN22=1\n"
                                    "T23=1\nN23=1\nP23=2\n"
                                    "T24=1\nN24=1\nP24=3\n"
                                    "T25=1\nN25=2\n"
                                    "T26=3\nN26=27\nP26=7\n"
                                    "T27=4\n"
                                    "T28=1\nN28=9\n"
                                    "T29=1\n";

TEST_F(StandardFormTest, MarkersFormulasAndArchiveValues)
{
    file("OPIS.INI", kMarkerHead);
    file("m2.ini", "[Grid]\nColCount=3\nRowCount=6\n[Cells]\n"
                   "R0C0=%10\n"
                   "R0C1=%9=%1+%2*%3\n"
                   "R0C2=%10\n"
                   "R1C0=%11=%5/%6\n"
                   "R1C1=%12\n"
                   "R2C0=%20|%21|%22\n"
                   "R2C1=с %23 по %24\n"
                   "R2C2=%27%26=%25+%20\n"
                   "R3C0=%5\n"
                   "R3C1=%5\n"
                   "R3C2=%25 %28 %29\n"
                   "R4C0=%%5 %151 50%\n"
                   "R4C1=%1%1%1%1%1%1%1%1%1%1%5\n"
                   "R4C2=%005и%5%\n");
    store(ArchiveKind::Daily, 1, day(2024, 3, 1), 10.4);
    store(ArchiveKind::Daily, 1, day(2024, 3, 5), 12.375);
    store(ArchiveKind::Daily, 2, day(2024, 3, 5), NoValue);

    ASSERT_EQ(fill(day(2024, 3, 1), day(2024, 3, 5)).outcome, FormOutcome::Filled);
    // A result shown above its formula has no value in the first filling.
    EXPECT_EQ(main(0, 0), "");
    // From left to right without precedence, the controller's own N1 first and the
    // plain N2 behind an empty controller key: (5 + 3) * 4.
    EXPECT_EQ(main(1, 0), "");
    EXPECT_EQ(main(2, 0), "    32,0");
    // A division by zero leaves the result at the first operand.
    EXPECT_EQ(main(0, 1), "");
    EXPECT_EQ(main(1, 1), "    7,00");
    // The moment number is also the count of decimals.
    EXPECT_EQ(main(0, 2), "      10|    12,4|   12,38");
    EXPECT_EQ(main(1, 2), "с 01.03.2024 по 05.03.2024");
    // A "no value" reading shows as in reports and carries through a formula.
    EXPECT_EQ(main(2, 2), "...");
    EXPECT_EQ(main(0, 3), "7");
    EXPECT_EQ(main(1, 3), "7");
    // A stored "no value" and a missing row both read as no value; only a parameter
    // without an archive number reads as 0.
    EXPECT_EQ(main(2, 3), "... ... 0");
    EXPECT_EQ(main(0, 4), "%7 %151 50%");
    EXPECT_EQ(main(1, 4), "5555555555%5");
    EXPECT_EQ(main(2, 4), "7и7%");

    ASSERT_EQ(fill(day(2024, 3, 1), day(2024, 3, 5)).outcome, FormOutcome::Filled);
    EXPECT_EQ(main(0, 0), "    32,0");
}

TEST_F(StandardFormTest, FormulaOnATextThatIsNoNumberStopsTheFilling)
{
    file("OPIS.INI", "[TABL]\nTIP=1\n[HEAD]\nT1=0\nN1=12.5\nT2=0\nN2=abc\n"
                     "T3=3\nN3=4\nP3=5\nT4=4\nT5=3\nN5=6\nP5=5\nT6=4\n");
    file("m2.ini", "[Grid]\nColCount=1\nRowCount=3\n[Cells]\nR0C0=%4%3=%1+%2\nR1C0=%6%5=%2+%1\nR2C0=%1\n");
    const FormResult result = fill(day(2024, 3, 1), day(2024, 3, 1));
    EXPECT_EQ(result.outcome, FormOutcome::Failed);
    EXPECT_NE(result.message.find("abc"), std::string::npos);
    // An operand after an operator that is no number is passed over; the cells
    // up to the failing one keep what was filled.
    EXPECT_EQ(main(0, 0), "   12,50");
    EXPECT_EQ(main(0, 2), "%1");
}

TEST_F(StandardFormTest, TableStepInsertsRowsMovesTheRestDownAndPlacesTotals)
{
    file("OPIS.INI", "[TABL]\nTIP=0\nOT=2\nOTKOL=1\nOTROW=0\n[HEAD]\n"
                     "T6=6\nN6=2\nR6=7\nT7=4\n"
                     "T3=2\nN3=1\nP3=1\nI3=0\n"
                     "T4=2\nN4=2\nP4=0\nI4=2\n");
    file("m2.ini", "[Grid]\nColCount=3\nRowCount=5\n[Unions]\n1=R3C0:R3C2\n[Cells]\n"
                   "R0C0=Время\nR0C1=заголовок\n"
                   "R1C0=%6\nR1C1=%3\nR1C2=%4\n"
                   "R2C0=после таблицы\nR3C0=подпись\nR4C0=Итого за %7 ч\n");
    for (int h = 9; h <= 12; ++h) {
        store(ArchiveKind::Hourly, 1, day(2024, 3, 2, h), h - 8);
        store(ArchiveKind::Hourly, 2, day(2024, 3, 2, h), 100 + 10 * h);
    }
    ASSERT_EQ(fill(day(2024, 3, 2), day(2024, 3, 2), 10, 12).outcome, FormOutcome::Filled);
    ASSERT_EQ(form.basegrid.rowCount(), 7);
    EXPECT_EQ(main(1, 0), "за период с 10:00:00 02.03.2024 года по 12:00:00 02.03.2024 года");
    EXPECT_EQ(main(0, 1), "02   10-11 час ");
    EXPECT_EQ(form.basegrid.cell(0, 1).hAlign, HAlign::Right);
    EXPECT_EQ(main(1, 1), "2,0");
    EXPECT_EQ(main(2, 1), "200");
    EXPECT_EQ(main(0, 3), "12-13 час ");
    EXPECT_EQ(main(1, 3), "4,0");
    EXPECT_EQ(main(0, 4), "после таблицы");
    EXPECT_EQ(main(0, 5), "подпись");
    ASSERT_NE(form.basegrid.spanAt(2, 5), nullptr);
    EXPECT_EQ(form.basegrid.spanAt(2, 5)->row, 5);
    // Totals in the last row; the row count reached the cell below the table.
    EXPECT_EQ(main(0, 6), "Итого за 3 ч");
    EXPECT_EQ(main(1, 6), "9,0");
    EXPECT_EQ(main(2, 6), "20");

    // Without data nothing is copied, and the row count is 0, not the last filling's.
    ASSERT_EQ(fill(day(2025, 3, 2), day(2025, 3, 2), 10, 12).outcome, FormOutcome::Filled);
    EXPECT_EQ(form.basegrid.rowCount(), 5);
    EXPECT_EQ(main(0, 1), "");
    EXPECT_EQ(main(1, 1), "");
    EXPECT_EQ(main(0, 4), "Итого за 0 ч");
}

TEST_F(StandardFormTest, FormulasComputeFromTheReadingsNotFromTheirRoundedTexts)
{
    // The start reading is shown with no decimals (its moment is 0) and comes first in
    // the walk; the consumption still uses 10.4. A missing start reading is no value,
    // not a zero that would bill the whole end reading.
    file("OPIS.INI", "[TABL]\nTIP=1\n[HEAD]\n"
                     "T1=1\nN1=1\nP1=0\nT2=1\nN2=1\nP2=1\n"
                     "T3=3\nN3=4\nP3=5\nT4=4\n"
                     "T5=1\nN5=3\nP5=0\nT6=3\nN6=7\nP6=5\nT7=4\n");
    file("m2.ini", "[Grid]\nColCount=2\nRowCount=2\n[Cells]\n"
                   "R0C0=%1\nR0C1=%2\nR1C0=%4%3=%2-%1\nR1C1=%7%6=%2-%5\n");
    store(ArchiveKind::Daily, 1, day(2024, 3, 1), 10.4);
    store(ArchiveKind::Daily, 1, day(2024, 3, 5), 12.5);
    ASSERT_EQ(fill(day(2024, 3, 1), day(2024, 3, 5)).outcome, FormOutcome::Filled);
    EXPECT_EQ(main(0, 0), "      10");
    EXPECT_EQ(main(1, 0), "    12,5");
    EXPECT_EQ(main(0, 1), "    2,10");
    EXPECT_EQ(main(1, 1), "...");
}

TEST_F(StandardFormTest, ColumnsPastSixteenAreEmptiedAndNamedOnce)
{
    std::string head = "[TABL]\nTIP=1\n[HEAD]\nT1=6\nN1=18\nP1=1\n";
    std::string cells = "R0C0=%1\n";
    for (int k = 1; k <= 18; ++k) {
        const std::string m = std::to_string(20 + k);
        head += "T" + m + "=2\nN" + m + "=1\nP" + m + "=0\n";
        cells += "R0C" + std::to_string(k) + "=%" + m + "\n";
    }
    file("OPIS.INI", head);
    file("m2.ini", "[Grid]\nColCount=19\nRowCount=2\n[Cells]\n" + cells);
    store(ArchiveKind::Daily, 1, day(2024, 3, 1), 4);
    ASSERT_EQ(fill(day(2024, 3, 1), day(2024, 3, 1)).outcome, FormOutcome::Filled);
    EXPECT_EQ(main(16, 0), "4");
    EXPECT_EQ(main(17, 0), "");
    EXPECT_EQ(main(18, 0), "");
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], ColumnsLeftOutMessage({37, 38}));
    EXPECT_NE(prompter.errors[0].find("37, 38"), std::string::npos);
}

TEST_F(StandardFormTest, WithoutTheArchiveDatabaseNothingIsFilled)
{
    // A data folder with the form but without the archive database.
    TempDir bare;
    std::filesystem::create_directories(bare / "Форма");
    test::writeFile(bare / "Форма" / "OPIS.INI", "[TABL]\nTIP=1\n[HEAD]\nT1=1\nN1=1\n");
    test::writeFile(bare / "Форма" / "m2.ini", "[Grid]\nColCount=1\nRowCount=1\n[Cells]\nR0C0=%1\n");
    request.DatabasePath = bare.path();
    const FormResult r = fill(day(2024, 3, 1), day(2024, 3, 1));
    EXPECT_EQ(r.outcome, FormOutcome::Failed);
    EXPECT_EQ(r.message, exchangeMessage(kStatusDatabase));
    // The tables are not even loaded: no value shows as read.
    EXPECT_FALSE(form.basegrid.valid(0, 0) && !main(0, 0).empty());
}

TEST_F(StandardFormTest, TableStepAtTheTablesEdges)
{
    // Three columns asked for where the table has room for two, the totals row
    // counted past the table's top, and a marker row taller than the rest.
    file("OPIS.INI", "[TABL]\nTIP=1\n[HEAD]\nT6=6\nN6=3\nP6=1\nI6=9\n"
                     "T3=2\nN3=1\nP3=0\nT4=2\nN4=1\nP4=1\nT5=2\nN5=1\n");
    file("m2.ini", "[Grid]\nColCount=3\nRowCount=3\n[RowHeights]\nR1=30\n[Cells]\n"
                   "R1C0=%6\nR1C1=%3\nR1C2=%4\nR2C0=конец\n");
    for (int d = 1; d <= 3; ++d)
        store(ArchiveKind::Daily, 1, day(2024, 3, d), d);
    ASSERT_EQ(fill(day(2024, 3, 2), day(2024, 3, 3)).outcome, FormOutcome::Filled);
    ASSERT_EQ(form.basegrid.rowCount(), 4);
    // The date column is not copied (first copied column 1).
    EXPECT_EQ(main(0, 1), "");
    EXPECT_EQ(main(1, 1), "2");
    EXPECT_EQ(main(2, 2), "3,0");
    EXPECT_EQ(form.basegrid.rowHeight(2), 30);
    EXPECT_EQ(main(0, 3), "конец");
    EXPECT_EQ(main(1, 3), "");
}

TEST(FormPeriodTitleTest, EachFormType)
{
    auto p = [](DateTime d1, DateTime d2, int h1, int h2, int m1 = 0, int m2 = 0) {
        ReportPeriod r;
        r.startDate = d1;
        r.endDate = d2;
        r.startHour = static_cast<std::uint8_t>(h1);
        r.endHour = static_cast<std::uint8_t>(h2);
        r.startMinute = static_cast<std::uint8_t>(m1);
        r.endMinute = static_cast<std::uint8_t>(m2);
        return r;
    };
    const DateTime a = day(2024, 3, 2), b = day(2024, 5, 31);
    EXPECT_EQ(FormPeriodTitle(0, p(a, a, 0, 23)),
              "за период с 0 часов 02.03.2024 года по 23:00:00 02.03.2024 года");
    EXPECT_EQ(FormPeriodTitle(0, p(a, a, 7, 7)), "за 7:00:00 02.03.2024 года");
    EXPECT_EQ(FormPeriodTitle(0, p(a, a, 0, 0)), "за 0 часов 02.03.2024 года");
    EXPECT_EQ(FormPeriodTitle(1, p(a, b, 0, 0)), "за период с 02.03.2024 года по 31.05.2024 года");
    EXPECT_EQ(FormPeriodTitle(1, p(a, a, 0, 0)), "за 02.03.2024 года");
    EXPECT_EQ(FormPeriodTitle(2, p(a, b, 0, 0)), "за период с марта 2024 года по май 2024 года");
    EXPECT_EQ(FormPeriodTitle(2, p(a, a, 0, 0)), "за март 2024 года");
    EXPECT_EQ(FormPeriodTitle(3, p(a, b, 9, 7, 5, 30)),
              "за период с 09:05  02.03.2024 г. по 07:30  31.05.2024 г.");
    // Archive values of an hourly form are taken at the period's own start hour.
    EXPECT_EQ(FormMoment(0, p(a, b, 9, 7), false), day(2024, 3, 2, 9));
    EXPECT_EQ(FormMomentText(0, p(a, b, 9, 7), true), "31.05.2024 7:00:00");
    EXPECT_EQ(FormMoment(2, p(a, b, 9, 7), true), day(2024, 5, 1));
    EXPECT_EQ(FormMomentText(3, p(a, b, 9, 7, 5, 30), false), "02.03.2024 9:05:00");
}

TEST_F(StandardFormTest, BrokenOrMissingFormsFailWithTheirReason)
{
    file("m1.ini", "[Grid]\nColCount=2\n[Cells]\nR0C5=x\n");
    FormResult r = fill(day(2024, 3, 1), day(2024, 3, 1));
    EXPECT_EQ(r.outcome, FormOutcome::Failed);
    EXPECT_NE(r.message.find("m1.ini, строка 4"), std::string::npos) << r.message;
    request.folder = "Другая";
    r = fill(day(2024, 3, 1), day(2024, 3, 1));
    EXPECT_EQ(r.outcome, FormOutcome::Failed);
    EXPECT_NE(r.message.find("Другая"), std::string::npos);

    file("OPIS.INI", "[TABL]\nTIP=7\n");
    EXPECT_EQ(StandardFormType(dir / "Форма"), 1);
    std::filesystem::create_directories(dir / ".скрытая");
    EXPECT_EQ(StandardFormList(dir.path()), (std::vector<std::string>{"нет", "Форма"}));
}

} // namespace
} // namespace kest
