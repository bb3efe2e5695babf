#include "records/HistoryFilter.h"

#include <QDateTime>

#include <algorithm>

using base::LineLayout;

namespace records {

namespace {
constexpr qint64 HourMs = 3600000;

const base::MachineRecord& machineAt(const LineLayout& layout, int slot) {
    return layout.Machines[static_cast<size_t>(slot)];
}

bool validSlot(int slot) { return slot >= 0 && slot < base::MachineSlots; }
bool validGroup(int group) { return group >= 0 && group < base::GroupCount; }
} // namespace

qint64 rangeLengthMs(RangeChoice range) {
    switch (range) {
    case RangeChoice::LastHour: return HourMs;
    case RangeChoice::Shift: return 8 * HourMs;
    case RangeChoice::Day: return 24 * HourMs;
    case RangeChoice::Week: return 7 * 24 * HourMs;
    case RangeChoice::FromTo: break;
    }
    return 0;
}

QString rangeCaption(RangeChoice range) {
    switch (range) {
    case RangeChoice::LastHour: return QStringLiteral("Last hour");
    case RangeChoice::Shift: return QStringLiteral("This shift (8 h)");
    case RangeChoice::Day: return QStringLiteral("Last 24 h");
    case RangeChoice::Week: return QStringLiteral("Last 7 days");
    case RangeChoice::FromTo: break;
    }
    return QStringLiteral("From \u2013 to");
}

TimeRange resolveRange(const Filter& filter, qint64 nowMs) {
    if (filter.range == RangeChoice::FromTo) return {filter.fromMs, std::min(filter.toMs, nowMs), false};
    return {nowMs - rangeLengthMs(filter.range), nowMs, true};
}

std::vector<int> rowSlots(const MachineChoice& choice, const LineLayout& layout) {
    std::vector<int> slotList;
    if (choice.kind == MachineChoice::Kind::Machine && validSlot(choice.index)) slotList.push_back(choice.index);
    if (choice.kind == MachineChoice::Kind::Group)
        for (int s = 0; s < base::MachineSlots; ++s)
            if (machineAt(layout, s).Group == choice.index) slotList.push_back(s);
    return slotList;
}

std::vector<int> stateSlots(const MachineChoice& choice, const LineLayout& layout) {
    if (choice.kind == MachineChoice::Kind::Machine) return rowSlots(choice, layout);
    std::vector<int> slotList;
    for (int s = 0; s < base::MachineSlots; ++s) {
        const base::MachineRecord& m = machineAt(layout, s);
        if (m.Enabled && (choice.kind == MachineChoice::Kind::Line || m.Group == choice.index)) slotList.push_back(s);
    }
    return slotList;
}

std::optional<store::Query> toQuery(const Filter& filter, const LineLayout& layout, qint64 nowMs) {
    store::Query q;
    const TimeRange range = resolveRange(filter, nowMs);
    if (!range.endsNow && filter.toMs < filter.fromMs) return std::nullopt;
    q.fromMs = range.fromMs;
    if (!range.endsNow) q.toMs = filter.toMs;
    if (filter.machine.kind != MachineChoice::Kind::Line) {
        q.slotNumbers = rowSlots(filter.machine, layout);
        // An empty list would mean every slot.
        if (q.slotNumbers.empty()) return std::nullopt;
    }
    const unsigned ticked = filter.statuses & AllStatuses;
    if (ticked == 0) {
        // No status ticked: no status rows; -1 is a new status no status row has (an empty list
        // would mean every status).
        q.statuses = {-1};
    } else if (ticked != AllStatuses) {
        for (int s = 0; s < StatusChips; ++s)
            if (ticked & (1u << s)) q.statuses.push_back(s);
    }
    q.connections = filter.connections;
    q.textContains = filter.text.trimmed();
    q.limit = 1000;
    return q;
}

QString choiceName(const MachineChoice& choice, const LineLayout& layout) {
    switch (choice.kind) {
    case MachineChoice::Kind::Machine: {
        if (!validSlot(choice.index)) break;
        const QString& name = machineAt(layout, choice.index).Text;
        return name.isEmpty() ? QStringLiteral("slot %1").arg(choice.index) : name;
    }
    case MachineChoice::Kind::Group: {
        if (!validGroup(choice.index)) break;
        const QString& name = layout.groupName(choice.index);
        return QStringLiteral("group %1").arg(name.isEmpty() ? QString::number(choice.index + 1) : name);
    }
    case MachineChoice::Kind::Line: break;
    }
    return QStringLiteral("line");
}

QString choiceCaption(const MachineChoice& choice, const LineLayout& layout) {
    switch (choice.kind) {
    case MachineChoice::Kind::Machine:
        if (!validSlot(choice.index)) break;
        return QStringLiteral("%1 - %2").arg(choice.index).arg(choiceName(choice, layout));
    case MachineChoice::Kind::Group:
        if (!validGroup(choice.index)) break;
        if (layout.groupName(choice.index).isEmpty()) return QStringLiteral("Group %1").arg(choice.index + 1);
        return QStringLiteral("Group %1 - %2").arg(choice.index + 1).arg(layout.groupName(choice.index));
    case MachineChoice::Kind::Line: break;
    }
    return QStringLiteral("Whole line");
}

QString menuText(const MachineChoice& choice, const LineLayout& layout) {
    if (choice.kind == MachineChoice::Kind::Line) return QStringLiteral("Line history\u2026");
    return QStringLiteral("History of %1\u2026").arg(choiceName(choice, layout));
}

std::vector<MachineChoice> machineChoices(const LineLayout& layout, const MachineChoice& keep) {
    std::vector<MachineChoice> choices{MachineChoice::line()};
    for (int g = 0; g < base::GroupCount; ++g)
        if (!stateSlots(MachineChoice::group(g), layout).empty()) choices.push_back(MachineChoice::group(g));
    for (int s = 0; s < base::MachineSlots; ++s)
        if (machineAt(layout, s).Enabled) choices.push_back(MachineChoice::machine(s));
    if (std::find(choices.begin(), choices.end(), keep) == choices.end()) {
        // A disabled slot or an empty group the window was opened for: listed where it belongs.
        const auto before = std::find_if(choices.begin(), choices.end(), [&](const MachineChoice& c) {
            return c.kind == keep.kind ? c.index > keep.index : c.kind > keep.kind;
        });
        choices.insert(before, keep);
    }
    return choices;
}

QString suggestedFileName(const MachineChoice& choice, const LineLayout& layout, qint64 nowMs) {
    QString name = choiceName(choice, layout);
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-')) c = QLatin1Char('_');
    return QStringLiteral("history-%1-%2.csv")
        .arg(name, QDateTime::fromMSecsSinceEpoch(nowMs).toString(QStringLiteral("yyyyMMdd-HHmm")));
}

} // namespace records
