#include "reports/ui/Totvetform.h"

#include "charts/ui/ChartWindow.h"
#include "common/IniFile.h"
#include "common/Prompter.h"
#include "common/ui/EnterButton.h"
#include "db/ArchiveTables.h"
#include "grid/ui/ExportLock.h"
#include "reports/MissingValues.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"
#include "reports/ReportPrintJob.h"
#include "reports/ReportRun.h"
#include "reports/ui/Tperiodform.h"
#include "ui_Totvetform.h"

#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

namespace kest {
namespace {

constexpr int kListLimit = 150;

std::vector<std::string> memoLines(const QString& text)
{
    std::vector<std::string> lines;
    if (text.isEmpty())
        return lines;
    QStringList parts = text.split(QLatin1Char('\n'));
    // A line break after the last line starts no line of its own.
    if (parts.size() > 1 && parts.back().isEmpty())
        parts.removeLast();
    for (const QString& p : parts)
        lines.push_back(p.toStdString());
    return lines;
}

QString memoText(const std::vector<std::string>& lines)
{
    QStringList parts;
    for (const auto& line : lines)
        parts << QString::fromStdString(line);
    return parts.join(QLatin1Char('\n'));
}

/// A title table as tall as its rows, without scroll bars.
void fitTitle(GridView& grid)
{
    int h = 2 * grid.frameWidth();
    for (int r = 0; r < grid.model()->rowCount(); ++r)
        h += grid.rowHeight(r);
    grid.setFixedHeight(h);
}

} // namespace

Totvetform::Totvetform(ReportSession& session, Tperiodform* periodForm, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Totvetform>()), m_session(session), m_period(periodForm)
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button1);
    m_upgrid = new GridView(m_up, this);
    m_basegrid = new GridView(m_base, this);
    m_downgrid = new GridView(m_down, this);
    for (auto [grid, name] :
         {std::pair{m_upgrid, "upgrid"}, {m_basegrid, "basegrid"}, {m_downgrid, "downgrid"}}) {
        grid->setObjectName(QString::fromLatin1(name));
        grid->setAccessibleDescription(QString::fromLatin1(name));
    }
    // What a screen reader announces for the three tables.
    m_upgrid->setAccessibleName(QStringLiteral("Верхний заголовок отчета"));
    m_basegrid->setAccessibleName(QStringLiteral("Отчет"));
    m_downgrid->setAccessibleName(QStringLiteral("Нижний заголовок отчета"));
    for (GridView* title : {m_upgrid, m_downgrid}) {
        title->setShowGrid(false);
        title->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    ui->gridsLayout->insertWidget(0, m_upgrid);
    ui->gridsLayout->insertWidget(2, m_basegrid, 1);
    ui->gridsLayout->insertWidget(3, m_downgrid);
    // The tables come after the window's own controls; Tab reaches them where they stand.
    QWidget::setTabOrder(ui->Memo2, m_upgrid);
    QWidget::setTabOrder(m_upgrid, m_basegrid);
    QWidget::setTabOrder(m_basegrid, m_downgrid);
    QWidget::setTabOrder(m_downgrid, ui->Button2);
    if (!m_period)
        m_period = new Tperiodform(session, this);

    connect(ui->ComboBox1, &QComboBox::activated, this, &Totvetform::ComboBox1Change);
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->Button2, &QPushButton::clicked, this, &Totvetform::Button2Click);
    connect(ui->Button4, &QPushButton::clicked, this, &Totvetform::Button4Click);
    connect(ui->chartButton, &QPushButton::clicked, this, &Totvetform::chartButtonClick);
    connect(m_basegrid, &GridView::columnResized, this, &Totvetform::basegridColumnResized);
}

Totvetform::~Totvetform() = default;

int Totvetform::openReport()
{
    m_mode = 1;
    return exec();
}

int Totvetform::openTitles(const std::string& blankName)
{
    m_mode = 2;
    setWindowTitle(QStringLiteral("Заголовок отчета - ") + QString::fromStdString(blankName));
    return exec();
}

void Totvetform::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void Totvetform::activate()
{
    m_period->setDefaults(m_session.settlementHour);
    hideReport();
    for (QWidget* w : {static_cast<QWidget*>(ui->Panel3), static_cast<QWidget*>(ui->Panel4),
                       static_cast<QWidget*>(ui->Panel5), static_cast<QWidget*>(ui->Panel6)})
        w->hide();
    ui->Button2->show();
    if (m_mode == 1) {
        resize(499, 411);
        setWindowTitle(QStringLiteral("Просмотр / редактирование отчета"));
        ui->Panel6->show();
        ui->Button2->setText(QStringLiteral("Печать"));
        fillBlankList();
    } else {
        resize(416, 336);
        ui->Panel3->show();
        ui->Panel4->show();
        ui->Panel5->show();
        ui->Memo1->setPlainText(memoText(m_session.blanks.ablini.UpTitle));
        ui->Memo2->setPlainText(memoText(m_session.blanks.ablini.DownTitle));
        ui->Button2->setText(QStringLiteral("Сохранить"));
    }
    layout()->activate();
    // The documented sizes are where the window starts; its contents may need more.
    const QSize need = minimumSizeHint();
    resize(std::max(width(), need.width()), std::max(height(), need.height()));
}

void Totvetform::hideReport()
{
    for (QWidget* w : {static_cast<QWidget*>(m_upgrid), static_cast<QWidget*>(m_basegrid),
                       static_cast<QWidget*>(m_downgrid), static_cast<QWidget*>(ui->Label3),
                       static_cast<QWidget*>(ui->Label4), static_cast<QWidget*>(ui->Button4),
                       static_cast<QWidget*>(ui->chartButton), static_cast<QWidget*>(ui->ProgressBar1),
                       static_cast<QWidget*>(ui->StatusLine)})
        w->hide();
    ui->StatusLine->clear();
}

void Totvetform::fillBlankList()
{
    QStringList items;
    for (const auto& name : IniFile::load(m_session.blanks.file()).sections())
        items << QString::fromStdString(name);
    items << QStringLiteral("нет");
    if (items.size() >= kListLimit) {
        m_session.prompter.showError(kTooManyBlanksMessage);
        while (items.size() > kListLimit - 1)
            items.removeLast();
    }
    ui->ComboBox1->clear();
    ui->ComboBox1->addItems(items);
    m_session.periods.forgetPeriods();
    showNone();
    ComboBox1Change(ui->ComboBox1->currentIndex());
}

void Totvetform::showNone()
{
    // A list cut at 149 blanks has no "нет"; it then shows no blank rather than the
    // last one, which would open the period window for a blank nobody chose.
    ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText(QStringLiteral("нет")));
}

void Totvetform::ComboBox1Change(int index)
{
    hideReport();
    ui->Button2->hide();
    if (index < 0 || ui->ComboBox1->itemText(index) == QStringLiteral("нет"))
        return;
    BlankState& blanks = m_session.blanks;
    blanks.BlankNumber = index + 1;
    LoadBlank(blanks, blanks.BlankNumber);
    BlankRecord& blank = blanks.ablini;
    if (blank.TIP == kIntervalBlank) {
        std::string error;
        auto db = OpenArchiveDatabase(blanks.DatabasePath, false, &error);
        blank.IntervalMinutes = db ? SelectIntervalMinutes(*db, IntervalController(blank)) : 5;
    }
    if (m_period->open(blank.TIP, blank.IntervalMinutes) != 0) {
        showNone();
        return;
    }
    const bool built = buildReport();
    if (built && !m_session.periods[blanks.BlankNumber].anyData()) {
        m_session.prompter.showInfo(kNoDataMessage);
        showNone();
        return;
    }
    if (built)
        showReport();
}

bool Totvetform::buildReport()
{
    BlankState& blanks = m_session.blanks;
    ReportRequest request{blanks.ablini, m_session.periods, blanks.BlankNumber, blanks.DatabasePath,
                          m_session.prompter};
    request.decimalSeparator = m_session.decimalSeparator;
    ReportTables tables;
    const ReportResult result = MakeReport(request, tables);
    for (GridView* grid : {m_upgrid, m_basegrid, m_downgrid})
        grid->beginUpdate();
    m_up = std::move(tables.upgrid);
    m_base = std::move(tables.basegrid);
    m_down = std::move(tables.downgrid);
    m_headerRows = tables.HeaderRows;
    for (GridView* grid : {m_upgrid, m_basegrid, m_downgrid})
        grid->endUpdate();
    return result.outcome != ReportOutcome::Failed;
}

void Totvetform::showReport()
{
    const BlankRecord& blank = m_session.blanks.ablini;
    fitTitle(*m_upgrid);
    fitTitle(*m_downgrid);
    fitWidth();
    if (!blank.UpTitle.empty())
        m_upgrid->show();
    else
        ui->Label3->show();
    m_basegrid->show();
    if (!blank.DownTitle.empty())
        m_downgrid->show();
    else
        ui->Label4->show();
    ui->Button2->show();
    ui->Button4->show();
    ui->chartButton->show();
}

void Totvetform::fitWidth()
{
    // The window grows to show the widest table whole (the period line is often wider
    // than the window's first size), as far as the screen allows; it never shrinks.
    int widest = 0;
    for (const TableModel* table : {&m_up, &m_base, &m_down})
        widest = std::max(widest, table->totalWidth());
    const QMargins margins = layout()->contentsMargins();
    int need = widest + 2 * m_basegrid->frameWidth() + m_basegrid->verticalScrollBar()->sizeHint().width() +
               margins.left() + margins.right();
    if (const QScreen* s = screen())
        need = std::min(need, s->availableGeometry().width());
    if (need > width())
        resize(need, height());
}

void Totvetform::Button2Click()
{
    if (m_mode == 2) {
        m_session.blanks.ablini.UpTitle = memoLines(ui->Memo1->toPlainText());
        m_session.blanks.ablini.DownTitle = memoLines(ui->Memo2->toPlainText());
        return;
    }
    noteMissingValues();
    const PrintJob job = MakeReportPrintJob(m_session.blanks.ablini, m_up, m_base, m_down);
    if (const std::string problem = printWithChooser(job, this, m_choosePrinter); !problem.empty())
        m_session.prompter.showError("Отчет не напечатан: " + problem);
}

void Totvetform::chartButtonClick()
{
    const BlankState& blanks = m_session.blanks;
    ChartWindow chart(
        MakeReportChart(m_base, m_headerRows, blanks.ablini, m_session.periods[blanks.BlankNumber]), this);
    chart.exec();
}

void Totvetform::noteMissingValues()
{
    // Said before the printer or the file is chosen, so the user can still turn back;
    // the report goes out either way.
    const QString text = QString::fromStdString(MissingValuesText(CountMissingValues(m_base, m_headerRows)));
    ui->StatusLine->setText(text);
    ui->StatusLine->setVisible(!text.isEmpty());
}

void Totvetform::Button4Click()
{
    const ExportLock lock(m_exporting, {ui->Panel6, ui->Button2, ui->Button4, ui->chartButton, ui->Button1,
                                        m_upgrid, m_basegrid, m_downgrid});
    noteMissingValues();
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar1->show();
    const auto progress = [this](int position, int end) {
        QApplication::processEvents();
        ui->ProgressBar1->setMaximum(end);
        ui->ProgressBar1->setValue(position);
    };
    const QString suggested =
        QString::fromStdString(m_session.blanks.ablini.NAME[0]) + QStringLiteral(".xlsx");
    const std::string problem =
        exportWithChooser({&m_up, &m_base, &m_down}, this, suggested, progress, m_chooseFile);
    ui->ProgressBar1->hide();
    if (!problem.empty())
        m_session.prompter.showError("Отчет не передан: " + problem);
}

// The window stays while an export writes its tables.
void Totvetform::done(int result)
{
    if (!m_exporting)
        QDialog::done(result);
}

void Totvetform::basegridColumnResized(int column, int, int newWidth)
{
    if (const std::string problem = SaveColumnWidth(m_session.blanks, column, newWidth); !problem.empty())
        m_session.prompter.showError(problem);
}

} // namespace kest
