#include "reports/ui/Tperiodform.h"

#include "UiScreenshots.h"
#include "WindowTestSupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::ReportWindowHome;
using test::whenModal;

struct Shown
{
    QDate from, to;
    int fromHour = 0, toHour = 0;
    QString fromMinute = "0", toMinute = "0";
};

/// Opens the window for a blank type, fills it and presses "Принять" (then closes it
/// with its close box when the period was refused, as a user giving up would).
int accept(ReportWindowHome& home,
           Tperiodform& form,
           int type,
           const Shown& s,
           QStringList* minutes = nullptr,
           const char* screenshot = nullptr)
{
    whenModal<Tperiodform>([&](Tperiodform& f) {
        f.findChild<QDateEdit*>("startd")->setDate(s.from);
        f.findChild<QDateEdit*>("stopd")->setDate(s.to);
        f.findChild<QSpinBox*>("SpinEdit1")->setValue(s.fromHour);
        f.findChild<QSpinBox*>("SpinEdit2")->setValue(s.toHour);
        auto* m1 = f.findChild<QComboBox*>("ComboBox1");
        if (minutes) {
            for (int i = 0; i < m1->count(); ++i)
                *minutes << m1->itemText(i);
        }
        m1->setCurrentText(s.fromMinute);
        f.findChild<QComboBox*>("ComboBox2")->setCurrentText(s.toMinute);
        if (screenshot)
            test::saveScreenshot(f, screenshot);
        f.findChild<QPushButton*>("Button1")->click();
        if (f.isVisible())
            f.reject();
    });
    (void)home;
    return form.open(type, 15);
}

TEST(TperiodformTest, AcceptsValidPeriodsAndRefusesOthers)
{
    ReportWindowHome home;
    Tperiodform form(home.session);
    home.blanks.BlankNumber = 3;
    const QDate day(2024, 3, 2);
    struct Case
    {
        int type;
        Shown shown;
        bool accepted;
    } cases[] = {
        {kHourlyBlank, {day, day, 10, 10}, true}, // a one-hour report
        {kHourlyBlank, {day, day, 11, 10}, false},
        {kIntervalBlank, {day, day, 10, 10, "30", "15"}, false},
        {kIntervalBlank, {day, day, 10, 10, "15", "15"}, true},
        {kIntervalBlank, {day, day, 10, 10, "x", "15"}, false}, // a typed text that is no minute
        {kDailyBlank, {day.addDays(1), day, 0, 5}, false},
        {kDailyBlank, {day, day, 11, 10}, true}, // hours do not count
        {kMonthlyBlank, {day, day.addDays(40), 0, 0}, true},
    };
    for (const auto& c : cases) {
        home.prompter.errors.clear();
        home.periods[3] = {};
        const int closed = accept(home, form, c.type, c.shown);
        EXPECT_EQ(closed, c.accepted ? 0 : 1) << c.type << " " << c.shown.fromHour;
        EXPECT_EQ(home.session.ClosedWithoutAccept, closed);
        EXPECT_EQ(home.periods[3].empty(), !c.accepted);
        EXPECT_EQ(home.prompter.errors.size(), c.accepted ? 0u : 1u);
        if (!c.accepted)
            EXPECT_EQ(home.prompter.errors[0], kInvalidPeriodMessage);
        // Any closing gives the event window the dates and hours shown.
        EXPECT_EQ(home.periods[PeriodTable::kEventEntry].startDate,
                  *encodeDateTime(c.shown.from.year(), c.shown.from.month(), c.shown.from.day()));
        EXPECT_EQ(home.periods[PeriodTable::kEventEntry].endHour, c.shown.toHour);
    }
    EXPECT_EQ(home.periods[3].endMinute, 0);
}

TEST(TperiodformTest, RemembersEachBlanksPeriodAndListsIntervalMinutes)
{
    ReportWindowHome home;
    Tperiodform form(home.session);
    QString caption;
    QObject::connect(&form, &Tperiodform::eventPeriodChanged, [&](const QString& c) { caption = c; });
    home.blanks.BlankNumber = 2;
    QStringList minutes;
    ASSERT_EQ(accept(home, form, kIntervalBlank, {QDate(2024, 3, 2), QDate(2024, 3, 3), 21, 0, "45", "30"},
                     &minutes, "period-window-interval.png"),
              0);
    EXPECT_EQ(minutes, (QStringList{"0", "15", "30", "45"}));
    EXPECT_EQ(home.periods[2].startMinute, 45);
    EXPECT_EQ(home.periods[2].endMinute, 30);
    EXPECT_EQ(caption, QStringLiteral("c 21 часа 02.03.2024 г. по 0 часов 03.03.2024 г."));

    // Reopening for the same blank shows what was accepted; the hourly window hides
    // the minutes.
    whenModal<Tperiodform>([](Tperiodform& f) {
        EXPECT_EQ(f.findChild<QDateEdit*>("startd")->date(), QDate(2024, 3, 2));
        EXPECT_EQ(f.findChild<QSpinBox*>("SpinEdit1")->value(), 21);
        EXPECT_TRUE(f.findChild<QSpinBox*>("SpinEdit1")->isVisible());
        EXPECT_FALSE(f.findChild<QComboBox*>("ComboBox1")->isVisible());
        test::saveScreenshot(f, "period-window-hourly.png");
        f.reject();
    });
    EXPECT_EQ(form.open(kHourlyBlank, 5), 1);
    // A daily blank shows neither hours nor minutes.
    whenModal<Tperiodform>([](Tperiodform& f) {
        EXPECT_FALSE(f.findChild<QSpinBox*>("SpinEdit1")->isVisible());
        test::saveScreenshot(f, "period-window-daily.png");
        f.reject();
    });
    EXPECT_EQ(form.open(kDailyBlank, 5), 1);
    whenModal<Tperiodform>([](Tperiodform& f) {
        EXPECT_FALSE(f.findChild<QSpinBox*>("SpinEdit1")->isVisible());
        test::saveScreenshot(f, "period-window-monthly.png");
        f.reject();
    });
    EXPECT_EQ(form.open(kMonthlyBlank, 5), 1);
}

} // namespace
} // namespace kest
