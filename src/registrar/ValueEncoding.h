#pragma once

#include "common/DateTime.h"

#include <cstdint>
#include <optional>

namespace kest {

/// The marker of a slot that holds no number (2^32 - 512); it reaches the tables as
/// this very number and only the reports recognise it.
constexpr double NoValue = 4294966784.0;

/// The controllers' four-byte float: exponent byte with bias 129, sign bit, then a
/// 23-bit mantissa without an implied leading bit. Exponents 0 and 1 are zero, 160
/// and above (the erased FF FF FF FF included) are NoValue.
double DecodeFloat4(const std::uint8_t* bytes);

/// The counter format: byte 0 counts millions, bytes 1..3 a big-endian remainder.
std::int32_t DecodeCounter4(const std::uint8_t* bytes);

struct RecordStamp
{
    DateTime RecordTime = 0;
    std::int32_t RecordYear = 0;
};

/// The visit time from the first six header bytes (day, month, hour, minute,
/// century, year in century; plain binary). Nothing when they form no valid date.
std::optional<RecordStamp> DecodeRecordTime(const std::uint8_t* header);

} // namespace kest
