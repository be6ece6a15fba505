#include "common/ui/EnterButton.h"

#include <QDialog>
#include <QPushButton>

namespace kest {
namespace {

QList<QPushButton*> buttonsOf(QDialog& dialog)
{
    QList<QPushButton*> own;
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->window() == &dialog)
            own.push_back(b);
    return own;
}

} // namespace

void setEnterButton(QDialog& dialog, QPushButton& button)
{
    for (QPushButton* b : buttonsOf(dialog)) {
        b->setAutoDefault(true);
        b->setDefault(false);
    }
    // Set again now that the button is in the dialog: one made the default before
    // it had a parent is not the dialog's own, and the dialog would pick another.
    button.setDefault(true);
}

void clearEnterButton(QDialog& dialog)
{
    for (QPushButton* b : buttonsOf(dialog)) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
}

} // namespace kest
