#include "app/CommandLine.h"
#include "app/ConsoleEventPump.h"
#include "common/Clock.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "link/Connection.h"
#include "link/TermiosPort.h"
#include "registrar/ArchivePasses.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

namespace kest {

int CommandRead(CommandContext& ctx)
{
    SystemClock clock;
    TermiosPort port;
    RegistrarLink link(port, clock);
    link.Timing = linkTimingFor(ctx.settings);

    ExchangeState state;
    ConsoleEventPump pump(state);
    StreamExchangeLog log(ctx.out);
    StreamPrompter prompter(ctx.err);
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext exchange{link,
                             state,
                             pump,
                             log,
                             prompter,
                             catalog,
                             image,
                             clock,
                             clampAttempts(ctx.settings.KOLP),
                             clampPause(ctx.settings.TWORK),
                             ctx.settings.DatabasePath,
                             nullptr};
    const bool connected = EstablishConnection(exchange, ctx.settings.Port);
    PassState pass;
    if (connected && state.ExchangeStatus == kStatusOk && !state.StopRequested) {
        ReadingPass(exchange, pass, ctx.settings);
        if (pass.PassDone == 1)
            StoringPass(exchange, pass, ctx.settings);
    }
    link.ClosePort();
    return pass.PassDone == 1 && pass.PassMode == 1 ? kExitOk : kExitFailure;
}

} // namespace kest
