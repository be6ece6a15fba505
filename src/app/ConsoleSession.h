#pragma once

#include "app/ConsoleEventPump.h"
#include "app/ExchangeSettings.h"
#include "common/Clock.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "link/RegistrarLink.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

#include <ostream>

namespace kest {

/// Everything a headless registrar command works with: the real port and clock,
/// the log on stdout, message boxes on stderr, Ctrl+C as "СТОП", and the catalog
/// and image. The exchange window hands KOLP and TWORK to the link; so does this.
/// A read that is recorded or replayed passes its own port and clock.
class ConsoleSession
{
public:
    ConsoleSession(const ExchangeSettings& settings,
                   std::ostream& out,
                   std::ostream& err,
                   SerialPort* port = nullptr,
                   Clock* clock = nullptr);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    ExchangeContext& exchange() { return m_exchange; }
    ExchangeState& state() { return m_state; }

private:
    SystemClock m_systemClock;
    TermiosPort m_termios;
    SerialPort& m_port;
    Clock& m_clock;
    RegistrarLink m_link;
    ExchangeState m_state;
    ConsoleEventPump m_pump;
    StreamExchangeLog m_log;
    StreamPrompter m_prompter;
    Catalog m_catalog;
    RegistrarImage m_image;
    ExchangeContext m_exchange;
};

} // namespace kest
