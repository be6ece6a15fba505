#pragma once

#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Tperiodform;
}

namespace kest {

/// "Отчетный период": the period of the current blank's report. Accepting stores it in
/// `PeriodTable`[`BlankNumber`]; every closing writes the shown dates and hours into
/// the event window's entry and announces its caption.
class Tperiodform : public QDialog
{
    Q_OBJECT

public:
    explicit Tperiodform(ReportSession& session, QWidget* parent = nullptr);
    ~Tperiodform() override;

    /// The report window's defaults: both dates today, both hours `hour`, minutes "0".
    void setDefaults(int hour);

    /// Shows the window modally for a blank of `blankType` (interval blanks list the
    /// minutes of `intervalMinutes`). Returns `ClosedWithoutAccept`: 0 when a period
    /// was accepted.
    int open(int blankType, int intervalMinutes);

signals:
    /// The event window's period caption after each closing.
    void eventPeriodChanged(const QString& caption);

private:
    void Button1Click();
    void done(int result) override;
    ReportPeriod shownPeriod(bool* minutesValid) const;

    std::unique_ptr<Ui::Tperiodform> ui;
    ReportSession& m_session;
    int m_blankType = 0;
};

} // namespace kest
