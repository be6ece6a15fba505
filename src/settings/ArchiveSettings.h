#pragma once

#include <array>
#include <cstdint>

namespace kest {

/// Archive counts per kind as a controller keeps them.
constexpr int kHourlyArchives = 32;
constexpr int kExtendedArchives = 28;
constexpr int kDailyArchives = 64;
constexpr int kMonthlyArchives = 64;
constexpr int kIntervalArchives = 14;
constexpr int kChainPositions = 7;

constexpr std::uint8_t kNoMark = 0xFF;
constexpr std::uint8_t kDoublePrecision = 0x80;
/// A chain slot whose member the record lacks, set by the read: the position still
/// counts (a daily head keeps the dates of a chained pair, later hourly and interval
/// members keep their days), but the member stores nothing.
constexpr std::uint8_t kAbsentMember = 0xFE;

/// One controller's marks from KEST.INI. Flag bytes: 0x80 double precision, 0xFF
/// none; while a record is read they are reused to hold the archive's own number.
/// Chain slots are indexed by position 1..7 as the file numbers them; slot 0 is
/// never used.
struct ArchiveSettings
{
    using Chains = std::array<std::uint8_t, kChainPositions + 1>;

    std::array<std::uint8_t, kHourlyArchives> HourlyFlags;
    std::array<Chains, kHourlyArchives> HourlyChains;
    std::array<std::uint8_t, kHourlyArchives> HourlyExtended;
    std::array<std::uint8_t, kDailyArchives> DailyFlags;
    std::array<std::uint8_t, kDailyArchives> DailyChains;
    std::array<std::uint8_t, kMonthlyArchives> MonthlyFlags;
    std::array<std::uint8_t, kIntervalArchives> IntervalFlags;
    std::array<Chains, kIntervalArchives> IntervalChains;

    /// Every byte 0xFF: no marks, no chains.
    void clear();
};

} // namespace kest
