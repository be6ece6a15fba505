#pragma once

#include "session/SessionFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// How many session files are kept when NN.INI does not say.
inline constexpr int kDefaultSessionsKept = 200;

/// DatabasePath/sessions, where every read leaves its session file.
std::filesystem::path sessionFolder(const std::filesystem::path& databasePath);

/// Writes the session into the folder, atomically, named by its start time
/// ("2026-03-15_10-00-00.kses"; "_2", "_3" ... when a file of that second exists).
/// The file's path, or nothing with the reason in `error`.
std::optional<std::filesystem::path>
saveSession(const std::filesystem::path& databasePath, const SessionData& session, std::string& error);

/// The mark beside a session file that a storing pass of it went through.
std::filesystem::path storedMarkOf(const std::filesystem::path& session);
/// Sets that mark (it holds the local time of the pass); an empty string on success.
[[nodiscard]] std::string markSessionStored(const std::filesystem::path& session, DateTime when);
bool sessionStored(const std::filesystem::path& session);

struct SessionListing
{
    std::filesystem::path file;
    std::optional<SessionSummary> summary; ///< nothing when the file is damaged
    std::string error;
    bool stored = false;
    std::uintmax_t size = 0;
};

/// Every session file of the folder, oldest first.
std::vector<SessionListing> listSessions(const std::filesystem::path& databasePath);

/// Removes the oldest session files whose storing pass went through until at most
/// `keep` remain (at least one is always kept). A session not yet stored is never
/// removed: it may hold the only copy of a read. Returns the files removed.
std::vector<std::filesystem::path> pruneSessions(const std::filesystem::path& databasePath, int keep);

} // namespace kest
