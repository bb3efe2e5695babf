#pragma once
// One entry of the station's event history, as the event-loop thread hands it to the store: plain
// values only, copied, never a reference into the station's tables.

#include <QString>

#include <cstdint>

namespace store {

enum class EventKind : int8_t {
    Status,     // a report changed a slot's status code, or only its text
    Connection, // a slot's shown connection state changed
    Station,    // started, switched on, switched off, ended; events lost
    Settings,   // a confirmed configuration save
};

// The kind's name in the file's `kind` column.
const char* kindName(EventKind kind);

struct Event {
    qint64 timeMs = 0; // UTC milliseconds since the epoch
    EventKind kind = EventKind::Station;
    int slot = -1;   // 0..63; -1 for station and settings rows
    QString machine; // the machine's name at that time
    int group = -1;  // its group then, 0..31; -1 for none
    QString groupName;
    int oldStatus = -1; // -1: none
    int newStatus = -1;
    QString text;     // the status text as the tile shows it; a station or settings row's message
    int codePage = 0; // of the report the text came with
    int lcId = 0;
    int repeats = 1; // text-only changes folded into this row
    QString detail;  // a connection row's state, a station row's step, a settings row's dialog

    // Bytes the event holds, for the queue's bound.
    qint64 bytes() const;
};

} // namespace store
