#pragma once
// What the line's communication needs of the display: the main window implements it, tests and
// the benchmark replace it. Tile numbers are 0..23 (machines) and 0..11 (groups).

#include "app/LineLayout.h"

#include <cstdint>

class LineView {
public:
    virtual ~LineView() = default;

    // The scroll position: machine tile t shows slot scrollPos() * 8 + t.
    virtual int scrollPos() const = 0;

    // True while the connections are switched on (the edit button is disabled then).
    virtual bool connectionsOn() const = 0;

    virtual void showConnectionState(int tile, int16_t state) = 0;

    // Writes Symbol, MachineName, StatusLcId, StatusText and Status, in this order.
    virtual void showMachineData(int tile, const MachineRecord& machine, const MachineData& data) = 0;

    virtual void showGroupStatus(int tile, int16_t status) = 0;
};
