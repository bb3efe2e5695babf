#include "store/EventQueue.h"

#include <QMutexLocker>

#include <algorithm>

namespace store {

bool EventQueue::push(Event event) { return pushItem(Item{std::move(event), nullptr}); }

bool EventQueue::push(std::shared_ptr<const Version> version) { return pushItem(Item{Event{}, std::move(version)}); }

bool EventQueue::pushItem(Item item) {
    const qint64 size = item.bytes();
    const QMutexLocker lock(&mutex_);
    if (static_cast<qint64>(events_.size()) >= maxEvents_ || bytes_ + size > maxBytes_) {
        ++(item.version ? lostVersions_ : lost_);
        return false;
    }
    bytes_ += size;
    events_.push_back(std::move(item));
    return true;
}

std::vector<Item> EventQueue::take(qint64* lost, qint64* lostVersions) {
    const QMutexLocker lock(&mutex_);
    std::vector<Item> out(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.end()));
    events_.clear();
    bytes_ = 0;
    if (lost) *lost = std::exchange(lost_, 0);
    if (lostVersions) *lostVersions = std::exchange(lostVersions_, 0);
    return out;
}

void EventQueue::giveBack(std::vector<Item> events, qint64 lost) {
    const QMutexLocker lock(&mutex_);
    lost_ += lost;
    // The oldest events go back first; what no longer fits is counted as lost.
    std::deque<Item> merged;
    qint64 bytes = 0;
    const auto keep = [&](Item& e) {
        const qint64 size = e.bytes();
        if (static_cast<qint64>(merged.size()) >= maxEvents_ || bytes + size > maxBytes_) {
            ++(e.version ? lostVersions_ : lost_);
            return;
        }
        bytes += size;
        merged.push_back(std::move(e));
    };
    for (Item& e : events) keep(e);
    for (Item& e : events_) keep(e);
    events_ = std::move(merged);
    bytes_ = bytes;
}

qint64 EventQueue::size() const {
    const QMutexLocker lock(&mutex_);
    return static_cast<qint64>(events_.size());
}

qint64 EventQueue::versions() const {
    const QMutexLocker lock(&mutex_);
    return std::count_if(events_.begin(), events_.end(), [](const Item& item) { return item.version != nullptr; });
}

qint64 EventQueue::bytes() const {
    const QMutexLocker lock(&mutex_);
    return bytes_;
}

} // namespace store
