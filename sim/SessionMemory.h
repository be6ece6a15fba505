#pragma once

#include "RegistrarMemory.h"
#include "session/SessionFile.h"

namespace kest::sim {

/// The registrar's memory as far as a recorded read saw it: every page (page link)
/// or memory read (request link) that came through whole, where it was read from.
/// Memory the read never asked for reads as erased.
RegistrarMemory memoryOfSession(const SessionData& session);

} // namespace kest::sim
