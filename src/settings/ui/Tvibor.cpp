#include "settings/ui/Tvibor.h"

#include "app/ui/DesktopSession.h"
#include "common/ui/EnterButton.h"
#include "db/ArchiveTables.h"
#include "exchange/ControllerValues.h"
#include "settings/ArchiveMarking.h"
#include "settings/ui/Tscep.h"
#include "ui_Tvibor.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kest {
namespace {

const QColor kCellWhite(255, 255, 255);
const QColor kCellGreen(0, 255, 0);
const QColor kCellRed(255, 0, 0);
const QColor kCellAqua(0, 255, 255);
const QColor kCellSilver(192, 192, 192);

enum ListColumn
{
    NumberColumn,
    NameColumn,
    ControllerColumn,
    DateColumn,
    TimeColumn
};

constexpr int kArchiveCellWidth = 44;
constexpr int kArchiveCellHeight = 28;

QColor colourOf(MarkColour colour)
{
    switch (colour) {
    case MarkColour::Red:
        return kCellRed;
    case MarkColour::Aqua:
        return kCellAqua;
    case MarkColour::Green:
        return kCellGreen;
    case MarkColour::White:
        break;
    }
    return kCellWhite;
}

/// The list marks the current controller's row silver; the number column keeps its
/// aqua, as it is no part of the selection.
class ListCellDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == NumberColumn)
            option->state &= ~QStyle::State_Selected;
        option->state &= ~QStyle::State_HasFocus;
    }
};

/// An archive cell keeps the colour of its mark when it is selected; a frame shows
/// the selection instead.
class ArchiveCellDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        const bool selected = plain.state & QStyle::State_Selected;
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QStyledItemDelegate::paint(painter, plain, index);
        if (!selected)
            return;
        painter->save();
        painter->setPen(QPen(Qt::black, 3));
        painter->drawRect(option.rect.adjusted(2, 2, -2, -2));
        painter->restore();
    }
};

QTableWidgetItem* cell(const QString& text, const QColor& colour, bool editable = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setBackground(colour);
    item->setForeground(Qt::black);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

void showSquare(QLabel* square, const QColor& colour)
{
    square->setFixedSize(16, 16);
    square->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid #808080;").arg(colour.name()));
}

QString viewCaption(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Hourly:
        return QStringLiteral("Настройка часовых архивов");
    case MarkKind::Daily:
        return QStringLiteral("Настройка суточных архивов");
    case MarkKind::Monthly:
        return QStringLiteral("Настройка месячных архивов");
    case MarkKind::Interval:
        break;
    }
    return QStringLiteral("Настройка расширенных архивов интервалов");
}

} // namespace

Tvibor::Tvibor(DesktopSession& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Tvibor>()), m_session(session), m_scep(new Tscep(this))
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button2);

    QTableWidget* list = ui->merangrid;
    list->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Имя МЕРАН:"),
                                     QStringLiteral("Зав. № "), QStringLiteral("Дата:"),
                                     QStringLiteral("Время:")});
    QFont bold = list->horizontalHeader()->font();
    bold.setBold(true);
    list->horizontalHeader()->setFont(bold);
    list->horizontalHeader()->setHighlightSections(false);
    list->verticalHeader()->hide();
    list->setWordWrap(false);
    list->setItemDelegate(new ListCellDelegate(list));
    QPalette palette = list->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, kCellSilver);
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
    }
    list->setPalette(palette);
    const int widths[] = {30, 190, 70, 80, 60};
    for (int c = 0; c < 5; ++c)
        list->setColumnWidth(c, widths[c]);
    list->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    list->setMinimumSize(470, 300);

    QTableWidget* grid = ui->myarh;
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setItemDelegate(new ArchiveCellDelegate(grid));
    grid->horizontalHeader()->setDefaultSectionSize(kArchiveCellWidth);
    grid->verticalHeader()->setDefaultSectionSize(kArchiveCellHeight);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setFixedWidth(8 * kArchiveCellWidth + 2 * grid->frameWidth());
    grid->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // Settlement values change only through the arrows and the drop-down list.
    for (QSpinBox* spin : {ui->SpinEdit1, ui->SpinEdit2})
        spin->findChild<QLineEdit*>()->setReadOnly(true);
    ui->ComboBox1->lineEdit()->setReadOnly(true);
    for (QWidget* w : std::initializer_list<QWidget*>{ui->SpinEdit1, ui->SpinEdit2, ui->ComboBox1})
        w->setMaximumWidth(90);

    connect(list, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (!m_filling && row != previous)
            merangridRowClick(row);
    });
    connect(list, &QTableWidget::cellClicked, this, [this](int row, int) { merangridRowClick(row); });
    connect(list, &QTableWidget::cellChanged, this, &Tvibor::nameEdit);
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this, [this](int value) {
        m_session.settlementHourSpin = value;
        settlementEdit();
    });
    connect(ui->SpinEdit2, &QSpinBox::valueChanged, this, [this](int value) {
        m_session.settlementDaySpin = value;
        settlementEdit();
    });
    connect(ui->ComboBox1, &QComboBox::currentTextChanged, this, &Tvibor::settlementEdit);
    connect(ui->avansItem0, &QRadioButton::clicked, this, &Tvibor::settlementEdit);
    connect(ui->avansItem1, &QRadioButton::clicked, this, &Tvibor::settlementEdit);
    connect(ui->barh, &QPushButton::clicked, this, [this] { showArchiveView(MarkKind::Hourly); });
    connect(ui->bday, &QPushButton::clicked, this, [this] { showArchiveView(MarkKind::Daily); });
    connect(ui->Button5, &QPushButton::clicked, this, [this] { showArchiveView(MarkKind::Monthly); });
    connect(ui->Button6, &QPushButton::clicked, this, [this] { showArchiveView(MarkKind::Interval); });
    connect(ui->myon, &QPushButton::clicked, this, &Tvibor::myonClick);
    connect(ui->myoff, &QPushButton::clicked, this, &Tvibor::myoffClick);
    connect(ui->Button2, &QPushButton::clicked, this, &Tvibor::Button2Click);
}

Tvibor::~Tvibor() = default;

bool Tvibor::buildList()
{
    m_linkFailed = false;
    m_listBuilt = false;
    showListView();
    return !m_linkFailed;
}

void Tvibor::showListView()
{
    ui->settlementPanel->hide();
    // The controller whose marks were just edited loses its section when none is
    // left, before the list colours its row.
    leaveArchiveView();
    rebuildList();
    if (m_current == 1 && eraseSectionWithoutMarks(settingsFile(), currentSection()).changed) {
        m_list.rows[0].hasSection = false;
        m_filling = true;
        fillRow(0, m_list.rows[0]);
        m_filling = false;
    }
    setWindowTitle(QStringLiteral("Содержание каталога кеста-регистратора"));
    for (QWidget* w : std::initializer_list<QWidget*>{ui->myarh, ui->RadioGroup1, ui->myon, ui->myoff})
        w->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{ui->merangrid, ui->kindLabel, ui->barh, ui->bday})
        w->show();
    // Monthly and interval archives are read over the page link only.
    const bool pageLink = m_session.link.PageLink == 1;
    ui->Button5->setVisible(pageLink);
    ui->Button6->setVisible(pageLink);
    showLegend(false);
    adjustSize();
}

void Tvibor::rebuildList()
{
    std::string error;
    auto db = OpenArchiveDatabase(m_session.exchange.databasePath, false, &error);
    if (!db)
        m_session.state.FailureReason = error;
    const bool storingPass = m_session.passes.PassMode == 1;
    // The rebuild reads the settlement values from the tables again; values edited
    // since the window opened are written only when it closes, so they are kept.
    std::vector<ImageRecord> edited;
    for (std::size_t i = 1; m_listBuilt && i <= m_list.rows.size(); ++i)
        edited.push_back(m_session.image.record(static_cast<int>(i)));
    m_list = RebuildControllerList(m_session.exchange, db.get(), storingPass, {.readTimes = !m_linkFailed});
    m_listBuilt = true;
    for (std::size_t i = 0; i < edited.size() && i < m_list.rows.size(); ++i) {
        ImageRecord& record = m_session.image.record(static_cast<int>(i) + 1);
        record.rhour = edited[i].rhour;
        record.rday = edited[i].rday;
        record.avans = edited[i].avans;
        record.smin = edited[i].smin;
    }
    if (m_list.linkFailed)
        m_linkFailed = true;
    if (!storingPass && !m_list.rows.empty()) {
        m_session.menu.afterRecordTimeRead(!m_list.linkFailed);
        m_session.menuChanged();
    }

    m_filling = true;
    QTableWidget* list = ui->merangrid;
    list->clearContents();
    // Every record of the catalog can be edited; the record counter limits only
    // what the passes read.
    list->setRowCount(m_session.catalog.count);
    for (std::size_t i = 0; i < m_list.rows.size(); ++i)
        fillRow(static_cast<int>(i), m_list.rows[i]);
    m_filling = false;

    m_current = 0;
    if (!m_list.rows.empty()) {
        m_filling = true;
        list->setCurrentCell(0, NameColumn);
        m_filling = false;
        merangridRowClick(0);
    }
}

void Tvibor::fillRow(int row, const ControllerListRow& shown)
{
    QTableWidget* list = ui->merangrid;
    const QColor marks = shown.hasSection ? kCellGreen : kCellWhite;
    list->setItem(row, NumberColumn, cell(QString::number(shown.number), kCellAqua));
    list->setItem(row, NameColumn, cell(QString::fromStdString(shown.name), marks, true));
    list->setItem(row, ControllerColumn, cell(QString::fromStdString(shown.controllerText), marks));
    const bool dated = shown.recordTime != 0;
    list->setItem(row, DateColumn,
                  cell(dated ? QString::fromStdString(formatDate(shown.recordTime)) : "", kCellWhite));
    list->setItem(row, TimeColumn,
                  cell(dated ? QString::fromStdString(listTimeText(shown.recordTime)) : "", kCellWhite));
}

void Tvibor::merangridRowClick(int row)
{
    if (row < 0 || row >= static_cast<int>(m_list.rows.size()))
        return;
    m_current = row + 1;
    const ImageRecord& record = m_session.image.record(m_current);
    m_session.GuardFlag = true;
    ui->SpinEdit1->setValue(record.rhour);
    m_session.GuardFlag = true;
    ui->SpinEdit2->setValue(record.rday);
    m_session.GuardFlag = true;
    (record.avans == 1 ? ui->avansItem1 : ui->avansItem0)->setChecked(true);
    m_session.GuardFlag = true;
    ui->ComboBox1->setCurrentText(QString::number(record.smin));
    m_session.GuardFlag = false;
    if (!m_archiveView)
        ui->settlementPanel->show();
}

void Tvibor::settlementEdit()
{
    if (m_session.GuardFlag || m_current == 0)
        return;
    ImageRecord& record = m_session.image.record(m_current);
    record.rhour = ui->SpinEdit1->value();
    record.rday = ui->SpinEdit2->value();
    record.avans = ui->avansItem1->isChecked() ? 1 : 0;
    record.smin = ui->ComboBox1->currentText().toInt();
}

void Tvibor::nameEdit(int row, int column)
{
    if (m_filling || column != NameColumn || row >= static_cast<int>(m_list.rows.size()))
        return;
    if (m_session.GuardFlag) {
        m_session.GuardFlag = false;
        return;
    }
    QTableWidgetItem* item = ui->merangrid->item(row, column);
    const std::string name = StoreControllerName(
        m_session.exchange, m_session.catalog.entry(row + 1).ControllerCode(), item->text().toStdString());
    m_list.rows[static_cast<std::size_t>(row)].name = name;
    if (QString::fromStdString(name) != item->text()) {
        m_filling = true;
        item->setText(QString::fromStdString(name));
        m_filling = false;
    }
    merangridRowClick(row);
}

void Tvibor::showArchiveView(MarkKind kind)
{
    if (m_current == 0)
        return;
    m_kind = kind;
    m_archiveView = true;
    for (QWidget* w : std::initializer_list<QWidget*>{ui->settlementPanel, ui->merangrid, ui->kindLabel,
                                                      ui->barh, ui->bday, ui->Button5, ui->Button6})
        w->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{ui->myarh, ui->RadioGroup1, ui->myon, ui->myoff})
        w->show();
    setWindowTitle(viewCaption(kind));
    showLegend(true);

    // Monthly archives are never chained; the hourly view keeps the last choice.
    ui->chainedItem->setVisible(kind != MarkKind::Monthly);
    if (kind != MarkKind::Hourly)
        ui->precisionItem->setChecked(true);

    QTableWidget* grid = ui->myarh;
    grid->clearContents();
    grid->setRowCount(markGridRows(kind));
    grid->setFixedHeight(markGridRows(kind) * kArchiveCellHeight + 2 * grid->frameWidth());
    for (int r = 0; r < grid->rowCount(); ++r) {
        for (int c = 0; c < 8; ++c) {
            const int number = 8 * r + c;
            auto* item = cell(number < markGridCells(kind) ? QString::number(number) : QString(), kCellWhite);
            item->setTextAlignment(Qt::AlignCenter);
            if (number >= markGridCells(kind))
                item->setFlags(Qt::ItemIsEnabled);
            grid->setItem(r, c, item);
        }
    }
    grid->setCurrentCell(0, 0);
    paintArchiveGrid();
    adjustSize();
}

void Tvibor::paintArchiveGrid()
{
    const std::vector<MarkColour> colours = currentMarking().colours();
    for (std::size_t n = 0; n < colours.size(); ++n)
        ui->myarh->item(static_cast<int>(n / 8), static_cast<int>(n % 8))
            ->setBackground(colourOf(colours[n]));
}

void Tvibor::showLegend(bool archiveView)
{
    showSquare(ui->legendSquare1, archiveView ? kCellRed : kCellSilver);
    showSquare(ui->legendSquare2, kCellWhite);
    showSquare(ui->legendSquare3, kCellGreen);
    ui->legendText1->setText(archiveView ? QStringLiteral("Архив с двойной точностью")
                                         : QStringLiteral("Текущий МЕРАН"));
    ui->legendText2->setText(archiveView ? QStringLiteral("Обычный архив")
                                         : QStringLiteral("Дополнит. настроек нет"));
    ui->legendText3->setText(archiveView ? QStringLiteral("Сцепленный архив")
                                         : QStringLiteral("Дополнит. настройки есть"));
}

int Tvibor::selectedArchive() const
{
    const QTableWidget* grid = ui->myarh;
    if (grid->currentRow() < 0 || grid->currentColumn() < 0)
        return -1;
    const int number = 8 * grid->currentRow() + grid->currentColumn();
    return number < markGridCells(m_kind) ? number : -1;
}

std::string Tvibor::currentSection() const
{
    return m_current > 0 ? m_list.rows[static_cast<std::size_t>(m_current - 1)].controllerText
                         : std::string();
}

std::filesystem::path Tvibor::settingsFile() const
{
    return archiveSettingsPath(m_session.exchange.databasePath);
}

ArchiveMarking Tvibor::currentMarking() const
{
    return ArchiveMarking(settingsFile(), currentSection(), m_kind);
}

void Tvibor::reportFileError(const std::string& error)
{
    if (!error.empty())
        m_session.prompter.showError(error);
}

void Tvibor::myonClick()
{
    const int number = selectedArchive();
    if (number < 0)
        return;
    const ArchiveMarking marking = currentMarking();
    if (m_kind == MarkKind::Monthly || ui->precisionItem->isChecked()) {
        reportFileError(marking.setDoublePrecision(number, m_session.prompter).error);
    } else if (markColour(m_kind, marking.mark(number)) == MarkColour::Aqua) {
        m_session.prompter.showInfo(kExtendedNotChained);
        return;
    } else {
        m_scep->prepare(marking, number, m_session.prompter);
        m_scep->exec();
    }
    paintArchiveGrid();
}

void Tvibor::myoffClick()
{
    const int number = selectedArchive();
    if (number < 0)
        return;
    reportFileError(currentMarking().clearMark(number).error);
    paintArchiveGrid();
}

void Tvibor::Button2Click()
{
    if (m_archiveView)
        showListView();
    else
        accept();
}

void Tvibor::leaveArchiveView()
{
    if (m_archiveView && m_current > 0)
        reportFileError(eraseSectionWithoutMarks(settingsFile(), currentSection()).error);
    m_archiveView = false;
}

// The close box and Escape leave an archive view as "Выход" does. The values of
// the listed records are written: a row the list did not reach (after a link
// failure) was not read from the tables and would overwrite them with nothing.
void Tvibor::done(int result)
{
    leaveArchiveView();
    StoreSettlementValues(m_session.exchange, static_cast<int>(m_list.rows.size()));
    QDialog::done(result);
}

} // namespace kest
