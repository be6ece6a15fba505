#include "forms/DeliveredForms.h"

#include "common/AtomicFile.h"
#include "forms/StandardForm.h"

#include <algorithm>

namespace kest {

std::string InstallDeliveredForms(const std::filesystem::path& DatabasePath,
                                  std::vector<std::string>& installed)
{
    std::vector<std::string> present;
    for (const DeliveredFile& f : deliveredFormFiles()) {
        const std::string path = f.path;
        const auto slash = path.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string folder = path.substr(0, slash);
        const bool known = std::find(installed.begin(), installed.end(), folder) != installed.end();
        const bool kept = std::find(present.begin(), present.end(), folder) != present.end();
        if (kept)
            continue;
        if (!known) {
            if (FindFormFolder(DatabasePath, folder)) {
                present.push_back(folder);
                continue;
            }
            std::error_code ec;
            std::filesystem::create_directories(DatabasePath / folder, ec);
            if (ec)
                return (DatabasePath / folder).string() + ": " + ec.message();
            installed.push_back(folder);
        }
        const auto target = DatabasePath / std::filesystem::path(path);
        const std::string problem =
            writeFileAtomically(target, std::string_view(reinterpret_cast<const char*>(f.data), f.size));
        if (!problem.empty())
            return target.string() + ": " + problem;
    }
    return {};
}

} // namespace kest
