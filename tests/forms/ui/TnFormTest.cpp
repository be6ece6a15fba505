#include "forms/ui/TnForm.h"

#include "FormWindowHome.h"
#include "UiScreenshots.h"
#include "common/IniFile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr const char* kDaily = "Суточная ведомость";

class TnFormTest : public ::testing::Test
{
protected:
    TnFormTest() : window(home.session)
    {
        window.setFormChoices(home.forms());
        window.setControllerChoices(home.controllers());
        window.show();
        controllers = window.findChild<QComboBox*>("ComboBox1");
        forms = window.findChild<QComboBox*>("ComboBox2");
        ngrid = window.findChild<QTableWidget*>("ngrid");
        aGrid = window.findChild<QTableWidget*>("aGrid");
    }

    static void choose(QComboBox* box, const QString& text)
    {
        const int i = box->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        box->setCurrentIndex(i);
        emit box->activated(i);
    }

    static void key(QWidget* to, int code, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(to, &press);
    }

    /// Opens the cell's editor, types the keys ('\b' is backspace) and leaves the
    /// cell with Enter; returns what the editor showed before Enter.
    static QString type(QTableWidget* grid, int row, int col, const QString& keys)
    {
        grid->setCurrentCell(row, col);
        grid->editItem(grid->item(row, col));
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, col)));
        if (!editor)
            return QStringLiteral("no editor");
        for (QChar ch : keys) {
            if (ch == QLatin1Char('\b'))
                key(editor, Qt::Key_Backspace);
            else
                key(editor, ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_unknown, QString(ch));
        }
        const QString shown = editor->text();
        key(editor, Qt::Key_Return);
        // The view takes the text and closes the editor on its next turn.
        QApplication::processEvents();
        return shown;
    }

    void trigger(const char* action) { ngrid->findChild<QAction*>(action)->trigger(); }
    bool pasteEnabled() { return ngrid->findChild<QAction*>("pasteAction")->isEnabled(); }

    std::optional<std::string> opis(const std::string& key) const
    {
        return IniFile::load(home.data / kDaily / "OPIS.INI").value("HEAD", key);
    }

    /// The parameter list's row of parameter k.
    int rowOf(int k) const
    {
        for (int r = 0; r < ngrid->rowCount(); ++r) {
            if (ngrid->item(r, 2)->text().toInt() == k)
                return r;
        }
        return -1;
    }

    test::FormWindowHome home;
    TnForm window;
    QComboBox* controllers = nullptr;
    QComboBox* forms = nullptr;
    QTableWidget* ngrid = nullptr;
    QTableWidget* aGrid = nullptr;
};

// The form alone lists its table columns; with a controller its parameters follow:
// texts in white, archive numbers in green, never the date texts.
TEST_F(TnFormTest, ListsTheFormsParametersForTheController)
{
    EXPECT_FALSE(window.findChild<QWidget*>("Panel1")->isVisible());
    EXPECT_FALSE(window.findChild<QWidget*>("Panel2")->isVisible());
    choose(forms, QString::fromUtf8(kDaily));
    EXPECT_FALSE(window.findChild<QWidget*>("Panel1")->isVisible());
    ASSERT_TRUE(window.findChild<QWidget*>("Panel2")->isVisible());
    ASSERT_EQ(aGrid->rowCount(), 7);
    EXPECT_EQ(aGrid->item(1, 3)->text(), QStringLiteral("Среднее"));
    EXPECT_EQ(aGrid->item(2, 3)->text(), QStringLiteral("Сумма"));

    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    ASSERT_TRUE(window.findChild<QWidget*>("Panel1")->isVisible());
    EXPECT_EQ(window.findChild<QLabel*>("Label3")->text(), QStringLiteral("Параметры для МЕРАН № 0412"));
    std::vector<int> listed;
    for (int r = 0; r < ngrid->rowCount(); ++r)
        listed.push_back(ngrid->item(r, 2)->text().toInt());
    EXPECT_EQ(listed, (std::vector<int>{1, 2, 3, 13, 14, 21, 22, 29, 30}));
    EXPECT_EQ(ngrid->item(0, 1)->text(), QString()); // no key of its own yet
    EXPECT_NE(ngrid->item(rowOf(13), 1)->background().color(), ngrid->item(0, 1)->background().color());

    type(ngrid, 0, 1, QStringLiteral("ТЭЦ-2"));
    ngrid->clearSelection();
    test::saveScreenshot(window, "standard-form-settings-window.png");
}

// Each edit reaches OPIS.INI at once under the controller's own key; archive numbers
// take digits only and stay below 64.
TEST_F(TnFormTest, EditsAreWrittenAtOnceUnderTheControllersKeys)
{
    choose(forms, QString::fromUtf8(kDaily));
    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    EXPECT_EQ(type(ngrid, 0, 1, QStringLiteral("ООО «Тепло»")), QStringLiteral("ООО «Тепло»"));
    EXPECT_EQ(opis("0412N1"), "ООО «Тепло»");
    EXPECT_EQ(opis("N1"), "______________________________");

    EXPECT_EQ(type(ngrid, rowOf(13), 1, QStringLiteral("6x5")), QStringLiteral("6"));
    EXPECT_EQ(opis("0412N13"), "6");
    EXPECT_EQ(type(ngrid, rowOf(14), 1, QStringLiteral("63")), QStringLiteral("63"));
    EXPECT_EQ(type(ngrid, rowOf(14), 1, QStringLiteral("\b\b")), QString());
    EXPECT_EQ(opis("0412N14"), "");
    EXPECT_EQ(opis("N14"), "9");

    // The archive list belongs to the form: an emptied number keeps its text.
    EXPECT_EQ(type(aGrid, 0, 1, QStringLiteral("\b12")), QStringLiteral("12"));
    EXPECT_EQ(opis("N6"), "12");
    type(aGrid, 0, 1, QStringLiteral("\b\b"));
    EXPECT_EQ(aGrid->item(0, 1)->text(), QStringLiteral("12"));
    EXPECT_EQ(opis("N6"), "12");
    aGrid->editItem(aGrid->item(0, 3));
    auto* totals = qobject_cast<QComboBox*>(aGrid->indexWidget(aGrid->model()->index(0, 3)));
    ASSERT_TRUE(totals);
    EXPECT_FALSE(totals->isEditable());
    totals->setCurrentIndex(3);
    emit totals->activated(3);
    QApplication::processEvents();
    EXPECT_EQ(aGrid->item(0, 3)->text(), QStringLiteral("Время наработки"));
    EXPECT_EQ(opis("I6"), "3");
    EXPECT_TRUE(home.prompter.errors.empty());
}

TEST_F(TnFormTest, CopiedValuesArePastedForAnotherController)
{
    choose(forms, QString::fromUtf8(kDaily));
    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    EXPECT_FALSE(pasteEnabled());
    type(ngrid, 0, 1, QStringLiteral("Школа"));
    type(ngrid, rowOf(13), 1, QStringLiteral("2"));
    trigger("copyAction");
    EXPECT_TRUE(pasteEnabled());

    choose(controllers, QStringLiteral("ЦТП (0A1F)"));
    EXPECT_EQ(ngrid->item(0, 1)->text(), QString());
    trigger("pasteAction");
    EXPECT_EQ(ngrid->item(0, 1)->text(), QStringLiteral("Школа"));
    EXPECT_EQ(opis("0A1FN1"), "Школа");
    EXPECT_EQ(opis("0A1FN13"), "2");
    EXPECT_EQ(opis("0A1FN14"), "");

    trigger("clearAction");
    EXPECT_EQ(opis("0A1FN1"), "");
    EXPECT_EQ(opis("0A1FN13"), "");
    EXPECT_EQ(opis("0412N1"), "Школа");

    // Another form gives up what was held.
    choose(forms, QStringLiteral("Годовая сводка"));
    EXPECT_FALSE(pasteEnabled());
}

// A write that fails is said once, and the list shows the file again.
TEST_F(TnFormTest, FailedWriteIsShown)
{
    choose(forms, QString::fromUtf8(kDaily));
    choose(controllers, QStringLiteral("Котельная №3 (0412)"));
    const auto file = home.data / kDaily / "OPIS.INI";
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    type(ngrid, 0, 1, QStringLiteral("x"));
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    ASSERT_EQ(home.prompter.errors.size(), 1u);
    QApplication::processEvents();
    EXPECT_EQ(ngrid->item(0, 1)->text(), QString());
    EXPECT_EQ(opis("0412N1"), std::nullopt);
}

} // namespace
} // namespace kest
