#pragma once

#include "db/ArchiveDatabase.h"
#include "exchange/ArchivePasses.h"
#include "exchange/ExchangeContext.h"
#include "session/ReplayPort.h"
#include "session/SessionFile.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kest {

/// KEST.INI of the database folder as it is on disk now; "" when there is none.
/// Taken before a reading pass, it is the marks file the pass reads.
std::string currentArchiveSettings(const std::filesystem::path& databasePath);

/// Where the recorded port events of a read begin. A recording that starts with the
/// reading pass keeps the catalog the pass started from (`catalog`), since the
/// catalog read is not in it.
struct ReadBeginning
{
    SessionStart start = SessionStart::Connection;
    const Catalog* catalog = nullptr;
};

/// The session of a reading pass that has just gone through on ctx: the catalog,
/// the link kind and the link's repetitions, the marks file taken before the pass,
/// each record's controller values (names from `db` when given) and the recorded
/// port events.
SessionData sessionOfRead(const ExchangeContext& ctx,
                          const std::string& started,
                          const std::string& archiveSettings,
                          ArchiveDatabase* db,
                          std::string exchanges,
                          const ReadBeginning& beginning = {});

/// Gives ctx what the read had: the recorded marks and controller values, the
/// link's repetitions and, for a session that starts at the catalog, the link kind.
void prepareReplay(ExchangeContext& ctx, const SessionData& session);

/// Runs the recorded read again through ctx, whose link must be over `port`: the
/// connection on `portName` (or the catalog read) and the reading pass, with the log lines and
/// boxes the read had. "" when it went through as recorded, else what went wrong.
std::string replayRead(ExchangeContext& ctx,
                       PassState& pass,
                       const std::string& portName,
                       const SessionData& session,
                       const ReplayPort& port);

/// Adds the controller rows the database lacks with the values the read had, so a
/// store into an empty database leaves the controller rows the read left. Rows
/// already there are kept as they are.
DbStatus addSessionControllers(ArchiveDatabase& db, const SessionData& session);

/// The line that tells where a read whose storing pass failed is kept.
std::string sessionKeptMessage(const std::filesystem::path& session);

/// What a window or command does once a reading pass has gone through: the session
/// of the read (see sessionOfRead; the names come from the controller tables) goes
/// into DatabasePath/sessions. The file, or nothing with the reason in `error`; the
/// storing pass runs either way, since the values are in memory.
std::optional<std::filesystem::path> keepReadSession(const ExchangeContext& ctx,
                                                     const std::string& started,
                                                     const std::string& archiveSettings,
                                                     const std::string& events,
                                                     std::string& error,
                                                     const ReadBeginning& beginning = {});

/// What follows a storing pass of a read kept in `session`. A pass that went through
/// marks the session stored and lets the oldest stored sessions of the database's
/// folder go past `kept`; the
/// result is "" (or why the mark could not be set). A pass that failed gives
/// sessionKeptMessage, for the log and the message box.
std::string afterStoringPass(const PassState& pass,
                             const std::filesystem::path& session,
                             const std::filesystem::path& databasePath,
                             DateTime now,
                             int kept);

} // namespace kest
