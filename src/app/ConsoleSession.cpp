#include "app/ConsoleSession.h"

#include "app/CommandLine.h"

namespace kest {

ConsoleSession::ConsoleSession(const ExchangeSettings& settings, std::ostream& out, std::ostream& err)
    : m_link(m_port, m_clock), m_pump(m_state), m_log(out),
      m_prompter(err, m_state), m_exchange{.link = m_link,
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

ConsoleSession::~ConsoleSession()
{
    m_link.ClosePort();
}

} // namespace kest

namespace kest {

void ConsolePrompter::showError(const std::string& text)
{
    m_err << text;
    if (!m_state.FailureReason.empty())
        m_err << (text.ends_with(' ') ? "" : " ") << "(" << m_state.FailureReason << ")";
    m_err << '\n' << std::flush;
    // A box shown while a failure is pending is that failure's line; others (a
    // catalog entry with an impossible date) are not.
    if (m_state.ExchangeStatus != kStatusOk || !m_state.FailureReason.empty())
        ++m_failuresShown;
    m_state.FailureReason.clear();
}

void ConsolePrompter::showInfo(const std::string& text)
{
    m_err << text << '\n' << std::flush;
}

bool ConsolePrompter::ask(const std::string& question, bool defaultAnswer)
{
    m_err << question << '\n' << std::flush;
    return defaultAnswer;
}

int ConsoleSession::fail(std::int32_t code)
{
    if (m_prompter.failuresShown() == 0) {
        if (code == kStatusOk && m_state.StopRequested)
            code = kStatusStopped;
        std::string text = code == kStatusOk ? std::string("Обмен не завершен") : exchangeMessage(code);
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        text = first == std::string::npos ? std::to_string(code) : text.substr(first, last - first + 1);
        m_prompter.showError(text);
    }
    return kExitFailure;
}

} // namespace kest
