// Whatever the line delivers, the framed exchange and the page transfer end with a
// result code and never touch memory outside their buffers.
#include "link/FakePort.h"
#include "link/RegistrarLink.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    test::FakeClock clock;
    test::FakePort port(clock);
    std::size_t offset = 0;
    // Each write is answered by the next slice of the input, its length taken from
    // the input too, so replies can be short, long, noisy or missing.
    port.onWrite = [&](const std::vector<std::uint8_t>&) {
        if (offset >= size)
            return;
        const std::size_t wanted = data[offset];
        ++offset;
        const std::size_t n = std::min(wanted, size - offset);
        port.arrive(std::vector<std::uint8_t>(data + offset, data + offset + n), data[offset % size] * 4);
        offset += n;
    };
    RegistrarLink link(port, clock);
    link.Timing = {2, 10};
    if (!link.OpenPort("/dev/fuzz", 3))
        return 0;
    LinkBuffer buffer{};
    const int memory = link.ReadMemoryCmd3(0xFF00, 128, buffer);
    const int page = link.ReadPage(1, buffer);
    if (memory < 0 || memory > 8 || page < 0 || page > 8)
        std::abort();
    return 0;
}
