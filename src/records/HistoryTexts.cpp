#include "records/HistoryTexts.h"

#include <QDateTime>

using store::Event;
using store::EventKind;

namespace records {

namespace {
QString firstUpper(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

QString twoDigits(qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }
} // namespace

QString columnTitle(Column column) {
    switch (column) {
    case Column::Time: return QStringLiteral("Date and time");
    case Column::Slot: return QStringLiteral("Slot");
    case Column::Machine: return QStringLiteral("Machine");
    case Column::Group: return QStringLiteral("Group");
    case Column::Event: return QStringLiteral("Event");
    case Column::Change: return QStringLiteral("Status old \u2192 new");
    case Column::Text: return QStringLiteral("Status text");
    case Column::Lasted: return QStringLiteral("Previous state lasted");
    }
    return {};
}

QString timeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString statusName(int status) {
    switch (status) {
    case 0: return QStringLiteral("Off");
    case 1: return QStringLiteral("Normal");
    case 2: return QStringLiteral("Notice");
    case 3: return QStringLiteral("Warning");
    case 4: return QStringLiteral("Fault");
    case 5: return QStringLiteral("Disconnected");
    case 6: return QStringLiteral("Info");
    default: return QStringLiteral("Status %1").arg(status);
    }
}

QString eventText(const Event& event) {
    switch (event.kind) {
    case EventKind::Status:
        if (event.oldStatus != event.newStatus) return QStringLiteral("Status");
        return event.repeats > 1 ? QStringLiteral("Text changed \u00d7%1").arg(event.repeats)
                                 : QStringLiteral("Text changed");
    case EventKind::Connection: return firstUpper(event.detail);
    case EventKind::Station:
        return event.detail == QLatin1String("events lost") && event.repeats > 1
                   ? QStringLiteral("%1 events lost").arg(event.repeats)
                   : QStringLiteral("Station ") + event.detail;
    case EventKind::Settings: return QStringLiteral("Settings saved");
    }
    return {};
}

QString changeText(const Event& event) {
    if (event.newStatus < 0) return {};
    if (event.oldStatus == event.newStatus) return statusName(event.newStatus);
    if (event.oldStatus < 0) return QStringLiteral("\u2192 ") + statusName(event.newStatus);
    return statusName(event.oldStatus) + QStringLiteral(" \u2192 ") + statusName(event.newStatus);
}

QString durationText(qint64 ms) {
    if (ms < 0) return {};
    if (ms < 1000) return QStringLiteral("%1 ms").arg(ms);
    const qint64 s = ms / 1000;
    if (s < 60) return QStringLiteral("%1 s").arg(s);
    if (s < 3600) return QStringLiteral("%1 min %2 s").arg(s / 60).arg(twoDigits(s % 60));
    if (s < 86400) return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(twoDigits(s / 60 % 60));
    return QStringLiteral("%1 d %2 h").arg(s / 86400).arg(twoDigits(s / 3600 % 24));
}

QString cellText(const store::Row& row, Column column) {
    const Event& e = row.event;
    switch (column) {
    case Column::Time: return timeText(e.timeMs);
    case Column::Slot: return e.slot < 0 ? QString() : QString::number(e.slot);
    case Column::Machine:
        if (e.kind == EventKind::Station) return QStringLiteral("Station");
        if (e.kind == EventKind::Settings) return e.detail;
        return e.machine;
    case Column::Group: return e.group < 0 ? QString() : QStringLiteral("%1 - %2").arg(e.group + 1).arg(e.groupName);
    case Column::Event: return eventText(e);
    case Column::Change: return changeText(e);
    case Column::Text: return e.text;
    case Column::Lasted: return row.previousMs < 0 ? QString() : durationText(e.timeMs - row.previousMs);
    }
    return {};
}

} // namespace records
