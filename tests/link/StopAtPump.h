#pragma once

#include "common/EventPump.h"
#include "link/ExchangeStatus.h"

namespace kest::test {

/// Presses "СТОП" at its n-th call, as a click landing between two requests would.
class StopAtPump final : public EventPump
{
public:
    explicit StopAtPump(ExchangeState& state) : m_state(state) {}
    void processEvents() override
    {
        if (++calls == stopAt) {
            m_state.StopRequested = true;
            m_state.ExchangeStatus = kStatusStopped;
        }
    }
    int calls = 0;
    int stopAt = -1;

private:
    ExchangeState& m_state;
};

} // namespace kest::test
