#include "app/CommandLine.h"

#include <ostream>

namespace kest {

int CommandRead(CommandContext& ctx)
{
    ctx.err << "kest read: not available in this build yet.\n";
    return kExitFailure;
}

} // namespace kest
