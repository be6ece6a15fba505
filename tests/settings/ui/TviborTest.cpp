#include "settings/ui/Tvibor.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "app/ui/DesktopSession.h"
#include "common/IniFile.h"
#include "db/ArchiveTables.h"
#include "exchange/Connection.h"
#include "link/SimProcess.h"
#include "reports/ui/WindowTestSupport.h"
#include "settings/ui/Tscep.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

namespace kest {
namespace {

/// Answers every message box that opens while it lives: keeps its text and presses
/// the next queued button, or OK when none is queued.
class BoxAnswerer
{
public:
    BoxAnswerer()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.push_back(box->text().toStdString());
            QMessageBox::StandardButton button = QMessageBox::Ok;
            if (!answers.empty()) {
                button = answers.front();
                answers.pop_front();
            }
            box->button(button)->click();
        });
        m_timer.start();
    }
    std::vector<std::string> texts;
    std::deque<QMessageBox::StandardButton> answers;

private:
    QTimer m_timer;
};

/// kest-sim with three records (controllers 0101..0103), a data folder with the
/// tables and KEST.INI, and a desktop session connected to the simulator. The
/// request link answers the first probe; the page link, which the monthly and
/// interval views need, costs the probe's time-out.
struct ArchiveWindowHome
{
    explicit ArchiveWindowHome(const std::string& kest = "", const std::string& link = "request")
        : sim(std::make_unique<test::SimProcess>(link, test::plainRecords(3)))
    {
        std::filesystem::create_directories(data);
        test::writeFile(dir / "NN.INI", "[TIME]\r\nKOLP=1\r\nTWORK=1\r\nRS-232=" + sim->device() +
                                            "\r\nPUT=" + data.string() + "/\r\n");
        if (!kest.empty())
            test::writeFile(data / "KEST.INI", kest);
        std::string error;
        auto db = OpenArchiveDatabase(data.string() + "/", true, &error);
        EXPECT_TRUE(db) << error;
        session.loadSettings();
        EXPECT_TRUE(EstablishConnection(session.exchange, session.settings.Port));
        EXPECT_EQ(session.state.ExchangeStatus, 0);
        EXPECT_EQ(session.catalog.count, 3);
        session.onMenuChanged = [this] { ++menuChanges; };
    }
    std::unique_ptr<ArchiveDatabase> db() const
    {
        std::string error;
        return OpenArchiveDatabase(data.string() + "/", false, &error);
    }
    int mark(const std::string& section, const std::string& key) const
    {
        return IniFile::load(data / "KEST.INI").readInteger(section, key, -1);
    }

    std::unique_ptr<test::SimProcess> sim;
    test::TempDir dir;
    std::filesystem::path data = dir / "data";
    DesktopSession session{dir.path()};
    int menuChanges = 0;
};

template <typename T> T* child(QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(name);
    EXPECT_TRUE(found) << name;
    return found;
}

QColor background(QTableWidget* grid, int row, int column)
{
    return grid->item(row, column)->background().color();
}

TEST(TviborTest, BuildsItsListFromTheRegistrarAndWritesAtClosing)
{
    ArchiveWindowHome home("[0102]\r\nAH05=90\r\n", "page");
    {
        auto db = home.db();
        ASSERT_TRUE(UpdateControllerName(*db, 0x0102, "Котельная №2").ok());
        ASSERT_TRUE(UpdateControllerSettlement(*db, 0x0101, 7, 15, 1, 10).ok());
    }
    home.session.menu.beforeConnecting();
    Tvibor window(home.session);
    ASSERT_TRUE(window.buildList());
    EXPECT_EQ(window.windowTitle(), "Содержание каталога кеста-регистратора");
    EXPECT_FALSE(home.session.menu.setonline);
    EXPECT_TRUE(home.session.menu.kestread && home.session.menu.setarh);
    EXPECT_GE(home.menuChanges, 1);

    auto* list = child<QTableWidget>(window, "merangrid");
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(1, 1)->text(), "Котельная №2");
    EXPECT_EQ(list->item(2, 2)->text(), "0103");
    EXPECT_EQ(list->item(0, 3)->text(), "01.01.2026");
    EXPECT_EQ(list->item(0, 4)->text(), "10:11");
    EXPECT_EQ(background(list, 0, 0), QColor(0, 255, 255));
    EXPECT_EQ(background(list, 1, 2), QColor(0, 255, 0)); // KEST.INI holds marks for 0102
    EXPECT_EQ(background(list, 0, 2), QColor(255, 255, 255));
    EXPECT_TRUE(child<QPushButton>(window, "Button6")->isVisibleTo(&window)); // page link

    test::saveScreenshot(window, "Tvibor.png");

    EXPECT_EQ(test::arrowFault(*list, 0, 1), "");
    // Record 1 is current (again, after the arrows): its settlement values are in the
    // controls and the session.
    EXPECT_EQ(child<QSpinBox>(window, "SpinEdit1")->value(), 7);
    EXPECT_EQ(home.session.settlementHourSpin, 7);
    EXPECT_TRUE(child<QRadioButton>(window, "avansItem1")->isChecked());
    EXPECT_EQ(child<QComboBox>(*child<QWidget>(window, "settlementPanel"), "ComboBox1")->currentText(), "10");
    child<QSpinBox>(window, "SpinEdit2")->stepBy(2);
    EXPECT_EQ(home.session.image.record(1).rday, 17);

    // A name is cut to 50 characters and stored as typed, quotes and all.
    list->item(2, 1)->setText(QString("Узел 'Б'") + QString(60, 'x'));
    EXPECT_EQ(list->item(2, 1)->text().size(), 50);
    EXPECT_EQ(SelectController(*home.db(), 0x0103)->sname, "Узел 'Б'" + std::string(42, 'x'));

    child<QPushButton>(window, "Button2")->click();
    EXPECT_FALSE(window.isVisible());
    const auto first = SelectController(*home.db(), 0x0101);
    EXPECT_EQ(first->rhour, 7);
    EXPECT_EQ(first->rday, 17);
    EXPECT_EQ(SelectIntervalMinutes(*home.db(), 0x0101), 10);
}

// The record counter limits what the passes read, not what can be edited: every
// record is listed and the values of every one are written at closing.
TEST(TviborTest, TheRecordCounterLeavesEveryRecordListed)
{
    ArchiveWindowHome home;
    home.session.recordLimit = 2;
    Tvibor window(home.session);
    ASSERT_TRUE(window.buildList());
    auto* list = child<QTableWidget>(window, "merangrid");
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(2, 2)->text(), "0103");
    list->setCurrentCell(2, 1);
    child<QSpinBox>(window, "SpinEdit1")->stepBy(4);
    child<QPushButton>(window, "Button2")->click();
    EXPECT_EQ(SelectController(*home.db(), 0x0103)->rhour, 4);
}

TEST(TviborTest, RefusesToOpenOnALinkFailure)
{
    ArchiveWindowHome home;
    {
        // A failure left by an earlier exchange is reported for the first row; the
        // registrar is not asked.
        home.session.state.ExchangeStatus = kStatusStopped;
        const std::size_t asked = home.sim->trace().size();
        BoxAnswerer boxes;
        Tvibor window(home.session);
        EXPECT_FALSE(window.buildList());
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], linkFailureMessage(kStatusStopped));
        EXPECT_EQ(home.sim->trace().size(), asked);
    }
    home.session.state.ExchangeStatus = kStatusOk;
    home.sim.reset(); // the registrar is unplugged
    BoxAnswerer boxes;
    Tvibor window(home.session);
    EXPECT_FALSE(window.buildList());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].rfind("Ошибка связи с регистратором:", 0), 0u);
    EXPECT_NE(home.session.state.ExchangeStatus, kStatusOk);
    EXPECT_TRUE(home.session.menu.setonline);
    EXPECT_FALSE(home.session.menu.kestread || home.session.menu.setarh);
}

TEST(TviborTest, AChainedDailyArchiveAnsweredNoStaysChained)
{
    ArchiveWindowHome home("[0101]\r\nAD03=90\r\nAD10=1103\r\n");
    Tvibor window(home.session);
    ASSERT_TRUE(window.buildList());
    child<QPushButton>(window, "bday")->click();
    EXPECT_EQ(window.windowTitle(), "Настройка суточных архивов");
    auto* grid = child<QTableWidget>(window, "myarh");
    ASSERT_EQ(grid->rowCount(), 8);
    EXPECT_EQ(grid->item(1, 2)->text(), "10");
    EXPECT_EQ(background(grid, 1, 2), QColor(0, 255, 0));
    EXPECT_EQ(background(grid, 0, 3), QColor(255, 0, 0));
    EXPECT_TRUE(child<QRadioButton>(window, "precisionItem")->isChecked());

    EXPECT_EQ(test::arrowFault(*grid, 0, 3), "");
    grid->setCurrentCell(1, 2);
    BoxAnswerer boxes;
    boxes.answers = {QMessageBox::No};
    child<QPushButton>(window, "myon")->click();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], ArchiveMarking::leaveChainQuestion(10, 3));
    EXPECT_EQ(home.mark("0101", "AD10"), 1103);
    EXPECT_EQ(background(grid, 1, 2), QColor(0, 255, 0));

    boxes.answers = {QMessageBox::Ok};
    child<QPushButton>(window, "myon")->click();
    EXPECT_EQ(home.mark("0101", "AD10"), 90);
    EXPECT_EQ(background(grid, 1, 2), QColor(255, 0, 0));
    child<QPushButton>(window, "Button2")->click(); // back to the list, not closed
    EXPECT_TRUE(child<QTableWidget>(window, "merangrid")->isVisibleTo(&window));
    EXPECT_FALSE(grid->isVisibleTo(&window));
}

TEST(TviborTest, ChainsThroughTheHeadChoiceWindow)
{
    ArchiveWindowHome home("[0101]\r\nAH05=90\r\nAH07=1105\r\nAH09=1205\r\nAH12=1812\r\n");
    Tvibor window(home.session);
    ASSERT_TRUE(window.buildList());
    child<QPushButton>(window, "barh")->click();
    auto* grid = child<QTableWidget>(window, "myarh");
    EXPECT_EQ(background(grid, 1, 4), QColor(0, 255, 255)); // 12, extended
    child<QRadioButton>(window, "chainedItem")->setChecked(true);

    BoxAnswerer boxes;
    grid->setCurrentCell(1, 4);
    child<QPushButton>(window, "myon")->click();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], kExtendedNotChained);

    grid->setCurrentCell(1, 3); // archive 11 to head 05
    std::vector<QString> seen;
    QTimer::singleShot(0, [&] {
        auto* scep = qobject_cast<Tscep*>(QApplication::activeModalWidget());
        ASSERT_TRUE(scep);
        auto* heads = child<QComboBox>(*scep, "ComboBox1");
        EXPECT_EQ(heads->currentText(), "нет");
        EXPECT_FALSE(child<QLabel>(*scep, "Label3")->isVisible());
        child<QPushButton>(*scep, "BitBtn1")->click(); // "нет": nothing, the window stays
        EXPECT_TRUE(scep->isVisible());
        const int head = heads->findText("05");
        heads->setCurrentIndex(head);
        emit heads->activated(head);
        seen = {child<QLabel>(*scep, "Label1")->text(), child<QLabel>(*scep, "Label2")->text(),
                child<QLabel>(*scep, "Label3")->text()};
        EXPECT_EQ(heads->findText("07"), -1);
        test::saveScreenshot(*scep, "Tscep.png");
        child<QPushButton>(*scep, "BitBtn1")->click();
    });
    child<QPushButton>(window, "myon")->click();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "Архив №11 сцеплен с архивом №");
    EXPECT_EQ(seen[1], "C архивом №05 сцеплены следующие архивы:");
    EXPECT_EQ(seen[2], " 07 09");
    EXPECT_EQ(home.mark("0101", "AH11"), 1305);
    EXPECT_EQ(background(grid, 1, 3), QColor(0, 255, 0));
    test::saveScreenshot(window, "Tvibor-hourly.png");

    // "Снять" on the first member closes the chain up.
    grid->setCurrentCell(0, 7);
    child<QPushButton>(window, "myoff")->click();
    EXPECT_EQ(home.mark("0101", "AH07"), -1);
    EXPECT_EQ(home.mark("0101", "AH09"), 1105);
    EXPECT_EQ(home.mark("0101", "AH11"), 1205);
    EXPECT_EQ(background(grid, 0, 7), QColor(255, 255, 255));
}

TEST(TviborTest, LeavingAnArchiveViewDropsAnEmptiedSection)
{
    ArchiveWindowHome home("[0101]\r\nAH05=90\r\n[0102]\r\nAM05=90\r\n", "page");
    // What a reading pass left in the image stays: the views work on KEST.INI only.
    ArchiveSettings& image = home.session.image.record(1).Settings;
    image.HourlyFlags[5] = 0x33;
    const ArchiveSettings before = image;
    Tvibor window(home.session);
    ASSERT_TRUE(window.buildList());
    auto* list = child<QTableWidget>(window, "merangrid");
    list->setCurrentCell(1, 1);
    child<QSpinBox>(window, "SpinEdit1")->stepBy(6);
    child<QPushButton>(window, "Button5")->click();
    EXPECT_FALSE(child<QRadioButton>(window, "chainedItem")->isVisibleTo(&window));
    child<QPushButton>(window, "Button2")->click();
    EXPECT_EQ(home.mark("0102", "AM05"), 90); // monthly keys keep the section
    // Back in the list, row 1 is current and its settlement values are offered; the
    // hour edited in row 2 before is still there, not read again from the tables.
    EXPECT_TRUE(child<QWidget>(window, "settlementPanel")->isVisibleTo(&window));
    list->setCurrentCell(1, 1);
    EXPECT_EQ(child<QSpinBox>(window, "SpinEdit1")->value(), 6);

    list->setCurrentCell(0, 1);
    child<QPushButton>(window, "barh")->click();
    auto* grid = child<QTableWidget>(window, "myarh");
    grid->setCurrentCell(0, 5);
    child<QPushButton>(window, "myoff")->click();
    child<QPushButton>(window, "Button2")->click();
    EXPECT_FALSE(IniFile::load(home.data / "KEST.INI").hasSection("0101"));
    EXPECT_EQ(background(list, 0, 2), QColor(255, 255, 255));
    EXPECT_EQ(background(list, 1, 2), QColor(0, 255, 0));

    // Escape from an archive view of a later row drops its emptied section too.
    list->setCurrentCell(1, 1);
    child<QPushButton>(window, "Button5")->click();
    grid->setCurrentCell(0, 5);
    child<QPushButton>(window, "myoff")->click();
    EXPECT_TRUE(IniFile::load(home.data / "KEST.INI").hasSection("0102"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &escape);
    EXPECT_FALSE(IniFile::load(home.data / "KEST.INI").hasSection("0102"));
    EXPECT_EQ(SelectController(*home.db(), 0x0102)->rhour, 6);
    EXPECT_EQ(image.HourlyFlags, before.HourlyFlags);
    EXPECT_EQ(image.HourlyExtended, before.HourlyExtended);
    EXPECT_EQ(image.MonthlyFlags, before.MonthlyFlags);
}

} // namespace
} // namespace kest
