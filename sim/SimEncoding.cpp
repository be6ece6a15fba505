#include "SimEncoding.h"

#include <algorithm>
#include <cmath>

namespace kest::sim {

Slot EncodeFloat4(double value)
{
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? Slot{0, 0, 0, 0} : kErasedSlot;
    const bool negative = value < 0;
    int exponent2 = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent2); // [0.5, 1)
    int exponent = exponent2 + 128;
    auto mantissa = static_cast<std::uint32_t>(std::lround(fraction * 8388608.0)); // 2^23
    if (mantissa >= (1u << 23)) {
        mantissa >>= 1;
        ++exponent;
    }
    if (exponent >= 160)
        return kErasedSlot;
    if (exponent < 2)
        return {0, 0, 0, 0};
    return {static_cast<std::uint8_t>(exponent),
            static_cast<std::uint8_t>((negative ? 0x80 : 0) | ((mantissa >> 16) & 0x7F)),
            static_cast<std::uint8_t>(mantissa >> 8), static_cast<std::uint8_t>(mantissa)};
}

Slot EncodeCounter4(std::uint32_t value)
{
    std::uint32_t millions = value / 1000000;
    std::uint32_t rest = value % 1000000;
    if (millions > 255) {
        rest += (millions - 255) * 1000000;
        millions = 255;
    }
    rest = std::min<std::uint32_t>(rest, 0xFFFFFF);
    return {static_cast<std::uint8_t>(millions), static_cast<std::uint8_t>(rest >> 16),
            static_cast<std::uint8_t>(rest >> 8), static_cast<std::uint8_t>(rest)};
}

} // namespace kest::sim
