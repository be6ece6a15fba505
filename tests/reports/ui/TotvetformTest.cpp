#include "reports/ui/Totvetform.h"

#include "UiScreenshots.h"
#include "WindowTestSupport.h"
#include "charts/ui/ChartWindow.h"
#include "common/IniFile.h"
#include "grid/CsvWriter.h"
#include "grid/XlsxCells.h"
#include "grid/ui/PdfWords.h"
#include "reports/ui/Tperiodform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

namespace kest {
namespace {

using test::ReportWindowHome;
using test::runCommand;
using test::whenModal;

constexpr const char* kHourly = "Часовой отчет МЕРАН 1A2F";

/// Answers the period window with dates and hours, or closes it without a period.
void answerPeriod(QDate from, QDate to, int fromHour, int toHour)
{
    whenModal<Tperiodform>([=](Tperiodform& f) {
        f.findChild<QDateEdit*>("startd")->setDate(from);
        f.findChild<QDateEdit*>("stopd")->setDate(to);
        f.findChild<QSpinBox*>("SpinEdit1")->setValue(fromHour);
        f.findChild<QSpinBox*>("SpinEdit2")->setValue(toHour);
        f.findChild<QPushButton*>("Button1")->click();
    });
}

class TotvetformTest : public ::testing::Test
{
protected:
    TotvetformTest() : window(home.session)
    {
        window.show();
        blanks = window.findChild<QComboBox*>("ComboBox1");
    }

    void choose(const QString& blank)
    {
        const int i = blanks->findText(blank);
        ASSERT_GE(i, 0);
        blanks->setCurrentIndex(i);
        emit blanks->activated(i);
    }

    bool shown(const char* name) { return window.findChild<QWidget*>(name)->isVisible(); }

    std::string pdfText(const std::filesystem::path& pdf)
    {
        std::string text;
        runCommand("pdftotext -layout '" + pdf.string() + "' -", &text);
        return text;
    }

    void printTo(const std::filesystem::path& pdf)
    {
        window.setPrinterChooser([pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf.string()));
            return true;
        });
        window.findChild<QPushButton*>("Button2")->click();
    }

    /// Every word of every cell; a text too wide for its column wraps at its blanks.
    static void expectCellsIn(const std::string& text, const TableModel& table)
    {
        for (int r = 0; r < table.rowCount(); ++r) {
            for (int c = 0; c < table.colCount(); ++c) {
                std::istringstream words(table.cell(c, r).text);
                for (std::string word; words >> word;)
                    EXPECT_NE(text.find(word), std::string::npos) << word;
            }
        }
    }

    ReportWindowHome home;
    Totvetform window;
    QComboBox* blanks = nullptr;
};

TEST_F(TotvetformTest, ChoosingABlankShowsWhatTheCommandWrites)
{
    ASSERT_EQ(blanks->count(), 3);
    EXPECT_EQ(blanks->currentText(), QStringLiteral("нет"));
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));

    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 4), 0, 23);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(home.prompter.infos.empty()) << home.prompter.infos[0];
    EXPECT_TRUE(shown("upgrid"));
    EXPECT_TRUE(shown("basegrid"));
    EXPECT_TRUE(shown("downgrid"));
    EXPECT_FALSE(shown("Label3"));
    EXPECT_TRUE(shown("Button2"));
    EXPECT_TRUE(shown("Button4"));
    // The window widens so that the period line of the title is not cut.
    QApplication::processEvents();
    EXPECT_GE(window.upgrid().viewport()->width(), window.upgrid().table().totalWidth());

    const auto csv = home.dir / "r.csv";
    std::string err;
    ASSERT_EQ(runCommand(std::string(KEST_BIN) + " --home '" + home.dir.path().string() +
                             "' report --blank '" + kHourly +
                             "' --from 2024-03-02 --to 2024-03-04 --to-hour 23 --out '" + csv.string() + "'",
                         nullptr, &err),
              0)
        << err;
    EXPECT_EQ(ToCsv(window.basegrid().table()), test::readFile(csv));
    EXPECT_EQ(window.basegrid().model()->rowCount(), 2 + 72 + 1);

    // The period is remembered for the blank while the window stays open.
    EXPECT_EQ(home.periods[1].endHour, 23);
    // Every closing of the period window also sets the event window's period.
    EXPECT_EQ(home.periods[PeriodTable::kEventEntry].endDate, *encodeDateTime(2024, 3, 4));
}

TEST_F(TotvetformTest, ChartButtonShowsTheBuiltReportsColumns)
{
    EXPECT_FALSE(shown("chartButton"));
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 4), 0, 23);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(shown("chartButton"));
    test::saveScreenshot(window, "report-window.png");
    std::size_t columns = 0;
    whenModal<ChartWindow>([&](ChartWindow& chart) {
        columns = chart.lines().size();
        test::saveScreenshot(chart, "report-chart-window.png");
        chart.reject();
    });
    window.findChild<QPushButton*>("chartButton")->click();
    EXPECT_GT(columns, 0u);
}

TEST_F(TotvetformTest, CancelledPeriodAndEmptyPeriodShowNothing)
{
    whenModal<Tperiodform>([](Tperiodform& f) { f.reject(); });
    choose(QString::fromUtf8(kHourly));
    EXPECT_EQ(blanks->currentText(), QStringLiteral("нет"));
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_TRUE(home.prompter.infos.empty());

    answerPeriod(QDate(2025, 1, 1), QDate(2025, 1, 2), 0, 0);
    choose(QString::fromUtf8(kHourly));
    ASSERT_EQ(home.prompter.infos.size(), 1u);
    EXPECT_EQ(home.prompter.infos[0], "Нет данных за указанный отчетный период.");
    EXPECT_EQ(blanks->currentText(), QStringLiteral("нет"));
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));
    EXPECT_FALSE(shown("Button4"));
}

// Widening a report column writes its width under the blank at once; the next build
// of the blank uses it.
TEST_F(TotvetformTest, ColumnResizeIsWrittenToTheBlankFile)
{
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(shown("basegrid"));
    window.basegrid().resizeColumnByUser(3, 140);
    window.basegrid().resizeColumnByUser(0, 150);
    const IniFile ini = IniFile::load(home.blanks.file());
    EXPECT_EQ(ini.readInteger(kHourly, "COLSIZE03", 0), 140);
    EXPECT_EQ(ini.readInteger(kHourly, "COLSIZE00", 0), 150);
    EXPECT_EQ(home.blanks.ablini.COLSIZE[3], 80);

    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    EXPECT_EQ(window.basegrid().columnWidth(3), 140);
}

// Printing from the window: both titles put the table's first page header off and
// number its later pages; without titles every page is numbered. All cell texts are in
// the PDF.
TEST_F(TotvetformTest, PrintsTheReportWithItsPageHeaders)
{
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 5), 0, 23);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(shown("basegrid"));
    const auto titled = home.dir / "titled.pdf";
    printTo(titled);
    ASSERT_TRUE(home.prompter.errors.empty()) << home.prompter.errors[0];
    std::string info;
    ASSERT_EQ(runCommand("pdfinfo '" + titled.string() + "'", &info), 0);
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    std::string text = pdfText(titled);
    EXPECT_EQ(text.find("Страница 1"), std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_NE(text.find("Страница 3"), std::string::npos);
    expectCellsIn(text, window.basegrid().table());
    EXPECT_NE(text.find("Котельная №2 (МЕРАН 1A2F)"), std::string::npos);
    EXPECT_NE(text.find("Отчет составил"), std::string::npos);

    // The same blank without titles.
    IniFile ini = IniFile::load(home.blanks.file());
    for (const char* key : {"UPTITLE00", "UPTITLE01", "DOWNTITLE00"})
        ini.deleteKey(kHourly, key);
    ASSERT_EQ(ini.save(), "");
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 5), 0, 23);
    choose(QString::fromUtf8(kHourly));
    EXPECT_TRUE(shown("Label3"));
    EXPECT_TRUE(shown("Label4"));
    const auto plain = home.dir / "plain.pdf";
    printTo(plain);
    text = pdfText(plain);
    EXPECT_NE(text.find("Страница 1"), std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_EQ(text.find("Котельная"), std::string::npos);
    expectCellsIn(text, window.basegrid().table());
}

// A caption longer than its column and row captions in a narrow date column wrap
// inside their cells on paper.
TEST_F(TotvetformTest, PrintedTextsStayInsideTheirColumns)
{
    IniFile ini = IniFile::load(home.blanks.file());
    ini.writeString(kHourly, "NAME03", "Температура теплоносителя в подающем трубопроводе, °C");
    ini.writeString(kHourly, "COLSIZE00", "60");
    ASSERT_EQ(ini.save(), "");
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(shown("basegrid"));
    const auto pdf = home.dir / "narrow.pdf";
    printTo(pdf);
    double pageWidth = 0, pageHeight = 0;
    const auto words = test::pdfWords(pdf, &pageWidth, &pageHeight);
    ASSERT_FALSE(words.empty());
    const double pt = pageWidth / 794.0;
    const double left = 0.08 * pageWidth;
    const double columnLeft[] = {left, left + 60 * pt, left + 150 * pt, left + 250 * pt, left + 330 * pt};
    const std::set<std::string> captionWords = {"Температура", "теплоносителя", "подающем", "трубопроводе,"};
    int caption = 0, hours = 0;
    for (const auto& w : words) {
        int column = 0;
        if (captionWords.count(w.text)) {
            column = 3;
            ++caption;
        } else if (w.text == "час" || w.text.find("-0") != std::string::npos) {
            column = 0;
            ++hours;
        } else {
            continue;
        }
        EXPECT_GE(w.xMin, columnLeft[column] - 0.01) << w.text;
        EXPECT_LE(w.xMax, columnLeft[column + 1] + 0.01) << w.text;
    }
    EXPECT_EQ(caption, 4);
    EXPECT_GE(hours, 10);
}

TEST_F(TotvetformTest, ExportWritesTheChosenSpreadsheet)
{
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    const auto xlsx = home.dir / "r.xlsx";
    window.setSaveFileChooser([&](QWidget*, const QString& suggested) {
        EXPECT_EQ(suggested, QString::fromUtf8(kHourly) + ".xlsx");
        return QString::fromStdString(xlsx.string());
    });
    window.findChild<QPushButton*>("Button4")->click();
    EXPECT_TRUE(home.prompter.errors.empty());
    EXPECT_FALSE(shown("ProgressBar1"));
    // Every cell of the report is in the sheet, a number as the number it shows.
    std::set<std::string> values;
    for (const auto& [ref, value] : test::xlsxCells(xlsx))
        values.insert(value);
    const TableModel& table = window.basegrid().table();
    int numbers = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.colCount(); ++c) {
            std::string text = table.cell(c, r).text;
            if (text.empty() || values.count(text))
                continue;
            std::replace(text.begin(), text.end(), ',', '.');
            bool found = false;
            for (const auto& v : values)
                found = found || (!v.empty() && std::isdigit(static_cast<unsigned char>(v.back())) &&
                                  std::abs(std::stod(v) - std::stod(text)) < 1e-9);
            EXPECT_TRUE(found) << "R" << r << "C" << c << " " << table.cell(c, r).text;
            ++numbers;
        }
    }
    EXPECT_GT(numbers, 10);
}

// Before a report with empty cells goes to the printer or a file, the status line says
// how many and where; it goes out all the same.
TEST_F(TotvetformTest, StatusLineCountsMissingValuesBeforePrintingAndExport)
{
    // The values end with March 5; the last hours of the period have none.
    answerPeriod(QDate(2024, 3, 5), QDate(2024, 3, 6), 20, 1);
    choose(QString::fromUtf8(kHourly));
    ASSERT_TRUE(shown("basegrid"));
    EXPECT_FALSE(shown("StatusLine"));
    const std::string expected = "6 ячеек без значения (\"...\"): «Q, Гкал» - 2, «Наработка, ч» - 2, "
                                 "«t, °C» - 2.";
    auto* status = window.findChild<QLabel*>("StatusLine");
    const auto pdf = home.dir / "dots.pdf";
    std::string shownWhenChoosing;
    window.setPrinterChooser([&](QPrinter& printer, QWidget*) {
        shownWhenChoosing = status->isVisible() ? status->text().toStdString() : "";
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        return true;
    });
    window.findChild<QPushButton*>("Button2")->click();
    EXPECT_EQ(shownWhenChoosing, expected);
    EXPECT_TRUE(std::filesystem::exists(pdf));
    test::saveScreenshot(window, "report-window-missing-values.png");

    // A full report clears the line; the export says it again for the empty one.
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    EXPECT_FALSE(shown("StatusLine"));
    window.findChild<QPushButton*>("Button2")->click();
    EXPECT_FALSE(shown("StatusLine"));
    answerPeriod(QDate(2024, 3, 5), QDate(2024, 3, 6), 20, 1);
    choose(QString::fromUtf8(kHourly));
    window.setSaveFileChooser([&](QWidget*, const QString&) { return QString(); });
    window.findChild<QPushButton*>("Button4")->click();
    EXPECT_TRUE(shown("StatusLine"));
    EXPECT_EQ(status->text().toStdString(), expected);
    EXPECT_TRUE(home.prompter.errors.empty());
}

// While the export runs (it pumps events for its progress bar) nothing that could
// change the tables takes a click, and the window does not close.
TEST_F(TotvetformTest, ExportHoldsTheControlsThatChangeTheTable)
{
    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 2), 0, 5);
    choose(QString::fromUtf8(kHourly));
    std::vector<std::string> enabledDuringExport;
    bool closedDuringExport = true;
    window.setSaveFileChooser([&](QWidget*, const QString&) {
        for (const char* name : {"ComboBox1", "Button2", "Button4", "chartButton", "Button1", "basegrid"}) {
            if (window.findChild<QWidget*>(name)->isEnabled())
                enabledDuringExport.push_back(name);
        }
        window.reject();
        closedDuringExport = !window.isVisible();
        return QString::fromStdString((home.dir / "held.xlsx").string());
    });
    window.findChild<QPushButton*>("Button4")->click();
    EXPECT_TRUE(enabledDuringExport.empty()) << enabledDuringExport.front();
    EXPECT_FALSE(closedDuringExport);
    for (const char* name : {"ComboBox1", "Button2", "Button4", "basegrid"})
        EXPECT_TRUE(window.findChild<QWidget*>(name)->isEnabled()) << name;
    EXPECT_TRUE(std::filesystem::exists(home.dir / "held.xlsx"));
}

// Title mode edits the titles of the current blank in memory only.
TEST(TotvetformTitleTest, TitlesReachTheBlankButNotTheFile)
{
    ReportWindowHome home;
    LoadBlank(home.blanks, 1);
    const std::string before = test::readFile(home.blanks.file());
    Totvetform window(home.session);
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Заголовок отчета - Новое имя"));
        auto* memo1 = window.findChild<QPlainTextEdit*>("Memo1");
        EXPECT_EQ(memo1->toPlainText(),
                  QStringLiteral("Котельная №2 (МЕРАН 1A2F)\nЧасовой отчет о потреблении тепловой энергии"));
        EXPECT_TRUE(memo1->isVisible());
        EXPECT_FALSE(window.findChild<QWidget*>("Panel6")->isVisible());
        memo1->setPlainText(QStringLiteral("Первая\nВторая\n"));
        window.findChild<QPlainTextEdit*>("Memo2")->setPlainText(QString());
        auto* save = window.findChild<QPushButton*>("Button2");
        EXPECT_EQ(save->text(), QStringLiteral("Сохранить"));
        save->click();
        window.findChild<QPushButton*>("Button1")->click();
    });
    window.openTitles("Новое имя");
    EXPECT_EQ(home.blanks.ablini.UpTitle, (std::vector<std::string>{"Первая", "Вторая"}));
    EXPECT_TRUE(home.blanks.ablini.DownTitle.empty());
    EXPECT_EQ(test::readFile(home.blanks.file()), before);
}

TEST(TotvetformListTest, ListsAtMost149Blanks)
{
    ReportWindowHome home;
    std::string file;
    for (int i = 1; i <= 151; ++i)
        file += "[Бланк " + std::to_string(i) + "]\r\nTIP=1\r\nNAME01=A\r\n";
    test::writeFile(home.blanks.file(), file);
    home.periods[5].startDate = 45000;
    Totvetform window(home.session);
    window.show();
    auto* list = window.findChild<QComboBox*>("ComboBox1");
    ASSERT_EQ(home.prompter.errors.size(), 1u);
    EXPECT_NE(home.prompter.errors[0].find("более 150 бланков"), std::string::npos);
    EXPECT_EQ(list->count(), 149);
    EXPECT_EQ(list->findText(QStringLiteral("нет")), -1);
    EXPECT_TRUE(home.periods[5].empty());
}

} // namespace
} // namespace kest
