#include "app/ConsoleSession.h"

#include "app/CommandLine.h"

namespace kest {

ConsoleSession::ConsoleSession(
    const ExchangeSettings& settings, std::ostream& out, std::ostream& err, SerialPort* port, Clock* clock)
    : m_waits(m_pump, m_state), m_responsiveClock(m_systemClock, m_waits),
      m_responsivePort(port ? *port : m_termios, m_systemClock, m_waits),
      m_port(clock ? (port ? *port : m_termios) : m_recording),
      m_clock(clock ? *clock : m_responsiveClock), m_link(m_port, m_clock),
      m_pump(m_state), m_log(m_beforeOutput, out),
      m_prompter(err, m_state, &m_beforeOutput), m_exchange{.link = m_link,
                                                  .state = m_state,
                                                  .pump = m_pump,
                                                  .log = m_log,
                                                  .prompter = m_prompter,
                                                  .catalog = m_catalog,
                                                  .image = m_image,
                                                  .clock = m_clock,
                                                  .tries = clampAttempts(settings.KOLP),
                                                  .pauseSeconds = clampPause(settings.TWORK),
                                                  .databasePath = settings.DatabasePath}
{
    m_link.Timing = linkTimingFor(settings);
    m_link.watchStop(&m_state);
}

void ConsoleSession::Log::append(const std::string& line)
{
    if (m_before)
        m_before();
    m_out << line << '\n' << std::flush;
}

ConsoleSession::~ConsoleSession()
{
    m_link.ClosePort();
}

} // namespace kest

namespace kest {

void ConsolePrompter::beforeLine() const
{
    if (m_before && *m_before)
        (*m_before)();
}

void ConsolePrompter::showError(const std::string& text, const std::string& note)
{
    beforeLine();
    m_err << text;
    if (!m_state.FailureReason.empty())
        m_err << (text.ends_with(' ') ? "" : " ") << "(" << m_state.FailureReason << ")";
    if (!note.empty())
        m_err << ". " << note;
    m_err << '\n' << std::flush;
    // A box shown while a failure is pending is that failure's line; others (a
    // catalog entry with an impossible date) are not.
    if (m_state.ExchangeStatus != kStatusOk || !m_state.FailureReason.empty())
        ++m_failuresShown;
    m_state.FailureReason.clear();
}

void ConsolePrompter::showInfo(const std::string& text)
{
    beforeLine();
    m_err << text << '\n' << std::flush;
}

bool ConsolePrompter::ask(const std::string& question, bool defaultAnswer)
{
    beforeLine();
    m_err << question << '\n' << std::flush;
    return defaultAnswer;
}

int ConsoleSession::fail(std::int32_t code, const std::string& note)
{
    if (m_prompter.failuresShown() > 0) {
        if (!note.empty())
            m_prompter.showInfo(note);
    } else {
        if (code == kStatusOk && m_state.StopRequested)
            code = kStatusStopped;
        std::string text = code == kStatusOk ? std::string("Обмен не завершен") : exchangeMessage(code);
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        text = first == std::string::npos ? std::to_string(code) : text.substr(first, last - first + 1);
        m_prompter.showError(text, note);
    }
    return kExitFailure;
}

} // namespace kest
