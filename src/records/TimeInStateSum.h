#pragma once
// The time-in-state figures of the machines the window shows, asked of the store one machine at a
// time and added up when the last answer came. A new round forgets the one before.

#include "store/Store.h"

#include <QObject>

#include <set>
#include <vector>

namespace records {

class TimeInStateSum : public QObject {
    Q_OBJECT
public:
    explicit TimeInStateSum(store::Store& store, QObject* parent = nullptr);

    // Asks for every slot's figures over [fromMs, toMs); with no slotList the answer is at once empty.
    void request(const std::vector<int>& slotList, qint64 fromMs, qint64 toMs);
    // Forgets the round on its way.
    void clear();
    // A round is on its way.
    bool busy() const { return !waiting_.empty(); }

signals:
    void ready(const store::TimeInState& figures, int machines);

private:
    void answer(quint64 request, const store::TimeInState& figures);

    store::Store& store_;
    std::set<quint64> waiting_;
    store::TimeInState sum_;
    int machines_ = 0;
};

} // namespace records
