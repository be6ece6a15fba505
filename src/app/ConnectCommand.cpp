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
    ExchangeContext exchange{.link = link,
                             .state = state,
                             .pump = pump,
                             .log = log,
                             .prompter = prompter,
                             .catalog = catalog,
                             .image = image,
                             .clock = clock,
                             .tries = clampAttempts(ctx.settings.KOLP),
                             .pauseSeconds = clampPause(ctx.settings.TWORK),
                             .databasePath = ctx.settings.DatabasePath};
    EstablishConnection(exchange, ctx.settings.Port);
    link.ClosePort();
    return state.ExchangeStatus == kStatusOk ? kExitOk : kExitFailure;
}

} // namespace kest
