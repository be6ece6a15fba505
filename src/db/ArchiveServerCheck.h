#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// What "Проверить" found on a server.
struct ArchiveServerCheck
{
    bool connected = false;
    std::string problem; ///< why it could not connect
    std::string version;
    std::vector<std::string> present;
    std::vector<std::string> missing;
    bool mayWrite = false;
};

/// Connects with `connection` and looks at the six tables and this role's rights.
ArchiveServerCheck CheckArchiveServer(const std::string& connection);
/// The check as the settings face says it, one finding a line.
std::string ArchiveServerCheckText(const ArchiveServerCheck& check);

/// Which archive is in use, for the settings face: the folder's file, or the server
/// without its password.
std::string ArchiveInUseText(const std::filesystem::path& databasePath, const std::string& server);

} // namespace kest
