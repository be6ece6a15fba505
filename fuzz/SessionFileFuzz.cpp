// Any bytes as a session file, and as the recorded port events of one: decoding
// never crashes and never trusts a length, a file that decodes survives a second
// encoding unchanged, and the link run over any recorded events ends with a result.
#include "link/RegistrarLink.h"
#include "session/ReplayPort.h"
#include "session/SessionFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (const auto session = decodeSession(bytes, error)) {
        const auto again = decodeSession(encodeSession(*session), error);
        if (!again || again->exchanges != session->exchanges || again->catalog.count != session->catalog.count)
            std::abort();
    }
    (void)decodeSessionSummary(bytes, error);

    ReplayClock clock;
    ReplayPort port(bytes, clock);
    RegistrarLink link(port, clock);
    link.Timing = {2, 10};
    LinkBuffer buffer{};
    for (int i = 0; i < 4 && !port.finished() && !port.diverged(); ++i) {
        (void)link.ReadPage(static_cast<std::uint16_t>(i), buffer);
        (void)link.ReadMemoryCmd3(0xFF00, 128, buffer);
    }
    return 0;
}
