#include "app/CommandLine.h"

#include <ostream>

namespace kest {

int CommandForm(CommandContext& ctx)
{
    ctx.err << "kest form: not available in this build yet.\n";
    return kExitFailure;
}

} // namespace kest
