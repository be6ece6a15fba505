// "СТОП" against a registrar that answers slowly or not at all: the click is taken
// while the program waits, not after the request under way.

#include "app/ui/Tregform.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/Connection.h"
#include "link/SimProcess.h"
#include "reports/ui/WindowTestSupport.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace kest {
namespace {

constexpr const char* kStoppedLog = "   Чтение/запись прервано пользователем.\n** Конец обмена **";

/// kest-sim whose every reply comes `delayMs` late, with a session connected to it;
/// TWORK=7 makes the pauses after a failed attempt seven seconds long.
struct SlowRegistrar
{
    test::SimProcess sim;
    test::TempDir home;
    DesktopSession session;
    MemoryPrompter prompter;

    SlowRegistrar(const std::string& records, int delayMs)
        : sim("page", records, {"--reply-delay", std::to_string(delayMs)}), session(home.path())
    {
        EXPECT_TRUE(sim.ready());
        session.prompter.target = &prompter;
        const auto data = home / "data";
        std::filesystem::create_directories(data);
        std::string error;
        EXPECT_TRUE(OpenArchiveDatabase(data, true, &error)) << error;
        test::writeFile(home / "NN.INI", "[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARM=36500\r\nDok=36500\r\n"
                                         "KOLP=2\r\nTWORK=7\r\nRS-232=" +
                                             sim.device() + "\r\nPUT=" + data.string() + "/\r\n");
        session.loadSettings();
        EXPECT_TRUE(EstablishConnection(session.exchange, session.settings.Port));
    }
    int pageRequests() const
    {
        const auto lines = sim.trace();
        return static_cast<int>(
            std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("page", 0) == 0; }));
    }
};

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int countOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

template <typename T> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

std::string logOf(QWidget& w)
{
    return child<QPlainTextEdit>(w, "Memo1")->toPlainText().toStdString();
}

/// Clicks `button` in the exchange window, presses "СТОП" (`stopName`) `afterMs`
/// later as a queued click, and returns how long the operation ran on after it.
qint64 stopAfter(QWidget& dialog, const char* button, const char* stopName, int afterMs)
{
    QElapsedTimer clock;
    qint64 clicked = -1;
    QTimer::singleShot(afterMs, [&] {
        auto* stop = child<QPushButton>(dialog, stopName);
        EXPECT_TRUE(stop->isVisible());
        clicked = clock.elapsed();
        stop->click();
    });
    clock.start();
    child<QPushButton>(dialog, button)->click();
    EXPECT_GE(clicked, 0) << "the operation ended before the click";
    return clock.elapsed() - clicked;
}

TEST(ExchangeStopTest, StopCutsTheWaitForASlowCatalogAndForThePauseAfterAFailure)
{
    // Twelve records whose time stamps come 0.7 s each: the click lands during a
    // reply wait and ends the read there, before all records are listed.
    {
        SlowRegistrar r(test::plainRecords(12), 700);
        Tregform w(r.session);
        const int before = r.pageRequests();
        qint64 after = -1;
        std::string log;
        test::whenModal<Tregform>([&](Tregform& dialog) {
            after = stopAfter(dialog, "catalogRead", "catalogStop", 2000);
            log = logOf(dialog);
            dialog.reject();
        });
        w.openExchangeFace();
        EXPECT_LT(after, 400);
        EXPECT_TRUE(endsWith(log, kStoppedLog)) << log;
        EXPECT_EQ(r.session.state.ExchangeStatus, kStatusStopped);
        // The catalog page and three or four time stamps; the records before the
        // click are listed, the one cut short and those after it are not.
        EXPECT_LE(r.pageRequests() - before, 5);
        EXPECT_EQ(countOf(log, "Запись №"), r.pageRequests() - before - 2);
        // The time stamp cut short is no reason to call the record's date invalid.
        EXPECT_TRUE(r.prompter.errors.empty()) << r.prompter.errors.front();
    }
    // A registrar that stops answering: the first attempt runs into its time-out
    // and the click lands in the seven-second pause before the next one, which is
    // never sent.
    {
        SlowRegistrar r(test::plainRecords(2), 0);
        Tregform w(r.session);
        const int before = r.pageRequests();
        qint64 after = -1;
        std::string log;
        test::whenModal<Tregform>([&](Tregform& dialog) {
            kill(r.sim.pid(), SIGSTOP);
            after = stopAfter(dialog, "catalogRead", "catalogStop", 1600);
            kill(r.sim.pid(), SIGCONT);
            log = logOf(dialog);
            dialog.reject();
        });
        w.openExchangeFace();
        EXPECT_LT(after, 400);
        EXPECT_EQ(log, kStoppedLog);
        EXPECT_EQ(r.session.state.ExchangeStatus, kStatusStopped);
        // The stopped simulator reads the request that waited for it, and no other.
        QElapsedTimer settle;
        settle.start();
        while (r.pageRequests() == before && settle.elapsed() < 2000)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(r.pageRequests(), before + 1);
    }
}

TEST(ExchangeStopTest, StopCutsTheWaitOfAReadingPass)
{
    SlowRegistrar r("record\ncontroller 0412\ntime 15.03.2026 10:00\nhourly 1 ramp 1 1\n", 900);
    Tregform w(r.session);
    qint64 after = -1;
    std::string log;
    test::whenModal<Tregform>([&](Tregform& dialog) {
        child<QPushButton>(dialog, "catalogRead")->click();
        ASSERT_TRUE(child<QWidget>(dialog, "myexport")->isVisible());
        child<QPlainTextEdit>(dialog, "Memo1")->clear();
        // The list of controllers reads the time stamp again; the click comes
        // during the record's pages.
        after = stopAfter(dialog, "myexport", "readStop", 3000);
        log = logOf(dialog);
        EXPECT_FALSE(child<QWidget>(dialog, "Button7")->isVisible());
        EXPECT_TRUE(child<QWidget>(dialog, "Exit")->isVisible());
        dialog.reject();
    });
    w.openExchangeFace();
    EXPECT_LT(after, 400);
    EXPECT_TRUE(endsWith(log, kStoppedLog)) << log;
    EXPECT_EQ(r.session.passes.PassDone, 0);
    EXPECT_EQ(r.session.state.ExchangeStatus, kStatusStopped);
}

// The storing pass has no "СТОП", but the window repaints while it stores and its bar
// counts the records.
TEST(ExchangeStopTest, TheStoringPassShowsItsProgress)
{
    SlowRegistrar r(test::plainRecords(3) + "hourly 1 ramp 1 1\ninterval 1 ramp 0 1\n", 0);
    Tregform w(r.session);
    bool shownDuring = false;
    int seenMaximum = -1;
    int seenAtEnd = -1;
    test::whenModal<Tregform>([&](Tregform& dialog) {
        child<QPushButton>(dialog, "catalogRead")->click();
        child<QPushButton>(dialog, "myexport")->click();
        ASSERT_TRUE(child<QWidget>(dialog, "Button7")->isVisible());
        auto* bar = child<QProgressBar>(dialog, "ProgressBar1");
        QTimer::singleShot(0, [&] {
            shownDuring = bar->isVisible() && !child<QWidget>(dialog, "Exit")->isVisible();
            seenMaximum = bar->maximum();
            test::saveScreenshot(dialog, "Tregform-storing.png");
        });
        child<QPushButton>(dialog, "Button7")->click();
        seenAtEnd = bar->value();
        dialog.reject();
    });
    w.openExchangeFace();
    EXPECT_TRUE(shownDuring);
    EXPECT_EQ(seenMaximum, 3);
    EXPECT_EQ(seenAtEnd, 3);
    EXPECT_EQ(r.session.passes.PassDone, 1);
}

} // namespace
} // namespace kest
