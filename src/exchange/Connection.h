#pragma once

#include "exchange/ExchangeContext.h"

#include <string>

namespace kest {

/// "Установить связь": opens the named port, finds which kind of registrar link
/// answers (request link at 2400 baud, else page link at 9600 baud), sets PageLink
/// and reads the catalog. ExchangeStatus holds the outcome; true when the registrar
/// answered (the catalog read may still have failed, see ExchangeStatus).
bool EstablishConnection(ExchangeContext& ctx, const std::string& portName);

/// The box text for a port that cannot be opened ("СОМ" in Cyrillic letters).
std::string badPortMessage(const std::string& portName);
/// The box text for a port that another program (or another kest) holds.
std::string busyPortMessage(const std::string& portName);

} // namespace kest
