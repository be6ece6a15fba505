#pragma once

#include "common/DateTime.h"
#include "settings/ArchiveSettings.h"

#include <array>
#include <cstdint>
#include <memory>

namespace kest {

constexpr int kImageRecords = 32;
constexpr int kHourlySlots = 96;
constexpr int kDailySlots = 32;
constexpr int kMonthlySlots = 12;
constexpr int kIntervalSlots = 1440;
constexpr int kExtendedSlots = 1200;
constexpr int kExtendedSlotsUsed = 1008; ///< 42 days of 24 hours
constexpr int kHeaderTailBytes = 122;
/// Seven fixed pages of groups: 32 values after the header of page 0, then 64 per page.
constexpr int kFixedGroupValues = 32 + 6 * 64;

/// One registrar record decoded: the controller's marks and settlement values, the
/// visit time and every archive as numbers.
struct ImageRecord
{
    ArchiveSettings Settings;
    std::int32_t rhour = 0;
    std::int32_t rday = 0;
    std::int32_t avans = 0;
    std::int32_t smin = 5;
    DateTime RecordTime = 0;
    std::int32_t RecordYear = 0;
    /// Element i (1..122) is header byte i + 5; element 0 is unused.
    std::array<std::uint8_t, kHeaderTailBytes + 1> HeaderTail;
    /// Group16[1], Group16[2] (page 0), Group64[1] (page 1), Group64[2] (page 2),
    /// Group16[3..6] (page 3), Group16[7..10] (page 4), Group64[3], Group64[4] (pages 5, 6).
    std::array<double, kFixedGroupValues> FixedGroups;
    std::array<std::array<double, kHourlySlots>, kHourlyArchives> Hourly;
    std::array<std::array<double, kDailySlots>, kDailyArchives> Daily;
    std::array<std::array<double, kMonthlySlots>, kMonthlyArchives> Monthly;
    std::array<std::array<double, kIntervalSlots>, kIntervalArchives> Interval;
    std::array<std::array<double, kExtendedSlots>, kExtendedArchives> ExtendedHourly;
};

/// The working copy of the registrar's 32 records, numbered 1..32 like the catalog.
/// One block allocated once; nothing is allocated per record or per read.
class RegistrarImage
{
public:
    RegistrarImage();

    ImageRecord& record(int number) { return m_records[static_cast<std::size_t>(number - 1)]; }
    const ImageRecord& record(int number) const { return m_records[static_cast<std::size_t>(number - 1)]; }

private:
    std::unique_ptr<ImageRecord[]> m_records;
};

/// Every mark 0xFF, settlement values 0/0/0 and smin 5, times and values zero.
void ResetRegistrarImage(RegistrarImage& image);

} // namespace kest
