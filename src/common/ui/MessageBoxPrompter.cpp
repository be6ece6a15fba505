#include "common/ui/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace kest {
namespace {

QWidget* parentOf(QWidget* parent)
{
    return parent ? parent : QApplication::activeWindow();
}

} // namespace

void MessageBoxPrompter::showError(const std::string& text)
{
    QMessageBox::critical(parentOf(m_parent), QStringLiteral("Ошибка"), QString::fromStdString(text));
}

void MessageBoxPrompter::showInfo(const std::string& text)
{
    QMessageBox::information(parentOf(m_parent), QStringLiteral("Информация"), QString::fromStdString(text));
}

bool MessageBoxPrompter::ask(const std::string& question, bool defaultAnswer)
{
    const auto answer = QMessageBox::warning(
        parentOf(m_parent), QStringLiteral("Предупреждение"), QString::fromStdString(question),
        QMessageBox::No | QMessageBox::Ok, defaultAnswer ? QMessageBox::Ok : QMessageBox::No);
    return answer == QMessageBox::Ok;
}

} // namespace kest
