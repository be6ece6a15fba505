#include "forms/ui/TbForm.h"

#include "FormWindowHome.h"
#include "UiScreenshots.h"
#include "common/IniFile.h"
#include "grid/CsvWriter.h"
#include "grid/XlsxCells.h"
#include "link/ExchangeStatus.h"
#include "reports/ui/Tperiodform.h"
#include "reports/ui/WindowTestSupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPrinter>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::runCommand;
using test::whenModal;

constexpr const char* kDaily = "Суточная ведомость";

class TbFormTest : public ::testing::Test
{
protected:
    TbFormTest() : window(home.session, home.parameters)
    {
        window.setFormChoices(home.forms());
        window.setControllerChoices(home.controllers());
        window.show();
        controllers = window.findChild<QComboBox*>("ComboBox1");
        forms = window.findChild<QComboBox*>("ComboBox2");
    }

    static void choose(QComboBox* box, const QString& text)
    {
        const int i = box->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        box->setCurrentIndex(i);
        emit box->activated(i);
    }

    /// Answers the period window with two dates; counts how often it opened.
    void answerPeriod(QDate from, QDate to)
    {
        whenModal<Tperiodform>([this, from, to](Tperiodform& f) {
            ++periodWindows;
            f.findChild<QDateEdit*>("startd")->setDate(from);
            f.findChild<QDateEdit*>("stopd")->setDate(to);
            f.findChild<QPushButton*>("Button1")->click();
        });
    }

    void fillDaily()
    {
        choose(controllers, QStringLiteral("Котельная №3 (0412)"));
        answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 4));
        choose(forms, QString::fromUtf8(kDaily));
    }

    bool shown(const char* name) { return window.findChild<QWidget*>(name)->isVisible(); }

    /// A cell as the grid widget shows it.
    static std::string cell(GridView& grid, int col, int row)
    {
        return grid.model()->index(row, col).data().toString().toStdString();
    }

    test::FormWindowHome home;
    TbForm window;
    QComboBox* controllers = nullptr;
    QComboBox* forms = nullptr;
    int periodWindows = 0;
};

// The controller first and the form second: one period window, after the form. The
// form on screen is the one `kest form` writes for the same choice, cell by cell.
TEST_F(TbFormTest, FillsADeliveredFormAsTheCommandDoes)
{
    EXPECT_EQ(window.controllerChoiceCount(), 3);
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));
    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    QApplication::processEvents();
    EXPECT_EQ(periodWindows, 0);
    EXPECT_FALSE(shown("basegrid"));

    answerPeriod(QDate(2024, 3, 2), QDate(2024, 3, 4));
    choose(forms, QString::fromUtf8(kDaily));
    EXPECT_EQ(periodWindows, 1);
    ASSERT_TRUE(home.prompter.errors.empty()) << home.prompter.errors[0];
    EXPECT_TRUE(shown("upgrid"));
    EXPECT_TRUE(shown("basegrid"));
    EXPECT_TRUE(shown("downgrid"));
    EXPECT_TRUE(shown("Button2"));
    EXPECT_TRUE(shown("Button4"));

    GridView& main = window.basegrid();
    int row = 0;
    while (row < main.model()->rowCount() && cell(main, 0, row) != "02.03.2024")
        ++row;
    ASSERT_LT(row + 3, main.model()->rowCount());
    EXPECT_EQ(cell(main, 1, row), "91,00");
    EXPECT_EQ(cell(main, 3, row), "101,00");
    EXPECT_EQ(cell(main, 6, row), "4,000");
    EXPECT_EQ(cell(main, 7, row + 2), "24");
    // Temperatures average, quantities add up.
    EXPECT_EQ(cell(main, 0, row + 3), "Итого за 3 сут.:");
    EXPECT_EQ(cell(main, 1, row + 3), "92,00");
    EXPECT_EQ(cell(main, 5, row + 3), "6,00");
    EXPECT_EQ(cell(main, 6, row + 3), "15,000");
    EXPECT_EQ(cell(main, 7, row + 3), "72");
    EXPECT_EQ(cell(window.upgrid(), 0, 1), "за период с 02.03.2024 года по 04.03.2024 года");
    // The meter readings at the start of the first day and the end of the last give
    // the energy of the table.
    EXPECT_EQ(cell(window.downgrid(), 1, 1), "на начало суток 02.03.2024");
    EXPECT_EQ(cell(window.downgrid(), 1, 2), " 503,000");
    EXPECT_EQ(cell(window.downgrid(), 2, 2), " 518,000");
    EXPECT_EQ(cell(window.downgrid(), 3, 2), "  15,000");
    EXPECT_EQ(cell(window.downgrid(), 3, 3), "  306,00");
    // The row count of the table reached its parameter, which outlives the window.
    EXPECT_EQ(home.parameters.text[5], "3");

    const auto csv = home.dir / "f.csv";
    std::string err;
    ASSERT_EQ(runCommand(std::string(KEST_BIN) + " --home '" + home.dir.path().string() + "' form --form '" +
                             kDaily + "' --controller 0412 --from 2024-03-02 --to 2024-03-04 --out '" +
                             csv.string() + "'",
                         nullptr, &err),
              0)
        << err;
    const FilledForm& f = window.form();
    EXPECT_EQ(ToCsv(f.upgrid) + "\n" + ToCsv(f.basegrid) + "\n" + ToCsv(f.downgrid), test::readFile(csv));
    test::saveScreenshot(window, "standard-forms-window.png");

    // Choosing again refills from the table files for the new period.
    answerPeriod(QDate(2024, 3, 5), QDate(2024, 3, 5));
    choose(forms, QString::fromUtf8(kDaily));
    EXPECT_EQ(periodWindows, 2);
    EXPECT_EQ(cell(window.upgrid(), 0, 1), "за 05.03.2024 года");
    EXPECT_EQ(home.parameters.text[5], "1");
}

TEST_F(TbFormTest, CancelledPeriodResetsBothLists)
{
    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    whenModal<Tperiodform>([](Tperiodform& f) { f.reject(); });
    choose(forms, QString::fromUtf8(kDaily));
    EXPECT_EQ(controllers->currentText(), QStringLiteral("нет"));
    EXPECT_EQ(forms->currentText(), QStringLiteral("нет"));
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));

    // Showing the window again keeps the controller and asks for the form anew.
    choose(controllers, QStringLiteral("ЦТП (0A1F)"));
    window.hide();
    window.show();
    EXPECT_EQ(controllers->currentText(), QStringLiteral("ЦТП (0A1F)"));
    EXPECT_EQ(forms->currentText(), QStringLiteral("нет"));
    // A new list from the main window keeps the chosen controller too.
    window.setControllerChoices({"нет", "ЦТП (0A1F)"});
    EXPECT_EQ(controllers->currentText(), QStringLiteral("ЦТП (0A1F)"));
}

// A filling that fails shows its message once and nothing to print: a formula over a
// text, and an archive database that is gone (every value would read as missing).
TEST_F(TbFormTest, FailedFillingShowsTheMessageAndNoForm)
{
    const auto opis = home.data / kDaily / "OPIS.INI";
    IniFile ini = IniFile::load(opis);
    ini.writeString("HEAD", "T13", "0");
    ini.writeString("HEAD", "N13", "нет данных");
    ASSERT_EQ(ini.save(), "");
    fillDaily();
    ASSERT_EQ(home.prompter.errors.size(), 1u);
    EXPECT_NE(home.prompter.errors[0].find("нет данных"), std::string::npos) << home.prompter.errors[0];
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));

    std::filesystem::remove(home.data / kDatabaseFile);
    home.prompter.errors.clear();
    choose(forms, QStringLiteral("нет"));
    fillDaily();
    ASSERT_EQ(home.prompter.errors.size(), 1u);
    EXPECT_EQ(home.prompter.errors[0], exchangeMessage(kStatusDatabase));
    EXPECT_FALSE(shown("basegrid"));
    EXPECT_FALSE(shown("Button2"));
}

// "Печать" goes the way of the command line's PDF: a real file with the form's texts.
TEST_F(TbFormTest, PrintsTheFilledForm)
{
    fillDaily();
    ASSERT_TRUE(shown("Button2"));
    const auto pdf = home.dir / "form.pdf";
    window.setPrinterChooser([pdf](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        return true;
    });
    window.findChild<QPushButton*>("Button2")->click();
    ASSERT_TRUE(home.prompter.errors.empty()) << home.prompter.errors[0];
    EXPECT_EQ(test::readFile(pdf).substr(0, 5), "%PDF-");
    std::string info;
    ASSERT_EQ(runCommand("pdfinfo '" + pdf.string() + "'", &info), 0);
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    std::string text;
    ASSERT_EQ(runCommand("pdftotext '" + pdf.string() + "' -", &text), 0);
    EXPECT_NE(text.find("за период с 02.03.2024 года по 04.03.2024 года"), std::string::npos) << text;
    EXPECT_NE(text.find("Итого за 3 сут.:"), std::string::npos);
    EXPECT_NE(text.find("Ответственный за учет"), std::string::npos);

    window.setSaveFileChooser([this](QWidget*, const QString&) {
        return QString::fromStdString((home.dir / "form.xlsx").string());
    });
    window.findChild<QPushButton*>("Button4")->click();
    ASSERT_TRUE(home.prompter.errors.empty()) << home.prompter.errors[0];
    // The three tables one below the other in one sheet.
    std::vector<std::string> texts;
    for (const auto& [ref, value] : test::xlsxCells(home.dir / "form.xlsx"))
        texts.push_back(value);
    for (const char* text : {"за период с 02.03.2024 года по 04.03.2024 года", "Итого за 3 сут.:",
                             "Ответственный за учет: ____________________"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
}

} // namespace
} // namespace kest
