#include "grid/ui/GridView.h"

#include "TestSupport.h"
#include "grid/XlsxCells.h"
#include "grid/ui/PdfPrinter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::runCommand;
using test::TempDir;

/// A report table as the builder leaves it: two heading rows with a group title over
/// columns 1-2, a silver data row and a red totals row.
TableModel reportTable()
{
    TableModel t(4, 5);
    t.setFixedRows(2);
    t.setColWidth(0, 120);
    t.mergeColumn(0, 0);
    t.mergeRow(0, 1, 2);
    t.mergeColumn(3, 0);
    t.cell(0, 0).text = "Время";
    t.cell(1, 0).text = "Тепловая энергия";
    t.cell(1, 0).color = kYellow;
    t.cell(1, 1).text = "Q, Гкал";
    t.cell(2, 1).text = "Наработка, ч";
    t.cell(3, 0).text = "Температура; °C";
    for (int c = 0; c < 4; ++c) {
        t.cell(c, 0).hAlign = HAlign::Center;
        t.cell(c, 0).readOnly = t.cell(c, 1).readOnly = true;
    }
    t.cell(0, 2).text = "00-01 час";
    t.cell(1, 2).text = "1,250";
    t.cell(1, 2).color = kSilver;
    t.cell(1, 2).hAlign = HAlign::Center;
    t.cell(1, 2).readOnly = true;
    t.cell(0, 4).text = "Итого:";
    t.cell(0, 4).color = kRed;
    t.cell(0, 4).hAlign = HAlign::Right;
    t.cell(0, 4).vAlign = VAlign::Center;
    t.cell(0, 4).font = {"Times New Roman", 12, true, false};
    return t;
}

TEST(GridViewTest, ShowsWhatTheTableSays)
{
    TableModel table = reportTable();
    GridView view(table);
    const QAbstractItemModel* m = view.model();
    ASSERT_EQ(m->rowCount(), 5);
    ASSERT_EQ(m->columnCount(), 4);
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("Q, Гкал"));
    EXPECT_EQ(m->index(0, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 0));
    EXPECT_EQ(m->index(2, 1).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(192, 192, 192));
    const QFont totals = m->index(4, 0).data(Qt::FontRole).value<QFont>();
    EXPECT_EQ(totals.family(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(totals.bold());
    EXPECT_EQ(m->index(4, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(m->flags(m->index(2, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->flags(m->index(3, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(view.gridModel().setData(m->index(2, 1), QStringLiteral("9"), Qt::EditRole));
    EXPECT_TRUE(view.gridModel().setData(m->index(3, 1), QStringLiteral("9"), Qt::EditRole));
    EXPECT_EQ(table.cell(1, 3).text, "9");

    EXPECT_EQ(view.rowSpan(0, 0), 2);
    EXPECT_EQ(view.columnSpan(0, 1), 2);
    EXPECT_EQ(view.columnWidth(0), 120);
    // The caption wider than its column wraps, so its rows grow to hold two lines.
    EXPECT_GT(view.rowHeight(0) + view.rowHeight(1), 2 * TableModel::kDefaultRowHeight - 1);

    // A build replaces the table between beginUpdate and endUpdate.
    view.beginUpdate();
    table.clear();
    table.setColCount(2);
    table.setColWidth(1, 200);
    view.endUpdate();
    EXPECT_EQ(m->columnCount(), 2);
    EXPECT_EQ(view.columnWidth(1), 200);
    EXPECT_EQ(view.rowSpan(0, 0), 1);
}

// The fixed rows stay on top when the rows scroll, and dragging a column's border in
// them widens the column in the table and reports old and new width once.
TEST(GridViewTest, FixedRowsStayAndDraggingABorderResizes)
{
    TableModel table = reportTable();
    table.setRowCount(400);
    GridView view(table);
    view.resize(500, 300);
    view.show();
    auto* fixed = view.findChild<QTableView*>(QStringLiteral("fixedRows"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_TRUE(fixed->isVisible());
    EXPECT_EQ(fixed->height(), view.fixedHeight());
    view.scrollTo(view.model()->index(300, 0));
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    EXPECT_EQ(fixed->verticalScrollBar()->value(), 0);
    EXPECT_GE(view.visualRect(view.model()->index(300, 0)).top(), view.fixedHeight());

    std::vector<std::tuple<int, int, int>> resized;
    QObject::connect(&view, &GridView::columnResized,
                     [&](int c, int from, int to) { resized.emplace_back(c, from, to); });
    QWidget* grip = fixed->viewport();
    const int border = 120 + 64; // the right border of column 1
    const auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(x, 10), grip->mapToGlobal(QPointF(x, 10)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(grip, &e);
    };
    send(QEvent::MouseButtonPress, border + 1, Qt::LeftButton);
    send(QEvent::MouseMove, border + 20, Qt::LeftButton);
    send(QEvent::MouseMove, border + 41, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, border + 41, Qt::NoButton);
    ASSERT_EQ(resized.size(), 1u);
    EXPECT_EQ(resized[0], std::make_tuple(1, 64, 104));
    EXPECT_EQ(table.colWidth(1), 104);
    EXPECT_EQ(view.columnWidth(1), 104);
    EXPECT_EQ(fixed->columnWidth(1), 104);
}

// "Print to file" in the printer dialog writes the same document as `kest report`.
TEST(GridViewTest, PrintingToAFileUsesThePdfWriter)
{
    TempDir dir;
    const TableModel table = reportTable();
    PrintJob job;
    job.tables.push_back({&table, {"Страница 1", ""}, true});
    bool cancelled = false;
    EXPECT_EQ(printWithChooser(
                  job, nullptr, [](QPrinter&, QWidget*) { return false; }, &cancelled),
              "");
    EXPECT_TRUE(cancelled);

    const auto chosen = dir / "window.pdf";
    ASSERT_EQ(printWithChooser(
                  job, nullptr,
                  [&](QPrinter& printer, QWidget*) {
                      printer.setOutputFormat(QPrinter::PdfFormat);
                      printer.setOutputFileName(QString::fromStdString(chosen.string()));
                      return true;
                  },
                  &cancelled),
              "");
    EXPECT_FALSE(cancelled);
    ASSERT_EQ(PrintTablesToPdf(dir / "command.pdf", job), "");
    std::string fromWindow, fromCommand;
    ASSERT_EQ(runCommand("pdftotext -layout '" + chosen.string() + "' -", &fromWindow), 0);
    ASSERT_EQ(runCommand("pdftotext -layout '" + (dir / "command.pdf").string() + "' -", &fromCommand), 0);
    EXPECT_EQ(fromWindow, fromCommand);
    EXPECT_NE(fromWindow.find("Тепловая энергия"), std::string::npos);
}

TEST(GridViewTest, ExportWritesTheChosenFileWithProgress)
{
    TempDir dir;
    const TableModel table = reportTable();
    std::vector<int> positions;
    const auto progress = [&](int position, int end) {
        positions.push_back(position);
        EXPECT_EQ(end, 5);
    };
    EXPECT_EQ(exportWithChooser({&table}, nullptr, "r", progress,
                                [](QWidget*, const QString&) { return QString(); }),
              "");
    EXPECT_TRUE(positions.empty());
    const QString path = QString::fromStdString((dir / "report").string());
    ASSERT_EQ(
        exportWithChooser({&table}, nullptr, "r", progress, [&](QWidget*, const QString&) { return path; }),
        "");
    // The sheet holds the table as shown: headings, merged heading texts in their
    // top-left cell, numbers as numbers.
    const auto cells = test::xlsxCells(dir / "report.xlsx");
    EXPECT_EQ(cells.at("A1"), "Время");
    EXPECT_EQ(cells.at("B1"), "Тепловая энергия");
    EXPECT_EQ(cells.at("B2"), "Q, Гкал");
    EXPECT_EQ(cells.at("C2"), "Наработка, ч");
    EXPECT_EQ(cells.at("A3"), "00-01 час");
    EXPECT_EQ(cells.at("B3"), "1.25");
    EXPECT_EQ(cells.at("A5"), "Итого:");
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 5);
    EXPECT_NE(exportWithChooser({&table}, nullptr, "r", progress,
                                [&](QWidget*, const QString&) { return path + "/no/such/folder/x.xlsx"; }),
              "");
}

} // namespace
} // namespace kest
