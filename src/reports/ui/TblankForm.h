#pragma once

#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>
#include <vector>

namespace Ui {
class TblankForm;
}

namespace kest {

class Totvetform;

/// "Редактор бланков": one blank of BLANK.INI at a time, held in `ablini`. Every change
/// goes into the record at once; "Сохранить" and "Сохранить как ..." write the file.
class TblankForm : public QDialog
{
    Q_OBJECT

public:
    /// `reportWindow` edits the titles; without one the editor makes its own.
    TblankForm(ReportSession& session, Totvetform* reportWindow = nullptr, QWidget* parent = nullptr);
    ~TblankForm() override;

    /// Fills the controller list from the database and shows blank 1; false (after the
    /// message) when the controller table cannot be read.
    bool prepare();
    /// "Сформировать/просмотреть бланк": prepare() and show the window modally.
    int openEditor();

    /// The type the editor shows (0..3), the one a save writes.
    int chosenType() const;

protected:
    void reject() override;

private:
    void prepareColumnList();
    void showBlank();
    void colourRows();
    void showColumnControls(bool shown);
    void selectColumn(int row);
    void captionChanged(int row);
    void setTotalsChoice(int id);
    void setStepChoice(int id);
    void askToSaveNewBlank();
    /// False when the blank's name is another blank's and the user does not want
    /// that blank replaced.
    bool replacingAgreed();
    void moveBy(int step);
    void addkolClick();
    void delkolClick();
    void newbClick();
    void saveAndReload(bool asNew);
    void delbClick();
    void titlebClick();
    void ComboBox1Change(int index);

    std::unique_ptr<Ui::TblankForm> ui;
    ReportSession& m_session;
    Totvetform* m_reportWindow;
    std::vector<long long> m_controllerCodes; ///< per list item after "нет"
    int m_row = 0;                            ///< the selected column, 1..16; 0 before a selection
    int m_currentGroup = 0;                   ///< the group of the selected column
};

} // namespace kest
