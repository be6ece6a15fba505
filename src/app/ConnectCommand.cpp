#include "app/CommandLine.h"
#include "app/ConsoleEventPump.h"
#include "common/Clock.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "link/Connection.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

namespace kest {

int CommandConnect(CommandContext& ctx)
{
    SystemClock clock;
    TermiosPort port;
    RegistrarLink link(port, clock);
    // The exchange window hands KOLP and TWORK to the link; so does the command line.
    link.Timing = linkTimingFor(ctx.settings);

    ExchangeState state;
    ConsoleEventPump pump(state);
    StreamExchangeLog log(ctx.out);
    StreamPrompter prompter(ctx.err);
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext exchange{link,     state,
                             pump,     log,
                             prompter, catalog,
                             image,    clock,
                             clampAttempts(ctx.settings.KOLP), clampPause(ctx.settings.TWORK),
                             ctx.settings.DatabasePath, nullptr};
    EstablishConnection(exchange, ctx.settings.Port);
    link.ClosePort();
    return state.ExchangeStatus == kStatusOk ? kExitOk : kExitFailure;
}

} // namespace kest
