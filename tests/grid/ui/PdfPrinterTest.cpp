#include "grid/ui/PdfPrinter.h"

#include "TestSupport.h"
#include "forms/FormPrintJob.h"
#include "grid/ui/PdfWords.h"
#include "reports/ReportPrintJob.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>

namespace kest {
namespace {

using test::pdfWords;
using test::runCommand;
using test::TempDir;

TableModel reportTable(int dataRows)
{
    TableModel t(3, dataRows + 2);
    t.setFixedRows(1);
    t.setColWidth(0, 120);
    t.cell(0, 0).text = "Время";
    t.cell(1, 0).text = "Тепло";
    t.cell(2, 0).text = "Вода";
    for (int r = 1; r <= dataRows; ++r) {
        t.cell(0, r).text = "Строка " + std::to_string(r);
        t.cell(1, r).text = std::to_string(r) + ",5";
        t.cell(0, r).color = r % 2 ? kSilver : kWhite;
    }
    t.cell(0, dataRows + 1).text = "Итого:";
    t.cell(0, dataRows + 1).color = kRed;
    return t;
}

int pngPages(const std::filesystem::path& pdf, const TempDir& dir)
{
    if (runCommand("pdftoppm -r 20 -png '" + pdf.string() + "' '" + (dir / "page").string() + "'") != 0)
        return -1;
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        pages += entry.path().extension() == ".png";
    return pages;
}

TEST(PdfPrinterTest, LongTableRunsOverPagesWithNumberedHeaders)
{
    TempDir dir;
    const TableModel table = reportTable(100); // 24-pixel rows: about 45 to a page
    PrintJob job;
    job.tables.push_back({&table, {"Страница 1", ""}, true, 0.08, 0.02, 0.02, 1.0 / 30});
    ASSERT_EQ(PrintTablesToPdf(dir / "r.pdf", job), "");
    EXPECT_EQ(pngPages(dir / "r.pdf", dir), 3);
    std::string text;
    ASSERT_EQ(runCommand("pdftotext '" + (dir / "r.pdf").string() + "' -", &text), 0);
    EXPECT_NE(text.find("Страница 1"), std::string::npos);
    EXPECT_NE(text.find("Страница 2"), std::string::npos);
    EXPECT_NE(text.find("Страница 3"), std::string::npos);
    EXPECT_NE(text.find("Строка 100"), std::string::npos);
    EXPECT_NE(text.find("99,5"), std::string::npos);
}

TEST(PdfPrinterTest, TitlesAndTableShareOneDocument)
{
    TempDir dir;
    TableModel upper(1, 1);
    upper.cell(0, 0).text = "за период с 01.03.2026 года по 31.03.2026 года";
    const TableModel table = reportTable(5);
    TableModel lower(1, 1);
    lower.cell(0, 0).text = "Диспетчер";
    PrintJob job;
    job.tables.push_back({&upper, {}, false, 0.08, 0.03, 0.02, 0, false});
    job.tables.push_back({&table, {}, true, 0.08, 1.0 / 30, 0.02, 0});
    job.tables.push_back({&lower, {}, false, 0.08, 0.02, 0.02, 0.02, false});
    ASSERT_EQ(PrintTablesToPdf(dir / "t.pdf", job), "");
    EXPECT_EQ(pngPages(dir / "t.pdf", dir), 1);
    std::string text;
    ASSERT_EQ(runCommand("pdftotext '" + (dir / "t.pdf").string() + "' -", &text), 0);
    EXPECT_LT(text.find("31.03.2026"), text.find("Итого:"));
    EXPECT_LT(text.find("Итого:"), text.find("Диспетчер"));
    EXPECT_EQ(text.find("Страница"), std::string::npos);
}

// A caption wider than its column wraps at its blank, a word wider than its cell is
// set smaller, and a long row text wraps: every word lies between its cell's borders.
TEST(PdfPrinterTest, TextsStayInsideTheirCells)
{
    TempDir dir;
    TableModel table(3, 3);
    table.setFixedRows(1);
    const int widths[] = {60, 85, 70};
    for (int c = 0; c < 3; ++c)
        table.setColWidth(c, widths[c]);
    table.cell(0, 0).text = "Время";
    table.cell(1, 0).text = "Температура; °C";
    table.cell(2, 0).text = "Теплосчетчик";
    table.cell(0, 1).text = "Водоподогреватель";
    table.cell(1, 1).text = "очень длинный текст строки отчета";
    table.cell(2, 1).text = "12,5";
    table.cell(0, 2).text = "Итого:";
    for (int c = 0; c < 3; ++c)
        table.cell(c, 1).hAlign = table.cell(c, 0).hAlign = HAlign::Center;
    table.cell(0, 2).hAlign = HAlign::Right;
    PrintJob job;
    job.tables.push_back({&table, {}, false, 0.1, 0.1, 0.02, 0});
    ASSERT_EQ(PrintTablesToPdf(dir / "c.pdf", job), "");

    double pageWidth = 0, pageHeight = 0;
    const auto words = pdfWords(dir / "c.pdf", &pageWidth, &pageHeight);
    ASSERT_GT(pageWidth, 0);
    const double pt = pageWidth / 794.0; // points per grid pixel of an A4 page at 96 dpi
    const double left = 0.1 * pageWidth;
    const std::map<std::string, int> columnOf = {
        {"Время", 0}, {"Температура;", 1}, {"°C", 1},    {"Теплосчетчик", 2}, {"Водоподогреватель", 0},
        {"очень", 1}, {"длинный", 1},      {"текст", 1}, {"строки", 1},       {"отчета", 1},
        {"12,5", 2},  {"Итого:", 0}};
    std::set<std::string> seen;
    for (const auto& w : words) {
        const auto it = columnOf.find(w.text);
        ASSERT_NE(it, columnOf.end()) << w.text;
        seen.insert(w.text);
        double x = left;
        for (int c = 0; c < it->second; ++c)
            x += widths[c] * pt;
        EXPECT_GE(w.xMin, x - 0.01) << w.text;
        EXPECT_LE(w.xMax, x + widths[it->second] * pt + 0.01) << w.text;
    }
    EXPECT_EQ(seen.size(), columnOf.size());
}

// A text centred vertically sits in the middle of a tall row, whatever its font.
TEST(PdfPrinterTest, TextsCentreVerticallyAsTheCellSays)
{
    TempDir dir;
    TableModel table(2, 1);
    table.setRowHeight(0, 60);
    table.cell(0, 0).text = "Итого:";
    table.cell(0, 0).vAlign = VAlign::Center;
    table.cell(1, 0).text = "Низ";
    table.cell(1, 0).vAlign = VAlign::Bottom;
    PrintJob job;
    job.tables.push_back({&table, {}, false, 0.1, 0.1, 0.02, 0});
    ASSERT_EQ(PrintTablesToPdf(dir / "v.pdf", job), "");
    double pageWidth = 0, pageHeight = 0;
    const auto words = pdfWords(dir / "v.pdf", &pageWidth, &pageHeight);
    ASSERT_EQ(words.size(), 2u);
    const double pt = pageWidth / 794.0;
    const double top = 0.1 * pageHeight;
    EXPECT_NEAR((words[0].yMin + words[0].yMax) / 2, top + 30 * pt, 2.5);
    EXPECT_NEAR(words[1].yMax, top + 58 * pt, 3.5);
    EXPECT_GT(words[1].yMin, top + 40 * pt);
}

/// The top of the highest word of each page, in points, and the words of each page.
std::map<int, double> pageTops(const std::vector<test::PdfWord>& words)
{
    std::map<int, double> tops;
    for (const auto& w : words)
        tops[w.page] = tops.count(w.page) ? std::min(tops[w.page], w.yMin) : w.yMin;
    return tops;
}

std::string firstWordsOfPage(const std::vector<test::PdfWord>& words, int page)
{
    std::string text;
    for (const auto& w : words)
        if (w.page == page && text.size() < 40)
            text += w.text + " ";
    return text;
}

// A form whose lower table runs over a page and a report of three pages: every page,
// the later ones included, starts at the document's top margin, and the first page
// is headed "Страница 1".
TEST(PdfPrinterTest, EveryPageKeepsTheTopMarginAndTheFirstIsNumbered)
{
    TempDir dir;
    FilledForm form;
    form.upgrid = TableModel(1, 1);
    form.upgrid.cell(0, 0).text = "Ведомость";
    form.basegrid = reportTable(20);
    form.downgrid = TableModel(1, 60);
    for (int r = 0; r < 60; ++r)
        form.downgrid.cell(0, r).text = "Подпись" + std::to_string(r);
    ASSERT_EQ(PrintTablesToPdf(dir / "f.pdf", MakeFormPrintJob(form, "Форма")), "");
    double width = 0, height = 0;
    auto words = pdfWords(dir / "f.pdf", &width, &height);
    auto tops = pageTops(words);
    ASSERT_EQ(tops.size(), 2u);
    for (const auto& [page, top] : tops)
        EXPECT_GE(top, height / 30 - 1) << "page " << page;
    EXPECT_EQ(firstWordsOfPage(words, 1).rfind("Страница 1 ", 0), 0u) << firstWordsOfPage(words, 1);
    // The lower table continues without a page number of its own.
    EXPECT_EQ(firstWordsOfPage(words, 2).rfind("Подпись", 0), 0u) << firstWordsOfPage(words, 2);

    BlankRecord blank;
    blank.NAME[0] = "Котельная";
    blank.UpTitle = {"Верх"};
    blank.DownTitle = {"Низ"};
    TableModel up(1, 1), down(1, 1);
    up.cell(0, 0).text = "Верх";
    down.cell(0, 0).text = "Низ";
    const TableModel table = reportTable(100);
    ASSERT_EQ(PrintTablesToPdf(dir / "r.pdf", MakeReportPrintJob(blank, up, table, down)), "");
    words = pdfWords(dir / "r.pdf", &width, &height);
    tops = pageTops(words);
    ASSERT_EQ(tops.size(), 3u);
    for (const auto& [page, top] : tops)
        EXPECT_GE(top, height * 0.03 - 1) << "page " << page;
    EXPECT_EQ(firstWordsOfPage(words, 2).rfind("Страница 2 ", 0), 0u) << firstWordsOfPage(words, 2);
}

} // namespace
} // namespace kest
