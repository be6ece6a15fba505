// Every window of the program without a mouse: each control that Tab reaches tells a
// screen reader what it is, Tab follows the layout, and Escape closes each dialog as
// its close box would.

#include "app/ui/Tkestform.h"

#include "TestSupport.h"
#include "app/ui/DesktopSession.h"
#include "reports/ui/CompletenessWindow.h"
#include "settings/ui/Tvibor.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace kest {
namespace {

/// The controls of `window` that Tab can reach in one of its faces and whose
/// accessible name is empty. The event archive's hidden panel is never shown.
std::vector<std::string> unnamedControls(QWidget& window)
{
    std::vector<std::string> unnamed;
    const QWidget* neverShown = window.objectName() == "TEForm" ? window.findChild<QWidget*>("Panel1") : nullptr;
    for (QWidget* c : window.findChildren<QWidget*>()) {
        if (c->window() != &window || !(c->focusPolicy() & Qt::TabFocus) || c->focusProxy() ||
            (neverShown && neverShown->isAncestorOf(c)))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(window.objectName().toStdString() + "/" + c->objectName().toStdString() + " (" +
                              c->metaObject()->className() + ")");
    }
    return unnamed;
}

/// Where Tab goes against the reading order of `window` as it is shown: each step must
/// go down (or along the same row) or right into the next column.
std::vector<std::string> tabStepsBack(QWidget& window)
{
    std::vector<std::string> back;
    QPoint last(-1, -1);
    std::string lastName;
    QWidget* w = &window;
    for (int i = 0; i < 200; ++i) {
        w = w->nextInFocusChain();
        if (w == &window)
            break;
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->window() != &window ||
            w->focusProxy())
            continue;
        const QPoint at = w->mapTo(&window, QPoint(0, 0));
        if (last.y() >= 0 && at.y() < last.y() - 5 && at.x() <= last.x())
            back.push_back(window.objectName().toStdString() + ": " + lastName + " -> " + w->objectName().toStdString());
        last = at;
        lastName = w->objectName().toStdString();
    }
    return back;
}

TEST(KeyboardAccessTest, EveryDialogNamesItsControlsTabsInOrderAndClosesWithEscape)
{
    test::TempDir home;
    test::writeFile(home / "NN.INI", "[TIME]\r\nRS-232=COM1\r\nPUT=" + (home / "data").string() + "/\r\n");
    DesktopSession session(home.path());
    Tkestform main(session);
    std::vector<std::string> unnamed = unnamedControls(main);
    auto dialogs = main.findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
    EXPECT_GE(dialogs.size(), 8);
    // The archive settings window is made each time it opens.
    Tvibor archiveSettings(session, &main);
    dialogs.push_back(&archiveSettings);
    dialogs.append(archiveSettings.findChildren<QDialog*>());
    CompletenessWindow completeness(session.settings.DatabasePath, session.prompter, &main);
    dialogs.push_back(&completeness);
    for (QDialog* dialog : dialogs) {
        dialog->show();
        QApplication::processEvents();
        const auto more = unnamedControls(*dialog);
        unnamed.insert(unnamed.end(), more.begin(), more.end());
        const auto back = tabStepsBack(*dialog);
        unnamed.insert(unnamed.end(), back.begin(), back.end());
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &escape);
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
        dialog->hide();
    }
    std::string list;
    for (const auto& u : unnamed)
        list += u + "\n";
    EXPECT_TRUE(unnamed.empty()) << list;
}

} // namespace
} // namespace kest
