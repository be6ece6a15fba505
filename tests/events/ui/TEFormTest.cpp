#include "events/ui/TEForm.h"

#include "UiScreenshots.h"
#include "reports/ui/Tperiodform.h"
#include "reports/ui/WindowTestSupport.h"

#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::whenModal;

QString shortDate(const QDate& d)
{
    return d.toString("dd.MM.yyyy");
}

class TEFormTest : public ::testing::Test
{
protected:
    TEFormTest() : period(home.session), window(home.session, period)
    {
        window.setControllers({{"Котельная №2", "1A2F"}, {"ЦТП", "..."}});
        window.show();
    }

    test::ReportWindowHome home;
    Tperiodform period;
    TEForm window;
};

TEST_F(TEFormTest, OpensOnTodayToTomorrowAndTakesTheChosenPeriod)
{
    const QDate today = QDate::currentDate();
    EXPECT_EQ(window.windowTitle(), "Архив событий");
    EXPECT_EQ(window.periodCaption(),
              "c 0 часов " + shortDate(today) + " г. по 0 часов " + shortDate(today.addDays(1)) + " г.");
    EXPECT_FALSE(window.findChild<QWidget*>("Panel1")->isVisible());
    auto* grid = window.findChild<QTableWidget*>("mergrid");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 1)->text(), "...");
    EXPECT_TRUE(grid->item(0, 0)->isSelected());
    EXPECT_TRUE(grid->item(0, 1)->isSelected());
    test::saveScreenshot(window, "event-window.png");

    // Start hour 1 takes "часа", end hour 5 "час"; the entry takes the shown period.
    int shownType = -1;
    whenModal<Tperiodform>([&](Tperiodform& f) {
        shownType = f.findChild<QSpinBox*>("SpinEdit1")->isVisible() ? 0 : 1;
        f.findChild<QDateEdit*>("startd")->setDate(QDate(2026, 3, 1));
        f.findChild<QDateEdit*>("stopd")->setDate(QDate(2026, 3, 2));
        f.findChild<QSpinBox*>("SpinEdit1")->setValue(1);
        f.findChild<QSpinBox*>("SpinEdit2")->setValue(5);
        test::saveScreenshot(f, "event-period-window.png");
        f.findChild<QPushButton*>("Button1")->click();
    });
    window.findChild<QPushButton*>("Button1")->click();
    EXPECT_EQ(shownType, 0);
    EXPECT_EQ(window.periodCaption(), "c 1 часа 01.03.2026 г. по 5 час 02.03.2026 г.");
    EXPECT_EQ(home.blanks.BlankNumber, PeriodTable::kEventEntry);
    const ReportPeriod& entry = home.periods[PeriodTable::kEventEntry];
    EXPECT_EQ(entry.startHour, 1);
    EXPECT_EQ(entry.endDate, *encodeDateTime(2026, 3, 2));

    // The next opening starts from today again, whatever was chosen before.
    window.hide();
    window.show();
    EXPECT_TRUE(window.periodCaption().startsWith("c 0 часов " + shortDate(today)));
    EXPECT_EQ(home.periods[PeriodTable::kEventEntry].startHour, 0);
}

} // namespace
} // namespace kest
