#include "records/TimeInStateSum.h"

#include "records/StateBar.h"

namespace records {

TimeInStateSum::TimeInStateSum(store::Store& store, QObject* parent) : QObject(parent), store_(store) {
    connect(&store_, &store::Store::timeInStateReady, this, &TimeInStateSum::answer);
}

void TimeInStateSum::request(const std::vector<int>& slotList, qint64 fromMs, qint64 toMs) {
    clear();
    machines_ = static_cast<int>(slotList.size());
    if (slotList.empty()) {
        emit ready(sum_, 0);
        return;
    }
    for (int slot : slotList) waiting_.insert(store_.requestTimeInState(slot, fromMs, toMs));
}

void TimeInStateSum::clear() {
    waiting_.clear();
    sum_ = store::TimeInState{};
    machines_ = 0;
}

void TimeInStateSum::answer(quint64 request, const store::TimeInState& figures) {
    if (waiting_.erase(request) == 0) return;
    sum_ = sum_ + figures;
    if (waiting_.empty()) emit ready(sum_, machines_);
}

} // namespace records
