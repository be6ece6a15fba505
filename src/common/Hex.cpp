#include "common/Hex.h"

#include <cstdio>

namespace kest {

std::int64_t ParseHex(std::string_view text)
{
    std::int64_t result = 0;
    for (char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        result = result * 16 + digit;
    }
    return result;
}

std::string toHex(std::uint64_t value, int digits)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(value));
    return buf;
}

} // namespace kest
