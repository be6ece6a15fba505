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

#include <functional>
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
    /// Runs before each log line and box text, so that a progress line on the same
    /// terminal can step aside first.
    void setBeforeOutput(std::function<void()> hook) { m_beforeOutput = std::move(hook); }

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
    class Boxes final : public Prompter
    {
    public:
        Boxes(const std::function<void()>& before, std::ostream& err) : m_before(before), m_err(err) {}
        void showError(const std::string& text) override { write(text); }
        void showInfo(const std::string& text) override { write(text); }
        bool ask(const std::string& question, bool defaultAnswer) override
        {
            write(question);
            return defaultAnswer;
        }

    private:
        void write(const std::string& text);
        const std::function<void()>& m_before;
        std::ostream& m_err;
    };

    SystemClock m_systemClock;
    TermiosPort m_termios;
    SerialPort& m_port;
    Clock& m_clock;
    RegistrarLink m_link;
    ExchangeState m_state;
    ConsoleEventPump m_pump;
    std::function<void()> m_beforeOutput;
    Log m_log;
    Boxes m_prompter;
    Catalog m_catalog;
    RegistrarImage m_image;
    ExchangeContext m_exchange;
};

} // namespace kest
