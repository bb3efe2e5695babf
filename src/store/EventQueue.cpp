#include "store/EventQueue.h"

#include <QMutexLocker>

namespace store {

bool EventQueue::push(Event event) {
    const qint64 size = event.bytes();
    const QMutexLocker lock(&mutex_);
    if (static_cast<qint64>(events_.size()) >= maxEvents_ || bytes_ + size > maxBytes_) {
        ++lost_;
        return false;
    }
    bytes_ += size;
    events_.push_back(std::move(event));
    return true;
}

std::vector<Event> EventQueue::take(qint64* lost) {
    const QMutexLocker lock(&mutex_);
    std::vector<Event> out(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.end()));
    events_.clear();
    bytes_ = 0;
    if (lost) *lost = std::exchange(lost_, 0);
    return out;
}

void EventQueue::giveBack(std::vector<Event> events, qint64 lost) {
    const QMutexLocker lock(&mutex_);
    lost_ += lost;
    // The oldest events go back first; what no longer fits is counted as lost.
    std::deque<Event> merged;
    qint64 bytes = 0;
    for (Event& e : events) {
        const qint64 size = e.bytes();
        if (static_cast<qint64>(merged.size()) >= maxEvents_ || bytes + size > maxBytes_) {
            ++lost_;
            continue;
        }
        bytes += size;
        merged.push_back(std::move(e));
    }
    for (Event& e : events_) {
        const qint64 size = e.bytes();
        if (static_cast<qint64>(merged.size()) >= maxEvents_ || bytes + size > maxBytes_) {
            ++lost_;
            continue;
        }
        bytes += size;
        merged.push_back(std::move(e));
    }
    events_ = std::move(merged);
    bytes_ = bytes;
}

qint64 EventQueue::size() const {
    const QMutexLocker lock(&mutex_);
    return static_cast<qint64>(events_.size());
}

qint64 EventQueue::bytes() const {
    const QMutexLocker lock(&mutex_);
    return bytes_;
}

} // namespace store
