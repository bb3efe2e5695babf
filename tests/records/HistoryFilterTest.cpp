// The History window's logic without a window: the filter as a store query, the machine choices
// and their names, the column texts, durations and the time-in-state bar.
#include "records/HistoryFilter.h"
#include "records/HistoryTexts.h"
#include "records/StateBar.h"

#include "HistoryRig.h"

#include <climits>

using namespace history_test;
using namespace records;
using store::TimeInState;

namespace {
QString numbers(const std::vector<int>& list, const char* none) {
    QStringList out;
    for (int n : list) out << QString::number(n);
    return list.empty() ? QString::fromLatin1(none) : out.join(QLatin1Char(','));
}

// "slots|statuses|from|to|connections|text", the times in hours from now; "none" when nothing can match.
std::string describe(const std::optional<store::Query>& q) {
    if (!q) return "none";
    const QString to = q->toMs == LLONG_MAX ? QStringLiteral("open") : QString::number((q->toMs - T) / Hour);
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(numbers(q->slotNumbers, "all"), numbers(q->statuses, "all"))
        .arg((q->fromMs - T) / Hour)
        .arg(to)
        .arg(q->connections)
        .arg(q->textContains)
        .arg(q->limit)
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
        {{M::machine(12), R::LastHour, 0, 0, AllStatuses, true, ""}, "12|all|-1|open|1||1000"},
        // An empty slot list would mean every slot.
        {{M::group(2), R::Shift, 0, 0, AllStatuses, true, ""}, "none"},
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
