#pragma once

#include "grid/TableModel.h"
#include "grid/ui/GridView.h"
#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Totvetform;
}

namespace kest {

class Tperiodform;

/// The report window. In report mode (1) the user picks a blank and its period and
/// sees, prints and exports the report; in title mode (2), opened by the blank editor,
/// the upper and lower title lines of `ablini` are edited.
class Totvetform : public QDialog
{
    Q_OBJECT

public:
    /// `periodForm` is the program's one period window; without one the window makes its own.
    explicit Totvetform(ReportSession& session, Tperiodform* periodForm = nullptr, QWidget* parent = nullptr);
    ~Totvetform() override;

    /// "Печать/просмотр отчета": report mode, shown modally.
    int openReport();
    /// The blank editor's "Заголовок отчета": title mode for the blank named `blankName`.
    int openTitles(const std::string& blankName);

    int ReportMode() const { return m_mode; }
    Tperiodform& periodForm() { return *m_period; }
    GridView& basegrid() { return *m_basegrid; }
    GridView& upgrid() { return *m_upgrid; }
    GridView& downgrid() { return *m_downgrid; }

    /// The printer set-up dialog and the export's file dialog; tests choose without them.
    void setPrinterChooser(PrinterChooser choose) { m_choosePrinter = std::move(choose); }
    void setSaveFileChooser(SaveFileChooser choose) { m_chooseFile = std::move(choose); }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void activate();
    void fillBlankList();
    void ComboBox1Change(int index);
    void showNone();
    bool buildReport();
    void showReport();
    void hideReport();
    void fitWidth();
    void Button2Click();
    void Button4Click();
    void noteMissingValues();
    void chartButtonClick();
    void basegridColumnResized(int column, int oldWidth, int newWidth);

    std::unique_ptr<Ui::Totvetform> ui;
    ReportSession& m_session;
    TableModel m_up, m_base, m_down;
    int m_headerRows = 1;
    GridView* m_upgrid;
    GridView* m_basegrid;
    GridView* m_downgrid;
    Tperiodform* m_period = nullptr;
    int m_mode = 1;
    bool m_exporting = false;
    PrinterChooser m_choosePrinter = choosePrinterWithDialog;
    SaveFileChooser m_chooseFile = chooseSaveFileWithDialog;
};

} // namespace kest
