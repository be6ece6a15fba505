#include "app/ConsoleSession.h"

namespace kest {

ConsoleSession::ConsoleSession(
    const ExchangeSettings& settings, std::ostream& out, std::ostream& err, SerialPort* port, Clock* clock)
    : m_port(port ? *port : m_termios), m_clock(clock ? *clock : m_systemClock), m_link(m_port, m_clock),
      m_pump(m_state), m_log(m_beforeOutput, out),
      m_prompter(m_beforeOutput, err), m_exchange{.link = m_link,
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
}

void ConsoleSession::Log::append(const std::string& line)
{
    if (m_before)
        m_before();
    m_out << line << '\n' << std::flush;
}

void ConsoleSession::Boxes::write(const std::string& text)
{
    if (m_before)
        m_before();
    m_err << text << '\n' << std::flush;
}

ConsoleSession::~ConsoleSession()
{
    m_link.ClosePort();
}

} // namespace kest
