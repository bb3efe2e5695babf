#pragma once
// The hand-over between the event-loop thread and the store's writer thread: a queue bounded in
// events and in bytes. A push never waits for the disk; beyond the bound events are dropped and
// counted, so that the writer can record how many were lost.

#include "store/Event.h"

#include <QMutex>

#include <deque>
#include <vector>

namespace store {

class EventQueue {
public:
    static constexpr qint64 MaxEvents = 100000;
    static constexpr qint64 MaxBytes = 8LL << 20;

    EventQueue(qint64 maxEvents = MaxEvents, qint64 maxBytes = MaxBytes) : maxEvents_(maxEvents), maxBytes_(maxBytes) {}

    // Any thread. False when the event was dropped because the queue is full.
    bool push(Event event);
    // The writer takes what waits, and the number of events dropped since it last took.
    std::vector<Event> take(qint64* lost);
    // Puts events back in front (the writer could not store them), as far as the bound allows;
    // the rest counts as lost, with the `lost` the writer took.
    void giveBack(std::vector<Event> events, qint64 lost);

    qint64 size() const;
    qint64 bytes() const;

private:
    mutable QMutex mutex_;
    std::deque<Event> events_;
    qint64 bytes_ = 0;
    qint64 lost_ = 0;
    qint64 maxEvents_;
    qint64 maxBytes_;
};

} // namespace store
