#include "app/ui/Tregform.h"

#include "app/ExchangeSettingsForm.h"
#include "app/TerminalProgress.h"
#include "common/Prompter.h"
#include "db/ArchiveServerCheck.h"
#include "common/ui/EnterButton.h"
#include "exchange/CatalogReader.h"
#include "session/SessionRun.h"
#include "ui_Tregform.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace kest {
namespace {

constexpr char32_t kBackspace = 0x08;

/// Keys that type no character (arrows, Delete, Enter, Tab) pass every filter: the
/// filters judge typed characters, not the keys that move through or leave a field.
bool typesCharacter(char32_t c)
{
    return c == kBackspace || (c >= 0x20 && c != 0x7F);
}

} // namespace

void PaneLog::append(const std::string& line)
{
    if (pane)
        pane->appendPlainText(QString::fromStdString(line));
}

void ExchangeProgressBar::setPosition(int position)
{
    if (bar)
        bar->setValue(std::min(position, bar->maximum()));
}

void ExchangeProgressBar::step()
{
    if (bar)
        bar->setValue(std::min(bar->value() + 1, bar->maximum()));
}

Tregform::Tregform(DesktopSession& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Tregform>()), m_session(session)
{
    ui->setupUi(this);
    m_log.pane = ui->Memo1;
    m_progress.bar = ui->ProgressBar1;
    m_depthEdits = {ui->Edit1, ui->Edit4, ui->Edit3, ui->Edit5, ui->Edit6};
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* edit : m_depthEdits) {
        edit->setValidator(digits);
        edit->installEventFilter(this);
    }
    ui->DEdit3->installEventFilter(this);
    // Only the arrows change the spin controls.
    for (QSpinBox* spin : {ui->SpinEdit1, ui->SpinEdit2})
        spin->findChild<QLineEdit*>()->setReadOnly(true);
    ui->Memo1->setMinimumHeight(220);
    ui->DEdit3->setMinimumWidth(320);
    const int numberWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 40;
    for (QWidget* number : std::initializer_list<QWidget*>{ui->Edit1, ui->Edit4, ui->Edit3, ui->Edit5,
                                                           ui->Edit6, ui->SpinEdit1, ui->SpinEdit2})
        number->setFixedWidth(numberWidth);
    ui->DEdit3Browse->setFixedWidth(ui->DEdit3Browse->sizeHint().height() + 8);
    ui->comset->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (QWidget* help : std::initializer_list<QWidget*>{ui->comset, ui->SpinEdit1, ui->SpinEdit2, ui->Edit1,
                                                         ui->Edit4, ui->RadioGroup2})
        help->setProperty("helpContext", 20);
    for (QWidget* help : std::initializer_list<QWidget*>{ui->catalogRead, ui->myexport, ui->Memo1})
        help->setProperty("helpContext", 13);

    addServerRow();
    showSettings();

    const auto guarded = [this](auto handler) {
        return [this, handler] {
            if (m_session.GuardFlag) {
                m_session.GuardFlag = false;
                return;
            }
            handler();
            saveSettings();
        };
    };
    connect(ui->SpinEdit2, &QSpinBox::valueChanged, this,
            guarded([this] { m_session.settings.KOLP = ui->SpinEdit2->value(); }));
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this,
            guarded([this] { m_session.settings.TWORK = ui->SpinEdit1->value(); }));
    const auto depthChanged = guarded([this] {
        applyDepthTexts(m_session.settings, {ui->Edit1->text().toStdString(), ui->Edit4->text().toStdString(),
                                             ui->Edit3->text().toStdString(), ui->Edit5->text().toStdString(),
                                             ui->Edit6->text().toStdString()});
    });
    for (QLineEdit* edit : m_depthEdits)
        connect(edit, &QLineEdit::textChanged, this, depthChanged);
    connect(ui->comset, &QComboBox::activated, this, guarded([] {}));
    connect(m_serverEdit, &QLineEdit::textChanged, this, guarded([this] {
                m_session.settings.Server = m_serverEdit->text().trimmed().toStdString();
            }));
    connect(m_serverEdit, &QLineEdit::textChanged, this, &Tregform::showArchiveInUse);
    connect(ui->DEdit3, &QLineEdit::textChanged, this, &Tregform::showArchiveInUse);
    showArchiveInUse();
    connect(ui->KolArhEdit, &QSpinBox::valueChanged, this,
            [this](int value) { m_session.recordLimit = value; });

    connect(ui->catalogRead, &QPushButton::clicked, this, &Tregform::catalogReadClick);
    connect(ui->myexport, &QPushButton::clicked, this, &Tregform::myexportClick);
    connect(ui->Button7, &QPushButton::clicked, this, &Tregform::Button7Click);
    connect(ui->catalogStop, &QPushButton::clicked, this, &Tregform::stopClick);
    connect(ui->readStop, &QPushButton::clicked, this, &Tregform::stopClick);
    connect(ui->Exit, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(ui->DEdit3Browse, &QPushButton::clicked, this, &Tregform::DEdit3BrowseClick);
    connect(ui->archiveSettings, &QPushButton::clicked, this, [this] {
        if (m_archiveSettingsCommand)
            m_archiveSettingsCommand();
    });
}

// The session outlives the window: nothing of it may point here afterwards.
Tregform::~Tregform()
{
    if (m_session.log.target == &m_log)
        m_session.log.target = nullptr;
    if (m_session.exchange.progress == &m_progress)
        m_session.exchange.progress = nullptr;
}

void Tregform::setArchiveSettingsCommand(std::function<void()> command)
{
    m_archiveSettingsCommand = std::move(command);
}

void Tregform::pump()
{
    m_session.pump.processEvents();
}

// The controls show NN.INI as it is in memory. Each assignment is announced with
// GuardFlag so that its change handler does not write the file back; the flag is
// cleared at the end, since an assignment that changes nothing fires no handler.
void Tregform::showSettings()
{
    const ExchangeSettings& s = m_session.settings;
    bool& guard = m_session.GuardFlag;
    guard = true;
    ui->SpinEdit2->setValue(clampAttempts(s.KOLP));
    guard = true;
    ui->SpinEdit1->setValue(clampPause(s.TWORK));
    const int depths[] = {s.DARH, s.DARD, s.DARM, s.Dok, s.Dare};
    for (std::size_t i = 0; i < m_depthEdits.size(); ++i) {
        guard = true;
        m_depthEdits[i]->setText(QString::number(depths[i]));
    }
    guard = true;
    ui->DEdit3->setText(QString::fromStdString(pathFieldText(s.DatabasePath)));
    guard = true;
    m_serverEdit->setText(QString::fromStdString(s.Server));
    guard = true;
    const std::vector<std::string> choices = serialDeviceChoices(s.Port);
    {
        const QSignalBlocker blocker(ui->comset);
        ui->comset->clear();
        for (const std::string& choice : choices)
            ui->comset->addItem(QString::fromStdString(serialDeviceLabel(choice)), QString::fromStdString(choice));
    }
    ui->comset->setCurrentIndex(serialDeviceIndex(choices, s.Port));
    guard = false;
}

void Tregform::loadExchangeSettings()
{
    m_session.settings = LoadExchangeSettings(m_session.programDir);
    showSettings();
    m_session.applySettings();
    if (m_session.settings.SettingsMissing)
        m_session.prompter.showError(exchangeMessage(kStatusSettingsMissing));
    else
        ui->catalogRead->show();
}

void Tregform::saveSettings()
{
    ExchangeSettings& s = m_session.settings;
    s.KOLP = ui->SpinEdit2->value();
    s.TWORK = ui->SpinEdit1->value();
    if (ui->comset->currentIndex() >= 0)
        s.Port = portOfChoice(ui->comset->currentData().toString().toStdString());
    const std::string error = SaveExchangeSettings(m_session.programDir, s);
    if (!error.empty() && !m_saveErrorShown) {
        m_saveErrorShown = true;
        m_session.prompter.showError("Не удалось записать " + std::string(kSettingsFile) + ": " + error);
    }
    m_session.applySettings();
}

void Tregform::takeDerivedValues()
{
    ExchangeSettings& s = m_session.settings;
    if (m_session.GuardFlag)
        m_session.GuardFlag = false;
    else
        s.KOLP = ui->SpinEdit2->value();
    s.TWORK = ui->SpinEdit1->value();
    m_session.applySettings();
    m_session.reports.settlementHour = m_session.settlementHourSpin;
}

void Tregform::openSettingsFace()
{
    m_saveErrorShown = false;
    showSettings();
    setWindowTitle(QStringLiteral("Параметры обмена"));
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->Memo1, ui->catalogRead, ui->catalogStop, ui->myexport, ui->readStop, ui->Button7,
             ui->archiveSettings, ui->KolArhEdit, ui->LabelKolArhEdit, ui->ProgressBar1})
        w->hide();
    ui->SettingsPanel->show();
    ui->Exit->show();
    // The settings are kept as they are typed, so Enter leaves like "Выход".
    setEnterButton(*this, *ui->Exit);
    adjustSize();
    exec();
}

void Tregform::openExchangeFace()
{
    m_saveErrorShown = false;
    ui->myexport->setVisible(m_session.catalog.count > 0);
    loadExchangeSettings();
    activateExchangeFace();
    ExchangeLog* previous = m_session.log.target;
    m_session.log.target = &m_log;
    exec();
    m_session.log.target = previous;
    m_session.menu.afterExchangeWindow(m_session.state.ExchangeStatus);
    m_session.menuChanged();
}

void Tregform::activateExchangeFace()
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->catalogStop, ui->readStop, ui->Button7, ui->archiveSettings,
                                         ui->SettingsPanel, ui->ProgressBar1})
        w->hide();
    setWindowTitle(QStringLiteral("Обмен с регистратором"));
    clearEnterButton(*this);
    const int count = m_session.catalog.count;
    ui->KolArhEdit->setMaximum(count);
    const int limit = m_session.recordLimit;
    ui->KolArhEdit->setValue(limit > 0 && limit <= count ? limit : count);
    ui->KolArhEdit->show();
    ui->LabelKolArhEdit->show();
    takeDerivedValues();
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->Memo1, ui->catalogRead, ui->Exit, ui->archiveSettings})
        w->show();
    ui->archiveSettings->setEnabled(true);
    ui->myexport->setVisible(count > 0);
    ui->Memo1->clear();
    resize(720, 460);
}

void Tregform::catalogReadClick()
{
    m_busy = true;
    for (QWidget* w : std::initializer_list<QWidget*>{ui->catalogRead, ui->Exit, ui->myexport, ui->Button7})
        w->hide();
    ui->Edit2->clear();
    ui->catalogStop->show();
    ui->archiveSettings->setEnabled(false);
    pump();

    m_session.exchange.progress = &m_progress;
    ReadCatalogCommand(m_session.exchange);
    const ExchangeState& state = m_session.state;
    if (state.ExchangeStatus == kStatusOk && !state.StopRequested && m_session.catalog.count > 0)
        ui->myexport->show();

    ui->KolArhEdit->setMaximum(m_session.catalog.count);
    ui->KolArhEdit->setValue(m_session.catalog.count);
    ui->catalogRead->show();
    ui->Exit->show();
    ui->catalogStop->hide();
    ui->archiveSettings->setEnabled(true);
    pump();
    m_busy = false;
}

void Tregform::myexportClick()
{
    m_busy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (QWidget* w : std::initializer_list<QWidget*>{ui->Exit, ui->catalogRead, ui->Button7, ui->myexport})
        w->hide();
    ui->readStop->show();
    ui->archiveSettings->setEnabled(false);

    ExchangeContext& exchange = m_session.exchange;
    exchange.progress = &m_progress;
    const bool pageLink = exchange.link.PageLink == 1;
    int requests = 1;
    for (int r = 1; r <= passRecordCount(exchange); ++r)
        requests += TerminalProgress::requestsOf(m_session.catalog.entry(r), pageLink);
    ui->ProgressBar1->setRange(0, requests);
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar1->show();

    // The session file holds this pass alone: it starts on the connected port with
    // the catalog as the pass found it, so what ran over the line before (the
    // catalog read, the archive settings list) does not have to be replayed.
    const std::string started = toSqlText(exchange.clock.now());
    const std::string marks = currentArchiveSettings(exchange.databasePath);
    const Catalog before = m_session.catalog;
    m_session.recording.restart();
    m_sessionFile.reset();
    ReadingPass(exchange, m_session.passes);
    QApplication::restoreOverrideCursor();
    if (m_session.passes.ListTimes != PassState::RecordTimes::NotRead) {
        m_session.menu.afterRecordTimeRead(m_session.passes.ListTimes == PassState::RecordTimes::Read);
        m_session.menuChanged();
    }

    if (m_session.passes.PassDone == 1) {
        m_session.reports.decimalSeparator = '.';
        ui->ProgressBar1->setValue(ui->ProgressBar1->maximum());
        std::string error;
        m_sessionFile = keepReadSession(exchange, started, marks, m_session.recording.events(), error,
                                        {SessionStart::ReadingPass, &before});
        if (!m_sessionFile)
            exchange.log.append("Файл сеанса не записан: " + error);
        ui->catalogRead->show();
        ui->Button7->show();
    }
    ui->readStop->hide();
    ui->myexport->hide();
    ui->Exit->show();
    ui->archiveSettings->setEnabled(true);
    m_busy = false;
}

void Tregform::Button7Click()
{
    m_busy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The storing pass cannot be stopped halfway, so its "СТОП" is not offered.
    for (QWidget* w : std::initializer_list<QWidget*>{ui->Exit, ui->catalogRead, ui->Button7, ui->myexport})
        w->hide();
    ui->archiveSettings->setEnabled(false);

    ExchangeContext& exchange = m_session.exchange;
    // The bar counts the records stored.
    exchange.progress = &m_progress;
    ui->ProgressBar1->setRange(0, std::max(1, passRecordCount(exchange)));
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar1->show();
    pump();
    const ExchangeSettings& s = m_session.settings;
    StoringPass(exchange, m_session.passes, depthLimitsFor(s), s.DatabaseWait);
    if (m_sessionFile) {
        const std::string text = afterStoringPass(m_session.passes, *m_sessionFile, exchange.databasePath,
                                                  exchange.clock.now(), s.SessionsKept);
        if (!text.empty())
            exchange.log.append(text);
    }
    if (m_session.passes.PassDone == 1) {
        m_session.reports.decimalSeparator = '.';
        ui->catalogRead->show();
    }
    ui->readStop->hide();
    ui->Exit->show();
    ui->archiveSettings->setEnabled(true);
    QApplication::restoreOverrideCursor();
    m_busy = false;
}

void Tregform::stopClick()
{
    m_session.state.StopRequested = true;
    m_session.state.ExchangeStatus = kStatusStopped;
}

void Tregform::addServerRow()
{
    auto* row = new QHBoxLayout();
    auto* label = new QLabel(QStringLiteral("Сервер архива:"), this);
    m_serverEdit = new QLineEdit(this);
    m_serverEdit->setObjectName(QStringLiteral("serverEdit"));
    m_serverEdit->setAccessibleName(QStringLiteral("Сервер архива"));
    m_serverEdit->setPlaceholderText(QStringLiteral("host=... dbname=... user=... (пусто: файл в папке баз)"));
    m_serverEdit->setToolTip(QStringLiteral("Строка соединения с сервером PostgreSQL, без пароля "
                                            "(пароль хранится в ~/.pgpass)"));
    label->setBuddy(m_serverEdit);
    auto* check = new QPushButton(QStringLiteral("Проверить"), this);
    check->setObjectName(QStringLiteral("serverCheck"));
    check->setAutoDefault(false);
    row->addWidget(label);
    row->addWidget(m_serverEdit, 1);
    row->addWidget(check);
    m_archiveInUse = new QLabel(this);
    m_archiveInUse->setObjectName(QStringLiteral("archiveInUse"));
    const int next = ui->panelLayout->rowCount();
    ui->panelLayout->addLayout(row, next, 0, 1, 2);
    ui->panelLayout->addWidget(m_archiveInUse, next + 1, 0, 1, 2);
    connect(check, &QPushButton::clicked, this, &Tregform::serverCheckClick);
    // Made after the drawn controls, the row would come last in the Tab order; it
    // belongs after the rest of the settings panel, before the buttons below it.
    QWidget* before = ui->catalogRead->previousInFocusChain();
    QWidget::setTabOrder(before, m_serverEdit);
    QWidget::setTabOrder(m_serverEdit, check);
    QWidget::setTabOrder(check, ui->catalogRead);
}

void Tregform::showArchiveInUse()
{
    m_archiveInUse->setText(QString::fromStdString(
        ArchiveInUseText(withTrailingSeparator(ui->DEdit3->text().toStdString()), m_session.settings.Server)));
}

void Tregform::serverCheckClick()
{
    const std::string text =
        ArchiveServerCheckText(CheckArchiveServer(m_serverEdit->text().trimmed().toStdString()));
    m_session.prompter.showInfo(text);
}

void Tregform::DEdit3BrowseClick()
{
    const QString dir =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Путь к базам данных"), ui->DEdit3->text());
    if (!dir.isEmpty())
        ui->DEdit3->setText(dir);
}

// Closing, from either face and however it is closed, takes the path field and
// writes NN.INI. A window with an exchange running does not close: the exchange
// would go on under a window that is gone.
void Tregform::done(int result)
{
    if (m_busy)
        return;
    m_session.settings.DatabasePath = withTrailingSeparator(ui->DEdit3->text().toStdString());
    saveSettings();
    QDialog::done(result);
}

bool Tregform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.isEmpty())
        return false;
    const char32_t key = text.toUcs4().value(0);
    if (!typesCharacter(key))
        return false;
    if (watched == ui->DEdit3) {
        // The program's decimal separator: ',' until the first record was read or
        // stored, '.' after that.
        const auto typed = pathKey(key, static_cast<char32_t>(m_session.reports.decimalSeparator));
        if (!typed)
            return true;
        if (*typed != key) {
            ui->DEdit3->insert(QString::fromUcs4(&*typed, 1));
            return true;
        }
        return false;
    }
    return !depthKeyAccepted(key);
}

} // namespace kest
