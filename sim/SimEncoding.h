#pragma once

#include <array>
#include <cstdint>

namespace kest::sim {

using Slot = std::array<std::uint8_t, 4>;

/// The erased pattern, which the program reads as "no value".
inline constexpr Slot kErasedSlot = {0xFF, 0xFF, 0xFF, 0xFF};

/// The controllers' four-byte float: exponent byte with bias 129, sign bit, 23-bit
/// mantissa whose top bit is stored. Zero is 00 00 00 00; magnitudes at or beyond
/// 2^31 have no encoding and become the erased pattern.
Slot EncodeFloat4(double value);

/// The counter format: byte 0 holds the millions (at most 255), bytes 1..3 the
/// remainder big-endian. Values past 255 999 999 keep 255 millions and a larger
/// remainder, as far as 24 bits reach.
Slot EncodeCounter4(std::uint32_t value);

} // namespace kest::sim
