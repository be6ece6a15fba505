#include "app/ui/Tregform.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "db/SqliteDatabase.h"
#include "db/ArchiveTables.h"
#include "db/PgTestServer.h"
#include "exchange/Connection.h"
#include "link/SimProcess.h"
#include "reports/ui/WindowTestSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace kest {
namespace {

/// A program folder with NN.INI and a data folder with empty tables.
struct ExchangeHome
{
    test::TempDir dir;
    std::filesystem::path data = dir / "data";

    explicit ExchangeHome(const std::string& settings = {})
    {
        std::filesystem::create_directories(data);
        std::string error;
        EXPECT_TRUE(OpenArchiveDatabase(data, true, &error)) << error;
        if (!settings.empty())
            test::writeFile(dir / "NN.INI", settings);
    }
    /// NN.INI for the simulator on `device`, keeping every row the registrar holds.
    static std::string
    settingsFor(const std::filesystem::path& data, const std::string& device, int tries = 2)
    {
        return "[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARM=36500\r\nDok=36500\r\nKOLP=" +
               std::to_string(tries) +
               "\r\nTWORK=1\r\n"
               "RS-232=" +
               device + "\r\nPUT=" + data.string() + "/\r\n";
    }
    std::string settings() const { return test::readFile(dir / "NN.INI"); }
};

template <typename T> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

void type(QWidget* edit, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(TregformTest, SettingsFaceWritesNnIniAtEveryChangeAndAtClose)
{
    ExchangeHome home;
    test::writeFile(home.dir / "NN.INI",
                    "[TIME]\r\nKOLP=0\r\nRS-232=COM7\r\nPUT=" + home.data.string() + "\r\n");
    const std::string before = home.settings();
    DesktopSession session(home.dir.path());
    session.loadSettings();
    Tregform w(session);
    EXPECT_EQ(session.settings.DatabasePath, home.data.string() + "/");

    test::whenModal<Tregform>([&](Tregform& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Параметры обмена");
        EXPECT_FALSE(child<QWidget>(dialog, "Memo1")->isVisible());
        EXPECT_FALSE(child<QWidget>(dialog, "catalogRead")->isVisible());
        EXPECT_TRUE(child<QWidget>(dialog, "Exit")->isVisible());
        EXPECT_EQ(child<QLineEdit>(dialog, "DEdit3")->text().toStdString(), home.data.string());
        auto* comset = child<QComboBox>(dialog, "comset");
        EXPECT_EQ(comset->currentText(), "COM7");
        EXPECT_EQ(child<QSpinBox>(dialog, "SpinEdit2")->value(), 1);
        test::saveScreenshot(dialog, "Tregform-settings.png");
        // Showing NN.INI wrote nothing.
        EXPECT_EQ(home.settings(), before);

        // A keystroke in a depth edit writes every key.
        auto* edit1 = child<QLineEdit>(dialog, "Edit1");
        type(edit1, "x0");
        EXPECT_EQ(edit1->text(), "3650");
        const std::string written = home.settings();
        for (const char* key :
             {"DARH=3650", "DARD=365", "DARm=365", "Dok=365", "Dare=100", "KOLP=1", "TWORK=3", "RS-232=COM7"})
            EXPECT_TRUE(has(written, key)) << key << "\n" << written;
        EXPECT_TRUE(has(written, "PUT=" + home.data.string() + "/\r\n")) << written;
        EXPECT_EQ(session.settings.DARH, 3650);

        // The six ports and whatever device the user had keep their place.
        comset->setCurrentIndex(2);
        emit comset->activated(2);
        EXPECT_TRUE(has(home.settings(), "RS-232=COM3"));
        EXPECT_EQ(session.settings.Port, "COM3");
        child<QSpinBox>(dialog, "SpinEdit1")->setValue(7);
        EXPECT_TRUE(has(home.settings(), "TWORK=7"));
        EXPECT_EQ(session.link.Timing.LinkRetryDelay, 7070);

        // The path field: "," and "." become the decimal separator, the rest of
        // the punctuation is dropped; emptied, the folder becomes "/".
        auto* path = child<QLineEdit>(dialog, "DEdit3");
        path->clear();
        type(path, "a.b_c/Ё");
        EXPECT_EQ(path->text(), "a,bc/Ё");
        path->clear();
        child<QPushButton>(dialog, "Exit")->click();
    });
    w.openSettingsFace();
    EXPECT_TRUE(has(home.settings(), "PUT=/\r\n")) << home.settings();
    EXPECT_EQ(session.settings.DatabasePath, "/");
}

TEST(TregformTest, ADevicePathSurvivesClosingAndTheFirstChangeAfterALoadActs)
{
    ExchangeHome home;
    test::writeFile(home.dir / "NN.INI",
                    "[TIME]\r\nRS-232=/dev/pts/77\r\nPUT=" + home.data.string() + "/\r\n");
    DesktopSession session(home.dir.path());
    Tregform w(session);
    w.loadExchangeSettings();
    // A second load changes no control: no handler runs, and no flag is left over
    // to swallow the user's next change.
    w.loadExchangeSettings();
    EXPECT_FALSE(session.GuardFlag);
    EXPECT_FALSE(has(home.settings(), "KOLP"));
    test::whenModal<Tregform>([&](Tregform& dialog) {
        child<QSpinBox>(dialog, "SpinEdit2")->setValue(5);
        EXPECT_TRUE(has(home.settings(), "KOLP=5"));
        EXPECT_EQ(session.exchange.tries, 5);
        dialog.reject();
    });
    w.openSettingsFace();
    EXPECT_TRUE(has(home.settings(), "RS-232=/dev/pts/77")) << home.settings();
    EXPECT_EQ(session.settings.Port, "/dev/pts/77");
}

TEST(TregformTest, AnUnwritableNnIniIsReportedOncePerOpening)
{
    ExchangeHome home("[TIME]\r\nDARH=30\r\n");
    std::filesystem::permissions(home.dir / "NN.INI", std::filesystem::perms::owner_read);
    DesktopSession session(home.dir.path());
    Tregform w(session);
    w.loadExchangeSettings();
    std::vector<QString> boxes;
    const auto closeBox = [&](QMessageBox& box) {
        boxes.push_back(box.text());
        box.accept();
    };
    test::whenModal<Tregform>([&](Tregform& dialog) {
        auto* edit1 = child<QLineEdit>(dialog, "Edit1");
        test::whenModal<QMessageBox>(closeBox);
        type(edit1, "0");
        test::whenModal<QMessageBox>(closeBox);
        type(edit1, "0");
        dialog.reject();
    });
    w.openSettingsFace();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].startsWith("Не удалось записать NN.INI: ")) << boxes[0].toStdString();
    EXPECT_EQ(home.settings(), "[TIME]\r\nDARH=30\r\n");
}

/// A session connected to kest-sim as the main window connects at start-up.
struct ConnectedSession
{
    test::SimProcess sim;
    ExchangeHome home;
    DesktopSession session;

    explicit ConnectedSession(const std::string& records, const std::vector<std::string>& faults = {})
        : sim("page", records, faults), session(home.dir.path())
    {
        EXPECT_TRUE(sim.ready());
        // A registrar that fails on purpose is asked once per command.
        test::writeFile(home.dir / "NN.INI",
                        ExchangeHome::settingsFor(home.data, sim.device(), faults.empty() ? 2 : 1));
        session.loadSettings();
        EXPECT_TRUE(EstablishConnection(session.exchange, session.settings.Port));
        EXPECT_EQ(session.state.ExchangeStatus, kStatusOk);
    }
    std::string log(Tregform& w) const
    {
        return child<QPlainTextEdit>(w, "Memo1")->toPlainText().toStdString();
    }
};

TEST(TregformTest, StopEndsACatalogReadHalfway)
{
    auto c = std::make_unique<ConnectedSession>(test::plainRecords(2));
    Tregform w(c->session);
    std::string log;
    test::whenModal<Tregform>([&](Tregform& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Обмен с регистратором");
        auto* stop = child<QPushButton>(dialog, "catalogStop");
        EXPECT_FALSE(stop->isVisible());
        // The registrar falls silent; the read waits and repeats until "СТОП".
        bool stopShown = false;
        QElapsedTimer clock;
        qint64 fired = 0;
        QTimer::singleShot(300, [&] {
            fired = clock.elapsed();
            stopShown = stop->isVisible() && !child<QWidget>(dialog, "catalogRead")->isVisible() &&
                        !child<QWidget>(dialog, "Exit")->isVisible();
            stop->click();
        });
        kill(c->sim.pid(), SIGSTOP);
        clock.start();
        child<QPushButton>(dialog, "catalogRead")->click();
        kill(c->sim.pid(), SIGCONT);
        // Taken at the pump after the request under way, the click ends the read
        // there: no further request is sent.
        EXPECT_LT(clock.elapsed() - fired, 1000);
        EXPECT_TRUE(stopShown);
        EXPECT_FALSE(stop->isVisible());
        EXPECT_TRUE(child<QWidget>(dialog, "Exit")->isVisible());
        log = c->log(dialog);
        child<QPushButton>(dialog, "Exit")->click();
    });
    w.openExchangeFace();
    EXPECT_EQ(log, "   Чтение/запись прервано пользователем.\n** Конец обмена **");
    EXPECT_EQ(c->session.state.ExchangeStatus, kStatusStopped);
    EXPECT_FALSE(c->session.menu.kestread);
    EXPECT_TRUE(c->session.menu.setonline);
}

TEST(TregformTest, ReadingIsOfferedOnlyWithRecords)
{
    ConnectedSession c(test::plainRecords(0));
    Tregform w(c.session);
    int archiveSettingsOpened = 0;
    w.setArchiveSettingsCommand([&] { ++archiveSettingsOpened; });
    std::string log;
    test::whenModal<Tregform>([&](Tregform& dialog) {
        child<QPushButton>(dialog, "archiveSettings")->click();
        EXPECT_EQ(archiveSettingsOpened, 1);
        EXPECT_FALSE(child<QWidget>(dialog, "myexport")->isVisible());
        child<QPushButton>(dialog, "catalogRead")->click();
        EXPECT_FALSE(child<QWidget>(dialog, "myexport")->isVisible());
        EXPECT_EQ(child<QSpinBox>(dialog, "KolArhEdit")->maximum(), 0);
        log = c.log(dialog);
        dialog.reject();
    });
    w.openExchangeFace();
    EXPECT_EQ(log, "Регистратор пуст\nКонец обмена\n** Каталог считан **");
    EXPECT_TRUE(c.session.menu.kestread);
}

// While an exchange runs the window does not close (the exchange would go on under a
// window that is gone), and the storing pass, which cannot stop halfway, offers no
// "СТОП". A timer fires at the first events the exchange lets through.
TEST(TregformTest, AnExchangeKeepsTheWindowAndStoringHasNoStop)
{
    ConnectedSession c(test::plainRecords(2));
    Tregform w(c.session);
    std::vector<std::string> seen;
    const auto during = [&](const char* stop) {
        QTimer::singleShot(0, &w, [&, stop] {
            w.reject();
            seen.push_back(std::string(w.isVisible() ? "open" : "closed") +
                           (child<QWidget>(w, stop)->isVisible() ? " stop" : " no-stop"));
        });
    };
    test::whenModal<Tregform>([&](Tregform& dialog) {
        during("catalogStop");
        child<QPushButton>(dialog, "catalogRead")->click();
        during("readStop");
        child<QPushButton>(dialog, "myexport")->click();
        ASSERT_TRUE(child<QWidget>(dialog, "Button7")->isVisible());
        for (const char* stop : {"readStop", "catalogStop"})
            during(stop);
        child<QPushButton>(dialog, "Button7")->click();
        dialog.reject();
    });
    w.openExchangeFace();
    EXPECT_EQ(seen, (std::vector<std::string>{"open stop", "open stop", "open no-stop", "open no-stop"}));
    EXPECT_FALSE(w.isVisible());
}

// The registrar goes silent after the catalog: the reading pass's list finds no
// record time, and the main menu offers only the connection, as after a failed list
// of the archive settings window.
TEST(TregformTest, AReadingPassWhoseListFailsOffersOnlyTheConnection)
{
    // The connection's page, the catalog page and the two record times.
    ConnectedSession c(test::plainRecords(2), {"--gone-after", "4"});
    MemoryPrompter boxes;
    c.session.prompter.target = &boxes;
    c.session.menu.afterConnection(true, kStatusOk, 2);
    Tregform w(c.session);
    test::whenModal<Tregform>([&](Tregform& dialog) {
        child<QPushButton>(dialog, "myexport")->click();
        dialog.reject();
    });
    w.openExchangeFace();
    ASSERT_EQ(boxes.errors.size(), 1u);
    EXPECT_EQ(boxes.errors[0].rfind("Ошибка связи с регистратором:", 0), 0u) << boxes.errors[0];
    EXPECT_EQ(c.session.passes.PassDone, 0);
    EXPECT_TRUE(c.session.menu.setonline);
    EXPECT_FALSE(c.session.menu.kestread);
    EXPECT_FALSE(c.session.menu.setarh);
}

const char* kRecords = R"(record
controller 0412
time 15.03.2026 10:00
hourly 1 ramp 1 1
hourly 2 counter ramp 1000000 1
hourly 5 ramp 500 1
daily 3 ramp 30 1
monthly 4 ramp 40 1
extended 3 ramp 0 1
interval 1 ramp 0 1
interval 2 ramp 2000 1
record
controller 0A1F
time 01.03.2026 00:30
hourly 0 ramp 0 1
interval 0 ramp 0 1
)";

/// Every archive row of the database in DatabasePath, one line each, in key order.
std::vector<std::string> archiveRows(const std::filesystem::path& data)
{
    std::string error;
    auto db = SqliteDatabase::open(data / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
    EXPECT_TRUE(db) << error;
    std::vector<std::string> rows;
    for (const char* table : {"arhivh", "arhivd", "arhivm", "detail"}) {
        Statement st =
            db->prepare(std::string("SELECT scode, sdate, svalue FROM ") + table + " ORDER BY scode, sdate");
        while (st.step() == Statement::Step::Row)
            rows.push_back(std::string(table) + " " + std::to_string(st.columnInt(0)) + " " +
                           st.columnText(1) + " " + std::to_string(st.columnDouble(2)));
    }
    return rows;
}

void writeMarks(const std::filesystem::path& data)
{
    test::writeFile(data / "KEST.INI", "[0412]\r\nAH02=90\r\nAH05=1101\r\nAI02=1101\r\n");
}

TEST(TregformTest, TheWholeReadThroughTheWindowStoresWhatTheCommandLineStores)
{
    std::vector<std::string> windowRows;
    std::filesystem::path sessionFile;
    test::TempDir keep;
    {
        ConnectedSession c(kRecords);
        writeMarks(c.home.data);
        auto w = std::make_unique<Tregform>(c.session);
        c.session.recordLimit = 0;
        std::string log;
        test::whenModal<Tregform>([&](Tregform& dialog) {
            EXPECT_TRUE(child<QWidget>(dialog, "myexport")->isVisible());
            EXPECT_FALSE(child<QWidget>(dialog, "Button7")->isVisible());
            child<QPushButton>(dialog, "catalogRead")->click();
            EXPECT_EQ(child<QSpinBox>(dialog, "KolArhEdit")->maximum(), 2);
            EXPECT_EQ(child<QSpinBox>(dialog, "KolArhEdit")->value(), 2);
            child<QSpinBox>(dialog, "KolArhEdit")->setValue(1);
            EXPECT_EQ(c.session.recordLimit, 1); // the archive settings window reads it there
            EXPECT_EQ(c.session.exchange.recordLimit, 1);
            child<QSpinBox>(dialog, "KolArhEdit")->setValue(2);
            child<QPushButton>(dialog, "myexport")->click();
            EXPECT_TRUE(child<QWidget>(dialog, "Button7")->isVisible());
            EXPECT_FALSE(child<QWidget>(dialog, "myexport")->isVisible());
            auto* bar = child<QProgressBar>(dialog, "ProgressBar1");
            // The bar counts the requests the catalog promises and ends full.
            EXPECT_GT(bar->maximum(), 20);
            EXPECT_EQ(bar->value(), bar->maximum());
            test::saveScreenshot(dialog, "Tregform-exchange.png");
            child<QPushButton>(dialog, "Button7")->click();
            EXPECT_FALSE(child<QWidget>(dialog, "Button7")->isVisible());
            EXPECT_TRUE(child<QWidget>(dialog, "catalogRead")->isVisible());
            log = c.log(dialog);
            child<QPushButton>(dialog, "Exit")->click();
        });
        w->openExchangeFace();
        EXPECT_TRUE(has(log, "** Каталог считан **")) << log;
        EXPECT_TRUE(has(log, "Поздравляю передача данных из памяти программы в базы данных прошла успешно! "))
            << log;
        EXPECT_TRUE(c.session.menu.kestread);
        EXPECT_EQ(c.session.reports.decimalSeparator, '.');
        windowRows = archiveRows(c.home.data);
        ASSERT_TRUE(w->sessionFile());
        sessionFile = keep / "read.kses";
        std::filesystem::copy_file(*w->sessionFile(), sessionFile);
        // The session outlives the window and must not point into it.
        w.reset();
        EXPECT_EQ(c.session.exchange.progress, nullptr);
        EXPECT_EQ(c.session.log.target, nullptr);
    }
    EXPECT_GT(windowRows.size(), 1000u);

    // The command line against the same registrar.
    test::SimProcess sim("page", kRecords);
    ExchangeHome cli;
    test::writeFile(cli.dir / "NN.INI", ExchangeHome::settingsFor(cli.data, sim.device()));
    writeMarks(cli.data);
    std::string out, err;
    ASSERT_EQ(
        test::runCommand(std::string(KEST_BIN) + " --home " + cli.dir.path().string() + " read", &out, &err),
        0)
        << out << err;
    EXPECT_EQ(archiveRows(cli.data), windowRows);

    // The window's session file stores the same rows without the registrar.
    ExchangeHome replay;
    test::writeFile(replay.dir / "NN.INI", ExchangeHome::settingsFor(replay.data, "COM1"));
    writeMarks(replay.data);
    ASSERT_EQ(test::runCommand(std::string(KEST_BIN) + " --home " + replay.dir.path().string() + " store " +
                                   sessionFile.string(),
                               &out, &err),
              0)
        << out << err;
    EXPECT_EQ(archiveRows(replay.data), windowRows);
}

} // namespace
} // namespace kest

namespace kest {
namespace {

TEST(TregformTest, TheServerFieldIsWrittenAtEachChangeAndCheckedOnTheServer)
{
    test::PgTestServer* server = nullptr;
    KEST_TEST_SERVER(server);
    const std::string archive = server->freshDatabase();
    ExchangeHome home("[TIME]\r\nDARH=30\r\nDARD=30\r\nPUT=/tmp/x\r\n");
    DesktopSession session(home.dir.path());
    session.loadSettings();
    Tregform w(session);
    std::vector<QString> boxes;
    test::whenModal<Tregform>([&](Tregform& dialog) {
        auto* inUse = child<QLabel>(dialog, "archiveInUse");
        EXPECT_EQ(inUse->text().toStdString(), "Архив: файл /tmp/x/kest.sqlite");
        EXPECT_FALSE(has(home.settings(), "SERVER")) << "a desk on the file gets no SERVER key";
        child<QLineEdit>(dialog, "serverEdit")->setText(QString::fromStdString(archive));
        EXPECT_TRUE(has(home.settings(), "SERVER=" + archive + "\r\n")) << home.settings();
        EXPECT_EQ(session.settings.Server, archive);
        EXPECT_TRUE(inUse->text().startsWith(QStringLiteral("Архив: server "))) << inUse->text().toStdString();
        test::whenModal<QMessageBox>([&](QMessageBox& box) {
            boxes.push_back(box.text());
            box.accept();
        });
        child<QPushButton>(dialog, "serverCheck")->click();
        dialog.reject();
    });
    w.openSettingsFace();
    UseArchiveServer("");
    ASSERT_EQ(boxes.size(), 1u);
    const std::string found = boxes[0].toStdString();
    EXPECT_TRUE(has(found, "PostgreSQL 15")) << found;
    EXPECT_TRUE(has(found, "Таблиц нет: meranb, merane, arhivh, arhivd, arhivm, detail")) << found;
}

} // namespace
} // namespace kest
