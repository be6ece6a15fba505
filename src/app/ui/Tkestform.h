#pragma once

#include "app/ui/DesktopSession.h"

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;

namespace Ui {
class Tkestform;
}

namespace kest {

class HelpKeyFilter;
class TAboutBox;
class TEForm;
class TblankForm;
class Tregform;
class TbForm;
class TnForm;
class Totvetform;
class Tperiodform;

/// The main window: a menu whose commands open the program's modal windows. On its
/// first showing it loads NN.INI, connects to the registrar and reads its catalog;
/// the menu then offers what the connection allows.
class Tkestform : public QMainWindow
{
    Q_OBJECT

public:
    explicit Tkestform(DesktopSession& session, QWidget* parent = nullptr);
    ~Tkestform() override;

    /// True once the start-up sequence of the first showing has run.
    bool startedUp() const { return m_startedUp; }
    /// The standard-form list of the last folder scan: "нет", then the form folders.
    const std::vector<std::string>& standardForms() const { return m_standardForms; }

    TEForm& eventWindow() { return *m_events; }
    Totvetform& reportWindow() { return *m_report; }

    /// The menu's changing items take the session's flags.
    void applyMenu();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormActivate();
    void offerDatabase();
    void setonlineClick();
    void kestreadClick();
    void myblankClick();
    void myprintClick();
    void ereadClick();
    void gapsClick();
    /// "Импорт архива": the tables of an earlier installation into the archive.
    void importArchiveClick();
    /// Both standard-form items scan the folders and list the controllers; nothing
    /// (after the message when due) when no standard form was found.
    std::optional<std::vector<std::string>> standardFormChoices();
    void N6Click();
    void N5Click();
    void obmenClick();
    void setarhClick();
    void N2Click();
    void N3Click();
    void N4Click();
    void Button1Click();

    std::unique_ptr<Ui::Tkestform> ui;
    DesktopSession& m_session;
    std::unique_ptr<HelpKeyFilter> m_helpKeys;
    Tperiodform* m_period;
    Totvetform* m_report;
    TblankForm* m_blank;
    TEForm* m_events;
    TAboutBox* m_about;
    Tregform* m_exchange;
    TbForm* m_forms;
    TnForm* m_formSettings;
    std::vector<std::string> m_standardForms;
    bool m_startedUp = false;
    bool m_startScheduled = false;
};

} // namespace kest
