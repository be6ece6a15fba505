#pragma once

#include "forms/StandardForm.h"
#include "grid/ui/GridView.h"
#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TbForm;
}

namespace kest {

class Tperiodform;

/// "Стандартные бланки": the user picks a controller and a standard form, states the
/// period, and sees the form filled from the archive tables in its three tables,
/// ready to print or export.
class TbForm : public QDialog
{
    Q_OBJECT

public:
    /// The form folders are in `session.blanks.DatabasePath`; the table steps use
    /// `session.blanks.ablini` as their scratch blank and period entry 140.
    /// `parameters` keeps the parameter values from one filling to the next (a result
    /// shown above its formula shows the previous filling's value), so it belongs to
    /// the program rather than to the window. `periodForm` is the program's one period
    /// window; without one the window makes its own.
    TbForm(ReportSession& session,
           ParameterTable& parameters,
           Tperiodform* periodForm = nullptr,
           QWidget* parent = nullptr);
    ~TbForm() override;

    /// The form list: "нет", then the form folders (the main window's folder scan).
    void setFormChoices(const std::vector<std::string>& forms);
    /// The controller list: "нет", then "name (HEX4)" per controller. The chosen
    /// controller stays chosen when the new list holds it.
    void setControllerChoices(const std::vector<std::string>& controllers);
    int controllerChoiceCount() const;

    const FilledForm& form() const { return m_form; }
    GridView& upgrid() { return *m_upgrid; }
    GridView& basegrid() { return *m_basegrid; }
    GridView& downgrid() { return *m_downgrid; }
    Tperiodform& periodForm() { return *m_period; }

    /// The printer set-up dialog and the export's file dialog; tests choose without them.
    void setPrinterChooser(PrinterChooser choose) { m_choosePrinter = std::move(choose); }
    void setSaveFileChooser(SaveFileChooser choose) { m_chooseFile = std::move(choose); }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void choiceChanged();
    bool fillForm(const std::string& folder, const std::string& controllerHex);
    void hideForm();
    void showForm();
    void Button2Click();
    void Button4Click();

    std::unique_ptr<Ui::TbForm> ui;
    ReportSession& m_session;
    ParameterTable& m_parameters;
    FilledForm m_form;
    std::string m_folder; ///< of the form on screen
    GridView* m_upgrid;
    GridView* m_basegrid;
    GridView* m_downgrid;
    Tperiodform* m_period = nullptr;
    bool m_exporting = false;
    PrinterChooser m_choosePrinter = choosePrinterWithDialog;
    SaveFileChooser m_chooseFile = chooseSaveFileWithDialog;
};

} // namespace kest
