#pragma once

#include "RegistrarMemory.h"
#include "exchange/ExchangeContext.h"
#include "session/SessionFile.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kest::sim {

/// A record file of a full registrar for the page link: 32 records, each with every
/// archive of every kind filled.
std::string fullRegistrarRecordFile();

/// The session `kest read` would keep of a read of `memory`, read in-process over a
/// MemoryPort: the connection, the catalog and the reading pass, with the controller
/// tables and KEST.INI of `databasePath` (its tables must exist). Nothing, with the
/// reason, when the read does not go through. `progress`, when given, follows it.
std::optional<SessionData> recordRead(const RegistrarMemory& memory,
                                      LinkKind link,
                                      const std::filesystem::path& databasePath,
                                      std::string& error,
                                      ExchangeProgress* progress = nullptr);

} // namespace kest::sim
