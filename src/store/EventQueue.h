#pragma once
// The hand-over between the event-loop thread and the store's writer thread: a queue of events
// and settings versions, bounded in entries and in bytes. A push never waits for the disk; beyond
// the bound entries are dropped, and dropped events counted, so that the writer can record how
// many were lost.

#include "store/Event.h"
#include "store/Version.h"

#include <memory>

#include <QMutex>

#include <deque>
#include <vector>

namespace store {

// An event, or a version of the settings file.
struct Item {
    Event event;
    std::shared_ptr<const Version> version;
    qint64 bytes() const { return version ? version->bytes() : event.bytes(); }
};

class EventQueue {
public:
    static constexpr qint64 MaxEvents = 100000;
    static constexpr qint64 MaxBytes = 8LL << 20;

    EventQueue(qint64 maxEvents = MaxEvents, qint64 maxBytes = MaxBytes) : maxEvents_(maxEvents), maxBytes_(maxBytes) {}

    // Any thread. False when the event was dropped because the queue is full.
    bool push(Event event);
    bool push(std::shared_ptr<const Version> version);
    // The writer takes what waits, and the numbers of events and of versions dropped since it last
    // took.
    std::vector<Item> take(qint64* lost, qint64* lostVersions = nullptr);
    // Puts events back in front (the writer could not store them), as far as the bound allows;
    // the rest counts as lost, with the `lost` the writer took.
    void giveBack(std::vector<Item> items, qint64 lost);

    qint64 size() const;
    qint64 bytes() const;
    // How many of the waiting entries are versions.
    qint64 versions() const;

private:
    mutable QMutex mutex_;
    bool pushItem(Item item);

    std::deque<Item> events_;
    qint64 bytes_ = 0;
    qint64 lost_ = 0;
    qint64 lostVersions_ = 0;
    qint64 maxEvents_;
    qint64 maxBytes_;
};

} // namespace store
