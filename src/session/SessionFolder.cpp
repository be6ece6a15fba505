#include "session/SessionFolder.h"

#include "common/AtomicFile.h"

#include <algorithm>
#include <fstream>

namespace kest {
namespace {

/// Enough for the first two parts of any session file.
constexpr std::size_t kSummaryBytes = 64 * 1024;

/// "2026-03-15 10:00:00" -> "2026-03-15_10-00-00".
std::string fileStem(std::string started)
{
    for (char& c : started) {
        if (c == ' ')
            c = '_';
        else if (c == ':')
            c = '-';
    }
    return started;
}

std::string readPrefix(const std::filesystem::path& file, std::size_t limit)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(limit, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace

std::filesystem::path sessionFolder(const std::filesystem::path& databasePath)
{
    return databasePath / "sessions";
}

std::optional<std::filesystem::path>
saveSession(const std::filesystem::path& databasePath, const SessionData& session, std::string& error)
{
    const std::filesystem::path folder = sessionFolder(databasePath);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder.string() + ": " + ec.message();
        return std::nullopt;
    }
    const std::string stem = fileStem(session.started);
    std::filesystem::path file = folder / (stem + kSessionExtension);
    for (int n = 2; std::filesystem::exists(file, ec); ++n)
        file = folder / (stem + "_" + std::to_string(n) + kSessionExtension);
    error = writeFileAtomically(file, encodeSession(session));
    if (!error.empty())
        return std::nullopt;
    return file;
}

std::filesystem::path storedMarkOf(const std::filesystem::path& session)
{
    std::filesystem::path mark = session;
    mark.replace_extension(".stored");
    return mark;
}

std::string markSessionStored(const std::filesystem::path& session, DateTime when)
{
    return writeFileAtomically(storedMarkOf(session), toSqlText(when) + "\n");
}

bool sessionStored(const std::filesystem::path& session)
{
    std::error_code ec;
    return std::filesystem::exists(storedMarkOf(session), ec);
}

std::vector<SessionListing> listSessions(const std::filesystem::path& databasePath)
{
    std::vector<SessionListing> list;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(sessionFolder(databasePath), ec)) {
        if (!item.is_regular_file(ec) || item.path().extension() != kSessionExtension)
            continue;
        SessionListing entry;
        entry.file = item.path();
        entry.size = item.file_size(ec);
        entry.stored = sessionStored(entry.file);
        entry.summary = decodeSessionSummary(readPrefix(entry.file, kSummaryBytes), entry.error);
        list.push_back(std::move(entry));
    }
    // The names begin with the start time, so they sort by it; "_2" sorts after the
    // first file of the same second.
    std::sort(list.begin(), list.end(),
              [](const SessionListing& a, const SessionListing& b) { return a.file.stem() < b.file.stem(); });
    return list;
}

std::vector<std::filesystem::path> pruneSessions(const std::filesystem::path& databasePath, int keep)
{
    keep = std::max(keep, 1);
    std::vector<std::filesystem::path> removed;
    const std::vector<SessionListing> list = listSessions(databasePath);
    std::size_t left = list.size();
    for (const SessionListing& s : list) {
        if (left <= static_cast<std::size_t>(keep))
            break;
        if (!s.stored)
            continue;
        std::error_code ec;
        if (std::filesystem::remove(s.file, ec)) {
            std::filesystem::remove(storedMarkOf(s.file), ec);
            removed.push_back(s.file);
            --left;
        }
    }
    return removed;
}

} // namespace kest
