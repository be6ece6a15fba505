#include "forms/ui/TbForm.h"

#include "common/Hex.h"
#include "common/Prompter.h"
#include "common/ui/EnterButton.h"
#include "db/ArchiveTables.h"
#include "forms/FormPrintJob.h"
#include "forms/FormSettings.h"
#include "forms/ui/FormChoices.h"
#include "grid/ui/ExportLock.h"
#include "reports/ui/Tperiodform.h"
#include "ui_TbForm.h"

#include <QApplication>
#include <QScrollBar>
#include <QShowEvent>

namespace kest {
namespace {

/// The main table gets at least this much of the window; the splitters between the
/// tables move.
constexpr int kMainHeight = 178;
constexpr int kTableWidth = 684;
/// The window grows to show a filled form up to this height.
constexpr int kFilledHeight = 640;

/// The height that shows every row of a table without scrolling.
int naturalHeight(const GridView& grid)
{
    int h = 2 * grid.frameWidth();
    for (int r = 0; r < grid.model()->rowCount(); ++r)
        h += grid.rowHeight(r);
    if (grid.horizontalScrollBar()->isVisible())
        h += grid.horizontalScrollBar()->sizeHint().height();
    return h;
}

} // namespace

TbForm::TbForm(ReportSession& session, ParameterTable& parameters, Tperiodform* periodForm, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TbForm>()), m_session(session), m_parameters(parameters),
      m_period(periodForm)
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button1);
    m_upgrid = new GridView(m_form.upgrid, ui->Panel1);
    m_basegrid = new GridView(m_form.basegrid, ui->Panel1);
    m_downgrid = new GridView(m_form.downgrid, ui->Panel1);
    for (auto [grid, name] :
         {std::pair{m_upgrid, "upgrid"}, {m_basegrid, "basegrid"}, {m_downgrid, "downgrid"}}) {
        grid->setObjectName(QString::fromLatin1(name));
        grid->setAccessibleDescription(QString::fromLatin1(name));
        grid->setMinimumHeight(40);
        ui->Panel1->addWidget(grid);
    }
    m_upgrid->setAccessibleName(QStringLiteral("Верхняя таблица бланка"));
    m_basegrid->setAccessibleName(QStringLiteral("Основная таблица бланка"));
    m_downgrid->setAccessibleName(QStringLiteral("Нижняя таблица бланка"));
    ui->Panel1->setStretchFactor(1, 1);
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2})
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    if (!m_period)
        m_period = new Tperiodform(session, this);

    connect(ui->ComboBox1, &QComboBox::activated, this, &TbForm::choiceChanged);
    connect(ui->ComboBox2, &QComboBox::activated, this, &TbForm::choiceChanged);
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button2, &QPushButton::clicked, this, &TbForm::Button2Click);
    connect(ui->Button4, &QPushButton::clicked, this, &TbForm::Button4Click);

    replaceChoices(*ui->ComboBox1, {"нет"});
    replaceChoices(*ui->ComboBox2, {"нет"});
    hideForm();
}

TbForm::~TbForm() = default;

void TbForm::setFormChoices(const std::vector<std::string>& forms)
{
    replaceChoices(*ui->ComboBox2, forms);
}

void TbForm::setControllerChoices(const std::vector<std::string>& controllers)
{
    replaceChoices(*ui->ComboBox1, controllers);
}

int TbForm::controllerChoiceCount() const
{
    return ui->ComboBox1->count();
}

void TbForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The controller stays chosen between openings; the form is chosen anew.
    m_period->setDefaults(m_session.settlementHour);
    showNothingChosen(*ui->ComboBox2);
    hideForm();
}

void TbForm::hideForm()
{
    ui->Panel1->hide();
    ui->panelSpacer->changeSize(1, 1, QSizePolicy::Minimum, QSizePolicy::Expanding);
    ui->Button2->hide();
    ui->Button4->hide();
    ui->ProgressBar1->hide();
    layout()->invalidate();
}

void TbForm::showForm()
{
    ui->panelSpacer->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    ui->Panel1->show();
    layout()->activate();
    // The title tables show whole when they can; the main table takes the rest and
    // scrolls its rows.
    const int space = ui->Panel1->height() - 2 * ui->Panel1->handleWidth();
    const int up = std::min(naturalHeight(*m_upgrid), (space - kMainHeight) / 2);
    const int down = std::min(naturalHeight(*m_downgrid), space - kMainHeight - up);
    ui->Panel1->setSizes({up, std::max(space - up - down, kMainHeight), down});
    ui->Button2->show();
    ui->Button4->show();
    layout()->invalidate();
}

void TbForm::choiceChanged()
{
    hideForm();
    if (!chosen(*ui->ComboBox1) || !chosen(*ui->ComboBox2))
        return;
    const std::string folder = ui->ComboBox2->currentText().toStdString();
    const auto controllerHex = ControllerHexOfChoice(ui->ComboBox1->currentText().toStdString());
    const std::filesystem::path& data = m_session.blanks.DatabasePath;
    const auto folderPath = FindFormFolder(data, folder);
    if (!controllerHex || !folderPath) {
        m_session.prompter.showError(
            !controllerHex
                ? "В строке контроллера нет его кода: " + ui->ComboBox1->currentText().toStdString()
                : "Стандартный бланк \"" + folder + "\" не найден в " + data.string());
        return;
    }

    BlankState& blanks = m_session.blanks;
    blanks.BlankNumber = kFormBlankNumber;
    blanks.ablini.TIP = StandardFormType(*folderPath);
    if (blanks.ablini.TIP == kIntervalBlank) {
        // The period window lists the minutes of this controller's interval length.
        std::string error;
        auto db = OpenArchiveDatabase(data, false, &error);
        blanks.ablini.IntervalMinutes = db ? SelectIntervalMinutes(*db, ParseHex(*controllerHex)) : 5;
    }
    if (m_period->open(blanks.ablini.TIP, blanks.ablini.IntervalMinutes) != 0) {
        showNothingChosen(*ui->ComboBox1);
        showNothingChosen(*ui->ComboBox2);
        return;
    }
    resize(std::max(width(), kTableWidth + 16), std::max(height(), kFilledHeight));
    if (fillForm(folderPath->filename().string(), *controllerHex))
        showForm();
}

bool TbForm::fillForm(const std::string& folder, const std::string& controllerHex)
{
    BlankState& blanks = m_session.blanks;
    FormRequest request{blanks.DatabasePath, folder,        controllerHex,
                        m_parameters,        blanks.ablini, m_session.periods,
                        m_session.prompter};
    request.decimalSeparator = m_session.decimalSeparator;
    FilledForm filled;
    const FormResult result = FillStandardForm(request, filled);
    for (GridView* grid : {m_upgrid, m_basegrid, m_downgrid})
        grid->beginUpdate();
    m_form = std::move(filled);
    for (GridView* grid : {m_upgrid, m_basegrid, m_downgrid})
        grid->endUpdate();
    m_folder = folder;
    if (result.outcome != FormOutcome::Filled) {
        // A form filled only up to a formula over a text is not shown: it would be
        // printed with half of its markers raw.
        m_session.prompter.showError(result.message);
        return false;
    }
    return true;
}

void TbForm::Button2Click()
{
    const PrintJob job = MakeFormPrintJob(m_form, m_folder);
    if (const std::string problem = printWithChooser(job, this, m_choosePrinter); !problem.empty())
        m_session.prompter.showError("Бланк не напечатан: " + problem);
}

void TbForm::Button4Click()
{
    const ExportLock lock(m_exporting,
                          {ui->ComboBox1, ui->ComboBox2, ui->Panel1, ui->Button2, ui->Button4, ui->Button1});
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar1->show();
    const auto progress = [this](int position, int end) {
        QApplication::processEvents();
        ui->ProgressBar1->setMaximum(end);
        ui->ProgressBar1->setValue(position);
    };
    const QString suggested = QString::fromStdString(m_folder) + QStringLiteral(".xlsx");
    const std::string problem = exportWithChooser({&m_form.upgrid, &m_form.basegrid, &m_form.downgrid}, this,
                                                  suggested, progress, m_chooseFile);
    ui->ProgressBar1->hide();
    if (!problem.empty())
        m_session.prompter.showError("Бланк не передан: " + problem);
}

// The window stays while an export writes its tables.
void TbForm::done(int result)
{
    if (!m_exporting)
        QDialog::done(result);
}

} // namespace kest
