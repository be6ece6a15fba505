#include "reports/ui/CompletenessWindow.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
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

    std::vector<QString> rowTexts(QTableWidget* grid, int row)
    {
        std::vector<QString> texts;
        for (int c = 0; c < grid->columnCount(); ++c)
            texts.push_back(grid->item(row, c)->text());
        return texts;
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

    find<QDateEdit>(window, "fromDate")->setDate(QDate(2024, 3, 1));
    find<QDateEdit>(window, "toDate")->setDate(QDate(2024, 3, 2));
    button(window, "Показать")->click();
    auto* grid = find<QTableWidget>(window, "gapsgrid");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->horizontalHeaderItem(6)->text(), "Пропуски");
    EXPECT_EQ(rowTexts(grid, 0), (std::vector<QString>{"0A1F", "часовой", "05", "48", "48", "0", ""}));
    EXPECT_EQ(rowTexts(grid, 1), (std::vector<QString>{"1A2F", "часовой", "05", "48", "40", "0",
                                                       "02.03.2024 16:00 - 02.03.2024 23:00"}));
    EXPECT_EQ(find<QLabel>(window, "summary")->text(), "Архивов: 2, с пропусками: 1.");
    test::saveScreenshot(window, "completeness-window.png");

    controllers->setCurrentIndex(2);
    button(window, "Показать")->click();
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "1A2F");
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
    EXPECT_EQ(find<QTableWidget>(window, "gapsgrid")->rowCount(), 0);
}

} // namespace
} // namespace kest
