#pragma once

#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "exchange/ExchangeContext.h"
#include "link/FakePort.h"
#include "link/StopAtPump.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

#include <algorithm>
#include <string>

namespace kest::test {

/// Everything a registrar operation works with, on a scripted line and a fake
/// clock: the log and the boxes are kept, and the pump presses "СТОП" when told to.
struct FakeExchange
{
    explicit FakeExchange(int tries = 2, int pauseSeconds = 1, std::string databasePath = "")
        : port(clock), link(port, clock), pump(state), ctx{link,
                                                           state,
                                                           pump,
                                                           log,
                                                           prompter,
                                                           catalog,
                                                           image,
                                                           clock,
                                                           tries,
                                                           pauseSeconds,
                                                           std::move(databasePath),
                                                           nullptr}
    {
    }

    bool logHas(const std::string& text) const
    {
        return std::any_of(log.lines.begin(), log.lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }

    FakeClock clock;
    FakePort port;
    RegistrarLink link;
    ExchangeState state;
    StopAtPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx;
};

} // namespace kest::test
