#include "forms/ui/TnForm.h"

#include "common/ui/EnterButton.h"
#include "common/ui/LabelNames.h"
#include "common/Prompter.h"
#include "forms/StandardForm.h"
#include "forms/ui/FormChoices.h"
#include "ui_TnForm.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QValidator>

namespace kest {
namespace {

/// Type-1 value cells are filled in green, text cells stay white.
const QColor kArchiveCell(0xC8, 0xF0, 0xC8);

/// Archive numbers take digits and backspace only, and stay below 64; the digits go
/// to the end of the text whatever the cursor says. Other keys (Enter, Tab, Escape,
/// arrows) do what they always do.
class ArchiveKeys final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* edit = static_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        char ch = 0;
        if (key->key() == Qt::Key_Backspace)
            ch = '\b';
        else if (key->key() == Qt::Key_Delete)
            return true;
        else if (key->text().size() == 1 && key->text()[0].isPrint())
            ch = key->text()[0].toLatin1();
        else
            return false;
        if (const auto next = ArchiveNumberKey(edit->text().toStdString(), ch))
            edit->setText(QString::fromStdString(*next));
        return true;
    }
};

/// Keeps pasted text to what the keys allow.
class ArchiveNumberValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return IsArchiveNumberText(input.toStdString()) ? Acceptable : Invalid;
    }
};

QLineEdit* archiveNumberEditor(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new ArchiveNumberValidator(edit));
    edit->installEventFilter(new ArchiveKeys(edit));
    return edit;
}

/// The parameter list's value column: archive numbers for green rows, any text else.
class ValueDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<bool(int row)> isArchive;

    QWidget*
    createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (isArchive && isArchive(index.row()))
            return archiveNumberEditor(parent);
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
};

/// The archive list: "№ архива" as archive numbers (an emptied cell keeps the text it
/// had), "Тип итогов" and "Точность" chosen from their lists without typing.
class ArchiveDelegate final : public QStyledItemDelegate
{
public:
    ArchiveDelegate(int archiveColumn, int totalColumn, int decimalsColumn, QObject* parent)
        : QStyledItemDelegate(parent), m_archive(archiveColumn), m_total(totalColumn),
          m_decimals(decimalsColumn)
    {
    }

    QWidget*
    createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() == m_archive)
            return archiveNumberEditor(parent);
        if (index.column() != m_total && index.column() != m_decimals)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* box = new QComboBox(parent);
        for (const auto& item : index.column() == m_total ? FormTotalNames() : FormDecimalChoices())
            box->addItem(QString::fromStdString(item));
        // A choice is taken at once, as the drop-down list closes.
        connect(box, &QComboBox::activated, box, [this, box] {
            auto* self = const_cast<ArchiveDelegate*>(this);
            emit self->commitData(box);
            emit self->closeEditor(box);
        });
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentIndex(box->findText(index.data().toString()));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            if (box->currentIndex() >= 0)
                model->setData(index, box->currentText());
            return;
        }
        if (index.column() == m_archive && static_cast<QLineEdit*>(editor)->text().isEmpty())
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    int m_archive, m_total, m_decimals;
};

QTableWidgetItem* readOnlyItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QTableWidgetItem* centred(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

TnForm::TnForm(ReportSession& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TnForm>()), m_session(session)
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button1);
    nameControlsByTheirLabels(*this);
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2})
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    QTableWidget* n = ui->ngrid;
    n->setColumnCount(3);
    n->setHorizontalHeaderLabels(
        {QStringLiteral("Название параметра"), QStringLiteral("Значение"), QString()});
    n->setColumnHidden(kNumberColumn, true);
    n->setColumnWidth(kNameColumn, 300);
    n->horizontalHeader()->setStretchLastSection(true);
    n->verticalHeader()->hide();
    auto* values = new ValueDelegate(n);
    values->isArchive = [this](int row) {
        return row >= 0 && row < static_cast<int>(m_rows.size()) &&
               m_rows[static_cast<std::size_t>(row)].archive;
    };
    n->setItemDelegateForColumn(kValueColumn, values);

    QTableWidget* a = ui->aGrid;
    a->setColumnCount(5);
    a->setHorizontalHeaderLabels({QStringLiteral("Название архива"), QStringLiteral("№ архива"), QString(),
                                  QStringLiteral("Тип итогов"), QStringLiteral("Точность")});
    a->setColumnHidden(kArchiveNumberColumn, true);
    a->setColumnWidth(kArchiveNameColumn, 300);
    a->setColumnWidth(kArchiveColumn, 85);
    a->setColumnWidth(kTotalColumn, 130);
    a->setColumnWidth(kDecimalsColumn, 80);
    a->horizontalHeader()->setStretchLastSection(true);
    a->verticalHeader()->hide();
    a->setItemDelegate(new ArchiveDelegate(kArchiveColumn, kTotalColumn, kDecimalsColumn, a));

    m_copy = new QAction(QStringLiteral("Скопировать"), n);
    m_paste = new QAction(QStringLiteral("Вставить"), n);
    m_clear = new QAction(QStringLiteral("Очистить"), n);
    m_copy->setObjectName(QStringLiteral("copyAction"));
    m_paste->setObjectName(QStringLiteral("pasteAction"));
    m_clear->setObjectName(QStringLiteral("clearAction"));
    m_paste->setEnabled(false);
    n->addActions({m_copy, m_paste, m_clear});
    connect(m_copy, &QAction::triggered, this, &TnForm::copyValues);
    connect(m_paste, &QAction::triggered, this, &TnForm::pasteValues);
    connect(m_clear, &QAction::triggered, this, &TnForm::clearValues);

    connect(ui->ComboBox1, &QComboBox::activated, this, &TnForm::choiceChanged);
    connect(ui->ComboBox2, &QComboBox::activated, this, &TnForm::choiceChanged);
    connect(n, &QTableWidget::itemChanged, this, &TnForm::ngridChanged);
    connect(a, &QTableWidget::itemChanged, this, &TnForm::aGridChanged);
    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::reject);

    replaceChoices(*ui->ComboBox1, {"нет"});
    replaceChoices(*ui->ComboBox2, {"нет"});
    ui->Panel1->hide();
    ui->Panel2->hide();
}

TnForm::~TnForm() = default;

void TnForm::setFormChoices(const std::vector<std::string>& forms)
{
    replaceChoices(*ui->ComboBox2, forms);
}

void TnForm::setControllerChoices(const std::vector<std::string>& controllers)
{
    replaceChoices(*ui->ComboBox1, controllers);
}

int TnForm::controllerChoiceCount() const
{
    return ui->ComboBox1->count();
}

void TnForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_form.clear();
    m_copyState = 0;
    m_held.clear();
    m_paste->setEnabled(false);
    showNothingChosen(*ui->ComboBox2);
    ui->Panel1->hide();
    ui->Panel2->hide();
}

std::filesystem::path TnForm::formFolder() const
{
    const std::string form = ui->ComboBox2->currentText().toStdString();
    return FindFormFolder(m_session.blanks.DatabasePath, form).value_or(m_session.blanks.DatabasePath / form);
}

void TnForm::choiceChanged()
{
    ui->Panel1->hide();
    if (!chosen(*ui->ComboBox2)) {
        ui->Panel2->hide();
        return;
    }
    fillArchiveGrid();
    const std::string form = ui->ComboBox2->currentText().toStdString();
    if (form != m_form) {
        // Values copied from another form would land on other parameters.
        m_copyState = 0;
        m_held.clear();
        m_paste->setEnabled(false);
        m_form = form;
    }
    const auto hex = ControllerHexOfChoice(ui->ComboBox1->currentText().toStdString());
    if (chosen(*ui->ComboBox1) && hex) {
        m_controllerHex = *hex;
        fillParameterGrid();
    }
}

void TnForm::fillParameterGrid()
{
    m_filling = true;
    ui->Label3->setText(QStringLiteral("Параметры для МЕРАН № ") + QString::fromStdString(m_controllerHex));
    m_rows = FormSettings(formFolder()).parameterRows(m_controllerHex);
    QTableWidget* n = ui->ngrid;
    n->setRowCount(0);
    n->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < n->rowCount(); ++r) {
        const FormParameterRow& row = m_rows[static_cast<std::size_t>(r)];
        n->setItem(r, kNameColumn, readOnlyItem(QString::fromStdString(row.name)));
        auto* value = new QTableWidgetItem(QString::fromStdString(row.value));
        if (row.archive)
            value->setBackground(kArchiveCell);
        // What a filling takes while the controller has no value of its own.
        if (!row.formValue.empty())
            value->setToolTip(QStringLiteral("Значение бланка: ") + QString::fromStdString(row.formValue));
        n->setItem(r, kValueColumn, value);
        n->setItem(r, kNumberColumn, readOnlyItem(QString::number(row.k)));
    }
    m_filling = false;
    ui->Panel1->show();
}

void TnForm::fillArchiveGrid()
{
    m_filling = true;
    ui->Label4->setText(QStringLiteral("Номера архивов для бланка: ") + ui->ComboBox2->currentText());
    const std::vector<FormArchiveRow> rows = FormSettings(formFolder()).archiveRows();
    QTableWidget* a = ui->aGrid;
    a->setRowCount(0);
    a->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < a->rowCount(); ++r) {
        const FormArchiveRow& row = rows[static_cast<std::size_t>(r)];
        a->setItem(r, kArchiveNameColumn, readOnlyItem(QString::fromStdString(row.name)));
        a->setItem(r, kArchiveColumn, centred(QString::fromStdString(row.archive)));
        a->setItem(r, kArchiveNumberColumn, readOnlyItem(QString::number(row.k)));
        const QString total =
            row.totalType >= 0
                ? QString::fromStdString(FormTotalNames()[static_cast<std::size_t>(row.totalType)])
                : QString();
        a->setItem(r, kTotalColumn, centred(total));
        a->setItem(r, kDecimalsColumn, centred(QString::fromStdString(row.decimals)));
    }
    m_filling = false;
    ui->Panel2->show();
}

void TnForm::ngridChanged(QTableWidgetItem* item)
{
    if (m_filling || item->column() != kValueColumn || item->row() >= static_cast<int>(m_rows.size()))
        return;
    const FormParameterRow& row = m_rows[static_cast<std::size_t>(item->row())];
    stored(FormSettings(formFolder()).storeParameter(m_controllerHex, row, item->text().toStdString()));
}

void TnForm::aGridChanged(QTableWidgetItem* item)
{
    if (m_filling)
        return;
    QTableWidgetItem* number = ui->aGrid->item(item->row(), kArchiveNumberColumn);
    if (!number)
        return;
    const int k = number->text().toInt();
    const std::string text = item->text().toStdString();
    FormSettings settings(formFolder());
    switch (item->column()) {
    case kArchiveColumn:
        stored(settings.storeArchiveNumber(k, text));
        break;
    case kTotalColumn: {
        const auto& names = FormTotalNames();
        const auto at = std::find(names.begin(), names.end(), text);
        if (at != names.end())
            stored(settings.storeTotalType(k, static_cast<int>(at - names.begin())));
        break;
    }
    case kDecimalsColumn:
        stored(settings.storeDecimals(k, text));
        break;
    default:
        break;
    }
}

void TnForm::copyValues()
{
    m_held.clear();
    for (int r = 0; r < ui->ngrid->rowCount(); ++r) {
        const QTableWidgetItem* value = ui->ngrid->item(r, kValueColumn);
        m_held.push_back(value ? value->text().toStdString() : std::string());
    }
    m_copyState = 1;
    m_paste->setEnabled(true);
}

void TnForm::pasteValues()
{
    if (m_copyState != 1 || !ui->Panel1->isVisible())
        return;
    m_filling = true;
    for (int r = 0; r < ui->ngrid->rowCount() && r < static_cast<int>(m_held.size()); ++r)
        ui->ngrid->item(r, kValueColumn)
            ->setText(QString::fromStdString(m_held[static_cast<std::size_t>(r)]));
    m_filling = false;
    stored(FormSettings(formFolder()).pasteParameters(m_controllerHex, m_rows, m_held));
}

void TnForm::clearValues()
{
    if (!ui->Panel1->isVisible())
        return;
    m_filling = true;
    for (int r = 0; r < ui->ngrid->rowCount(); ++r)
        ui->ngrid->item(r, kValueColumn)->setText(QString());
    m_filling = false;
    stored(FormSettings(formFolder()).clearParameters(m_controllerHex, m_rows));
}

void TnForm::stored(const std::string& problem)
{
    if (problem.empty())
        return;
    m_session.prompter.showError("Настройки бланка не сохранены: " + problem);
    // The lists show the file again, once the edit that failed has closed.
    QTimer::singleShot(0, this, [this] { choiceChanged(); });
}

} // namespace kest
