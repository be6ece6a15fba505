#include "exchange/RecordReaders.h"

#include "exchange/FakeExchange.h"
#include "exchange/FakeRegistrar.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::FakeRegistrar;
using test::RecordWriter;

class RecordReadersTest : public ::testing::Test, protected test::FakeExchange
{
protected:
    RecordReadersTest() : reg(port)
    {
        (void)port.open("fake");
        ResetRegistrarImage(image);
        catalog.count = 1;
    }

    CatalogEntry& entry() { return catalog.entry(1); }
    ImageRecord& rec() { return image.record(1); }

    FakeRegistrar reg;
};

class PageReaderTest : public RecordReadersTest
{
protected:
    void SetUp() override { link.PageLink = 1; }

    void place(std::uint16_t first)
    {
        entry().bytes[1] = static_cast<std::uint8_t>(first >> 8);
        entry().bytes[2] = static_cast<std::uint8_t>(first & 0xFF);
        RecordWriter w(reg, first, true);
        w.header(15, 3, 10, 0, 2026);
        writer.emplace(w);
    }
    std::optional<RecordWriter> writer;
};

TEST_F(PageReaderTest, EveryKindLandsInItsArrayWithItsFlags)
{
    place(0x0120);
    auto& e = entry().bytes;
    e[10] = 3; // hourly, an odd count
    e[9] = 3;
    e[8] = 5;
    e[11] = 1;
    e[12] = 1;
    e[5] = 2;
    auto& s = rec().Settings;
    s.HourlyFlags[2] = kDoublePrecision;
    s.HourlyChains[5][1] = 7;
    s.DailyChains[63] = 4;
    for (int k : {5, 2, 7})
        writer->archive(k, 96, 96, k == 2, [k](int i) { return k * 1000 + i; });
    writer->nextPage();
    for (int k : {4, 1, 63})
        writer->archive(k, 32, 32, false, [k](int i) { return k * 100 + i; });
    writer->nextPage();
    for (int k = 10; k < 15; ++k)
        writer->archive(k, 16, 12, false, [k](int i) { return k * 10 + i; });
    writer->nextPage();
    writer->archive(3, 1024, 1008, false, [](int i) { return i; });
    writer->archive(9, 23 * 64, 1440, false, [](int i) { return i + 1; });

    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(e[16], 1);
    EXPECT_EQ(rec().RecordTime, encodeDateTime(2026, 3, 15, 10, 0).value());
    EXPECT_EQ(rec().HeaderTail[1], 6);
    EXPECT_EQ(rec().Hourly[5][0], 5000);
    EXPECT_EQ(rec().Hourly[5][94], 5094);
    EXPECT_EQ(rec().Hourly[2][0], 2000);
    EXPECT_EQ(rec().Hourly[2][95], (2095 & ~0xFF) | 2); // the number byte is part of the counter
    EXPECT_EQ(rec().Hourly[7][33], 7033);
    EXPECT_EQ(s.HourlyFlags[5], 5);
    EXPECT_EQ(s.HourlyFlags[2], 2);
    EXPECT_EQ(s.HourlyFlags[7], kNoMark); // a chain member is stored with its head
    EXPECT_EQ(rec().Daily[1][30], 130);
    EXPECT_EQ(rec().Daily[63][0], 6300);
    EXPECT_EQ(s.DailyFlags[4], kNoMark); // member of head 63
    EXPECT_EQ(s.DailyFlags[63], 63);
    EXPECT_EQ(rec().Monthly[14][11], 151);
    EXPECT_EQ(s.MonthlyFlags[14], 14);
    EXPECT_EQ(rec().ExtendedHourly[3][1007], 1007);
    EXPECT_EQ(s.HourlyExtended[3], 3);
    EXPECT_EQ(s.HourlyFlags[3], kNoMark); // no hourly archive 3 in this record
    EXPECT_EQ(rec().Interval[9][1439], 1440);

    // P+7 is never asked for; the hourly look-ahead asks for the page after the counter's.
    const auto& r = reg.requests;
    EXPECT_EQ(std::count(r.begin(), r.end(), 0x0127u), 0);
    const std::vector<std::uint32_t> hourly(r.begin() + 7, r.begin() + 15);
    EXPECT_EQ(hourly, (std::vector<std::uint32_t>{0x129, 0x128, 0x129, 0x12A, 0x12A, 0x12C, 0x12B, 0x12C}));
    EXPECT_EQ(r.size(), 7u + 8u + 2u + 2u + 17u + 24u);
}

TEST_F(PageReaderTest, EmptyRecordReadsSevenPagesWithCarry)
{
    place(0x01FC);
    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(reg.requests, (std::vector<std::uint32_t>{0x1FC, 0x1FD, 0x1FE, 0x1FF, 0x200, 0x201, 0x202}));
}

TEST_F(PageReaderTest, ArchiveNumbersWithoutAPlaceAreSkipped)
{
    place(0x0010);
    entry().bytes[10] = 2;
    entry().bytes[9] = 2;
    writer->archive(40, 96, 96, false, [](int i) { return i; });
    writer->archive(1, 96, 96, false, [](int i) { return 100 + i; });
    writer->nextPage();
    writer->archive(200, 32, 32, false, [](int) { return 9; });
    writer->archive(2, 32, 32, false, [](int) { return 8; });
    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_TRUE(logHas("архив №40"));
    EXPECT_TRUE(logHas("архив №200"));
    EXPECT_EQ(rec().Hourly[1][0], 100);
    EXPECT_EQ(rec().Daily[2][0], 8);
}

TEST_F(PageReaderTest, FailureStopAndEarlierReadAndBadHeader)
{
    place(0x0010);
    entry().bytes[10] = 2;
    reg.answerLimit = 9;
    ASSERT_FALSE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(entry().bytes[16], 0x32);
    EXPECT_EQ(log.lines.back(), "** Конец обмена **");
    EXPECT_NE(state.ExchangeStatus, kStatusOk);

    // A checksum fault is healed by the repetition; the record may be read again.
    reg.answerLimit = SIZE_MAX;
    reg.requests.clear();
    reg.corruptOnce = {0x0011};
    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(entry().bytes[16], 1);

    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_TRUE(logHas("Запись под номером 1 ранее была уже считана, будьте внимательны!"));

    entry().bytes[16] = 0;
    reg.requests.clear();
    pump.stopAt = pump.calls + 6; // between the third and fourth page
    ASSERT_FALSE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(reg.requests.size(), 3u);
    EXPECT_EQ(log.lines[log.lines.size() - 2], exchangeLogLine(kStatusStopped));

    entry().bytes[16] = 0;
    reg.page(0x0010)[1] = 13;
    ASSERT_FALSE(ReadRecordByPages(ctx, 1));
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_NE(prompter.errors[0].find("15.13.2026"), std::string::npos);
}

TEST_F(PageReaderTest, ExtendedArchiveKeepsTheFormatOfItsHourlyTwin)
{
    // KEST.INI calls hourly 12 an extended archive in the counter format; the record
    // holds both the hourly archive and its extended twin under one key.
    place(0x0040);
    entry().bytes[10] = 1;
    entry().bytes[11] = 1;
    rec().Settings.HourlyFlags[12] = kDoublePrecision;
    rec().Settings.HourlyExtended[12] = 1;
    writer->archive(12, 96, 96, true, [](int i) { return 1500000 + i; });
    writer->nextPage();
    writer->archive(12, 1024, 1008, true, [](int i) { return 1600000 + i; });
    ASSERT_TRUE(ReadRecordByPages(ctx, 1));
    EXPECT_EQ(rec().Hourly[12][0], 1500000);
    EXPECT_EQ(rec().ExtendedHourly[12][0], 1600000);
    EXPECT_EQ(rec().ExtendedHourly[12][1007], 1601007);
}

class RequestReaderTest : public RecordReadersTest
{
};

TEST_F(RequestReaderTest, HourlyAndDailyInOrder)
{
    const std::uint32_t first = 3 * 256 + 0x20;
    auto& e = entry().bytes;
    e[1] = 0;
    e[2] = 0x20;
    e[3] = 1;
    e[4] = 2;
    RecordWriter w(reg, first, false);
    w.header(1, 3, 0, 30, 2026);
    w.archive(6, 96, 96, false, [](int i) { return 600 + i; });
    w.nextPage();
    w.archive(3, 32, 32, false, [](int i) { return 30 + i; });
    w.archive(4, 32, 32, true, [](int i) { return 40 + i; });
    rec().Settings.DailyFlags[4] = kDoublePrecision;
    rec().Settings.DailyChains[40] = 3;

    ASSERT_TRUE(ReadRecordByRequests(ctx, 1));
    EXPECT_EQ(e[8], 1);
    EXPECT_EQ(rec().Hourly[6][64], 664);
    EXPECT_EQ(rec().Daily[3][0], 30);
    EXPECT_EQ(rec().Daily[4][31], 4); // counter slot with its number byte
    EXPECT_EQ(rec().Settings.DailyFlags[3], kNoMark);
    EXPECT_EQ(rec().Settings.DailyFlags[4], 4);
    const auto& r = reg.requests;
    ASSERT_EQ(r.size(), 14u + 4u + 2u);
    // Look-ahead first, then the three parts; the daily archives start on a fresh page.
    EXPECT_EQ(r[14], 0x032880u - 0x80u);
    EXPECT_EQ(r[15], 0x032700u);
    EXPECT_EQ(r[18], 0x032900u);
    EXPECT_EQ(r[19], 0x032980u);

    EXPECT_FALSE(ReadRecordByRequests(ctx, 1)); // read before: no line
    EXPECT_FALSE(ReadRecordByRequests(ctx, 2));
    EXPECT_EQ(log.lines.back(), "Записи под номером 2 нет, будьте внимательны!");
}

TEST_F(RequestReaderTest, AreaSwitchAndLookAheadAtTheTopOfMemory)
{
    auto& e = entry().bytes;
    e[1] = 1;
    e[2] = 0xF7;
    e[3] = 1;
    RecordWriter w(reg, 2 * 256 + 0xF7, false);
    w.header(2, 3, 10, 0, 2026);
    ASSERT_TRUE(ReadRecordByRequests(ctx, 1));
    const auto& r = reg.requests;
    ASSERT_EQ(r.size(), 18u);
    EXPECT_EQ(r[13], 0x02FD80u);
    // Hourly: P+7 = 0xFE 0x00 of area 2; the look-ahead goes to page 0x00, and the
    // third part to 0xFF, where the record goes on in area 3.
    EXPECT_EQ(r[14], 0x020000u);
    EXPECT_EQ(r[15], 0x02FE00u);
    EXPECT_EQ(r[16], 0x02FE80u);
    EXPECT_EQ(r[17], 0x03FF00u);
}

} // namespace
} // namespace kest
