#include "app/CommandLine.h"

#include <ostream>

namespace kest {

int CommandConnect(CommandContext& ctx)
{
    ctx.err << "kest connect: not available in this build yet.\n";
    return kExitFailure;
}

} // namespace kest
