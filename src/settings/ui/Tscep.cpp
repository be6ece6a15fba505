#include "settings/ui/Tscep.h"

#include "common/Prompter.h"
#include "common/ui/EnterButton.h"
#include "ui_Tscep.h"

namespace kest {
namespace {

QString headLine(int head)
{
    // The first letter is a Latin C, as the window has always shown it.
    return QStringLiteral("C архивом №%1 сцеплены следующие архивы:")
        .arg(QString::fromStdString(twoDigits(head)));
}

} // namespace

Tscep::Tscep(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Tscep>())
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->BitBtn1);
    // Wide enough for the longest member line, so choosing a head never clips it.
    setMinimumWidth(fontMetrics().horizontalAdvance(headLine(0)) + 40);
    ui->ComboBox1->setMinimumContentsLength(4);
    connect(ui->ComboBox1, &QComboBox::activated, this, &Tscep::ComboBox1Change);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tscep::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

Tscep::~Tscep() = default;

void Tscep::prepare(const ArchiveMarking& marking, int number, Prompter& prompter)
{
    m_marking.emplace(marking);
    m_prompter = &prompter;
    m_number = number;
    ui->BitBtn1->setEnabled(true);
    ui->ComboBox1->clear();
    ui->ComboBox1->addItem(QStringLiteral("нет"), -1);
    for (int head : marking.headChoices(number))
        ui->ComboBox1->addItem(QString::fromStdString(twoDigits(head)), head);
    // Selecting the present head is no choice of the user's: activated() does not fire.
    const int index = ui->ComboBox1->findData(marking.currentHead(number));
    ui->ComboBox1->setCurrentIndex(index > 0 ? index : 0);
    if (chosenHead() >= 0)
        showMembers(chosenHead());
}

void Tscep::showEvent(QShowEvent* event)
{
    ui->Label1->setText(QStringLiteral("Архив №%1 сцеплен с архивом №").arg(m_number));
    const int head = chosenHead();
    ui->Label2->setVisible(head >= 0);
    ui->Label3->setVisible(head >= 0);
    if (head >= 0)
        ui->Label2->setText(headLine(head));
    adjustSize();
    QDialog::showEvent(event);
}

int Tscep::chosenHead() const
{
    return ui->ComboBox1->currentData().toInt();
}

void Tscep::showMembers(int head)
{
    const HeadMembers members = m_marking->members(head);
    ui->Label3->setText(QString::fromStdString(members.text));
    ui->BitBtn1->setEnabled(members.acceptEnabled);
}

void Tscep::ComboBox1Change(int)
{
    const int head = chosenHead();
    ui->Label2->setVisible(head >= 0);
    ui->Label3->setVisible(head >= 0);
    if (head < 0)
        return;
    ui->Label2->setText(headLine(head));
    showMembers(head);
}

void Tscep::BitBtn1Click()
{
    const int head = chosenHead();
    if (head < 0 || !m_marking)
        return;
    const MarkChange change = m_marking->chainTo(m_number, head, *m_prompter);
    if (!change.error.empty())
        m_prompter->showError(change.error);
    accept();
}

} // namespace kest
