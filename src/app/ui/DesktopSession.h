#pragma once

#include "app/ExchangeSettings.h"
#include "app/MenuVisibility.h"
#include "common/Clock.h"
#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/ui/MessageBoxPrompter.h"
#include "exchange/ArchivePasses.h"
#include "exchange/ExchangeContext.h"
#include "forms/StandardForm.h"
#include "link/ExchangeStatus.h"
#include "link/LinkWaits.h"
#include "link/RegistrarLink.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"
#include "reports/ui/ReportSession.h"
#include "session/RecordingPort.h"

#include <filesystem>
#include <functional>

namespace kest {

/// Lets the windows repaint and take a click on "СТОП" during a long exchange.
class WindowEventPump final : public EventPump
{
public:
    void processEvents() override;
};

/// The exchange log goes to whichever pane shows it at the moment (the exchange
/// window's log while it is open). Lines written while no pane listens, such as those
/// of the connection at start-up, are dropped: the exchange face empties its log when
/// it opens, so nobody would see them.
class ForwardingExchangeLog final : public ExchangeLog
{
public:
    void append(const std::string& line) override
    {
        if (target)
            target->append(line);
    }
    ExchangeLog* target = nullptr;
};

/// The windows' message boxes; a test sets `target` to answer them itself.
class SessionPrompter final : public Prompter
{
public:
    void showError(const std::string& text) override { current().showError(text); }
    void showInfo(const std::string& text) override { current().showInfo(text); }
    bool ask(const std::string& question, bool defaultAnswer) override
    {
        return current().ask(question, defaultAnswer);
    }
    Prompter* target = nullptr;

private:
    Prompter& current() { return target ? *target : m_boxes; }
    MessageBoxPrompter m_boxes;
};

/// Everything the windows share for the life of the program: NN.INI in memory, the
/// port and link, ExchangeStatus and the stop flag, the catalog and image, the
/// current blank and the period table, and the main menu's changing items. One
/// object, owned by the application and handed to every window by reference, so
/// that tests build as many as they like.
class DesktopSession
{
public:
    explicit DesktopSession(std::filesystem::path programDir);
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    /// Reads NN.INI again and hands its tries, pause and database folder to the
    /// exchange context. The link keeps its attempts and retry delay: until the
    /// exchange window hands them over they are 2 and 3000 ms, so that the start-up
    /// connection to a silent line does not last KOLP × TWORK.
    void loadSettings();
    /// The tries, pause, timing and database folder of `settings` into the context
    /// and the link; the exchange window calls it after every change of the settings.
    void applySettings();
    /// The main window shows the menu again after a window moved its flags.
    void menuChanged() const
    {
        if (onMenuChanged)
            onMenuChanged();
    }

    const std::filesystem::path programDir;
    ExchangeSettings settings;

    SystemClock systemClock;
    /// Every wait of an exchange hands the windows their events, so they repaint
    /// and take "СТОП" while the registrar is slow or silent.
    WaitPump waits{pump, state};
    ResponsiveClock clock{systemClock, waits};
    TermiosPort port;
    ResponsivePort line{port, systemClock, waits};
    /// Keeps what went over the line, so that a read done in the exchange window
    /// goes into a session file as `kest read` does; the window restarts it at the
    /// start of each reading pass.
    RecordingPort recording{line};
    RegistrarLink link{recording, clock};
    ExchangeState state;
    WindowEventPump pump;
    ForwardingExchangeLog log;
    SessionPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext exchange;

    BlankState blanks;
    PeriodTable periods;
    ReportSession reports;

    /// The exchange face's record counter (KolArhEdit): a value from 1 below the
    /// catalog's count limits how many records the passes take; 0 or the count means
    /// all. It is the exchange context's own value, so that every catalog read, the
    /// one of "Установить связь" included, sets it.
    int& recordLimit = exchange.recordLimit;
    /// The archive settings window's settlement hour and day spin controls; the
    /// exchange face takes them when it is activated.
    int settlementHourSpin = 0;
    int settlementDaySpin = 1;
    /// What the last reading or storing pass left: after a storing pass the archive
    /// settings list reads no record times.
    PassState passes;

    /// The standard forms' parameter values: a result shown above its formula shows
    /// the value of the previous filling, so they outlive the forms window.
    ParameterTable formParameters;
    /// The one-shot flag a window sets before it changes one of its own controls,
    /// so that the change handler that follows does nothing.
    bool GuardFlag = false;

    MenuVisibility menu;
    std::function<void()> onMenuChanged;

private:
    void applyFileSettings();
};

} // namespace kest
