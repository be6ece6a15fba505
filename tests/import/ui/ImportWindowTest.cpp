#include "import/ui/ImportWindow.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "db/ArchiveTables.h"
#include "import/ParadoxWriter.h"
#include "import/PxLib.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::TempDir;

long hourlyRows(const std::filesystem::path& archive)
{
    std::string error;
    auto db = OpenArchiveDatabase(archive, false, &error);
    std::vector<ArchiveRow> rows;
    SelectArchiveRange(*db, ArchiveKind::Hourly, ArchiveKey(0x0001, ArchiveKind::Hourly, 0), 0, 1e6, rows);
    return static_cast<long>(rows.size());
}

QString cell(QTableWidget& t, int row, int column)
{
    return t.item(row, column) ? t.item(row, column)->text() : QString();
}

} // namespace

TEST(ImportWindowTest, StopEndsAfterATransactionAndTheSecondRunFinishes)
{
    TempDir old, archive;
    const std::int64_t key = ArchiveKey(0x0001, ArchiveKind::Hourly, 0);
    test::writeParadoxTableFrom(old / "ARHIVH.DB", test::archiveColumns(), 5000, [&](long i) {
        return test::PxRow{test::pxTimestamp(2023, 1, 1) + i * 3600000.0, double(key), double(i)};
    });
    test::writeParadoxTable(old / "meranb.db", test::controllerColumns(),
                            {{1.0, std::string("\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF"), 0.0, 1.0, 0.0}});
    std::string error;
    ASSERT_TRUE(OpenArchiveDatabase(archive.path(), true, &error));

    ImportWindow window(archive.path());
    EXPECT_EQ(window.windowTitle(), "Импорт архива");
    window.setFolderChooser([&](QWidget*, const QString&) { return QString::fromStdString(old.path().string()); });
    window.findChild<QPushButton*>("chooseButton")->click();
    auto* stop = window.findChild<QPushButton*>("stopButton");
    EXPECT_FALSE(stop->isVisibleTo(&window));

    bool stopWasShown = false;
    QObject::connect(&window, &ImportWindow::rowsImported, [&](long read) {
        // The controller table comes first; the stop is pressed in the hourly one.
        if (read == 0 || window.progressBar().maximum() != 5000)
            return;
        stopWasShown = stop->isVisibleTo(&window);
        EXPECT_TRUE(window.progressBar().isVisibleTo(&window));
        test::saveScreenshot(window, "import-window-running.png");
        stop->click();
    });
    window.findChild<QPushButton*>("importButton")->click();
    EXPECT_TRUE(stopWasShown);
    EXPECT_TRUE(window.summary().stopped);
    EXPECT_EQ(hourlyRows(archive.path()), 2000);
    EXPECT_TRUE(window.statusLine().text().contains("остановлено после 2000 из 5000 записей"))
        << window.statusLine().text().toStdString();
    EXPECT_FALSE(stop->isVisibleTo(&window));

    QObject::disconnect(&window, &ImportWindow::rowsImported, nullptr, nullptr);
    window.findChild<QPushButton*>("importButton")->click();
    EXPECT_TRUE(window.summary().ok());
    EXPECT_EQ(hourlyRows(archive.path()), 5000);
    QTableWidget& table = window.summaryTable();
    EXPECT_EQ(table.horizontalHeaderItem(3)->text(), "Уже в архиве");
    EXPECT_EQ(cell(table, 0, 0), "meranb.db");
    EXPECT_EQ(cell(table, 0, 3), "1"); // stored by the stopped run
    EXPECT_EQ(cell(table, 2, 0), "arhivh.db");
    EXPECT_EQ(cell(table, 2, 1), "5000 из 5000");
    EXPECT_EQ(cell(table, 2, 2), "3000");
    EXPECT_EQ(cell(table, 2, 3), "2000");
    EXPECT_EQ(cell(table, 3, 5), "нет в папке, пропущена");
    EXPECT_EQ(window.statusLine().text(), "Импорт закончен.");
    test::saveScreenshot(window, "import-window.png");
}

} // namespace kest
