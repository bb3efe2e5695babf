#pragma once
// What the line's communication tells the display, by machine slot (0..63) and group (0..31).
// The display decides which of them it shows and where; tests and the benchmark replace it.

#include "base/LineLayout.h"
#include "base/States.h"

#include <cstdint>

namespace net {

class SlotView {
public:
    virtual ~SlotView() = default;

    // The connection state shown for a slot changed.
    virtual void showConnectionState(int slot, base::ShownConnection state) = 0;

    // An enabled slot's data: Symbol, MachineName, StatusLcId, StatusText and Status, in this order.
    virtual void showMachineData(int slot, const base::MachineRecord& machine, const base::MachineData& data) = 0;

    // A group's status, recomputed after every report.
    virtual void showGroupStatus(int group, int16_t status) = 0;
};

// Hears of every change a slot goes through, with its state before and after: what a report set,
// and what a change of the shown connection set. The station's event history listens here.
class LineObserver {
public:
    virtual ~LineObserver() = default;
    virtual void slotReported(int slot, const base::MachineData& before, const base::MachineData& after) = 0;
    virtual void connectionShown(int slot, base::ShownConnection before, base::ShownConnection after,
                                 int16_t statusBefore, int16_t statusAfter) = 0;
};

} // namespace net
