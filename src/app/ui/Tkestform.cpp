#include "app/ui/Tkestform.h"

#include "app/ArchiveSetup.h"
#include "app/HelpTopics.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/ProgramIcon.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/Tregform.h"
#include "events/EventArchive.h"
#include "events/ui/TEForm.h"
#include "exchange/Connection.h"
#include "exchange/ControllerChoices.h"
#include "forms/StandardForm.h"
#include "forms/ui/TbForm.h"
#include "forms/ui/TnForm.h"
#include "import/ui/ImportWindow.h"
#include "reports/ui/CompletenessWindow.h"
#include "reports/ui/TblankForm.h"
#include "reports/ui/Totvetform.h"
#include "reports/ui/Tperiodform.h"
#include "settings/ui/Tvibor.h"
#include "ui_Tkestform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QScreen>
#include <QTimer>

namespace kest {
namespace {

constexpr const char* kNoControllers =
    "Базы описания контролеров пусты. Считайте информацию с регистратора информации МЕРАН-Р.";
constexpr const char* kNoStandardForms = "По указанному пути стандартные бланки не найдены.";
constexpr const char* kNoFormControllers =
    "В базе данных не найдены описатели МЕРАН, подключите регистратор с записями МЕРАН к компьютеру и "
    "установите связь с ним.";

/// The main window's outer size; the frame the window manager adds counts in it.
constexpr QSize kOuterSize(505, 356);

DateTime today()
{
    const QDate d = QDate::currentDate();
    return encodeDateTime(d.year(), d.month(), d.day()).value_or(0);
}

std::string databaseFailure(const std::string& reason)
{
    const std::string text = exchangeMessage(kStatusDatabase);
    return reason.empty() ? text : text + "\n" + reason;
}

} // namespace

Tkestform::Tkestform(DesktopSession& session, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Tkestform>()), m_session(session),
      m_helpKeys(std::make_unique<HelpKeyFilter>())
{
    ui->setupUi(this);
    setWindowIcon(programIcon());
    ui->emblem->setPixmap(programPixmap(96));
    // The menu bar knows a submenu by its title item, so the title carries the help context.
    for (QMenu* menu : {ui->N1, ui->kestset, ui->kesthelp})
        menu->menuAction()->setProperty("helpContext", menu->property("helpContext"));
    qApp->installEventFilter(m_helpKeys.get());

    // The program's windows live as long as the main window; the report windows share
    // one period window, as the event window does.
    m_period = new Tperiodform(session.reports, this);
    m_report = new Totvetform(session.reports, m_period, this);
    m_blank = new TblankForm(session.reports, m_report, this);
    m_events = new TEForm(session.reports, *m_period, this);
    m_about = new TAboutBox(this);
    m_exchange = new Tregform(session, this);
    // The standard form windows keep the controller chosen last between openings.
    m_forms = new TbForm(session.reports, session.formParameters, m_period, this);
    m_formSettings = new TnForm(session.reports, this);
    m_exchange->setArchiveSettingsCommand([this] { setarhClick(); });

    connect(ui->setonline, &QAction::triggered, this, &Tkestform::setonlineClick);
    connect(ui->kestread, &QAction::triggered, this, &Tkestform::kestreadClick);
    connect(ui->myblank, &QAction::triggered, this, &Tkestform::myblankClick);
    connect(ui->myprint, &QAction::triggered, this, &Tkestform::myprintClick);
    connect(ui->eread, &QAction::triggered, this, &Tkestform::ereadClick);
    connect(ui->gaps, &QAction::triggered, this, &Tkestform::gapsClick);
    connect(ui->importArchive, &QAction::triggered, this, &Tkestform::importArchiveClick);
    connect(ui->N6, &QAction::triggered, this, &Tkestform::N6Click);
    connect(ui->N5, &QAction::triggered, this, &Tkestform::N5Click);
    connect(ui->obmen, &QAction::triggered, this, &Tkestform::obmenClick);
    connect(ui->setarh, &QAction::triggered, this, &Tkestform::setarhClick);
    connect(ui->N2, &QAction::triggered, this, &Tkestform::N2Click);
    connect(ui->N3, &QAction::triggered, this, &Tkestform::N3Click);
    connect(ui->N4, &QAction::triggered, this, &Tkestform::N4Click);
    connect(ui->Button1, &QPushButton::clicked, this, &Tkestform::Button1Click);

    m_session.onMenuChanged = [this] { applyMenu(); };
    applyMenu();
}

Tkestform::~Tkestform()
{
    m_session.onMenuChanged = nullptr;
}

void Tkestform::applyMenu()
{
    const MenuVisibility& menu = m_session.menu;
    ui->setonline->setVisible(menu.setonline);
    ui->kestread->setVisible(menu.kestread);
    ui->setarh->setVisible(menu.setarh);
    ui->eread->setVisible(menu.eread);
}

void Tkestform::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(kOuterSize - frame);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(kOuterSize.width() / 2, kOuterSize.height() / 2));
    // The window paints itself before the registrar is probed.
    QTimer::singleShot(0, this, &Tkestform::FormActivate);
}

void Tkestform::closeEvent(QCloseEvent* event)
{
    closeProgramHelp();
    m_session.link.ClosePort();
    QMainWindow::closeEvent(event);
}

void Tkestform::FormActivate()
{
    m_session.menu.beforeConnecting();
    m_session.menuChanged();
    m_session.loadSettings();
    if (m_session.settings.SettingsMissing) {
        m_session.prompter.showError(exchangeMessage(kStatusSettingsMissing));
        m_startedUp = true;
        return;
    }
    offerDatabase();
    setonlineClick();
    m_startedUp = true;
}

void Tkestform::offerDatabase()
{
    const std::filesystem::path folder = m_session.settings.DatabasePath;
    if (!archiveDatabaseMissing(folder))
        return;
    const std::string question =
        "В папке " + folder.string() + " нет архивной базы данных. Создать новую пустую базу данных?";
    if (!m_session.prompter.ask(question, true))
        return;
    const ArchiveSetup setup = PrepareArchiveFolder(folder);
    if (setup.databaseFailed) {
        m_session.prompter.showError(databaseFailure(setup.file.string() + ": " + setup.message));
        return;
    }
    if (!setup.ok)
        m_session.prompter.showError("Не удалось установить стандартные бланки: " + setup.message);
}

void Tkestform::setonlineClick()
{
    // Only a reading pass keeps its recording; what the line said before is let go.
    m_session.recording.restart();
    const bool answered = EstablishConnection(m_session.exchange, m_session.settings.Port);
    m_session.menu.afterConnection(answered, m_session.state.ExchangeStatus, m_session.catalog.count);
    m_session.menuChanged();
}

void Tkestform::kestreadClick()
{
    m_exchange->openExchangeFace();
}

void Tkestform::myblankClick()
{
    m_session.blanks.NewBlankPending = false;
    m_session.blanks.BlankNumber = 1;
    m_blank->openEditor();
}

void Tkestform::myprintClick()
{
    m_report->openReport();
}

void Tkestform::ereadClick()
{
    m_session.periods[PeriodTable::kEventEntry] = eventPeriod(today(), m_session.reports.settlementHour);
    const EventControllerList list = EventControllerRows(m_session.exchange, m_session.GuardFlag);
    if (list.EventListFailed) {
        m_session.state.ExchangeStatus = kStatusDatabase;
        return;
    }
    if (list.rows.empty()) {
        m_session.prompter.showInfo(kNoControllers);
        return;
    }
    m_events->setControllers(list.rows);
    m_events->exec();
}

void Tkestform::gapsClick()
{
    CompletenessWindow window(m_session.settings.DatabasePath, m_session.prompter, this);
    window.exec();
}

void Tkestform::importArchiveClick()
{
    ImportWindow window(m_session.settings.DatabasePath, this);
    window.exec();
}

std::optional<std::vector<std::string>> Tkestform::standardFormChoices()
{
    Button1Click();
    std::vector<std::string> controllers = ControllerChoiceList(m_session.exchange);
    if (m_standardForms.size() <= 1) {
        if (m_session.state.ExchangeStatus != 0)
            m_session.prompter.showInfo(kNoStandardForms);
        return std::nullopt;
    }
    return controllers;
}

void Tkestform::N6Click()
{
    const auto controllers = standardFormChoices();
    if (!controllers)
        return;
    m_formSettings->setFormChoices(m_standardForms);
    m_formSettings->setControllerChoices(*controllers);
    m_formSettings->exec();
}

void Tkestform::N5Click()
{
    const auto controllers = standardFormChoices();
    if (!controllers)
        return;
    m_forms->setFormChoices(m_standardForms);
    m_forms->setControllerChoices(*controllers);
    if (m_forms->controllerChoiceCount() < 2) {
        m_session.prompter.showInfo(kNoFormControllers);
        return;
    }
    m_forms->exec();
}

void Tkestform::obmenClick()
{
    m_exchange->openSettingsFace();
}

void Tkestform::setarhClick()
{
    // The exchange window's "Настройки арх." lands here too, so the archive settings
    // open over whichever window is on top.
    Tvibor window(m_session, QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this);
    if (window.buildList())
        window.exec();
}

void Tkestform::N2Click()
{
    programHelp().showTopic(kHelpProgram);
}

void Tkestform::N3Click()
{
    programHelp().showContents();
}

void Tkestform::N4Click()
{
    m_about->exec();
}

void Tkestform::Button1Click()
{
    m_standardForms = StandardFormList(m_session.settings.DatabasePath);
}

} // namespace kest
