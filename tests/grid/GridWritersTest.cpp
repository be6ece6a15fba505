#include "TestSupport.h"
#include "grid/CsvWriter.h"
#include "grid/TableModel.h"
#include "grid/XlsxWriter.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

/// Reads CSV as written: ';' separated, '"' quoting with doubled quotes inside.
std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    rows.pop_back();
    return rows;
}

TableModel sampleTable()
{
    TableModel t(3, 4);
    t.setFixedRows(2);
    t.cell(0, 0).text = "Время";
    t.mergeColumn(0, 0);
    t.cell(1, 0).text = "Тепло; вода";
    t.cell(1, 0).color = kYellow;
    t.mergeRow(0, 1, 2);
    t.cell(1, 1).text = "Q, \"Гкал\"";
    t.cell(2, 1).text = "G\nт";
    t.cell(0, 2).text = "05   10-11 час ";
    t.cell(0, 2).color = kSilver;
    t.cell(1, 2).text = "12,5";
    t.cell(2, 2).text = "...";
    t.cell(0, 3).text = "Итого:";
    t.cell(1, 3).text = "-3";
    t.cell(1, 3).color = kRed;
    t.cell(1, 3).font.bold = true;
    t.setColWidth(0, 120);
    return t;
}

TEST(TableModelTest, MergesReplaceOverlapsAndMoveWithInsertedRows)
{
    TableModel t(4, 3);
    t.mergeRow(0, 1, 9); // clipped to the last column
    ASSERT_EQ(t.merges().size(), 1u);
    EXPECT_EQ(t.merges()[0].cols, 3);
    t.mergeColumn(2, 0); // overlaps the row merge, which goes
    ASSERT_EQ(t.merges().size(), 1u);
    EXPECT_TRUE(t.covered(2, 1));
    EXPECT_FALSE(t.covered(2, 0));
    t.mergeRow(1, 2, 2); // a single cell is no merge
    EXPECT_EQ(t.merges().size(), 1u);

    t.cell(0, 2).text = "last";
    t.insertRow(0);
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.cell(0, 3).text, "last");
    EXPECT_TRUE(t.covered(2, 2));
    t.insertRow(2); // inside the merge: it grows
    EXPECT_EQ(t.merges()[0].rows, 3);
    t.setRowCount(3);
    EXPECT_TRUE(t.merges().empty());
    EXPECT_THROW(t.cell(4, 0), std::out_of_range);
}

TEST(GridWritersTest, CsvRoundTripKeepsShownTextsAndEmptiesCoveredCells)
{
    const TableModel t = sampleTable();
    const std::string csv = ToCsv(t);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "Время;\"Тепло; вода\";");
    const auto rows = parseCsv(csv);
    ASSERT_EQ(rows.size(), 4u);
    for (int r = 0; r < 4; ++r) {
        ASSERT_EQ(rows[static_cast<std::size_t>(r)].size(), 3u);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)],
                      t.covered(c, r) ? "" : t.cell(c, r).text);
    }
    TempDir dir;
    ASSERT_EQ(WriteCsv(dir / "r.csv", t), "");
    EXPECT_EQ(readFile(dir / "r.csv"), csv);

    // Several tables follow one another with an empty line between; a title without
    // lines and a missing table leave no trace.
    TableModel title(1, 1);
    title.cell(0, 0).text = "Котельная";
    const TableModel none(1, 0);
    ASSERT_EQ(WriteCsvTables(dir / "t.csv", {&title, nullptr, &t, &none}), "");
    EXPECT_EQ(readFile(dir / "t.csv"), "Котельная\n\n" + csv);
}

TEST(GridWritersTest, XlsxHoldsTitlesTableMergesNumbersAndColours)
{
    TempDir dir;
    TableModel upper(1, 2);
    upper.cell(0, 0).text = "Котельная №1";
    upper.cell(0, 1).text = "за 05.03.2026 года";
    upper.cell(0, 1).font.underline = true;
    const TableModel table = sampleTable();
    TableModel lower(1, 2);
    lower.cell(0, 0).text = "Подпись";
    lower.cell(0, 1).text = "007"; // a caption or number plate, not the number 7
    std::vector<std::pair<int, int>> progress;
    ASSERT_EQ(WriteXlsx(dir / "r.xlsx", {&upper, &table, nullptr, &lower}, "Отчет",
                        [&](int position, int end) { progress.emplace_back(position, end); }),
              "");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(8, 8));

    std::string sheet, styles, strings;
    ASSERT_EQ(runCommand("unzip -p '" + (dir / "r.xlsx").string() + "' xl/worksheets/sheet1.xml", &sheet), 0);
    ASSERT_EQ(runCommand("unzip -p '" + (dir / "r.xlsx").string() + "' xl/styles.xml", &styles), 0);
    ASSERT_EQ(runCommand("unzip -p '" + (dir / "r.xlsx").string() + "' xl/sharedStrings.xml", &strings), 0);
    // Title rows 1-2, an empty row, the table at rows 4-7, an empty row, the lower title at 9.
    EXPECT_NE(sheet.find("<mergeCell ref=\"A4:A5\"/>"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("<mergeCell ref=\"B4:C4\"/>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"B6\""), std::string::npos);
    EXPECT_NE(sheet.find("<v>12.5</v>"), std::string::npos);
    EXPECT_NE(sheet.find("<v>-3</v>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"A9\""), std::string::npos);
    // Title lines span the table's three columns.
    for (const char* merged : {"A1:C1", "A2:C2", "A9:C9", "A10:C10"})
        EXPECT_NE(sheet.find("<mergeCell ref=\"" + std::string(merged) + "\"/>"), std::string::npos)
            << merged;
    EXPECT_NE(sheet.find("customWidth=\"1\""), std::string::npos);
    for (const char* text : {"Котельная №1", "Тепло; вода", "G\nт", "...", "Итого:", "Подпись", "007"})
        EXPECT_NE(strings.find(text), std::string::npos) << text;
    EXPECT_NE(styles.find("FFFFFF00"), std::string::npos); // yellow group title
    EXPECT_NE(styles.find("FFC0C0C0"), std::string::npos);
    EXPECT_NE(styles.find("FFFF0000"), std::string::npos);
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
    EXPECT_NE(styles.find("<u/>"), std::string::npos);
    EXPECT_NE(styles.find("formatCode=\"0.0\""), std::string::npos);
}

TEST(GridWritersTest, XlsxIntoMissingFolderFails)
{
    TempDir dir;
    EXPECT_NE(WriteXlsx(dir / "no" / "r.xlsx", {}), "");
}

} // namespace
} // namespace kest
