#include "app/CommandLine.h"

#include "app/ProgramDir.h"
#include "link/ExchangeStatus.h"

#include <functional>
#include <optional>
#include <ostream>

namespace kest {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  kest [--home DIR]                      open the program's windows\n"
    "  kest [--home DIR] init                 create the archive database in DatabasePath\n"
    "  kest [--home DIR] connect              connect to the registrar and read its catalog\n"
    "  kest [--home DIR] read                 read every record and store it in the database\n"
    "  kest [--home DIR] store FILE           store a read kept in a session file\n"
    "  kest [--home DIR] sessions             list the session files of past reads\n"
    "  kest [--home DIR] import FOLDER [--check]  import the Paradox tables of an earlier installation\n"
    "  kest [--home DIR] report --blank NAME --from YYYY-MM-DD --to YYYY-MM-DD\n"
    "                           [--from-hour H --to-hour H --from-minute M --to-minute M] [--chart] --out "
    "FILE\n"
    "                           (or --print [QUEUE] in place of or beside --out)\n"
    "  kest [--home DIR] form --form FOLDER --controller HEX4 --from YYYY-MM-DD --to YYYY-MM-DD --out FILE\n"
    "                         (or --print [QUEUE]: to the named or the default printer queue)\n"
    "  kest [--home DIR] gaps --from YYYY-MM-DD --to YYYY-MM-DD [--controller HEX4]\n"
    "                         [--kind hourly|daily|monthly|interval] [--out FILE.csv]\n"
    "  kest [--home DIR] copy --to CONNECTION-STRING|FILE.sqlite\n"
    "                         copy the archive in use, keeping the target's rows\n"
    "  kest --version | --help\n"
    "FILE ends in .csv, .xlsx or .pdf; with --chart in .png, .svg or .pdf. Exit status: 0 success, 1 "
    "failure, 2 no data for the period.\n";

const std::map<std::string, std::function<int(CommandContext&)>>& commands()
{
    static const std::map<std::string, std::function<int(CommandContext&)>> table = {
        {"init", CommandInit},         {"connect", CommandConnect}, {"read", CommandRead},
        {"report", CommandReport},     {"form", CommandForm},       {"gaps", CommandGaps},
        {"store", CommandStore},       {"sessions", CommandSessions},
        {"copy", CommandCopy},
        {"import", CommandImport},
    };
    return table;
}

bool isSwitch(const std::string& arg)
{
    return arg == "--chart" || arg == "--check";
}

} // namespace

std::string CommandContext::option(const std::string& name) const
{
    const auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
}

bool wantsCommandLine(const std::vector<std::string>& args)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--home") {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

int RunCommandLine(const std::vector<std::string>& args,
                   const std::filesystem::path& executable,
                   std::ostream& out,
                   std::ostream& err)
{
    std::optional<std::filesystem::path> home;
    std::string command;
    std::map<std::string, std::string> options;
    std::vector<std::string> arguments;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return kExitOk;
        }
        if (a == "--version") {
            out << "kest " << KEST_VERSION << "\n";
            return kExitOk;
        }
        // --print takes the queue after it when one follows; alone it means the
        // default queue, kept as an empty value.
        if (a == "--print") {
            const bool queueGiven = i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0;
            options[a] = queueGiven ? args[++i] : std::string();
            continue;
        }
        // Switches stand alone; every other option takes the argument after it.
        if (isSwitch(a)) {
            options.emplace(a, "1");
            continue;
        }
        if (a.rfind("--", 0) == 0) {
            if (i + 1 >= args.size()) {
                err << "Option " << a << " needs a value.\n";
                return kExitFailure;
            }
            if (a == "--home")
                home = args[++i];
            else
                options[a] = args[++i];
            continue;
        }
        if (command.empty())
            command = a;
        else
            arguments.push_back(a);
    }
    const auto it = commands().find(command);
    if (it == commands().end()) {
        err << (command.empty() ? std::string("No command given.\n") : "Unknown command: " + command + "\n")
            << kUsage;
        return kExitFailure;
    }
    // Only `store` and `import` take an argument of their own (a session file, a folder).
    if (!arguments.empty() && command != "store" && command != "import") {
        err << "Unexpected argument: " << arguments.front() << "\n" << kUsage;
        return kExitFailure;
    }
    CommandContext ctx{
        resolveProgramDir(home, executable), {}, std::move(options), std::move(arguments), out, err};
    ctx.settings = LoadExchangeSettings(ctx.programDir);
    // The box the windows show at start-up. The windows then leave the registrar alone,
    // and so do the commands that talk to it: depths and tries read as defaults would
    // store or delete rows the settings never asked for. The others go on.
    if (ctx.settings.SettingsMissing) {
        err << exchangeMessage(kStatusSettingsMissing) << "\n";
        if (command == "connect" || command == "read" || command == "store" || command == "import")
            return kExitFailure;
    }
    return it->second(ctx);
}

} // namespace kest
