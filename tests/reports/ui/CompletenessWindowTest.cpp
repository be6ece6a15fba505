#include "reports/ui/CompletenessWindow.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "grid/CsvWriter.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace kest {
namespace {

class CompletenessWindowTest : public ::testing::Test
{
protected:
    CompletenessWindowTest()
    {
        std::string error;
        auto db = OpenArchiveDatabase(dir.path(), true, &error);
        for (const std::int64_t c : {0x1A2F, 0x0A1F}) {
            EnsureControllerRows(*db, c);
            for (int h = 0; h < 48; ++h) {
                if (c == 0x0A1F || h < 40)
                    WriteArchiveRow(*db, ArchiveKind::Hourly,
                                    {*encodeDateTime(2024, 3, 1) + h * kOneHour,
                                     ArchiveKey(c, ArchiveKind::Hourly, 5), 1.0});
            }
        }
        // 0A1F also has a row at half past ten and a daily archive without March 2.
        WriteArchiveRow(
            *db, ArchiveKind::Hourly,
            {*encodeDateTime(2024, 3, 1, 10, 30), ArchiveKey(0x0A1F, ArchiveKind::Hourly, 5), 1.0});
        for (int d = 27; d <= 29; ++d)
            WriteArchiveRow(
                *db, ArchiveKind::Daily,
                {*encodeDateTime(2024, 2, 1) + d, ArchiveKey(0x0A1F, ArchiveKind::Daily, 1), 1.0});
        UpdateControllerName(*db, 0x0A1F, "Котельная №3");
    }

    template <class T> T* find(QWidget& w, const char* name) { return w.findChild<T*>(name); }

    QPushButton* button(QWidget& w, const QString& caption)
    {
        for (auto* b : w.findChildren<QPushButton*>()) {
            if (b->text() == caption)
                return b;
        }
        return nullptr;
    }

    /// A row as the table widget shows it (row 0 is the heading).
    std::vector<QString> rowTexts(GridView& grid, int row)
    {
        std::vector<QString> texts;
        for (int c = 0; c < grid.model()->columnCount(); ++c)
            texts.push_back(grid.model()->index(row, c).data().toString());
        return texts;
    }

    /// Checks March 1 and 2 for every controller.
    void checkTwoDays(CompletenessWindow& window)
    {
        find<QDateEdit>(window, "fromDate")->setDate(QDate(2024, 3, 1));
        find<QDateEdit>(window, "toDate")->setDate(QDate(2024, 3, 2));
        button(window, "Показать")->click();
    }

    test::TempDir dir;
    MemoryPrompter prompter;
};

TEST_F(CompletenessWindowTest, ShowsTheTableForThePeriodAndController)
{
    CompletenessWindow window(dir.path(), prompter);
    EXPECT_EQ(window.windowTitle(), "Полнота архива");
    auto* controllers = find<QComboBox>(window, "controllerBox");
    ASSERT_EQ(controllers->count(), 3);
    EXPECT_EQ(controllers->itemText(0), "все");
    EXPECT_EQ(controllers->itemText(1), "0A1F Котельная №3");
    EXPECT_EQ(controllers->itemText(2), "1A2F");

    EXPECT_FALSE(button(window, "Печать")->isEnabled());
    checkTwoDays(window);
    GridView& grid = window.gapsgrid();
    ASSERT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(rowTexts(grid, 0)[6], "Пропуски");
    EXPECT_EQ(rowTexts(grid, 1), (std::vector<QString>{"0A1F", "часовой", "05", "48", "48", "1", ""}));
    EXPECT_EQ(rowTexts(grid, 2),
              (std::vector<QString>{"0A1F", "суточный", "01", "2", "1", "0", "02.03.2024"}));
    EXPECT_EQ(rowTexts(grid, 3), (std::vector<QString>{"1A2F", "часовой", "05", "48", "40", "0",
                                                       "02.03.2024 16:00 - 02.03.2024 23:00"}));
    EXPECT_EQ(find<QLabel>(window, "summary")->text(),
              "Архивов: 3, с пропусками: 2, с записями вне сетки: 1.");
    EXPECT_TRUE(button(window, "Печать")->isEnabled());
    test::saveScreenshot(window, "completeness-window.png");

    controllers->setCurrentIndex(2);
    button(window, "Показать")->click();
    ASSERT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(rowTexts(grid, 1)[0], "1A2F");
    EXPECT_TRUE(prompter.errors.empty());
}

TEST_F(CompletenessWindowTest, RefusesAnInvertedPeriodAndReportsAMissingDatabase)
{
    CompletenessWindow window(dir.path(), prompter);
    find<QDateEdit>(window, "fromDate")->setDate(QDate(2024, 3, 2));
    find<QDateEdit>(window, "toDate")->setDate(QDate(2024, 3, 1));
    button(window, "Показать")->click();
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_NE(prompter.errors[0].find("Неверно указан диапазон"), std::string::npos);

    std::filesystem::remove(dir / "kest.sqlite");
    find<QDateEdit>(window, "fromDate")->setDate(QDate(2024, 3, 1));
    button(window, "Показать")->click();
    ASSERT_EQ(prompter.errors.size(), 2u);
    EXPECT_NE(prompter.errors[1].find("Отсутствуют необходимые базы"), std::string::npos);
    EXPECT_EQ(window.table().rowCount(), 1);
}

// Printing puts the period and the controller over the table; the export writes the
// table as `kest gaps` does, or as a workbook.
TEST_F(CompletenessWindowTest, PrintsAndExportsTheTableShown)
{
    CompletenessWindow window(dir.path(), prompter);
    find<QComboBox>(window, "controllerBox")->setCurrentIndex(2);
    checkTwoDays(window);
    // Later changes of the choice do not change what the shown table was checked for.
    find<QDateEdit>(window, "toDate")->setDate(QDate(2024, 3, 9));

    const auto pdf = dir / "gaps.pdf";
    window.setPrinterChooser([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        return true;
    });
    button(window, "Печать")->click();
    std::string text;
    ASSERT_EQ(test::runCommand("pdftotext '" + pdf.string() + "' -", &text), 0);
    EXPECT_NE(text.find("Полнота архива"), std::string::npos) << text;
    EXPECT_NE(text.find("за период с 01.03.2024 по 02.03.2024, контроллер 1A2F"), std::string::npos) << text;
    EXPECT_NE(text.find("02.03.2024 16:00 - 02.03.2024 23:00"), std::string::npos) << text;

    for (const char* name : {"gaps.csv", "gaps.xlsx"}) {
        window.setSaveFileChooser([&](QWidget*, const QString& suggested) {
            EXPECT_EQ(suggested, "Полнота архива.xlsx");
            return QString::fromStdString((dir / name).string());
        });
        button(window, "Экспорт данных")->click();
    }
    EXPECT_EQ(test::readFile(dir / "gaps.csv"), ToCsv(window.table()));
    EXPECT_EQ(test::readFile(dir / "gaps.csv"),
              "Контроллер;Архив;Номер;Ожидается;Есть;Вне сетки;Пропуски\n"
              "1A2F;часовой;05;48;40;0;02.03.2024 16:00 - 02.03.2024 23:00\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "gaps.xlsx"));
    EXPECT_TRUE(prompter.errors.empty());
}

} // namespace
} // namespace kest
