#include "reports/ui/TblankForm.h"

#include "UiScreenshots.h"
#include "WindowTestSupport.h"
#include "common/IniFile.h"
#include "reports/BlankEditing.h"
#include "reports/ui/Totvetform.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::ReportWindowHome;

/// The editor over the delivered blanks: blank 1 is hourly with columns 1-3 and group 1
/// "Тепловая энергия" over columns 1-2. The database knows controllers 1A2F and 0A1F.
class TblankFormTest : public ::testing::Test
{
protected:
    TblankFormTest() : form(home.session)
    {
        std::string error;
        auto db = OpenArchiveDatabase(home.blanks.DatabasePath, false, &error);
        for (auto [code, name] : {std::pair{0x1A2F, "Котельная"}, {0x0A1F, "Школа"}}) {
            (void)EnsureControllerRows(*db, code);
            (void)UpdateControllerName(*db, code, name);
        }
        db.reset();
        prepared = form.prepare();
        form.show();
        grid = form.findChild<QTableWidget*>("kolonkigrid");
    }

    BlankRecord& blank() { return home.blanks.ablini; }

    void selectRows(int top, int bottom)
    {
        grid->clearSelection();
        grid->setRangeSelected(QTableWidgetSelectionRange(top - 1, 1, bottom - 1, 1), true);
    }

    void clickRow(int row) { emit grid->cellClicked(row - 1, 1); }

    void click(const char* name) { form.findChild<QAbstractButton*>(name)->click(); }

    bool lime(int row) { return grid->item(row - 1, 1)->background().color() == QColor(0, 255, 0); }

    int sections() { return static_cast<int>(IniFile::load(home.blanks.file()).sections().size()); }

    ReportWindowHome home;
    TblankForm form;
    bool prepared = false;
    QTableWidget* grid = nullptr;
};

TEST_F(TblankFormTest, GroupingAsksBeforeReplacingAGroup)
{
    ASSERT_TRUE(prepared);
    EXPECT_EQ(grid->item(1, 1)->text(), QStringLiteral("Наработка, ч"));
    EXPECT_TRUE(lime(1));
    EXPECT_TRUE(lime(2));
    EXPECT_FALSE(lime(3));

    home.prompter.answers = {false};
    selectRows(2, 3);
    click("addkol");
    EXPECT_EQ(home.prompter.questions.size(), 1u);
    EXPECT_EQ(home.prompter.questions[0], kGroupOverlapQuestion);
    EXPECT_TRUE(home.prompter.infos.empty());
    EXPECT_EQ(blank().GROUPB[1], 1);
    EXPECT_EQ(blank().GROUPNAME[1], "Тепловая энергия");

    home.prompter.answers = {true};
    click("addkol");
    EXPECT_EQ(blank().GROUPB[1], 2);
    EXPECT_EQ(blank().GROUPE[1], 3);
    EXPECT_EQ(blank().GROUPNAME[1], "Новая группа1");
    EXPECT_FALSE(lime(1));
    EXPECT_TRUE(lime(3));
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit3")->text(), QStringLiteral("Новая группа1"));

    // Columns 4 and 5 have no caption.
    selectRows(4, 5);
    click("addkol");
    ASSERT_EQ(home.prompter.infos.size(), 1u);
    EXPECT_EQ(home.prompter.infos[0], kGroupMissingColumnMessage);
    EXPECT_EQ(GroupOfColumn(blank(), 4), 0);

    // With all eight groups in use a ninth is refused with a message.
    for (int k = 4; k <= 12; ++k)
        blank().NAME[k] = "K" + std::to_string(k);
    for (int g = 2; g <= 8; ++g) {
        blank().GROUPB[g] = blank().GROUPE[g] = g + 2;
        blank().GROUPNAME[g] = "G" + std::to_string(g);
    }
    selectRows(11, 12);
    click("addkol");
    ASSERT_EQ(home.prompter.infos.size(), 2u);
    EXPECT_EQ(home.prompter.infos[1], kGroupNoFreeSlotMessage);
    EXPECT_EQ(GroupOfColumn(blank(), 11), 0);
}

TEST_F(TblankFormTest, ClearingAGroupedCaptionRemovesTheGroup)
{
    clickRow(2);
    EXPECT_TRUE(form.findChild<QPushButton*>("delkol")->isEnabled());
    EXPECT_FALSE(form.findChild<QPushButton*>("addkol")->isEnabled());
    grid->item(1, 1)->setText(QStringLiteral("   "));
    EXPECT_EQ(blank().NAME[2], "");
    EXPECT_EQ(GroupOfColumn(blank(), 1), 0);
    EXPECT_FALSE(lime(1));

    // A row without a caption puts the totals caption back to "Итого".
    form.findChild<QRadioButton*>("Total1")->click();
    EXPECT_EQ(blank().ITOGONAME, "#1");
    clickRow(5);
    EXPECT_EQ(blank().ITOGONAME, "#0");
    EXPECT_TRUE(form.findChild<QRadioButton*>("Total0")->isChecked());
}

TEST_F(TblankFormTest, IntervalBlanksKeepToOneController)
{
    click("Tip3");
    EXPECT_EQ(blank().TIP, kIntervalBlank);
    auto* controllers = form.findChild<QComboBox*>("ComboBox1");
    ASSERT_EQ(controllers->count(), 3);
    const int school = controllers->findText(QStringLiteral("Школа (0A1F)"));
    const int boiler = controllers->findText(QStringLiteral("Котельная (1A2F)"));
    ASSERT_GT(school, 0);
    clickRow(1);
    emit controllers->activated(school);
    EXPECT_EQ(blank().MERAN[1], 0x0A1F);

    grid->item(3, 1)->setText(QStringLiteral("D"));
    clickRow(4);
    controllers->setCurrentIndex(boiler);
    emit controllers->activated(boiler);
    ASSERT_EQ(home.prompter.infos.size(), 1u);
    EXPECT_EQ(home.prompter.infos[0], kIntervalControllerMessage);
    EXPECT_EQ(blank().MERAN[4], kNoController);
    EXPECT_EQ(controllers->currentText(), QStringLiteral("нет"));
}

TEST_F(TblankFormTest, NewBlankIsSavedOnlyWhenTheAnswerIsOk)
{
    ASSERT_EQ(sections(), 2);
    click("newb");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("Новый бланк1"));
    EXPECT_TRUE(home.blanks.NewBlankPending);
    home.prompter.answers = {false};
    click("nextb");
    ASSERT_EQ(home.prompter.questions.size(), 1u);
    EXPECT_EQ(home.prompter.questions[0], "Сохранить новый бланк \"Новый бланк1\"? При ответе \"Ok\" бланк "
                                          "сохранится. При ответе \"No\" бланк не сохранится.");
    EXPECT_EQ(sections(), 2);
    EXPECT_FALSE(home.blanks.NewBlankPending);
    EXPECT_EQ(home.blanks.BlankNumber, 2);
    EXPECT_EQ(blank().NAME[0], "Суточный отчет МЕРАН 1A2F");

    click("newb");
    grid->item(0, 1)->setText(QStringLiteral("Тепло"));
    home.prompter.answers = {true};
    click("prevb");
    EXPECT_EQ(home.prompter.questions.size(), 2u);
    const auto names = IniFile::load(home.blanks.file()).sections();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[2], "Новый бланк1");
    EXPECT_EQ(IniFile::load(home.blanks.file()).readString("Новый бланк1", "NAME01", ""), "Тепло");
    // The move goes from the blank shown before "Создать новый" (blank 2), not from
    // the saved one at the end.
    EXPECT_EQ(home.blanks.BlankNumber, 1);
    EXPECT_EQ(blank().NAME[0], "Часовой отчет МЕРАН 1A2F");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("Часовой отчет МЕРАН 1A2F"));

    click("newb");
    home.prompter.answers = {true};
    click("nextb");
    EXPECT_EQ(IniFile::load(home.blanks.file()).sections().size(), 4u);
    EXPECT_EQ(home.blanks.BlankNumber, 2);
    EXPECT_EQ(blank().NAME[0], "Суточный отчет МЕРАН 1A2F");
}

// "Удалить" on a new blank that was never saved ends its save question, and a save
// under another blank's name asks before replacing it.
TEST_F(TblankFormTest, DeletingANewBlankAndReplacingAnother)
{
    const auto before = IniFile::load(home.blanks.file()).sections();
    click("newb");
    click("delb");
    click("nextb");
    EXPECT_TRUE(home.prompter.questions.empty());
    EXPECT_EQ(IniFile::load(home.blanks.file()).sections(), before);

    // Blank 2 is shown; it takes blank 1's name.
    ASSERT_EQ(blank().NAME[0], before[1]);
    auto* name = form.findChild<QLineEdit*>("Edit2");
    name->setText(QString::fromStdString(before[0]));
    emit name->textEdited(name->text());
    home.prompter.answers = {false};
    click("saveb");
    ASSERT_EQ(home.prompter.questions.size(), 1u);
    EXPECT_EQ(home.prompter.questions[0], ReplaceBlankQuestion(before[0]));
    EXPECT_EQ(IniFile::load(home.blanks.file()).sections(), before);
    home.prompter.answers = {true};
    click("saveb");
    EXPECT_EQ(IniFile::load(home.blanks.file()).sections(), std::vector<std::string>{before[0]});
}

// A column without an archive shows the whole word, not the first two letters.
TEST_F(TblankFormTest, ArchiveFieldShowsNone)
{
    blank().ARH[2] = kNoArchive;
    clickRow(2);
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("нет"));
    test::saveScreenshot(form, "blank-editor-column.png");
    clickRow(5);
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("нет"));
}

// A daily blank offers the step; choosing the month step and back to days gives 1.
TEST_F(TblankFormTest, DailyTypeShowsTheStepChoice)
{
    auto* steps = form.findChild<QWidget*>("RadioGroup3");
    EXPECT_FALSE(steps->isVisible());
    click("Tip1");
    EXPECT_TRUE(steps->isVisible());
    EXPECT_TRUE(form.findChild<QRadioButton*>("Step0")->isChecked());
    click("Step1");
    EXPECT_EQ(blank().STEP, 0);
    EXPECT_FALSE(form.findChild<QWidget*>("SpinEdit2")->isVisible());
    click("Step0");
    EXPECT_EQ(blank().STEP, 1);
    EXPECT_TRUE(form.findChild<QWidget*>("SpinEdit2")->isVisible());
    click("saveb");
    EXPECT_EQ(IniFile::load(home.blanks.file()).readInteger("Часовой отчет МЕРАН 1A2F", "STEP", -1), 1);
    EXPECT_EQ(IniFile::load(home.blanks.file()).readInteger("Часовой отчет МЕРАН 1A2F", "TIP", -1), 1);
}

TEST_F(TblankFormTest, TitleButtonOpensTheReportWindowForTitles)
{
    test::whenModal<Totvetform>([](Totvetform& w) {
        EXPECT_EQ(w.ReportMode(), 2);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Заголовок отчета - Часовой отчет МЕРАН 1A2F"));
        test::saveScreenshot(w, "report-window-titles.png");
        w.reject();
    });
    test::saveScreenshot(form, "blank-editor.png");
    click("titleb");
}

void press(QWidget* w, int key, const QString& text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &up);
    // The item view closes its editor through a queued call.
    QApplication::processEvents();
}

// Without a mouse: the arrow keys walk the column list and the column's controls
// follow; a caption is edited with F2 or by typing and taken with Enter, and Escape
// leaves it as it was.
TEST_F(TblankFormTest, TheColumnListWorksFromTheKeyboard)
{
    auto* edit1 = form.findChild<QLineEdit*>("Edit1");
    grid->setFocus();
    grid->setCurrentCell(0, 1);
    blank().ARH[2] = 7;
    press(grid, Qt::Key_Down);
    EXPECT_TRUE(form.findChild<QWidget*>("ColumnPanel")->isVisible());
    EXPECT_EQ(edit1->text(), "7");
    EXPECT_TRUE(form.findChild<QPushButton*>("delkol")->isEnabled());
    press(grid, Qt::Key_Down);
    press(grid, Qt::Key_Down);
    // Column 4 has no caption: nothing to add to a group or to take out of one.
    EXPECT_FALSE(form.findChild<QPushButton*>("delkol")->isEnabled());
    EXPECT_FALSE(form.findChild<QPushButton*>("addkol")->isEnabled());

    const auto editor = [&] {
        for (auto* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return static_cast<QLineEdit*>(nullptr);
    };
    press(grid, Qt::Key_F2);
    ASSERT_TRUE(editor());
    for (const QChar c : QStringLiteral("Расход"))
        press(editor(), 0, QString(c));
    press(editor(), Qt::Key_Return);
    EXPECT_EQ(blank().NAME[4], "Расход");
    EXPECT_FALSE(editor());
    EXPECT_TRUE(form.isVisible()) << "Enter in the editor takes the caption, it does not press \"Выход\"";

    // Typing opens the editor too; Escape throws the typing away.
    press(grid, Qt::Key_Down);
    press(grid, 0, QStringLiteral("X"));
    ASSERT_TRUE(editor());
    press(editor(), Qt::Key_Escape);
    EXPECT_FALSE(editor());
    EXPECT_EQ(blank().NAME[5], "");
    EXPECT_TRUE(form.isVisible()) << "Escape in the editor closes the editor, not the window";
    press(grid, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

} // namespace
} // namespace kest
