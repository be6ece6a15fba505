#include "app/ui/DesktopSession.h"

#include <QCoreApplication>

namespace kest {

void WindowEventPump::processEvents()
{
    QCoreApplication::processEvents();
}

DesktopSession::DesktopSession(std::filesystem::path programDir_)
    : programDir(std::move(programDir_)), exchange{.link = link,
                                                   .state = state,
                                                   .pump = pump,
                                                   .log = log,
                                                   .prompter = prompter,
                                                   .catalog = catalog,
                                                   .image = image,
                                                   .clock = clock,
                                                   .tries = 3,
                                                   .pauseSeconds = 3,
                                                   .databasePath = {},
                                                   .progress = nullptr,
                                                   .recordLimit = 0,
                                                   .recordedInputs = nullptr},
      reports{.blanks = blanks, .periods = periods, .status = state, .prompter = prompter}
{
    link.watchStop(&state);
}

void DesktopSession::loadSettings()
{
    settings = LoadExchangeSettings(programDir);
    applyFileSettings();
}

void DesktopSession::applySettings()
{
    applyFileSettings();
    link.Timing = linkTimingFor(settings);
}

void DesktopSession::applyFileSettings()
{
    exchange.tries = clampAttempts(settings.KOLP);
    exchange.pauseSeconds = clampPause(settings.TWORK);
    exchange.databasePath = settings.DatabasePath;
    blanks.DatabasePath = settings.DatabasePath;
}

} // namespace kest
