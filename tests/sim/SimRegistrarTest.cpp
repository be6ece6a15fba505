#include "RecordFile.h"
#include "RegistrarMemory.h"
#include "SimEncoding.h"
#include "registrar/ValueEncoding.h"

#include <cmath>
#include <gtest/gtest.h>

namespace kest::sim {
namespace {

TEST(SimEncodingTest, FloatsEncodeAsTheProgramDecodesThem)
{
    struct Case
    {
        double value;
        Slot bytes;
    };
    for (const Case& c : {Case{1.0, {0x81, 0x40, 0, 0}}, Case{3.0, {0x82, 0x60, 0, 0}},
                          Case{-1.0, {0x81, 0xC0, 0, 0}}, Case{0.25, {0x7F, 0x40, 0, 0}},
                          Case{31250.0, {0x8F, 0x7A, 0x12, 0}}, Case{-1576.0, {0x8B, 0xE2, 0x80, 0}},
                          Case{2147483392.0, {0x9F, 0x7F, 0xFF, 0xFF}}, Case{0.0, {0, 0, 0, 0}}})
        EXPECT_EQ(EncodeFloat4(c.value), c.bytes) << c.value;

    for (const double v : {0.1, -123.456, 1e-30, 7.25, 99999.875, 1.0 / 3.0}) {
        const Slot s = EncodeFloat4(v);
        EXPECT_NEAR(DecodeFloat4(s.data()), v, std::abs(v) * 1.2e-7) << v;
    }
    // Too large for the format: served as "no value" rather than a wrong number.
    EXPECT_EQ(DecodeFloat4(EncodeFloat4(3e9).data()), NoValue);
    // A value that rounds up to the next power of two keeps a valid mantissa.
    EXPECT_EQ(DecodeFloat4(EncodeFloat4(std::nextafter(2.0, 0.0)).data()), 2.0);
}

TEST(SimEncodingTest, CountersEncodeAsTheProgramDecodesThem)
{
    EXPECT_EQ(EncodeCounter4(1999999), (Slot{0x01, 0x0F, 0x42, 0x3F}));
    for (const std::uint32_t v : {0u, 256u, 2000001u, 16777215u, 255999999u, 271777215u})
        EXPECT_EQ(static_cast<std::uint32_t>(DecodeCounter4(EncodeCounter4(v).data())), v) << v;
}

TEST(SimRecordFileTest, ParsesRecordsAndReportsTheFaultyLine)
{
    std::string error;
    const auto records =
        ParseRecordFile("# two\nrecord\ncontroller 0412\ntime 05.00.2024 10:07\n"
                        "header 6=AB\nhourly 3 counter ramp 10 5 4\nhourly 4 1 nv raw:01020304\n"
                        "record\ncontroller 1a2f\nstate 01\narea 2\nstart 20\n",
                        error);
    ASSERT_TRUE(records) << error;
    ASSERT_EQ(records->size(), 2u);
    const SimRecord& r = (*records)[0];
    EXPECT_EQ(r.controller, 0x0412);
    EXPECT_EQ((std::vector<int>(r.header.begin(), r.header.begin() + 7)),
              (std::vector<int>{5, 0, 10, 7, 20, 24, 0xAB}));
    ASSERT_EQ(r.archives.size(), 2u);
    EXPECT_TRUE(r.archives[0].counter);
    EXPECT_EQ(r.archives[0].slots.size(), 4u);
    EXPECT_EQ(r.archives[0].slots[3], EncodeCounter4(25));
    EXPECT_EQ(r.archives[1].slots[1], kErasedSlot);
    EXPECT_EQ(r.archives[1].slots[2], (Slot{1, 2, 3, 4}));
    EXPECT_EQ((*records)[1].area, 2);
    EXPECT_FALSE(r.area);
    EXPECT_EQ((*records)[1].start, 0x20);

    for (const char* bad : {"controller 0412\n", "record\nhourly 1 ramp 0 1 97\n", "record\ncolour red\n",
                            "record\ntime 2024-01-01 10:00\n", "record\ndaily x 1\n", "record\narea 4\n"}) {
        EXPECT_FALSE(ParseRecordFile(bad, error)) << bad;
        EXPECT_NE(error.find("line "), std::string::npos) << bad;
    }
}

/// The page link places each archive where the page reader looks: hourly archives
/// back to back from P+8 with the number in the last byte of each 384 bytes, daily
/// and monthly from fresh pages after them.
TEST(SimRegistrarMemoryTest, PageLayoutPutsArchivesWhereTheReaderLooks)
{
    std::string error;
    const auto records = ParseRecordFile("record\ncontroller 0412\ntime 31.12.2007 23:59\npage 01FC\n"
                                         "hourly 5 ramp 1 1\nhourly 9 ramp 100 1\nhourly 2 7\n"
                                         "daily 3 ramp 0.5 0.5\nmonthly 1 1 2\nmonthly 2 counter 44\n"
                                         "extended 4 ramp 0 1\ninterval 13 ramp 0 2\n",
                                         error);
    ASSERT_TRUE(records) << error;
    const auto memory = RegistrarMemory::build(*records, LinkKind::Page, error);
    ASSERT_TRUE(memory) << error;

    const Page catalog = memory->page(0);
    EXPECT_EQ((std::vector<int>(catalog.begin(), catalog.begin() + 16)),
              (std::vector<int>{1, 0x01, 0xFC, 0, 0, 2, 0x04, 0x12, 2, 1, 3, 1, 1, 0, 0, 0}));
    EXPECT_EQ(catalog[16], 0xFF);
    EXPECT_EQ(memory->page(0x01FC)[1], 12);

    // Hourly pages 0x0204.. (carried past 0x01FF): 5 = page X + half of X+1.
    const Page x = memory->page(0x0204), x1 = memory->page(0x0205), x2 = memory->page(0x0206);
    EXPECT_EQ(DecodeFloat4(x.data()), 1.0);
    EXPECT_EQ(x1[127], 5);
    EXPECT_EQ(DecodeFloat4(x1.data() + 128), 100.0);
    EXPECT_EQ(x2[255], 9);
    EXPECT_EQ(memory->page(0x0208)[127], 2);
    // Three hourly archives take five pages; the daily page follows.
    const Page daily = memory->page(0x0209);
    EXPECT_EQ(DecodeFloat4(daily.data() + 4), 1.0);
    EXPECT_EQ(daily[127], 3);
    const Page monthly = memory->page(0x020A);
    EXPECT_EQ(monthly[63], 1);
    EXPECT_EQ(DecodeCounter4(monthly.data() + 64), 44);
    EXPECT_EQ(monthly[127], 2);
    // Extended: 16 pages from 0x020B, number in the last byte of the 16th.
    EXPECT_EQ(DecodeFloat4(memory->page(0x021A).data() + 47 * 4), 1007.0);
    EXPECT_EQ(memory->page(0x021A)[255], 4);
    EXPECT_EQ(memory->page(0x021B + 22)[255], 13);
}

TEST(SimRegistrarMemoryTest, RequestLayoutFollowsTheReadersPosition)
{
    std::string error;
    const auto records = ParseRecordFile("record\ncontroller 0001\ntime 01.02.2020 03:04\nhourly 6 ramp 1 1\n"
                                         "daily 8 ramp 2 2\ndaily 9 3\n"
                                         "record\ncontroller 0002\ntime 01.02.2020 03:04\narea 2\nstart F8\n"
                                         "groups ramp 1 1\n",
                                         error);
    ASSERT_TRUE(records) << error;
    const auto memory = RegistrarMemory::build(*records, LinkKind::Request, error);
    ASSERT_TRUE(memory) << error;
    EXPECT_EQ(memory->read(3, 0xFF00, 17),
              (std::vector<std::uint8_t>{0, 0, 0, 1, 2, 0, 0, 1, 0, 1, 0xF8, 0, 0, 0, 0, 2, 0xFF}));
    EXPECT_EQ(memory->read(3, 0x0000, 6), (std::vector<std::uint8_t>{1, 2, 3, 4, 20, 20}));
    // Hourly from page 7: three requests, number in byte 127 of the third.
    EXPECT_EQ(DecodeFloat4(memory->read(3, 0x0700, 4).data()), 1.0);
    EXPECT_EQ(memory->read(3, 0x0800, 128)[127], 6);
    // One hourly archive leaves 08:80 unused; the daily archives start on page 9.
    EXPECT_EQ(memory->read(3, 0x0900, 128)[127], 8);
    EXPECT_EQ(memory->read(3, 0x0980, 128)[127], 9);
    // A record that would run into the catalog page is refused.
    const auto tooFar = ParseRecordFile("record\ntime 01.01.2020 00:00\nstart FA\n", error);
    EXPECT_FALSE(RegistrarMemory::build(*tooFar, LinkKind::Request, error));
    EXPECT_NE(error.find("catalog"), std::string::npos);
    // Area 2 from page F8: the header and the groups up to page FE.
    EXPECT_EQ(memory->read(2, 0xF800, 2), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(DecodeFloat4(memory->read(2, 0xFEFC, 4).data()), 416.0);
}

} // namespace
} // namespace kest::sim
