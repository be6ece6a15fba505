#pragma once

#include "common/DateTime.h"
#include "registrar/Catalog.h"
#include "registrar/ReadInputs.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kest {

/// The version this program writes and the only one it reads.
inline constexpr std::uint16_t kSessionVersion = 1;
/// Session files end in this.
inline constexpr const char* kSessionExtension = ".kses";

/// Where the recorded exchanges of a session begin.
enum class SessionStart : std::uint8_t
{
    Connection = 0, ///< with opening the port and probing for the registrar
    Catalog = 1,    ///< with the catalog read, on a port already connected
    /// with the reading pass, on a port already connected, over the catalog kept
    /// in the file (the exchange window reads its data apart from the catalog)
    ReadingPass = 2,
};

/// One registrar read kept on disk: enough to run the catalog and record readers
/// again without the registrar.
struct SessionData
{
    /// Local time the read began, "YYYY-MM-DD HH:MM:SS".
    std::string started;
    /// 0 the request link, 1 the page link.
    int pageLink = 0;
    SessionStart start = SessionStart::Connection;
    /// The program that wrote it, for fault reports.
    std::string program;
    /// How patiently the read repeated requests (KOLP, TWORK and the link's own
    /// attempts and pause): after a failed request they decide what comes next.
    int tries = 3;
    int pauseSeconds = 3;
    int linkAttempts = 2;
    int linkRetryDelay = 3000;
    /// The record counter the reading pass took (0: every record); kept in files
    /// that start with the reading pass only.
    int recordLimit = 0;
    /// The catalog as the read left it; in a file that starts with the reading
    /// pass, the catalog the pass started from.
    Catalog catalog;
    ReadInputs inputs;
    /// Every port operation of the read in order (see RecordingPort).
    std::string exchanges;
};

/// What a listing shows without unpacking the exchanges.
struct SessionSummary
{
    std::string started;
    int pageLink = 0;
    int records = 0;
    std::string controllers; ///< "0412,1A2F"
};

/// The file's bytes: a signature and version, then each part with its lengths and
/// its own CRC-32, packed with zlib.
std::string encodeSession(const SessionData& session);

/// Nothing, with the reason in `error`, when the bytes are truncated, damaged or of
/// another version. Never throws and never trusts a length it has not checked.
std::optional<SessionData> decodeSession(std::string_view bytes, std::string& error);

/// The first two parts only: cheap enough to list hundreds of files.
std::optional<SessionSummary> decodeSessionSummary(std::string_view bytes, std::string& error);

/// Reads and decodes a file; the error names the file.
std::optional<SessionData> loadSession(const std::filesystem::path& file, std::string& error);

} // namespace kest
