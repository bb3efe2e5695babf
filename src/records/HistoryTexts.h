#pragma once
// The texts of the History window's columns and figures: local times, status names, what a row
// records, and durations as an operator reads them. Needs no window.

#include "store/Query.h"

#include <QString>

namespace records {

enum class Column { Time, Slot, Machine, Group, Event, Change, Text, Lasted };
constexpr int ColumnCount = 8;

QString columnTitle(Column column);
QString cellText(const store::Row& row, Column column);

// "2024-03-05 14:07:09" in the station's local time.
QString timeText(qint64 ms);
// The name of a status code: Off, Normal, Notice, Warning, Fault, Disconnected, Info, else
// "Status <n>".
QString statusName(int status);
// What a row records: "Status", "Text changed" (× the changes folded into it), a connection's
// state, the station's step, a settings save.
QString eventText(const store::Event& event);
// "old → new" by name, the status alone when it stayed; empty when the row carries no status.
QString changeText(const store::Event& event);
// A duration, rounded down: "850 ms", "42 s", "12 min 05 s", "3 h 07 min", "2 d 04 h"; empty
// below 0.
QString durationText(qint64 ms);

} // namespace records
