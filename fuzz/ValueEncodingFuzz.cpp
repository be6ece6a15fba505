// Every four-byte pattern decodes to zero, NoValue or a number below 2^31, and
// every header either gives a real date or is refused.
#include "registrar/ValueEncoding.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    const double v = DecodeFloat4(data);
    if (v != NoValue && !(std::fabs(v) < 2147483648.0))
        std::abort();
    const std::int32_t c = DecodeCounter4(data);
    if (c < 0 || c > 271777215)
        std::abort();
    if (const auto stamp = DecodeRecordTime(data)) {
        const auto p = decodeDateTime(stamp->RecordTime);
        if (p.day != data[0] || p.month != data[1] || p.hour != data[2] || p.minute != data[3])
            std::abort();
    }
    return 0;
}
