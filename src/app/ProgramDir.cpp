#include "app/ProgramDir.h"

#include "app/ExchangeSettings.h"
#include "common/IniFile.h"

#include <cstdlib>

namespace kest {

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
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* userHome = std::getenv("HOME"); userHome && *userHome)
        config = std::filesystem::path(userHome) / ".config";
    else
        config = exeDir;
    const auto dir = config / "kest";
    std::filesystem::create_directories(dir, ec);
    return dir;
}

} // namespace kest
