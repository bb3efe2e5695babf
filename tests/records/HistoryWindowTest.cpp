// The History window: its logic without a window (the filter as a store query, the machine choices
// and their names, the column texts, durations and the time-in-state bar), and the window on a real
// store on a temporary file, with a fixed clock and an afternoon of the line's history (what each
// filter lists, the filter row's controls, paging and new rows at the top, the time in state, the
// CSV export, the one window, its openings and Esc).
#include "records/HistoryWindow.h"

#include "records/HistoryFilter.h"
#include "records/HistoryModel.h"
#include "records/HistoryTexts.h"
#include "records/StateBar.h"
#include "store/Database.h"

#include "StoreRig.h"

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

#include <climits>
#include <memory>
#include <set>
#include <string>

using namespace records;
using store::Event;
using store::EventKind;
using store::TimeInState;
using testutil::waitFor;

namespace {
constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute;
const qint64 T = QDateTime(QDate(2024, 3, 5), QTime(14, 0)).toMSecsSinceEpoch();

// Filler and Capper in group 0 beside a disabled old capper, Labeller in group 1, Palletiser/2 in
// none; group 2 is named and has no machine.
base::LineLayout line() {
    base::LineLayout l;
    const auto set = [&](int slot, const char* name, int group, bool enabled = true) {
        base::MachineRecord& m = l.Machines[static_cast<size_t>(slot)];
        m.Text = QString::fromUtf8(name);
        m.Group = static_cast<int16_t>(group);
        m.Enabled = enabled;
    };
    set(4, "Filler", 0);
    set(5, "Capper", 0);
    set(6, "Old capper", 0, false);
    set(7, "Labeller", 1);
    set(12, "Palletiser/2", -1);
    l.setGroupName(0, QStringLiteral("Filling"));
    l.setGroupName(1, QStringLiteral("Labelling"));
    l.setGroupName(2, QStringLiteral("Spare"));
    return l;
}

struct Rig {
    QTemporaryDir dir;
    QString file = dir.filePath("history.sqlite");
    base::LineLayout layout = line();
    qint64 now = T;
    QString chosenFile, suggested;
    std::unique_ptr<store::Store> store;
    std::unique_ptr<HistoryWindow> window;

    ~Rig() {
        window.reset();
        if (store) store->finish(5000);
    }

    Event event(EventKind kind, qint64 t, int slot, int from, int to, const char* text, const char* detail = "") {
        const base::MachineRecord& m = layout.Machines[static_cast<size_t>(slot)];
        Event e = testutil::event(kind, t, slot, m.Text, from, to, QString::fromUtf8(text), QString::fromUtf8(detail));
        e.group = m.Group;
        e.groupName = m.Group < 0 ? QString() : layout.groupName(m.Group);
        return e;
    }
    Event status(qint64 t, int slot, int from, int to, const char* text) {
        return event(EventKind::Status, t, slot, from, to, text);
    }
    Event link(qint64 t, int slot, const char* state, int from, int to, const char* text) {
        return event(EventKind::Connection, t, slot, from, to, text, state);
    }

    // The line's afternoon, each row named by its text.
    std::vector<Event> afternoon() {
        return {testutil::event(EventKind::Station, T - 4 * Hour, -1, {}, -1, -1, "start", "started"),
                link(T - 3 * Hour, 4, "connected", 5, 5, "F-link"),
                status(T - 3 * Hour + Second, 4, 5, 1, "F-run"),
                status(T - 2 * Hour, 4, 1, 4, "Jam, \"left\" guide"),
                link(T - 90 * Minute, 4, "not connected", 4, 5, "F-lost"),
                link(T - 80 * Minute, 4, "connected", 5, 5, "F-back"),
                status(T - 80 * Minute + Second, 4, 5, 1, "F-run again"),
                status(T - 10 * Minute, 4, 1, 3, "Low glue"),
                status(T - 150 * Minute, 5, 1, 2, "Changeover"),
                status(T - 20 * Minute, 5, 2, 1, "C-run"),
                status(T - 50 * Minute, 7, 1, 4, "Label jam"),
                status(T - 9 * Hour, 12, 1, 0, "P-off")};
    }

    // Writes the events straight into the file, then starts the store and makes the window.
    HistoryWindow& start(const std::vector<Event>& events, bool stayOnTop = false, int refreshMs = 1000) {
        {
            store::Database db(file);
            QString error;
            EXPECT_NE(db.open(&error), store::Database::OpenResult::Failed) << error.toStdString();
            EXPECT_TRUE(db.insert(events, 0, &error)) << error.toStdString();
        }
        store::Store::Options o;
        o.path = file;
        o.commitMs = 20;
        o.retention.days = 0; // the test's afternoon lies in the past
        store = std::make_unique<store::Store>(o);
        store->start();
        HistoryWindow::Options w;
        w.stayOnTop = stayOnTop;
        w.refreshMs = refreshMs;
        w.clockMs = [this] { return now; };
        w.chooseFile = [this](QWidget*, const QString& name) {
            suggested = name;
            return chosenFile;
        };
        window = std::make_unique<HistoryWindow>(*store, layout, w);
        return *window;
    }

    bool loaded() {
        return testutil::waitFor([&] { return !window->rows().loading(); });
    }
    // The texts of the rows listed, joined by '|'.
    std::string listed() {
        QStringList texts;
        for (int r = 0; r < window->rows().rows(); ++r) texts << window->rows().row(r).event.text;
        return texts.join(QLatin1Char('|')).toStdString();
    }
};

unsigned bits(std::initializer_list<int> statuses) {
    unsigned b = 0;
    for (int s : statuses) b |= 1u << s;
    return b;
}

QString numbers(const std::vector<int>& list, const char* none) {
    QStringList out;
    for (int n : list) out << QString::number(n);
    return list.empty() ? QString::fromLatin1(none) : out.join(QLatin1Char(','));
}

// "slots|statuses|from|to|connections|text", the times in hours from now; "none" when nothing can match.
std::string describe(const std::optional<store::Query>& q) {
    if (!q) return "none";
    const QString to = q->toMs == LLONG_MAX ? QStringLiteral("open") : QString::number((q->toMs - T) / Hour);
    return QString::asprintf("%s|%s|%lld|%s|%d|%s|%d", qPrintable(numbers(q->slotNumbers, "all")),
                             qPrintable(numbers(q->statuses, "all")), (q->fromMs - T) / Hour, qPrintable(to),
                             q->connections, qPrintable(q->textContains), q->limit)
        .toStdString();
}
} // namespace

TEST(HistoryFilter, BecomesTheStoreQuery) {
    const base::LineLayout l = line();
    using M = MachineChoice;
    using R = RangeChoice;
    const unsigned warnAndFault = (1u << 3) | (1u << 4);
    const std::pair<Filter, const char*> cases[] = {
        {{M::line(), R::Shift, 0, 0, AllStatuses, true, ""}, "all|all|-8|open|1||1000"},
        // A group: every slot the layout puts in it, enabled or not.
        {{M::group(0), R::Shift, 0, 0, AllStatuses, true, ""}, "4,5,6|all|-8|open|1||1000"},
        {{M::line(), R::Week, 0, 0, warnAndFault, true, ""}, "all|3,4|-168|open|1||1000"},
        // No status ticked: no status rows (an empty list would mean every status).
        {{M::line(), R::Day, 0, 0, 0, false, "  Jam "}, "all|-1|-24|open|0|Jam|1000"},
        {{M::line(), R::FromTo, T - 30 * Hour, T + Hour, AllStatuses, true, ""}, "all|all|-30|1|1||1000"},
        {{M::line(), R::FromTo, T - Hour, T - 2 * Hour, AllStatuses, true, ""}, "none"},
    };
    for (const auto& [filter, expected] : cases) EXPECT_EQ(describe(toQuery(filter, l, T)), expected);

    // Time in state has no future: a fixed range ends no later than now.
    Filter ahead{M::line(), R::FromTo, T - Hour, T + Hour, AllStatuses, true, ""};
    EXPECT_EQ(resolveRange(ahead, T).toMs, T);
    EXPECT_FALSE(resolveRange(ahead, T).endsNow);
}

TEST(HistoryFilter, MachinesOfAChoiceAndTheirNames) {
    const base::LineLayout l = line();
    // Time in state counts enabled machines only; a machine chosen by slot counts even disabled.
    EXPECT_EQ(stateSlots(MachineChoice::group(0), l), (std::vector<int>{4, 5}));
    EXPECT_EQ(stateSlots(MachineChoice::line(), l), (std::vector<int>{4, 5, 7, 12}));
    EXPECT_EQ(stateSlots(MachineChoice::machine(6), l), (std::vector<int>{6}));

    EXPECT_EQ(menuText(MachineChoice::line(), l), QString::fromUtf8("Line history\u2026"));
    EXPECT_EQ(menuText(MachineChoice::group(0), l), QString::fromUtf8("History of group Filling\u2026"));
    EXPECT_EQ(menuText(MachineChoice::machine(20), l), QString::fromUtf8("History of slot 20\u2026")); // no name

    // The list: line, groups with enabled machines, enabled machines; a choice the window was
    // opened for that is none of these joins where it belongs.
    const auto captions = [&](const MachineChoice& keep) {
        QStringList out;
        for (const MachineChoice& c : machineChoices(l, keep)) out << choiceCaption(c, l);
        return out.join(QLatin1Char('|')).toStdString();
    };
    EXPECT_EQ(captions(MachineChoice::machine(6)), "Whole line|Group 1 - Filling|Group 2 - Labelling|4 - Filler|"
                                                   "5 - Capper|6 - Old capper|7 - Labeller|12 - Palletiser/2");
    EXPECT_EQ(captions(MachineChoice::group(2)), "Whole line|Group 1 - Filling|Group 2 - Labelling|Group 3 - Spare|"
                                                 "4 - Filler|5 - Capper|7 - Labeller|12 - Palletiser/2");

    const qint64 at = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toMSecsSinceEpoch();
    EXPECT_EQ(suggestedFileName(MachineChoice::machine(12), l, at), "history-Palletiser_2-20240305-1407.csv");
}

TEST(HistoryTexts, ColumnsOfEachKindOfRowAndDurationsRoundedDownAtEachUnit) {
    const qint64 t = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 450)).toMSecsSinceEpoch();
    using store::EventKind;
    const auto columns = [&](EventKind kind, int oldStatus, int newStatus, const char* detail, int repeats = 1) {
        store::Row r;
        store::Event& e = r.event;
        e = testutil::event(kind, t, -1, QStringLiteral("Filler"), oldStatus, newStatus, QStringLiteral("Jam"),
                            QString::fromUtf8(detail));
        e.groupName = QStringLiteral("Filling");
        e.repeats = repeats;
        if (kind == EventKind::Status || kind == EventKind::Connection) {
            e.slot = 4;
            e.group = 2;
            r.previousMs = t - 125000;
        }
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c) cells << cellText(r, static_cast<Column>(c));
        return cells.join(QLatin1Char('|'));
    };
    const QString slot = QStringLiteral("2024-03-05 14:07:09|4|Filler|3 - Filling|");
    EXPECT_EQ(columns(EventKind::Status, 1, 4, ""),
              slot + QString::fromUtf8("Status|Normal \u2192 Fault|Jam|2 min 05 s"));
    EXPECT_EQ(columns(EventKind::Status, 4, 4, "", 3),
              slot + QString::fromUtf8("Text changed \u00d73|Fault|Jam|2 min 05 s"));
    EXPECT_EQ(columns(EventKind::Connection, 4, 5, "not connected"),
              slot + QString::fromUtf8("Not connected|Fault \u2192 Disconnected|Jam|2 min 05 s"));
    EXPECT_EQ(columns(EventKind::Status, -1, 9, ""), slot + QString::fromUtf8("Status|\u2192 Status 9|Jam|2 min 05 s"));
    EXPECT_EQ(columns(EventKind::Station, -1, -1, "events lost", 50),
              "2024-03-05 14:07:09||Station||50 events lost||Jam|");
    EXPECT_EQ(columns(EventKind::Settings, -1, -1, "Edit Group"),
              "2024-03-05 14:07:09||Edit Group||Settings saved||Jam|");
    const std::pair<qint64, const char*> cases[] = {
        {-1, ""},
        {0, "0 ms"},
        {999, "999 ms"},
        {1000, "1 s"},
        {59999, "59 s"},
        {60000, "1 min 00 s"},
        {3599999, "59 min 59 s"},
        {3600000, "1 h 00 min"},
        {86399999, "23 h 59 min"},
        {86400000, "1 d 00 h"},
        {90061000, "1 d 01 h"},
    };
    for (const auto& [ms, text] : cases) EXPECT_EQ(durationText(ms), QString::fromUtf8(text)) << ms;
}

TEST(StateBar, SegmentsFillTheWidthInProportionAndFiguresAddUpAcrossMachines) {
    constexpr int NotConnected = TimeInState::NotConnected, Unknown = TimeInState::Unknown;
    const auto layOut = [](std::initializer_list<std::pair<int, qint64>> parts, int width) {
        TimeInState f;
        for (const auto& [state, ms] : parts) f.ms[static_cast<size_t>(state)] = ms;
        QStringList out;
        int left = 0;
        for (const BarSegment& s : barSegments(f, width)) {
            if (s.left != left) return std::string("gap or overlap");
            left += s.width;
            out << QStringLiteral("%1:%2").arg(s.state).arg(s.width);
        }
        return out.join(QLatin1Char(' ')).toStdString();
    };
    EXPECT_EQ(layOut({{4, 500}, {1, 500}}, 100), "1:50 4:50");
    EXPECT_EQ(layOut({{1, 1}, {3, 1}, {5, 1}}, 100), "1:33 3:34 5:33"); // rounded at the edges
    EXPECT_EQ(layOut({{Unknown, 10}, {NotConnected, 30}, {0, 20}, {1, 40}}, 10), "1:4 7:3 0:2 8:1");
    // A short fault still shows, a pixel taken from the widest; too narrow for every state, the
    // smallest drop out.
    EXPECT_EQ(layOut({{1, 1'000'000}, {4, 1}}, 200), "1:199 4:1");
    EXPECT_EQ(layOut({{1, 1000}, {2, 1}, {3, 1}}, 2), "1:2");
    EXPECT_EQ(layOut({}, 100), "");
    TimeInState a, b;
    a.ms[1] = 3 * Hour;
    a.ms[4] = Hour;
    a.totalMs = 4 * Hour;
    b.ms[4] = 2 * Hour;
    b.ms[TimeInState::Unknown] = 2 * Hour;
    b.totalMs = 4 * Hour;
    const TimeInState sum = a + b;
    EXPECT_EQ(sum.totalMs, 8 * Hour);
    QStringList legend; // every state in the bar's order, with its share
    for (const Figure& f : figures(sum)) legend << QStringLiteral("%1 %2").arg(f.state).arg(shareText(f));
    EXPECT_EQ(legend.join(QLatin1Char('|')),
              QString::fromUtf8("1 37.5 %|6 \u2013|2 \u2013|3 \u2013|4 37.5 %|5 \u2013|7 \u2013|0 \u2013|8 25.0 %"));
}

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
