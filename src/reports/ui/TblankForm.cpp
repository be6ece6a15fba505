#include "reports/ui/TblankForm.h"

#include "common/Prompter.h"
#include "common/ui/EnterButton.h"
#include "db/ArchiveTables.h"
#include "reports/BlankEditing.h"
#include "reports/ui/Totvetform.h"
#include "ui_TblankForm.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>

namespace kest {
namespace {

const QColor kCyan(0x00, 0xFF, 0xFF);
const QColor kLime(0x00, 0xFF, 0x00);

QString rightTrimmed(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

QButtonGroup* groupOf(QObject* owner, std::initializer_list<QAbstractButton*> buttons)
{
    auto* group = new QButtonGroup(owner);
    int id = 0;
    for (QAbstractButton* b : buttons)
        group->addButton(b, id++);
    return group;
}

void check(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id))
        b->setChecked(true);
}

} // namespace

struct ButtonGroups
{
    QButtonGroup* type;
    QButtonGroup* total;
    QButtonGroup* totalsName;
    QButtonGroup* step;
};

static ButtonGroups groupsOf(const QDialog* dialog)
{
    return {dialog->findChild<QButtonGroup*>("TipGroup"), dialog->findChild<QButtonGroup*>("ItogGroup"),
            dialog->findChild<QButtonGroup*>("TotalGroup"), dialog->findChild<QButtonGroup*>("StepGroup")};
}

TblankForm::TblankForm(ReportSession& session, Totvetform* reportWindow, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TblankForm>()), m_session(session),
      m_reportWindow(reportWindow)
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button1);
    if (!m_reportWindow)
        m_reportWindow = new Totvetform(session, nullptr, this);
    groupOf(this, {ui->Tip0, ui->Tip1, ui->Tip2, ui->Tip3})->setObjectName("TipGroup");
    groupOf(this, {ui->Itog0, ui->Itog1, ui->Itog2, ui->Itog3})->setObjectName("ItogGroup");
    groupOf(this, {ui->Total0, ui->Total1, ui->Total2})->setObjectName("TotalGroup");
    groupOf(this, {ui->Step0, ui->Step1})->setObjectName("StepGroup");
    const ButtonGroups g = groupsOf(this);
    ui->Tip0->setChecked(true);
    ui->Total0->setChecked(true);
    ui->Step0->setChecked(true);

    ui->Edit1->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9 ]{0,2}|нет"), ui->Edit1));
    // The validator keeps typed numbers to two characters; the length limit must
    // leave room for the "нет" the program shows.
    ui->Edit1->setMaxLength(3);
    for (QSpinBox* spin : {ui->SpinEdit1, ui->SpinEdit2})
        spin->findChild<QLineEdit*>()->setReadOnly(true);
    ui->kolonkigrid->setColumnCount(2);
    ui->kolonkigrid->setRowCount(kBlankColumns);
    ui->kolonkigrid->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Название колонки:")});
    // A screen reader announces the list by its heading; it has no label of its own.
    ui->kolonkigrid->setAccessibleName(QStringLiteral("Название колонки"));
    ui->kolonkigrid->verticalHeader()->hide();
    ui->kolonkigrid->setColumnWidth(0, 30);
    ui->kolonkigrid->setColumnWidth(1, 215);
    ui->kolonkigrid->verticalHeader()->setDefaultSectionSize(22);
    ui->kolonkigrid->setFixedWidth(30 + 215 + 2 * ui->kolonkigrid->frameWidth() +
                                   ui->kolonkigrid->verticalScrollBar()->sizeHint().width());

    auto* grid = ui->kolonkigrid;
    // The arrow keys and a screen reader move the current cell without a click; the
    // column under it is selected all the same. A click on the current row selects
    // it again (after a scroll hid the column's controls).
    connect(grid, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
        if (row >= 0 && row != previousRow && ui->kolonkigrid->item(row, 1))
            selectColumn(row + 1);
    });
    connect(grid, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row + 1 != m_row || !ui->ColumnPanel->isVisible())
            selectColumn(row + 1);
    });
    connect(grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 1)
            captionChanged(item->row() + 1);
    });
    connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { showColumnControls(false); });
    connect(ui->Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (m_row > 0 && ok)
            m_session.blanks.ablini.ARH[m_row] = n;
    });
    connect(ui->ComboBox1, &QComboBox::activated, this, &TblankForm::ComboBox1Change);
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_row > 0)
            m_session.blanks.ablini.ZAP[m_row] = v;
    });
    connect(g.total, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_row > 0)
            m_session.blanks.ablini.ITOG[m_row] = id;
    });
    connect(ui->Edit2, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_session.blanks.ablini.NAME[0] = rightTrimmed(text).toStdString();
    });
    connect(ui->Edit3, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_currentGroup > 0)
            m_session.blanks.ablini.GROUPNAME[m_currentGroup] = rightTrimmed(text).toStdString();
    });
    connect(g.type, &QButtonGroup::idClicked, this, [this](int id) {
        BlankRecord& b = m_session.blanks.ablini;
        b.TIP = id;
        if (id == kIntervalBlank)
            ApplyOneControllerRule(b);
        ui->RadioGroup3->setVisible(id == kDailyBlank);
        if (id == kDailyBlank) {
            check(groupsOf(this).step, 0);
            setStepChoice(0);
        } else {
            ui->Label7->hide();
            ui->SpinEdit2->hide();
        }
    });
    connect(g.totalsName, &QButtonGroup::idClicked, this, &TblankForm::setTotalsChoice);
    connect(ui->Edit4, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session.blanks.ablini.ITOGONAME = text.toStdString(); });
    connect(g.step, &QButtonGroup::idClicked, this, &TblankForm::setStepChoice);
    connect(ui->SpinEdit2, &QSpinBox::valueChanged, this, [this](int v) {
        if (ui->SpinEdit2->isVisible())
            m_session.blanks.ablini.STEP = v;
    });
    connect(ui->nextb, &QPushButton::clicked, this, [this] { moveBy(1); });
    connect(ui->prevb, &QPushButton::clicked, this, [this] { moveBy(-1); });
    connect(ui->addkol, &QPushButton::clicked, this, &TblankForm::addkolClick);
    connect(ui->delkol, &QPushButton::clicked, this, &TblankForm::delkolClick);
    connect(ui->newb, &QPushButton::clicked, this, &TblankForm::newbClick);
    connect(ui->saveb, &QPushButton::clicked, this, [this] { saveAndReload(false); });
    connect(ui->setb, &QPushButton::clicked, this, [this] { saveAndReload(true); });
    connect(ui->delb, &QPushButton::clicked, this, &TblankForm::delbClick);
    connect(ui->titleb, &QPushButton::clicked, this, &TblankForm::titlebClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TblankForm::reject);
}

TblankForm::~TblankForm() = default;

bool TblankForm::prepare()
{
    BlankState& blanks = m_session.blanks;
    blanks.NewBlankPending = false;
    blanks.BlankNumber = 1;
    std::string error;
    std::vector<ControllerRow> rows;
    auto db = OpenArchiveDatabase(blanks.DatabasePath, false, &error);
    if (db) {
        if (const DbStatus s = SelectAllControllers(*db, rows); !s.ok())
            error = s.message;
    }
    if (!db || !error.empty()) {
        m_session.status.ExchangeStatus = kStatusDatabase;
        m_session.prompter.showError(exchangeMessage(kStatusDatabase) + " " + error);
        return false;
    }
    ui->ComboBox1->clear();
    m_controllerCodes.clear();
    ui->ComboBox1->addItem(QStringLiteral("нет"));
    for (const auto& row : rows) {
        ui->ComboBox1->addItem(QString::fromStdString(ControllerItemText(row.sname, row.scode)));
        m_controllerCodes.push_back(row.scode);
    }
    prepareColumnList();
    LoadBlank(blanks, 1);
    showBlank();
    return true;
}

int TblankForm::openEditor()
{
    if (!prepare())
        return QDialog::Rejected;
    return exec();
}

int TblankForm::chosenType() const
{
    const int id = groupsOf(this).type->checkedId();
    return id < 0 ? kHourlyBlank : id;
}

void TblankForm::prepareColumnList()
{
    const QSignalBlocker block(ui->kolonkigrid);
    for (int r = 0; r < kBlankColumns; ++r) {
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setTextAlignment(Qt::AlignCenter);
        QFont bold = number->font();
        bold.setBold(true);
        number->setFont(bold);
        number->setBackground(kCyan);
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        ui->kolonkigrid->setItem(r, 0, number);
        auto* caption = new QTableWidgetItem(QString());
        caption->setBackground(Qt::white);
        ui->kolonkigrid->setItem(r, 1, caption);
    }
    BlankState& blanks = m_session.blanks;
    CountBlanks(blanks);
    ui->prevb->setEnabled(blanks.BlankNumber > 1);
    ui->nextb->setEnabled(blanks.BlankNumber < blanks.BlankCount);
}

void TblankForm::colourRows()
{
    const QSignalBlocker block(ui->kolonkigrid);
    for (int r = 1; r <= kBlankColumns; ++r)
        ui->kolonkigrid->item(r - 1, 1)->setBackground(
            GroupOfColumn(m_session.blanks.ablini, r) ? kLime : QColor(Qt::white));
}

void TblankForm::showColumnControls(bool shown)
{
    ui->ColumnPanel->setVisible(shown);
}

void TblankForm::showBlank()
{
    const BlankState& blanks = m_session.blanks;
    const BlankRecord& b = blanks.ablini;
    const ButtonGroups g = groupsOf(this);
    const bool any = blanks.BlankCount > 0;
    for (QWidget* w : {static_cast<QWidget*>(ui->Label1), static_cast<QWidget*>(ui->Edit2),
                       static_cast<QWidget*>(ui->kolonkigrid), static_cast<QWidget*>(ui->TipBlanki),
                       static_cast<QWidget*>(ui->RadioGroup2)})
        w->setVisible(any);
    ui->LabelNone->setVisible(!any);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->saveb), static_cast<QWidget*>(ui->setb), static_cast<QWidget*>(ui->delb),
          static_cast<QWidget*>(ui->titleb), static_cast<QWidget*>(ui->addkol)})
        w->setEnabled(any);
    ui->delkol->setEnabled(false);
    showColumnControls(false);
    m_row = 0;
    m_currentGroup = 0;
    ui->Edit2->setText(QString::fromStdString(b.NAME[0]));
    check(g.type, b.TIP >= 0 && b.TIP <= 3 ? b.TIP : 0);
    {
        const QSignalBlocker block(ui->kolonkigrid);
        for (int r = 1; r <= kBlankColumns; ++r)
            ui->kolonkigrid->item(r - 1, 1)->setText(QString::fromStdString(b.NAME[r]));
    }
    colourRows();
    const int totals = b.ITOGONAME == "#0" ? 0 : b.ITOGONAME == "#1" ? 1 : 2;
    check(g.totalsName, totals);
    ui->Edit4->setText(totals == 2 ? QString::fromStdString(b.ITOGONAME) : QString());
    ui->Label6->setVisible(any && totals == 2);
    ui->Edit4->setVisible(any && totals == 2);
    const bool daily = any && b.TIP == kDailyBlank;
    ui->RadioGroup3->setVisible(daily);
    check(g.step, b.STEP == 0 ? 1 : 0);
    {
        const QSignalBlocker block(ui->SpinEdit2);
        ui->SpinEdit2->setValue(std::max(b.STEP, 1));
    }
    ui->Label7->setVisible(daily && b.STEP != 0);
    ui->SpinEdit2->setVisible(daily && b.STEP != 0);
}

void TblankForm::selectColumn(int row)
{
    BlankRecord& b = m_session.blanks.ablini;
    const ButtonGroups g = groupsOf(this);
    m_row = row;
    b.NAME[row] = rightTrimmed(ui->kolonkigrid->item(row - 1, 1)->text()).toStdString();
    showColumnControls(true);
    ui->Label5->hide();
    ui->Edit3->hide();
    m_currentGroup = 0;
    if (b.NAME[row].empty()) {
        ui->Edit1->setText(QStringLiteral("нет"));
        ui->ComboBox1->setCurrentIndex(0);
        check(g.totalsName, 0);
        setTotalsChoice(0);
        check(g.step, 0);
        setStepChoice(0);
        ui->addkol->setEnabled(false);
        ui->delkol->setEnabled(false);
        return;
    }
    ui->addkol->setEnabled(true);
    ui->delkol->setEnabled(false);
    int item = 0;
    for (std::size_t i = 0; i < m_controllerCodes.size(); ++i) {
        if (m_controllerCodes[i] == b.MERAN[row])
            item = static_cast<int>(i) + 1;
    }
    if (item == 0 && b.MERAN[row] != kNoController) {
        // A controller the database does not know (yet) is shown by its code, so the
        // list does not claim the column has none.
        ui->ComboBox1->addItem(QString::fromStdString(ControllerItemText("", b.MERAN[row])).trimmed());
        m_controllerCodes.push_back(b.MERAN[row]);
        item = ui->ComboBox1->count() - 1;
    }
    ui->ComboBox1->setCurrentIndex(item);
    ui->Edit1->setText(b.ARH[row] == kNoArchive ? QStringLiteral("нет") : QString::number(b.ARH[row]));
    check(g.total, b.ITOG[row] >= 0 && b.ITOG[row] <= 3 ? b.ITOG[row] : 0);
    {
        const QSignalBlocker block(ui->SpinEdit1);
        ui->SpinEdit1->setValue(b.ZAP[row]);
    }
    if (const int group = GroupOfColumn(b, row)) {
        ui->addkol->setEnabled(false);
        ui->delkol->setEnabled(true);
        ui->Label5->show();
        ui->Edit3->show();
        m_currentGroup = group;
        ui->Edit3->setText(QString::fromStdString(b.GROUPNAME[group]));
    }
}

void TblankForm::captionChanged(int row)
{
    BlankRecord& b = m_session.blanks.ablini;
    b.NAME[row] = rightTrimmed(ui->kolonkigrid->item(row - 1, 1)->text()).toStdString();
    if (b.NAME[row].empty()) {
        if (const int group = GroupOfColumn(b, row)) {
            RemoveGroup(b, group);
            colourRows();
            ui->Label5->hide();
            ui->Edit3->hide();
            m_currentGroup = 0;
        }
    }
}

void TblankForm::ComboBox1Change(int index)
{
    if (m_row <= 0)
        return;
    BlankRecord& b = m_session.blanks.ablini;
    b.MERAN[m_row] = index <= 0 ? kNoController : m_controllerCodes[static_cast<std::size_t>(index - 1)];
    if (chosenType() == kIntervalBlank && m_row > 1 && IntervalControllerConflict(b, m_row)) {
        m_session.prompter.showInfo(kIntervalControllerMessage);
        b.MERAN[m_row] = kNoController;
        ui->ComboBox1->setCurrentIndex(0);
    }
}

void TblankForm::setTotalsChoice(int id)
{
    BlankRecord& b = m_session.blanks.ablini;
    ui->Label6->setVisible(id == 2);
    ui->Edit4->setVisible(id == 2);
    b.ITOGONAME = id == 0 ? "#0" : id == 1 ? "#1" : ui->Edit4->text().toStdString();
}

void TblankForm::setStepChoice(int id)
{
    BlankRecord& b = m_session.blanks.ablini;
    const bool daily = chosenType() == kDailyBlank;
    if (id == 1) {
        b.STEP = 0;
        ui->Label7->hide();
        ui->SpinEdit2->hide();
        return;
    }
    if (b.STEP == 0)
        b.STEP = 1;
    ui->Label7->setVisible(daily);
    ui->SpinEdit2->setVisible(daily);
    const QSignalBlocker block(ui->SpinEdit2);
    ui->SpinEdit2->setValue(b.STEP);
}

void TblankForm::askToSaveNewBlank()
{
    BlankState& blanks = m_session.blanks;
    if (!blanks.NewBlankPending)
        return;
    const std::string question =
        "Сохранить новый бланк \"" + blanks.ablini.NAME[0] +
        "\"? При ответе \"Ok\" бланк сохранится. При ответе \"No\" бланк не сохранится.";
    blanks.NewBlankPending = false;
    if (m_session.prompter.ask(question, true) && replacingAgreed()) {
        if (const std::string problem = SaveBlank(blanks, chosenType()); !problem.empty())
            m_session.prompter.showError(problem);
    }
}

bool TblankForm::replacingAgreed()
{
    const BlankState& blanks = m_session.blanks;
    return !SaveReplacesAnotherBlank(blanks) ||
           m_session.prompter.ask(ReplaceBlankQuestion(blanks.ablini.NAME[0]), false);
}

void TblankForm::moveBy(int step)
{
    BlankState& blanks = m_session.blanks;
    // The new blank is saved at the end of the file; the move goes from the blank
    // that was shown before it was created, not from the saved one.
    const int current = blanks.BlankNumber;
    askToSaveNewBlank();
    CountBlanks(blanks);
    blanks.BlankNumber = std::clamp(current + step, 1, std::max(blanks.BlankCount, 1));
    ui->prevb->setEnabled(blanks.BlankNumber > 1);
    ui->nextb->setEnabled(blanks.BlankNumber < blanks.BlankCount);
    LoadBlank(blanks, blanks.BlankNumber);
    showBlank();
}

void TblankForm::reject()
{
    askToSaveNewBlank();
    QDialog::reject();
}

void TblankForm::addkolClick()
{
    int top = kBlankColumns + 1, bottom = 0;
    for (const QModelIndex& index : ui->kolonkigrid->selectionModel()->selectedIndexes()) {
        top = std::min(top, index.row() + 1);
        bottom = std::max(bottom, index.row() + 1);
    }
    BlankRecord& b = m_session.blanks.ablini;
    GroupCheck check = CheckNewGroup(b, top, bottom);
    if (check == GroupCheck::SingleColumn)
        return;
    if (check == GroupCheck::Overlaps) {
        if (!m_session.prompter.ask(kGroupOverlapQuestion, false))
            return;
        RemoveGroupsIn(b, top, bottom);
        colourRows();
        check = CheckNewGroup(b, top, bottom);
    }
    if (check == GroupCheck::MissingColumn) {
        m_session.prompter.showInfo(kGroupMissingColumnMessage);
        return;
    }
    if (check == GroupCheck::NoFreeSlot) {
        m_session.prompter.showInfo(kGroupNoFreeSlotMessage);
        return;
    }
    m_currentGroup = MakeGroup(b, top, bottom);
    colourRows();
    ui->Label5->show();
    ui->Edit3->show();
    ui->Edit3->setText(QString::fromStdString(b.GROUPNAME[m_currentGroup]));
}

void TblankForm::delkolClick()
{
    RemoveGroup(m_session.blanks.ablini, m_currentGroup);
    m_currentGroup = 0;
    colourRows();
    ui->Label5->hide();
    ui->Edit3->hide();
    ui->delkol->setEnabled(false);
}

void TblankForm::newbClick()
{
    BlankState& blanks = m_session.blanks;
    ResetBlank(blanks.ablini);
    ui->Edit1->setText(QStringLiteral("нет"));
    const std::string name = NewBlankName(blanks);
    blanks.SectionName = name;
    blanks.ablini.NAME[0] = name;
    ui->Edit2->setText(QString::fromStdString(name));
    blanks.NewBlankPending = true;
    prepareColumnList();
    showColumnControls(false);
    m_row = 0;
    m_currentGroup = 0;
    for (QWidget* w : {static_cast<QWidget*>(ui->Label1), static_cast<QWidget*>(ui->Edit2),
                       static_cast<QWidget*>(ui->kolonkigrid), static_cast<QWidget*>(ui->TipBlanki),
                       static_cast<QWidget*>(ui->RadioGroup2)})
        w->show();
    ui->LabelNone->hide();
    for (QPushButton* b : {ui->nextb, ui->prevb, ui->titleb, ui->addkol, ui->delkol, ui->newb, ui->saveb,
                           ui->setb, ui->delb, ui->Button1})
        b->setEnabled(true);
}

void TblankForm::saveAndReload(bool asNew)
{
    BlankState& blanks = m_session.blanks;
    // A save as new never replaces: a name in use gives it a new one.
    if (!asNew && !replacingAgreed())
        return;
    const std::string problem = asNew ? SaveBlankAs(blanks, chosenType()) : SaveBlank(blanks, chosenType());
    if (!problem.empty())
        m_session.prompter.showError(problem);
    prepareColumnList();
    LoadBlank(blanks, blanks.BlankNumber);
    showBlank();
}

void TblankForm::delbClick()
{
    BlankState& blanks = m_session.blanks;
    if (const std::string problem = DeleteBlank(blanks); !problem.empty())
        m_session.prompter.showError(problem);
    prepareColumnList();
    LoadBlank(blanks, 1);
    showBlank();
}

void TblankForm::titlebClick()
{
    m_reportWindow->openTitles(rightTrimmed(ui->Edit2->text()).toStdString());
}

} // namespace kest
