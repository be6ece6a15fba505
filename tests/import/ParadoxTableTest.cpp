#include "import/ParadoxTable.h"
#include "import/ParadoxWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include "import/PxLib.h"

using namespace kest;
using namespace kest::test;

namespace {

/// "Котельная" in either code page, byte by byte.
std::string boilerHouse(int codePage)
{
    return codePage == 866 ? std::string("\x8A\xAE\xE2\xA5\xAB\xEC\xAD\xA0\xEF")
                           : std::string("\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF");
}

} // namespace

TEST(ParadoxTable, ReadsFieldsByNameWithEmptyFieldsKeptApart)
{
    TempDir dir;
    for (const int codePage : {866, 1251}) {
        const auto file = dir / ("MERANB" + std::to_string(codePage) + ".DB");
        std::vector<PxColumn> columns = {{"SCODE", pxfLong, 4}, {"Sname", pxfAlpha, 50},
                                         {"rhour", pxfShort, 2}, {"svalue", pxfNumber, 8}};
        writeParadoxTable(file, columns,
                          {{1042.0, boilerHouse(codePage), 0.0, 0.0}, {PxCell{}, PxCell{}, PxCell{}, PxCell{}}},
                          codePage);
        std::string error;
        auto table = ParadoxTable::open(file, error);
        ASSERT_TRUE(table) << error;
        EXPECT_EQ(table->recordCount(), 2);
        EXPECT_EQ(table->header().codePage, codePage);
        const int code = table->fieldIndex("scode"), name = table->fieldIndex("SNAME");
        const int hour = table->fieldIndex("RHour"), value = table->fieldIndex("svalue");
        ASSERT_GE(code, 0);
        ASSERT_GE(name, 0);
        EXPECT_EQ(table->fieldIndex("smin"), -1);
        ASSERT_TRUE(table->readRecord(0, error)) << error;
        EXPECT_EQ(table->number(code), 1042.0);
        EXPECT_EQ(table->text(name), "Котельная");
        // A zero is a value, not an empty field.
        EXPECT_EQ(table->number(hour), 0.0);
        EXPECT_EQ(table->number(value), 0.0);
        ASSERT_TRUE(table->readRecord(1, error)) << error;
        EXPECT_FALSE(table->number(code));
        EXPECT_FALSE(table->text(name));
        EXPECT_FALSE(table->number(hour));
        EXPECT_FALSE(table->number(value));
    }
}

TEST(ParadoxTable, TimestampsAndDatesCountDaysFromYearOne)
{
    TempDir dir;
    const auto file = dir / "arhivh.db";
    writeParadoxTable(file, {{"sdate", pxfTimestamp, 8}, {"day", pxfDate, 4}},
                      {{pxTimestamp(2021, 3, 1, 13, 0, 0), pxDate(2021, 3, 1)}});
    std::string error;
    auto table = ParadoxTable::open(file, error);
    ASSERT_TRUE(table) << error;
    ASSERT_TRUE(table->readRecord(0, error));
    EXPECT_EQ(table->number(0), pxTimestamp(2021, 3, 1, 13));
    EXPECT_EQ(table->number(1), pxDate(2021, 3, 1));
    EXPECT_EQ(pxDate(1, 1, 1), 1.0);
}

// Records read in order come from the checked block chain; out of order pxlib finds
// them. Both must give the same rows across block boundaries.
TEST(ParadoxTable, InOrderAndOutOfOrderReadsAgree)
{
    TempDir dir;
    const auto file = dir / "arhivh.db";
    writeParadoxTableFrom(file, archiveColumns(), 700, [](long i) {
        return PxRow{pxTimestamp(2024, 1, 1) + i * 3600000.0, double(i % 16), i % 7 == 0 ? PxCell{} : PxCell{i * 0.5}};
    });
    std::string error;
    auto inOrder = ParadoxTable::open(file, error);
    ASSERT_TRUE(inOrder) << error;
    ASSERT_GT(inOrder->header().blocks.size(), 3u);
    std::vector<std::optional<double>> values;
    for (long r = 0; r < inOrder->recordCount(); ++r) {
        ASSERT_TRUE(inOrder->readRecord(r, error)) << error;
        EXPECT_EQ(inOrder->number(0), pxTimestamp(2024, 1, 1) + r * 3600000.0);
        values.push_back(inOrder->number(2));
    }
    auto backwards = ParadoxTable::open(file, error);
    for (long r = backwards->recordCount() - 1; r >= 0; --r) {
        ASSERT_TRUE(backwards->readRecord(r, error)) << error;
        EXPECT_EQ(backwards->number(2), values[static_cast<std::size_t>(r)]) << r;
    }
}
