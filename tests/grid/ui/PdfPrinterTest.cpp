#include "grid/ui/PdfPrinter.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

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

} // namespace
} // namespace kest
