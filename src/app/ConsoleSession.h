#pragma once

#include "app/ConsoleEventPump.h"
#include "app/ExchangeSettings.h"
#include "common/Clock.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "exchange/ExchangeContext.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

#include <cstdint>
#include <ostream>

namespace kest {

/// Message boxes on stderr, one line each; an error box carries the system's reason
/// for the failure behind it when there is one.
class ConsolePrompter final : public Prompter
{
public:
    ConsolePrompter(std::ostream& err, ExchangeState& state) : m_err(err), m_state(state) {}
    void showError(const std::string& text) override;
    void showInfo(const std::string& text) override;
    bool ask(const std::string& question, bool defaultAnswer) override;
    /// Error boxes shown while a failure was pending.
    int failuresShown() const { return m_failuresShown; }

private:
    std::ostream& m_err;
    ExchangeState& m_state;
    int m_failuresShown = 0;
};

/// Everything a headless registrar command works with: the real port and clock,
/// the log on stdout, message boxes on stderr, Ctrl+C as "СТОП", and the catalog
/// and image. The exchange window hands KOLP and TWORK to the link; so does this.
class ConsoleSession
{
public:
    ConsoleSession(const ExchangeSettings& settings, std::ostream& out, std::ostream& err);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    ExchangeContext& exchange() { return m_exchange; }
    ExchangeState& state() { return m_state; }

    /// Ends a command that failed: unless an error box already said why, one line on
    /// stderr with the message of `code` and the system's reason. A failure that the
    /// windows only log (a registrar that never answers, a refused store) would
    /// otherwise leave stderr empty. Returns the failure exit status.
    int fail(std::int32_t code);

private:
    SystemClock m_clock;
    TermiosPort m_port;
    RegistrarLink m_link;
    ExchangeState m_state;
    ConsoleEventPump m_pump;
    StreamExchangeLog m_log;
    ConsolePrompter m_prompter;
    Catalog m_catalog;
    RegistrarImage m_image;
    ExchangeContext m_exchange;
};

} // namespace kest
