#pragma once

#include "app/ExchangeSettings.h"

#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace kest {

/// Exit statuses of the headless commands.
enum ExitCode
{
    kExitOk = 0,
    kExitFailure = 1,
    kExitNoData = 2, ///< a report found nothing for the period (forms have no such exit)
};

/// What every headless command gets: the program directory with its NN.INI, the
/// options after the command name, and the two streams (stdout carries the
/// exchange log, stderr the texts of message boxes, one line each).
struct CommandContext
{
    std::filesystem::path programDir;
    ExchangeSettings settings;
    std::map<std::string, std::string> options; ///< "--from" -> "2026-01-01"
    std::vector<std::string> arguments;         ///< what follows the command name, in order
    std::ostream& out;
    std::ostream& err;

    /// The option's value, or "" when it was not given.
    std::string option(const std::string& name) const;
};

/// Parses `kest [--home DIR] COMMAND [--option value ...]` and runs the command.
int RunCommandLine(const std::vector<std::string>& args,
                   const std::filesystem::path& executable,
                   std::ostream& out,
                   std::ostream& err);

/// True when the arguments ask for a headless command rather than the windows.
bool wantsCommandLine(const std::vector<std::string>& args);

// The commands, one file each.
int CommandInit(CommandContext& ctx);
int CommandConnect(CommandContext& ctx);
int CommandRead(CommandContext& ctx);
int CommandReport(CommandContext& ctx);
int CommandForm(CommandContext& ctx);
int CommandStore(CommandContext& ctx);
int CommandSessions(CommandContext& ctx);
int CommandGaps(CommandContext& ctx);
int CommandCopy(CommandContext& ctx);
int CommandImport(CommandContext& ctx);

} // namespace kest
