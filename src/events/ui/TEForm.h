#pragma once

#include "events/EventArchive.h"
#include "exchange/ControllerChoices.h"
#include "reports/ui/ReportSession.h"

#include <QDialog>
#include <memory>
#include <vector>

namespace Ui {
class TEForm;
}

namespace kest {

class Tperiodform;

/// "Архив событий": the controllers known to the database and the period their event
/// archive is viewed for. The period is the period table's event entry, chosen in the
/// program's period window.
class TEForm : public QDialog
{
    Q_OBJECT

public:
    TEForm(ReportSession& session, Tperiodform& periodForm, QWidget* parent = nullptr);
    ~TEForm() override;

    /// The controller grid's rows; the first is selected.
    void setControllers(const std::vector<EventControllerRow>& rows);
    /// The period caption shown.
    QString periodCaption() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Button1Click();

    std::unique_ptr<Ui::TEForm> ui;
    ReportSession& m_session;
    Tperiodform& m_period;
};

} // namespace kest
