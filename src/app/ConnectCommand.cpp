#include "app/CommandLine.h"
#include "app/ConsoleSession.h"
#include "exchange/Connection.h"

namespace kest {

int CommandConnect(CommandContext& ctx)
{
    ConsoleSession session(ctx.settings, ctx.out, ctx.err);
    EstablishConnection(session.exchange(), ctx.settings.Port);
    const std::int32_t status = session.state().ExchangeStatus;
    return status == kStatusOk ? kExitOk : session.fail(status);
}

} // namespace kest
