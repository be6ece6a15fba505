#include "app/CommandLine.h"
#include "app/ConsoleSession.h"
#include "exchange/Connection.h"

namespace kest {

int CommandConnect(CommandContext& ctx)
{
    ConsoleSession session(ctx.settings, ctx.out, ctx.err);
    EstablishConnection(session.exchange(), ctx.settings.Port);
    return session.state().ExchangeStatus == kStatusOk ? kExitOk : kExitFailure;
}

} // namespace kest
