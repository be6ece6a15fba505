#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kest {

/// Hexadecimal text to an integer: A..F in either case, a blank counts as the digit
/// 0. Any other character also counts as 0, so a damaged code never throws.
std::int64_t ParseHex(std::string_view text);

/// `value` as `digits` upper-case hexadecimal digits (more when it does not fit).
std::string toHex(std::uint64_t value, int digits);

} // namespace kest
