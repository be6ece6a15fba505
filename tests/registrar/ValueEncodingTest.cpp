#include "registrar/ValueEncoding.h"

#include "registrar/RegistrarImage.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kest;

namespace {
struct Case
{
    std::uint8_t bytes[4];
    double value;
};
} // namespace

TEST(ValueEncoding, FloatPatternsOfEveryExponentClass)
{
    const Case cases[] = {
        {{0x81, 0x40, 0x00, 0x00}, 1.0},           {{0x82, 0x60, 0x00, 0x00}, 3.0},
        {{0x81, 0xC0, 0x00, 0x00}, -1.0},          {{0x7F, 0x40, 0x00, 0x00}, 0.25},
        {{0x85, 0x48, 0x00, 0x00}, 18.0},          {{0x87, 0x7B, 0x00, 0x00}, 123.0},
        {{0x8A, 0x7A, 0x00, 0x00}, 976.0},         {{0x8F, 0x7A, 0x12, 0x00}, 31250.0},
        {{0x8E, 0x8C, 0x50, 0x00}, -1576.0},       {{0x85, 0x08, 0x00, 0x00}, 2.0},
        {{0x9F, 0x7F, 0xFF, 0xFF}, 2147483392.0},  {{0x02, 0x40, 0x00, 0x00}, std::ldexp(1.0, -127)},
        {{0x01, 0xFF, 0xFF, 0xFF}, 0.0},           {{0x00, 0x00, 0x00, 0x00}, 0.0},
        {{0xA0, 0x00, 0x00, 0x00}, NoValue},       {{0xFF, 0xFF, 0xFF, 0xFF}, NoValue},
        {{0x9F, 0xFF, 0xFF, 0xFF}, -2147483392.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeFloat4(c.bytes), c.value) << std::hex << int(c.bytes[0]) << " " << int(c.bytes[1]);
    EXPECT_EQ(NoValue, 4294967296.0 - 512.0);
}

TEST(ValueEncoding, CounterPatterns)
{
    const std::pair<std::array<std::uint8_t, 4>, std::int32_t> cases[] = {
        {{0x00, 0x00, 0x00, 0x00}, 0},        {{0x00, 0x00, 0x01, 0x00}, 256},
        {{0x01, 0x0F, 0x42, 0x3F}, 1999999},  {{0x02, 0x00, 0x00, 0x01}, 2000001},
        {{0x00, 0xFF, 0xFF, 0xFF}, 16777215}, {{0xFF, 0xFF, 0xFF, 0xFF}, 271777215},
    };
    for (const auto& [bytes, value] : cases)
        EXPECT_EQ(DecodeCounter4(bytes.data()), value);
}

TEST(ValueEncoding, RecordTimeFromHeader)
{
    const std::uint8_t late[] = {0x1F, 0x0C, 0x17, 0x3B, 0x14, 0x07};
    const auto a = DecodeRecordTime(late);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->RecordYear, 2007);
    EXPECT_EQ(toSqlText(a->RecordTime), "2007-12-31 23:59:00");

    const std::uint8_t early[] = {0x05, 0x03, 0x00, 0x00, 0x14, 0x00};
    EXPECT_EQ(toSqlText(DecodeRecordTime(early)->RecordTime), "2000-03-05 00:00:00");

    const std::uint8_t badMonth[] = {0x05, 0x0D, 0x00, 0x00, 0x14, 0x07};
    const std::uint8_t zeroDay[] = {0x00, 0x01, 0x00, 0x00, 0x14, 0x07};
    const std::uint8_t badHour[] = {0x01, 0x01, 0x18, 0x00, 0x14, 0x07};
    EXPECT_FALSE(DecodeRecordTime(badMonth));
    EXPECT_FALSE(DecodeRecordTime(zeroDay));
    EXPECT_FALSE(DecodeRecordTime(badHour));
}

TEST(RegistrarImage, ResetClearsEveryRecord)
{
    RegistrarImage image;
    ImageRecord& r = image.record(32);
    r.Hourly[31][95] = 1;
    r.ExtendedHourly[27][1007] = 2;
    r.Interval[13][1439] = 3;
    r.smin = 1;
    r.Settings.IntervalChains[13][7] = 4;
    r.RecordTime = 5;
    ResetRegistrarImage(image);
    EXPECT_EQ(r.Hourly[31][95], 0.0);
    EXPECT_EQ(r.ExtendedHourly[27][1007], 0.0);
    EXPECT_EQ(r.Interval[13][1439], 0.0);
    EXPECT_EQ(r.smin, 5);
    EXPECT_EQ(r.Settings.IntervalChains[13][7], 0xFF);
    EXPECT_EQ(r.Settings.HourlyFlags[0], 0xFF);
    EXPECT_EQ(r.RecordTime, 0.0);
    EXPECT_EQ(image.record(1).Settings.MonthlyFlags[63], 0xFF);
    // The whole image is one block of about 15 MB.
    EXPECT_GT(sizeof(ImageRecord) * kImageRecords, 15'000'000u);
    EXPECT_LT(sizeof(ImageRecord) * kImageRecords, 16'000'000u);
}
