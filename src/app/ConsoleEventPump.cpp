#include "app/ConsoleEventPump.h"

#include <csignal>
#include <unistd.h>

namespace kest {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_previous = {};

extern "C" void onInterrupt(int)
{
    if (g_interrupted)
        _exit(130);
    g_interrupted = 1;
}

} // namespace

ConsoleEventPump::ConsoleEventPump(ExchangeState& state) : m_state(state)
{
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previous);
}

ConsoleEventPump::~ConsoleEventPump()
{
    sigaction(SIGINT, &g_previous, nullptr);
}

void ConsoleEventPump::processEvents()
{
    if (!g_interrupted)
        return;
    g_interrupted = 0;
    m_state.StopRequested = true;
    m_state.ExchangeStatus = kStatusStopped;
}

} // namespace kest
