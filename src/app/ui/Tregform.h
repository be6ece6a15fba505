#pragma once

#include "app/ui/DesktopSession.h"
#include "common/ExchangeLog.h"
#include "exchange/ArchivePasses.h"

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;

namespace Ui {
class Tregform;
}

namespace kest {

/// The exchange window's log pane as the exchange log.
class PaneLog final : public ExchangeLog
{
public:
    void append(const std::string& line) override;
    QPlainTextEdit* pane = nullptr;
};

/// The exchange window's progress bar: the reading pass steps it once per request.
class ExchangeProgressBar final : public ExchangeProgress
{
public:
    void setPosition(int position) override;
    void step() override;
    QProgressBar* bar = nullptr;
};

/// The exchange window. Its settings face ("Параметры обмена") edits NN.INI and
/// writes it at every change and at closing; its exchange face ("Обмен с
/// регистратором") reads the catalog, reads the records into memory and stores them
/// in the database, with the log, the progress bar and the "СТОП" buttons. Every
/// exchange runs here on the GUI thread; the registrar code pumps events between
/// requests, so the window repaints and "СТОП" is taken mid-read.
class Tregform : public QDialog
{
    Q_OBJECT

public:
    Tregform(DesktopSession& session, QWidget* parent = nullptr);
    ~Tregform() override;

    /// The main menu's "Чтение": loads NN.INI, shows the exchange face modally and
    /// afterwards moves the menu items by ExchangeStatus.
    void openExchangeFace();
    /// The main menu's "Параметры обмена": the settings face, modally.
    void openSettingsFace();
    /// What "Настройки арх." runs (the main window's archive settings command).
    void setArchiveSettingsCommand(std::function<void()> command);

    /// LoadExchangeSettings: NN.INI into memory and the controls; message 41 when
    /// what the exchange needs is missing.
    void loadExchangeSettings();

    /// The session file of the last reading pass, when one was written.
    const std::optional<std::filesystem::path>& sessionFile() const { return m_sessionFile; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSettings();
    void activateExchangeFace();
    void saveSettings();
    void takeDerivedValues();
    void pump();

    void settingChanged();
    void catalogReadClick();
    void myexportClick();
    void Button7Click();
    void stopClick();
    void DEdit3BrowseClick();
    /// The archive server row: which archive is in use, SERVER and its check.
    void addServerRow();
    void serverCheckClick();
    void showArchiveInUse();
    void done(int result) override;

    std::unique_ptr<Ui::Tregform> ui;
    DesktopSession& m_session;
    PaneLog m_log;
    ExchangeProgressBar m_progress;
    std::function<void()> m_archiveSettingsCommand;
    std::vector<QLineEdit*> m_depthEdits;
    QLineEdit* m_serverEdit = nullptr;
    QLabel* m_archiveInUse = nullptr;
    std::optional<std::filesystem::path> m_sessionFile;
    /// An exchange is running: the window does not close under it.
    bool m_busy = false;
    /// A failed NN.INI write is shown once per opening, not at every keystroke.
    bool m_saveErrorShown = false;
};

} // namespace kest
