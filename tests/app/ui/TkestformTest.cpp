#include "app/ui/Tkestform.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/Tregform.h"
#include "db/ArchiveTables.h"
#include "events/ui/TEForm.h"
#include "forms/ui/TnForm.h"
#include "link/SimProcess.h"
#include "reports/ui/CompletenessWindow.h"
#include "reports/ui/TblankForm.h"
#include "reports/ui/Totvetform.h"
#include "reports/ui/WindowTestSupport.h"
#include "settings/ui/Tvibor.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kest {
namespace {

using test::TempDir;
using test::whenModal;
using test::writeFile;

/// A program folder whose NN.INI points at a data folder and at `port`, with one
/// try per request so that failures come quickly.
void writeSettings(const TempDir& home, const std::string& port, const std::string& extra = "")
{
    writeFile(home / "NN.INI", "[TIME]\r\nKOLP=1\r\nTWORK=1\r\nRS-232=" + port +
                                   "\r\nPUT=" + (home / "data").string() + "/\r\n" + extra);
}

class TkestformTest : public ::testing::Test
{
protected:
    void start(const std::string& port, const std::string& extra = "")
    {
        writeSettings(home, port, extra);
        window.reset();
        session = std::make_unique<DesktopSession>(home.path());
        session->prompter.target = &prompter;
        window = std::make_unique<Tkestform>(*session);
        window->show();
        const QDeadlineTimer deadline(30000);
        while (!window->startedUp() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_TRUE(window->startedUp());
    }

    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    bool shown(const char* name) { return action(name)->isVisible(); }
    /// The three items the connection moves, as "S R A" flags.
    std::string registrarItems()
    {
        return std::string(shown("setonline") ? "S" : "-") + (shown("kestread") ? "R" : "-") +
               (shown("setarh") ? "A" : "-");
    }
    void expectOtherItemsShown()
    {
        for (const char* name :
             {"myblank", "myprint", "eread", "gaps", "N6", "N5", "obmen", "N2", "N3", "N4"})
            EXPECT_TRUE(shown(name)) << name;
    }

    TempDir home;
    MemoryPrompter prompter;
    std::unique_ptr<DesktopSession> session;
    std::unique_ptr<Tkestform> window;
};

TEST_F(TkestformTest, WindowAndMenuAreAsDocumented)
{
    start((home / "no-such-tty").string());
    EXPECT_EQ(window->windowTitle(), "Кест");
    EXPECT_EQ(window->objectName(), "Tkestform");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->frameGeometry().size(), QSize(505, 356));
    const std::vector<std::pair<const char*, const char*>> items = {
        {"setonline", "Установить связь"},
        {"kestread", "&Чтение"},
        {"myblank", "Сформировать/просмотреть бланк"},
        {"myprint", "Печать/просмотр отчета"},
        {"eread", "Печать/просмотр архива событий"},
        {"N6", "Настройка стандартных бланков"},
        {"N5", "Печать/просмотр стандартных форм"},
        {"obmen", "Параметры обмена"},
        {"setarh", "Настройки архивов"},
        {"importArchive", "Импорт архива"},
        {"N2", "Справка по программе Кест"},
        {"N3", "Содержание"},
        {"N4", "Версия программы"}};
    for (const auto& [name, caption] : items) {
        ASSERT_NE(action(name), nullptr) << name;
        EXPECT_EQ(action(name)->text(), QString::fromUtf8(caption));
    }
    const std::vector<std::pair<const char*, const char*>> menus = {
        {"N1", "&Печать"}, {"kestset", "&Настройки"}, {"kesthelp", "&?"}};
    for (const auto& [name, title] : menus)
        EXPECT_EQ(window->findChild<QMenu*>(name)->title(), QString::fromUtf8(title));
    EXPECT_EQ(helpContextOf(action("setonline")), 12);
    EXPECT_EQ(helpContextOf(action("kestread")), 13);
    EXPECT_EQ(helpContextOf(window->findChild<QMenu*>("N1")->menuAction()), 15);
    EXPECT_EQ(helpContextOf(action("obmen")), 20);
    EXPECT_EQ(helpContextOf(action("setarh")), 21);
    EXPECT_TRUE(window->findChild<QMenu*>("kestset")->actions().contains(action("importArchive")));
    test::saveScreenshot(*window, "main-window.png");
    for (const char* name : {"N1", "kestset", "kesthelp"}) {
        QMenu* menu = window->findChild<QMenu*>(name);
        menu->popup(window->mapToGlobal(QPoint(0, 0)));
        test::saveScreenshot(*menu, (std::string("main-menu-") + name + ".png").c_str());
        menu->hide();
    }
}

// Nothing answers on the port: the box names it, only "Установить связь" of the three
// items shows, and choosing it tries anew.
TEST_F(TkestformTest, NoRegistrarLeavesOnlyTheConnectItem)
{
    const std::string port = (home / "no-such-tty").string();
    start(port);
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], "Неверный номер СОМ-порта " + port);
    EXPECT_EQ(registrarItems(), "S--");
    expectOtherItemsShown();
    action("setonline")->trigger();
    EXPECT_EQ(prompter.errors.size(), 2u);
    EXPECT_EQ(registrarItems(), "S--");
}

// Large attempts and pauses in NN.INI are the exchange window's: the start-up
// connection keeps the link's own 2 attempts 3 s apart, and the exchange window
// hands the file's values over when it opens.
TEST_F(TkestformTest, TheStartUpConnectionKeepsTheLinksOwnAttempts)
{
    writeFile(home / "NN.INI", "[TIME]\r\nKOLP=15\r\nTWORK=15\r\nRS-232=" + (home / "no-such-tty").string() +
                                   "\r\nPUT=" + (home / "data").string() + "/\r\n");
    session = std::make_unique<DesktopSession>(home.path());
    session->prompter.target = &prompter;
    window = std::make_unique<Tkestform>(*session);
    window->show();
    const QDeadlineTimer deadline(30000);
    while (!window->startedUp() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(window->startedUp());
    EXPECT_EQ(session->link.Timing.LinkAttempts, 2);
    EXPECT_EQ(session->link.Timing.LinkRetryDelay, 3000);
    EXPECT_EQ(session->exchange.tries, 15);

    whenModal<Tregform>([](Tregform& w) { w.reject(); });
    action("kestread")->setVisible(true);
    action("kestread")->trigger();
    EXPECT_EQ(session->link.Timing.LinkAttempts, 15);
    EXPECT_EQ(session->link.Timing.LinkRetryDelay, 15 * 1010);
}

// Without DARH the program says so once and leaves the registrar alone.
TEST_F(TkestformTest, MissingSettingsStopTheStart)
{
    start((home / "no-such-tty").string(), "DARH=-1\r\n");
    EXPECT_EQ(prompter.errors, (std::vector<std::string>{exchangeMessage(kStatusSettingsMissing)}));
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(registrarItems(), "---");
    expectOtherItemsShown();
}

// The registrar answers: with records every item is offered, an empty registrar
// gives no archive settings, and a catalog read that fails offers the connection
// again (the registrar refuses both of the link's two attempts).
TEST_F(TkestformTest, MenuFollowsTheConnectionToTheSimulator)
{
    struct Case
    {
        const char* link;
        int records;
        std::vector<std::string> faults;
        const char* items;
    };
    for (const Case& c : {Case{"page", 2, {}, "-RA"}, Case{"request", 0, {}, "-R-"},
                          Case{"request", 1, {"--reject", "2"}, "S--"}}) {
        test::SimProcess sim(c.link, test::plainRecords(c.records), c.faults);
        ASSERT_TRUE(sim.ready());
        prompter.errors.clear();
        start(sim.device());
        EXPECT_EQ(registrarItems(), c.items) << c.link << " " << c.records;
        EXPECT_EQ(session->catalog.count, c.faults.empty() ? c.records : 0);
        expectOtherItemsShown();
        if (c.faults.empty() && c.records > 0) {
            // "Настройки архивов" lists the registrar's records.
            int rows = -1;
            test::whenModalOpens<Tvibor>([&](Tvibor& w) {
                rows = w.findChild<QTableWidget*>("merangrid")->rowCount();
                w.reject();
            });
            window->findChild<QAction*>("setarh")->trigger();
            EXPECT_GE(rows, c.records) << "the archive settings window did not open";
        }
        window->close();
        EXPECT_FALSE(session->link.hasPort());
    }
}

// An absent database is offered at start-up; "Нет" leaves the folder as it was.
TEST_F(TkestformTest, OffersToCreateAnAbsentDatabase)
{
    prompter.answers = {false};
    start((home / "no-such-tty").string());
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_NE(prompter.questions[0].find((home / "data").string()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(home / "data" / kDatabaseFile));

    prompter.answers = {true};
    prompter.questions.clear();
    start((home / "no-such-tty").string());
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(home / "data" / kDatabaseFile));
    // The delivered forms come with it, as with `kest init`.
    window->findChild<QPushButton*>("Button1")->click();
    EXPECT_GT(window->standardForms().size(), 1u);

    prompter.questions.clear();
    start((home / "no-such-tty").string());
    EXPECT_TRUE(prompter.questions.empty());
}

// Hidden folders and folders the user may not write are not standard forms; with
// none left and a failed connection the commands say so.
TEST_F(TkestformTest, FolderScanPassesOverHiddenAndReadOnlyFolders)
{
    for (const char* folder : {"Бланк А", ".hidden", "Только чтение", "Бланк Б"})
        std::filesystem::create_directories(home / "data" / folder);
    writeFile(home / "data" / "файл.txt", "");
    std::filesystem::permissions(home / "data" / "Только чтение", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    prompter.answers = {false};
    start((home / "no-such-tty").string());
    window->findChild<QPushButton*>("Button1")->click();
    EXPECT_EQ(window->standardForms(), (std::vector<std::string>{"нет", "Бланк А", "Бланк Б"}));
    EXPECT_TRUE(prompter.infos.empty());

    for (const char* folder : {"Бланк А", "Бланк Б"})
        std::filesystem::remove(home / "data" / folder);
    action("N5")->trigger();
    action("N6")->trigger();
    EXPECT_EQ(prompter.infos,
              std::vector<std::string>(2, "По указанному пути стандартные бланки не найдены."));
    std::filesystem::permissions(home / "data" / "Только чтение", std::filesystem::perms::owner_all);
}

// With the delivered forms in place: the forms window needs a controller in the
// database, the settings window does not.
TEST_F(TkestformTest, StandardFormItemsOpenTheirWindows)
{
    prompter.answers = {true};
    start((home / "no-such-tty").string());
    prompter.infos.clear();
    action("N5")->trigger();
    EXPECT_EQ(prompter.infos,
              std::vector<std::string>{"В базе данных не найдены описатели МЕРАН, подключите "
                                       "регистратор с записями МЕРАН к компьютеру и установите "
                                       "связь с ним."});
    bool opened = false;
    whenModal<TnForm>([&](TnForm& w) {
        opened = true;
        w.reject();
    });
    action("N6")->trigger();
    EXPECT_TRUE(opened) << "the form settings window did not open";
}

TEST_F(TkestformTest, EventArchiveCommandListsTheControllers)
{
    prompter.answers = {true};
    start((home / "no-such-tty").string());
    action("eread")->trigger();
    EXPECT_EQ(prompter.infos,
              (std::vector<std::string>{"Базы описания контролеров пусты. Считайте информацию с "
                                        "регистратора информации МЕРАН-Р."}));
    {
        std::string error;
        auto db = OpenArchiveDatabase(home / "data", false, &error);
        ASSERT_TRUE(db) << error;
        ASSERT_TRUE(EnsureControllerRows(*db, 0x1A2F).ok());
        ASSERT_TRUE(UpdateControllerName(*db, 0x1A2F, "Котельная №2").ok());
    }
    QStringList row;
    QString caption;
    whenModal<TEForm>([&](TEForm& form) {
        auto* grid = form.findChild<QTableWidget*>("mergrid");
        row = {grid->item(0, 0)->text(), grid->item(0, 1)->text()};
        caption = form.periodCaption();
        form.reject();
    });
    action("eread")->trigger();
    EXPECT_EQ(row, (QStringList{"Котельная №2", "1A2F"}));
    EXPECT_TRUE(caption.startsWith("c 0 часов ")) << caption.toStdString();
    EXPECT_TRUE(shown("eread"));
    EXPECT_EQ(prompter.infos.size(), 1u);

    // A database that cannot be read is reported once; the item stays.
    std::filesystem::remove(home / "data" / kDatabaseFile);
    writeFile(home / "data" / kDatabaseFile, "not a database");
    action("eread")->trigger();
    ASSERT_EQ(prompter.errors.size(), 2u);
    EXPECT_EQ(prompter.errors[1].rfind(exchangeMessage(kStatusDatabase), 0), 0u);
    EXPECT_EQ(session->state.ExchangeStatus, kStatusDatabase);
    EXPECT_TRUE(shown("eread"));
}

TEST_F(TkestformTest, PrintMenuOpensTheReportWindows)
{
    prompter.answers = {true};
    start((home / "no-such-tty").string());
    std::vector<std::string> opened;
    whenModal<TblankForm>([&](TblankForm& w) {
        opened.push_back(w.objectName().toStdString());
        w.close();
    });
    action("myblank")->trigger();
    whenModal<Totvetform>([&](Totvetform& w) {
        opened.push_back(w.objectName().toStdString() + " " + std::to_string(w.ReportMode()));
        w.reject();
    });
    action("myprint")->trigger();
    whenModal<CompletenessWindow>([&](CompletenessWindow& w) {
        opened.push_back(w.objectName().toStdString());
        w.reject();
    });
    action("gaps")->trigger();
    whenModal<Tregform>([&](Tregform& w) {
        opened.push_back(w.windowTitle().toStdString());
        w.reject();
    });
    action("obmen")->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{"TblankForm", "Totvetform 1", "CompletenessWindow",
                                                "Параметры обмена"}));
    EXPECT_EQ(session->blanks.BlankNumber, 1);
    EXPECT_TRUE(prompter.errors.size() <= 1u); // the port's box only
}

// F1 on a menu item opens the help at the item's topic; the help menu's items open the
// program's page and the contents.
TEST_F(TkestformTest, HelpOpensAtTheTopicOfTheMenuItem)
{
    start((home / "no-such-tty").string());
    QMenu* settings = window->findChild<QMenu*>("N1");
    settings->popup(window->mapToGlobal(QPoint(0, 0)));
    settings->setActiveAction(action("myblank"));
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(settings, &f1);
    HelpWindow& help = programHelp();
    EXPECT_TRUE(help.isVisible());
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(help.page().toString(), "qrc:/help/blanks.html");
    EXPECT_TRUE(help.browser().toPlainText().contains("редактор бланков"));

    QKeyEvent f1again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    window->menuBar()->setActiveAction(action("kestread"));
    QApplication::sendEvent(window->menuBar(), &f1again);
    EXPECT_EQ(help.page().toString(), "qrc:/help/reading.html");

    // The items without a documented context have their own pages.
    for (const auto& [name, page] : std::vector<std::pair<const char*, const char*>>{
             {"eread", "events"}, {"N5", "forms"}, {"N6", "forms"}, {"gaps", "gaps"}}) {
        QMenu* menu = nullptr;
        for (QMenu* m : window->findChildren<QMenu*>())
            if (m->actions().contains(action(name)))
                menu = m;
        ASSERT_NE(menu, nullptr) << name;
        menu->popup(window->mapToGlobal(QPoint(0, 0)));
        menu->setActiveAction(action(name));
        QKeyEvent key(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(menu, &key);
        EXPECT_EQ(help.page().toString(), QString("qrc:/help/%1.html").arg(page)) << name;
        menu->hide();
    }

    action("N2")->trigger();
    EXPECT_EQ(help.page().toString(), "qrc:/help/index.html");
    test::saveScreenshot(help, "help-window.png");
    action("N3")->trigger();
    EXPECT_EQ(help.page().toString(), "qrc:/help/contents.html");
    // Every page the contents name is there.
    for (const char* page : {"connect", "reading", "exchange-settings", "archive-settings", "blanks",
                             "reports", "events", "command-line"}) {
        help.browser().setSource(QUrl(QString("qrc:/help/%1.html").arg(page)));
        EXPECT_FALSE(help.browser().documentTitle().isEmpty()) << page;
    }
    // The help window goes with the main window, so the program ends.
    ASSERT_TRUE(help.isVisible());
    window->close();
    EXPECT_FALSE(help.isVisible());
}

TEST_F(TkestformTest, AboutWindowShowsTheProgram)
{
    start((home / "no-such-tty").string());
    QStringList texts;
    whenModal<TAboutBox>([&](TAboutBox& about) {
        EXPECT_EQ(about.windowTitle(), "О программе");
        for (auto* label : about.findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts << label->text();
        test::saveScreenshot(about, "about-window.png");
        about.findChild<QPushButton*>("OKButton")->click();
    });
    action("N4")->trigger();
    EXPECT_EQ(texts,
              (QStringList{"КЕСТ", "Программное обеспечение систем энергоучета", "Диспетчерская программа",
                           "Версия 1.82", "Дата последнего изменения 09.09.2004 г."}));
}

} // namespace
} // namespace kest
