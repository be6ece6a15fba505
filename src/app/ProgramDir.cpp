#include "app/ProgramDir.h"

#include "app/ExchangeSettings.h"
#include "common/IniFile.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace kest {
namespace {

/// The user's home: $HOME, else the account's entry (a timer or a service may start
/// the program without HOME).
std::filesystem::path userHome()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::temp_directory_path();
}

/// An XDG base folder: the variable when it holds an absolute path (the rules say to
/// ignore a relative one), else the given folder under the home.
std::filesystem::path xdgDir(const char* variable, const char* fallbackUnderHome)
{
    if (const char* value = std::getenv(variable); value && *value) {
        const std::filesystem::path dir(value);
        if (dir.is_absolute())
            return dir;
    }
    return userHome() / fallbackUnderHome;
}

std::filesystem::path xdgSettingsDir()
{
    return xdgDir("XDG_CONFIG_HOME", ".config") / "kest";
}

bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

} // namespace

std::filesystem::path resolveProgramDir(const std::optional<std::filesystem::path>& home,
                                        const std::filesystem::path& executable)
{
    std::error_code ec;
    if (home) {
        std::filesystem::create_directories(*home, ec);
        return std::filesystem::absolute(*home, ec);
    }
    const auto exeDir = std::filesystem::absolute(executable, ec).parent_path();
    if (std::filesystem::exists(findFileNoCase(exeDir, kSettingsFile), ec))
        return exeDir;
    const auto dir = xdgSettingsDir();
    std::filesystem::create_directories(dir, ec);
    return dir;
}

std::filesystem::path defaultArchiveDir(const std::filesystem::path& programDir)
{
    if (sameFolder(programDir, xdgSettingsDir()))
        return xdgDir("XDG_DATA_HOME", ".local/share") / "kest";
    return programDir;
}

} // namespace kest
