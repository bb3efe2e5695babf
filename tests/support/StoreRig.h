#pragma once
// What the store's tests share: events built from the fields a test sets, and the store's answers
// as plain values (a request is sent and the event loop runs until the answer with its number came).

#include "store/Store.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>

namespace testutil {

// An event with these fields; the others as a new event has them.
inline store::Event event(store::EventKind kind, qint64 timeMs, int slot, const QString& machine, int oldStatus,
                          int newStatus, const QString& text = {}, const QString& detail = {}) {
    store::Event e;
    e.kind = kind;
    e.timeMs = timeMs;
    e.slot = slot;
    e.machine = machine;
    e.oldStatus = oldStatus;
    e.newStatus = newStatus;
    e.text = text;
    e.detail = detail;
    return e;
}

// Sends a request (`send` gives its number) and waits for `signal` to answer it; gives the
// answer's first value after the number.
template <typename Value, typename... More, typename Send>
std::decay_t<Value> answerOf(store::Store& store, void (store::Store::*signal)(quint64, Value, More...), Send send) {
    std::decay_t<Value> out{};
    bool answered = false;
    const quint64 request = send();
    const QMetaObject::Connection c = QObject::connect(&store, signal, [&](quint64 r, Value value, More...) {
        if (r != request) return;
        out = value;
        answered = true;
    });
    EXPECT_TRUE(waitFor([&] { return answered; }, 10000));
    QObject::disconnect(c);
    return out;
}

// The versions, newest first (without their bytes and changes); one version whole.
inline std::vector<store::Version> versionsOf(store::Store& store) {
    return answerOf(store, &store::Store::versionsReady, [&] { return store.requestVersions(); });
}
inline store::Version versionOf(store::Store& store, qint64 id) {
    return answerOf(store, &store::Store::versionReady, [&] { return store.requestVersion(id); });
}
// A slot's rows, oldest first.
inline std::vector<store::Row> rowsOf(store::Store& store, int slot) {
    store::Query q;
    q.slotNumbers = {slot};
    q.limit = 100000;
    std::vector<store::Row> rows = answerOf(store, &store::Store::rowsReady, [&] { return store.requestRows(q); });
    std::reverse(rows.begin(), rows.end());
    return rows;
}

} // namespace testutil
