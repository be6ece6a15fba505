#pragma once

#include "app/CommandLine.h"
#include "exchange/ArchivePasses.h"

#include <filesystem>
#include <optional>

namespace kest {

class ConsoleSession;

/// After a storing pass of `kest read` or `kest store`: a pass that went through
/// marks its session stored and lets the oldest stored sessions go; one that
/// failed says, in the log and on its one failure line on stderr, which session
/// file keeps the read.
int finishStoring(CommandContext& ctx,
                  ConsoleSession& console,
                  const PassState& pass,
                  const std::optional<std::filesystem::path>& session);

/// True when stderr is a terminal (the progress line goes there only then).
bool stderrIsTerminal();

} // namespace kest
