#include "registrar/ValueEncoding.h"

#include <cmath>

namespace kest {

double DecodeFloat4(const std::uint8_t* b)
{
    const int exponent = b[0];
    if (exponent < 2)
        return 0.0;
    if (exponent >= 160)
        return NoValue;
    const std::uint32_t mantissa =
        (static_cast<std::uint32_t>(b[1] & 0x7F) << 16) | (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
    // Bit 22 weighs 2^(E-129), so the whole mantissa weighs 2^(E-151); exact in a double.
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 151);
    return (b[1] & 0x80) ? -value : value;
}

std::int32_t DecodeCounter4(const std::uint8_t* b)
{
    return static_cast<std::int32_t>(b[0]) * 1000000 + (static_cast<std::int32_t>(b[1]) << 16) +
           (static_cast<std::int32_t>(b[2]) << 8) + b[3];
}

std::optional<RecordStamp> DecodeRecordTime(const std::uint8_t* h)
{
    const int year = h[4] * 100 + h[5];
    const auto time = encodeDateTime(year, h[1], h[0], h[2], h[3]);
    if (!time)
        return std::nullopt;
    return RecordStamp{*time, year};
}

} // namespace kest
