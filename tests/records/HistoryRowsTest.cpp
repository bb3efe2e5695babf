// The History window's rows on a real store: what each filter lists, the filter row's controls,
// paging and new rows at the top.
#include "HistoryRig.h"

#include "records/HistoryTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include <set>

using namespace records;
using namespace history_test;
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
