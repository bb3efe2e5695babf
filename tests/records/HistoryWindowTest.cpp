// The History window on a real store: the time in state, the CSV export, the one window, its
// openings and Esc.
#include "HistoryRig.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

using namespace records;
using namespace history_test;
using store::TimeInState;
using testutil::waitFor;

TEST(HistoryWindow, TimeInStateOfAMachineAndOfAGroup) {
    Rig rig;
    HistoryWindow& w = rig.start(rig.afternoon());
    w.showForMachine(4);
    // This shift, from T - 8 h: nothing known until T - 3 h, then 1 s connected in status 5,
    // running, 30 min fault, 10 min not connected, 1 s status 5, running, 10 min warning.
    ASSERT_TRUE(waitFor([&] { return w.timeInState().totalMs == 8 * Hour; }));
    TimeInState filler;
    filler.ms[TimeInState::Unknown] = 5 * Hour;
    filler.ms[5] = 2 * Second;
    filler.ms[1] = (Hour - Second) + (70 * Minute - Second);
    filler.ms[4] = 30 * Minute;
    filler.ms[TimeInState::NotConnected] = 10 * Minute;
    filler.ms[3] = 10 * Minute;
    EXPECT_EQ(w.timeInState().ms, filler.ms);

    // The group adds the Capper: nothing known until T - 2 h 30, then notice, then 20 min running.
    w.showForGroup(0);
    ASSERT_TRUE(waitFor([&] { return w.timeInState().totalMs == 16 * Hour; }));
    TimeInState group = filler;
    group.ms[TimeInState::Unknown] += 5 * Hour + 30 * Minute;
    group.ms[2] += 2 * Hour + 10 * Minute;
    group.ms[1] += 20 * Minute;
    EXPECT_EQ(w.timeInState().ms, group.ms);
    EXPECT_TRUE(w.findChild<QLabel*>("TimeInStateCaption")->text().contains("group Filling, 2 machines added up"));

    // A fixed range in the middle takes the state before it.
    w.setFilter(
        {MachineChoice::machine(4), RangeChoice::FromTo, T - 115 * Minute, T - 85 * Minute, AllStatuses, true, ""});
    ASSERT_TRUE(waitFor([&] { return w.timeInState().totalMs == 30 * Minute; }));
    EXPECT_EQ(w.timeInState().ms[4], 25 * Minute);
    EXPECT_EQ(w.timeInState().ms[TimeInState::NotConnected], 5 * Minute);
}

// The filter's rows as CSV, without a progress dialog when they are few; a long export shows one,
// and its Cancel leaves no file.
TEST(HistoryWindow, ExportsTheFilterAsCsvOrNothingWhenCancelled) {
    Rig rig;
    std::vector<Event> events = rig.afternoon();
    for (int i = 0; i < 20000; ++i) events.push_back(rig.status(T - Hour + i * 100, i % 4 + 4, 1, 4, "Jam"));
    HistoryWindow& w = rig.start(events);
    w.setFilter({MachineChoice::machine(4), RangeChoice::Shift, 0, 0, bits({4}), false, "guide"});
    rig.chosenFile = rig.dir.filePath("jam.csv");
    w.exportCsv();
    ASSERT_TRUE(waitFor([&] { return w.statusText().contains("Exported"); })) << w.statusText().toStdString();
    EXPECT_EQ(rig.suggested, "history-Filler-20240305-1400.csv");
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(T - 2 * Hour);
    const QString time = at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs);
    EXPECT_EQ(testutil::readBytes(rig.chosenFile),
              "time,slot,machine,group,event,old status,new status,text,changes,previous state lasted (s)\r\n" +
                  (time + ",4,Filler,1 Filling,status,1,4,\"Jam, \"\"left\"\" guide\",1,3599.000\r\n").toUtf8());
    EXPECT_FALSE(w.findChild<QProgressDialog*>("ExportProgress"));

    w.setFilter(Filter{}); // the whole line: some 20,000 rows
    rig.chosenFile = rig.dir.filePath("all.csv");
    w.exportCsv();
    auto* progress = w.findChild<QProgressDialog*>("ExportProgress");
    ASSERT_TRUE(progress && progress->isVisible());
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w.statusText().contains("Export cancelled"); })) << w.statusText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(rig.chosenFile));
}

TEST(HistoryWindow, OneWindowReusedForEveryOpeningAndEscClosesIt) {
    Rig rig;
    HistoryWindow& w = rig.start(rig.afternoon(), true);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    Filter f;
    f.text = QStringLiteral("jam");
    w.setFilter(f);
    const auto windows = [] {
        int n = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) n += qobject_cast<HistoryWindow*>(top) && top->isVisible();
        return n;
    };
    const std::string jam = "Jam, \"left\" guide";
    const std::tuple<std::function<void()>, const char*, std::string> openings[] = {
        {[&] { w.showForMachine(4); }, "History of Filler", jam},
        {[&] { w.showForGroup(1); }, "History of group Labelling", "Label jam"},
        {[&] { w.showLine(); }, "Line history", "Label jam|" + jam},
    };
    for (const auto& [open, title, rows] : openings) {
        open();
        ASSERT_TRUE(rig.loaded());
        EXPECT_EQ(windows(), 1);
        EXPECT_EQ(w.windowTitle(), title);
        EXPECT_EQ(rig.listed(), rows); // the text filter stays
    }
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* text = w.findChild<QLineEdit*>("TextFilter");
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_EQ(windows(), 0);
}
