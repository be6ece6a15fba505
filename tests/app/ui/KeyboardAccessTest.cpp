// Every window of the program without a mouse: each control that Tab reaches tells a
// screen reader what it is, Tab follows the layout, and Escape closes each dialog as
// its close box would.

#include "app/ui/Tkestform.h"

#include "TestSupport.h"
#include "app/ui/DesktopSession.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/Tregform.h"
#include "charts/ui/ChartWindow.h"
#include "events/ui/TEForm.h"
#include "grid/ui/GridView.h"
#include "import/ui/ImportWindow.h"
#include "reports/ui/CompletenessWindow.h"
#include "reports/ui/WindowTestSupport.h"
#include "settings/ui/Tvibor.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
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

/// The main window and every dialog of the program, over a folder without a database.
class KeyboardAccessTest : public ::testing::Test
{
protected:
    KeyboardAccessTest()
    {
        test::writeFile(home / "NN.INI", "[TIME]\r\nRS-232=COM1\r\nPUT=" + (home / "data").string() + "/\r\n");
        session.prompter.target = &prompter;
        dialogs = main.findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        EXPECT_GE(dialogs.size(), 8);
        for (QDialog* d : std::initializer_list<QDialog*>{&archiveSettings, &completeness, &import, &help, &chart})
            dialogs.push_back(d);
        dialogs.append(archiveSettings.findChildren<QDialog*>());
    }

    test::TempDir home;
    DesktopSession session{home.path()};
    MemoryPrompter prompter;
    Tkestform main{session};
    // These are made each time they open.
    Tvibor archiveSettings{session, &main};
    CompletenessWindow completeness{session.settings.DatabasePath, session.prompter, &main};
    ImportWindow import{session.settings.DatabasePath, &main};
    HelpWindow help{&main};
    ChartWindow chart{ReportChart{"Котельная", "", kHourlyBlank, {{1, "Q, Гкал", {}}}}, &main};
    QList<QDialog*> dialogs;
};

TEST_F(KeyboardAccessTest, EveryDialogNamesItsControlsTabsInOrderAndClosesWithEscape)
{
    std::vector<std::string> unnamed = unnamedControls(main);
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

/// The first control Tab reaches in `dialog` where something is typed or chosen and
/// Enter confirms it: an edit, a choice, a number or a table; null when there is none.
QWidget* firstInputControl(QDialog& dialog)
{
    QWidget* w = &dialog;
    for (int i = 0; i < 200; ++i) {
        w = w->nextInFocusChain();
        if (w == &dialog)
            break;
        if (w->window() != &dialog || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
            qobject_cast<QAbstractItemView*>(w))
            return w;
    }
    return nullptr;
}

void pressEnter(QWidget* target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(target, &release);
}

QPushButton* buttonCaptioned(QDialog& dialog, const QString& caption)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->window() == &dialog && b->text() == caption)
            return b;
    return nullptr;
}

/// Presses Enter in the first input control of `dialog` (or on the dialog itself) and
/// says whether the button captioned `caption` took it. Every other button must take
/// Enter itself when it has the focus, or Enter on it would press this one instead.
void expectEnterPresses(QDialog& dialog, const QString& caption)
{
    const std::string name = dialog.objectName().toStdString();
    QPushButton* expected = buttonCaptioned(dialog, caption);
    ASSERT_TRUE(expected) << name;
    int pressed = 0;
    const auto counting = QObject::connect(expected, &QPushButton::clicked, [&pressed] { ++pressed; });
    QWidget* input = firstInputControl(dialog);
    if (input)
        input->setFocus();
    pressEnter(input ? input : &dialog);
    QObject::disconnect(counting);
    EXPECT_EQ(pressed, 1) << name << ": Enter in " << (input ? input->objectName().toStdString() : "")
                                  << " does not press " << caption.toStdString();
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        EXPECT_TRUE(b->window() != &dialog || b->autoDefault()) << name << "/" << b->text().toStdString();
}

TEST_F(KeyboardAccessTest, EnterPressesTheDefaultButtonOfEachDialog)
{
    // The windows that only show something leave with Enter; those that ask for
    // something take it.
    const std::map<QString, QString> enterButton = {
        {"Tperiodform", "Принять"}, {"Totvetform", "Выход"}, {"TblankForm", "Выход"}, {"TEForm", "Выход"},
        {"TAboutBox", "OK"},        {"TbForm", "Выход"},     {"TnForm", "Выход"},     {"Tvibor", "Выход"},
        {"Tscep", "&Принять"},      {"CompletenessWindow", "Показать"},           {"ImportWindow", "Импортировать"},
        {"HelpWindow", "Закрыть"},  {"ChartWindow", "Выход"}};
    for (QDialog* dialog : dialogs) {
        if (qobject_cast<Tregform*>(dialog))
            continue; // its two faces are below
        dialog->show();
        QApplication::processEvents();
        const auto caption = enterButton.find(dialog->objectName());
        if (caption == enterButton.end())
            ADD_FAILURE() << "no Enter button chosen for " << dialog->objectName().toStdString();
        else
            expectEnterPresses(*dialog, caption->second);
        dialog->hide();
    }

    // The settings face keeps what is typed, so Enter leaves it; on the exchange face
    // every button starts an exchange, so Enter after a record count presses none.
    auto* exchange = main.findChild<Tregform*>();
    test::whenModal<Tregform>([](Tregform& w) {
        expectEnterPresses(w, "Выход");
        w.reject();
    });
    exchange->openSettingsFace();
    bool stayed = false;
    test::whenModal<Tregform>([&stayed](Tregform& w) {
        auto* records = w.findChild<QWidget*>("KolArhEdit");
        records->setFocus();
        pressEnter(records);
        stayed = w.isVisible();
        w.reject();
    });
    exchange->openExchangeFace();
    EXPECT_TRUE(stayed);
}

/// Rows enough to move in, for a table the test did not fill.
void giveRows(QAbstractItemView& view)
{
    if (view.model()->rowCount() >= 3)
        return;
    if (auto* table = qobject_cast<QTableWidget*>(&view)) {
        table->setColumnCount(std::max(table->columnCount(), 1));
        table->setRowCount(3);
    } else if (auto* grid = qobject_cast<GridView*>(&view)) {
        grid->beginUpdate();
        grid->table().setColCount(std::max(grid->table().colCount(), 2));
        grid->table().setRowCount(grid->table().fixedRows() + 3);
        grid->endUpdate();
    }
}

// The archive settings tables, whose rows come from a registrar, are walked in their
// own test; here every other table that Tab can reach in a window.
TEST_F(KeyboardAccessTest, ArrowKeysMoveInEveryListAndGrid)
{
    main.findChild<TEForm*>()->setControllers({{"Котельная №2", "1A2F"}, {"ЦТП", "0B21"}, {"Узел", "0C01"}});
    std::vector<std::string> faults;
    int walked = 0;
    for (QDialog* dialog : dialogs) {
        if (dialog == &archiveSettings)
            continue;
        dialog->show();
        QApplication::processEvents();
        for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) {
            // The report and form tables show once they are built; they are walked as well.
            if (view->window() != dialog || !(view->focusPolicy() & Qt::TabFocus))
                continue;
            giveRows(*view);
            const int first = qobject_cast<GridView*>(view) ? static_cast<GridView*>(view)->table().fixedRows() : 0;
            if (const std::string fault = test::arrowFault(*view, first); !fault.empty())
                faults.push_back(fault);
            ++walked;
        }
        dialog->hide();
    }
    std::string list;
    for (const auto& f : faults)
        list += f + "\n";
    EXPECT_TRUE(faults.empty()) << list;
    EXPECT_GE(walked, 13);
}

} // namespace
} // namespace kest
