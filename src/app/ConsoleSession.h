#pragma once

#include "app/ConsoleEventPump.h"
#include "app/ExchangeSettings.h"
#include "common/Clock.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "exchange/ExchangeContext.h"
#include "link/LinkWaits.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"
#include "session/RecordingPort.h"

#include <cstdint>
#include <functional>
#include <ostream>

namespace kest {

/// Message boxes on stderr, one line each; an error box carries the system's reason
/// for the failure behind it when there is one.
class ConsolePrompter final : public Prompter
{
public:
    /// `before` (when set) runs before each line, so that a progress line on the same
    /// terminal can step aside first.
    ConsolePrompter(std::ostream& err, ExchangeState& state, const std::function<void()>* before = nullptr)
        : m_err(err), m_state(state), m_before(before)
    {
    }
    void showError(const std::string& text) override { showError(text, {}); }
    /// The error line with `note` after the reason.
    void showError(const std::string& text, const std::string& note);
    void showInfo(const std::string& text) override;
    bool ask(const std::string& question, bool defaultAnswer) override;
    /// Error boxes shown while a failure was pending.
    int failuresShown() const { return m_failuresShown; }

private:
    void beforeLine() const;

    std::ostream& m_err;
    ExchangeState& m_state;
    const std::function<void()>* m_before;
    int m_failuresShown = 0;
};

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
    /// What went over the line so far (on real time; a replay keeps nothing).
    const std::string& recordedEvents() const { return m_recording.events(); }
    /// Runs before each log line and box text, so that a progress line on the same
    /// terminal can step aside first.
    void setBeforeOutput(std::function<void()> hook) { m_beforeOutput = std::move(hook); }

    /// Ends a command that failed: unless an error box already said why, one line on
    /// stderr with the message of `code` and the system's reason. A failure that the
    /// windows only log (a registrar that never answers, a refused store) would
    /// otherwise leave stderr empty. `note` (which session file keeps the read) ends
    /// that line, or has a line of its own when a box already said why. Returns the
    /// failure exit status.
    int fail(std::int32_t code, const std::string& note = {});

private:
    /// The log on stdout and the boxes on stderr, each line after the hook.
    class Log final : public ExchangeLog
    {
    public:
        Log(const std::function<void()>& before, std::ostream& out) : m_before(before), m_out(out) {}
        void append(const std::string& line) override;

    private:
        const std::function<void()>& m_before;
        std::ostream& m_out;
    };

    SystemClock m_systemClock;
    TermiosPort m_termios;
    /// On real time the waits let Ctrl+C in; a replay has nothing to wait for.
    WaitPump m_waits;
    ResponsiveClock m_responsiveClock;
    ResponsivePort m_responsivePort;
    /// What went over the real line, whole reads as the link asked for them.
    RecordingPort m_recording{m_responsivePort};
    SerialPort& m_port;
    Clock& m_clock;
    RegistrarLink m_link;
    ExchangeState m_state;
    ConsoleEventPump m_pump;
    std::function<void()> m_beforeOutput;
    Log m_log;
    ConsolePrompter m_prompter;
    Catalog m_catalog;
    RegistrarImage m_image;
    ExchangeContext m_exchange;
};

} // namespace kest
