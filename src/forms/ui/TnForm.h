#pragma once

#include "forms/FormSettings.h"
#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QTableWidgetItem;

namespace Ui {
class TnForm;
}

namespace kest {

/// "Настройка стандартных бланков": per controller the texts and archive numbers of a
/// standard form's parameters, per form the archive, total type and decimals of its
/// table columns. Every change goes into the form's OPIS.INI at once.
class TnForm : public QDialog
{
    Q_OBJECT

public:
    /// The form folders are in `session.blanks.DatabasePath`; failed writes are shown
    /// through `session.prompter`.
    explicit TnForm(ReportSession& session, QWidget* parent = nullptr);
    ~TnForm() override;

    /// The form list: "нет", then the form folders (the main window's folder scan).
    void setFormChoices(const std::vector<std::string>& forms);
    /// The controller list: "нет", then "name (HEX4)" per controller. The chosen
    /// controller stays chosen when the new list holds it.
    void setControllerChoices(const std::vector<std::string>& controllers);
    int controllerChoiceCount() const;

    /// "Скопировать", "Вставить" and "Очистить" of the parameter list.
    void copyValues();
    void pasteValues();
    void clearValues();

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum NColumn
    {
        kNameColumn,
        kValueColumn,
        kNumberColumn,
    };
    enum AColumn
    {
        kArchiveNameColumn,
        kArchiveColumn,
        kArchiveNumberColumn,
        kTotalColumn,
        kDecimalsColumn,
    };

    void choiceChanged();
    void fillParameterGrid();
    void fillArchiveGrid();
    void ngridChanged(QTableWidgetItem* item);
    void aGridChanged(QTableWidgetItem* item);
    /// Shows a failed write once and shows the file's values again.
    void stored(const std::string& problem);
    std::filesystem::path formFolder() const;

    std::unique_ptr<Ui::TnForm> ui;
    ReportSession& m_session;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_clear = nullptr;
    std::string m_form;          ///< the form listed last, to notice a change of form
    std::string m_controllerHex; ///< of the parameter list on screen
    std::vector<FormParameterRow> m_rows;
    int m_copyState = 0; ///< 1 while copied values are held
    std::vector<std::string> m_held;
    bool m_filling = false; ///< set while the window fills its grids itself
};

} // namespace kest
