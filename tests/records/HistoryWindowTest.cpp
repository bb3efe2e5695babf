// The History window on a real store: what each filter lists, the filter row's controls, paging
// and new rows at the top; the time in state, the CSV export, the one window, its openings and Esc.
#include "HistoryRig.h"

#include "records/HistoryTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include <set>

using namespace records;
using namespace history_test;
using store::TimeInState;
using testutil::waitFor;

TEST(HistoryRows, EachFilterListsItsRowsNewestFirst) {
    Rig rig;
    HistoryWindow& w = rig.start(rig.afternoon());
    using M = MachineChoice;
    using R = RangeChoice;
    const std::string jam = "Jam, \"left\" guide";
    const std::pair<Filter, std::string> cases[] = {
        // The line's rows include the station's.
        {{M::line(), R::Shift, 0, 0, AllStatuses, true, ""},
         "Low glue|C-run|Label jam|F-run again|F-back|F-lost|" + jam + "|Changeover|F-run|F-link|start"},
        {{M::machine(4), R::Shift, 0, 0, AllStatuses, true, ""},
         "Low glue|F-run again|F-back|F-lost|" + jam + "|F-run|F-link"},
        {{M::group(0), R::Shift, 0, 0, AllStatuses, true, ""},
         "Low glue|C-run|F-run again|F-back|F-lost|" + jam + "|Changeover|F-run|F-link"},
        {{M::machine(4), R::Shift, 0, 0, bits({3, 4}), false, ""}, "Low glue|" + jam},
        // No status ticked leaves the connection rows.
        {{M::machine(4), R::Shift, 0, 0, 0, true, ""}, "F-back|F-lost|F-link"},
        {{M::line(), R::Shift, 0, 0, AllStatuses, true, "JAM"}, "Label jam|" + jam},
        // Both ends of a fixed range are in it.
        {{M::machine(4), R::FromTo, T - 2 * Hour, T - 90 * Minute, AllStatuses, true, ""}, "F-lost|" + jam},
        {{M::group(5), R::Shift, 0, 0, AllStatuses, true, ""}, ""},
    };
    for (const auto& [filter, expected] : cases) {
        w.setFilter(filter);
        ASSERT_TRUE(rig.loaded());
        EXPECT_EQ(rig.listed(), expected);
    }
    EXPECT_EQ(w.statusText(), "No machine is in this group.");
    // Before the jam the Filler ran for an hour less a second.
    w.setFilter(cases[1].first);
    ASSERT_TRUE(rig.loaded());
    EXPECT_EQ(cellText(w.rows().row(4), Column::Lasted), "59 min 59 s");
    EXPECT_EQ(w.statusText(), "7 events");
}

TEST(HistoryRows, TheControlsSetTheFilter) {
    Rig rig;
    HistoryWindow& w = rig.start(rig.afternoon());
    w.showLine();
    auto* machine = w.findChild<QComboBox*>("MachineFilter");
    auto* range = w.findChild<QComboBox*>("RangeFilter");
    auto* text = w.findChild<QLineEdit*>("TextFilter");
    auto* connections = w.findChild<QCheckBox*>("ConnectionFilter");
    auto* fault = w.findChild<QToolButton*>("Status4");
    auto* from = w.findChild<QDateTimeEdit*>("From");
    ASSERT_TRUE(machine && range && text && connections && fault && from);

    machine->setCurrentIndex(machine->findText("4 - Filler"));
    EXPECT_EQ(w.filter().machine, MachineChoice::machine(4));
    QTest::mouseClick(fault, Qt::LeftButton);
    EXPECT_EQ(w.filter().statuses, AllStatuses & ~bits({4}));
    connections->setChecked(false);
    ASSERT_TRUE(rig.loaded());
    EXPECT_EQ(rig.listed(), "Low glue|F-run again|F-run");
    QTest::keyClicks(text, "glue");
    ASSERT_TRUE(waitFor([&] { return w.filter().text == "glue" && !w.rows().loading(); }));
    EXPECT_EQ(rig.listed(), "Low glue");

    // A fixed range starts from the range shown so far; its ends can then be set.
    EXPECT_FALSE(from->isEnabled());
    range->setCurrentIndex(static_cast<int>(RangeChoice::FromTo));
    EXPECT_EQ(w.filter().fromMs, T - 8 * Hour);
    EXPECT_EQ(w.filter().toMs, T);
    ASSERT_TRUE(from->isEnabled());
    from->setDateTime(QDateTime::fromMSecsSinceEpoch(T - 5 * Minute));
    emit from->editingFinished();
    EXPECT_EQ(w.filter().fromMs, T - 5 * Minute);
    ASSERT_TRUE(rig.loaded());
    EXPECT_EQ(rig.listed(), "");
}

TEST(HistoryRows, PagesLoadAsTheTableScrollsToItsEnd) {
    Rig rig;
    std::vector<Event> events;
    // Three rows share each millisecond, so that pages also split rows of one time.
    for (int i = 0; i < 2500; ++i)
        events.push_back(
            rig.status(T - Hour + i / 3 * Second, 4, i % 2 ? 1 : 4, i % 2 ? 4 : 1, std::to_string(i).c_str()));
    HistoryWindow& w = rig.start(events);
    w.showForMachine(4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(rig.loaded());
    EXPECT_EQ(w.rows().rows(), HistoryModel::PageRows);
    EXPECT_EQ(w.statusText(), "1,000 events, more below");
    auto* table = w.findChild<QTableView*>("Rows");
    // Held at the end of the table, as by a user dragging it there, until the next page came.
    for (int expected : {2000, 2500}) {
        ASSERT_TRUE(waitFor([&] {
            table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
            return w.rows().rows() >= expected;
        })) << w.rows().rows();
    }
    EXPECT_EQ(w.rows().rows(), 2500);
    EXPECT_FALSE(w.rows().canFetchMore({}));
    // Every row once, newest first.
    std::set<qint64> ids;
    for (int r = 0; r < w.rows().rows(); ++r) {
        ids.insert(w.rows().row(r).id);
        EXPECT_EQ(w.rows().row(r).event.text, QString::number(2499 - r));
    }
    EXPECT_EQ(ids.size(), 2500u);
}

TEST(HistoryRows, NewRowsComeAtTheTopWhileTheRangeEndsNow) {
    Rig rig;
    HistoryWindow& w = rig.start(
        {rig.status(T - 50 * Minute, 4, 1, 4, "old"), rig.status(T - 5 * Minute, 4, 4, 1, "recent")}, false, 20);
    Filter f;
    f.range = RangeChoice::LastHour;
    w.setFilter(f);
    w.showLine();
    ASSERT_TRUE(rig.loaded());
    ASSERT_EQ(rig.listed(), "recent|old");

    rig.store->record(rig.status(T + Second, 4, 1, 3, "new"));
    rig.now = T + 2 * Second;
    ASSERT_TRUE(waitFor([&] { return w.rows().rows() == 3; }));
    EXPECT_EQ(rig.listed(), "new|recent|old");
    // The range's start moves on with the time: what falls out of the last hour goes, and the bar
    // follows (the line's four machines, the Filler in warning since its new row).
    rig.now = T + 56 * Minute;
    ASSERT_TRUE(waitFor([&] { return w.rows().rows() == 1; }));
    EXPECT_EQ(rig.listed(), "new");
    ASSERT_TRUE(waitFor([&] { return w.timeInState().ms[3] == 56 * Minute - Second; })) << w.timeInState().ms[3];
    EXPECT_EQ(w.timeInState().totalMs, 4 * Hour);
    EXPECT_EQ(w.timeInState().ms[1], 4 * Minute + Second);

    // A fixed range stays as it was loaded.
    w.setFilter({MachineChoice::line(), RangeChoice::FromTo, T - Hour, T + 2 * Hour, AllStatuses, true, ""});
    ASSERT_TRUE(rig.loaded());
    rig.store->record(rig.status(T + 57 * Minute, 4, 3, 1, "later"));
    QTest::qWait(300);
    EXPECT_EQ(rig.listed(), "new|recent|old");
}

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
