#include "app/CommandLine.h"

#include <ostream>

namespace kest {

int CommandReport(CommandContext& ctx)
{
    ctx.err << "kest report: not available in this build yet.\n";
    return kExitFailure;
}

} // namespace kest
