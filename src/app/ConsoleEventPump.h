#pragma once

#include "common/EventPump.h"
#include "link/ExchangeStatus.h"

namespace kest {

/// The command line's event pump: Ctrl+C acts as the "СТОП" button. The signal only
/// raises a flag; the next pump turns it into StopRequested and status 23, exactly
/// where a window would have handled the click. A second Ctrl+C before the exchange
/// has looked ends the program at once.
class ConsoleEventPump final : public EventPump
{
public:
    explicit ConsoleEventPump(ExchangeState& state);
    ~ConsoleEventPump() override;
    ConsoleEventPump(const ConsoleEventPump&) = delete;
    ConsoleEventPump& operator=(const ConsoleEventPump&) = delete;

    void processEvents() override;

private:
    ExchangeState& m_state;
};

} // namespace kest
