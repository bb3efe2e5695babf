#pragma once
// What the History window asks of the store, and what it gets back.

#include "store/Event.h"

#include <QString>

#include <array>
#include <climits>
#include <vector>

namespace store {

struct Query {
    qint64 fromMs = 0;
    qint64 toMs = LLONG_MAX;      // "now": the newest rows appear as they come
    std::vector<int> slotNumbers; // empty: every slot, and the station's and settings rows too
    std::vector<int> statuses;    // empty: every status; else status rows whose new status is listed
    bool connections = true;      // connection rows
    QString textContains;         // in the status text, without regard to case
    int limit = 1000;
    // Paging, newest first: rows before this one (time and id of the last row of the previous page).
    qint64 beforeTimeMs = LLONG_MAX;
    qint64 beforeId = LLONG_MAX;
};

struct Row {
    qint64 id = 0;
    Event event;
    qint64 previousMs = -1; // the slot's row before this one, -1 when there is none
};

// How long a machine was in each state over a range: statuses 0..6 and not connected, and the
// part of the range before the first row known of it.
struct TimeInState {
    static constexpr int NotConnected = 7;
    static constexpr int Unknown = 8;
    std::array<qint64, 9> ms{};
    qint64 totalMs = 0;
};

} // namespace store
