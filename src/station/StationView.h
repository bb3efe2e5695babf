#pragma once
// What the station tells its view, and the one thing it asks of it. The main window implements
// it; a headless station runs with a view that shows nothing. Calls are direct, also on the
// per-report path (the SlotView part).

#include "net/LineView.h"

namespace station {

class StationView : public net::SlotView {
public:
    // Start-up, before the line parameters: what is shown for slots 0 and up gets each slot's
    // Symbol and Enabled.
    virtual void bindFirstSlots() = 0;
    // Font name, locale id and machine name for every shown slot (the work of
    // LineParameterZuweisen).
    virtual void applyLineParameters() = 0;
    // The shared dialog font, and font name, locale id and group name for every shown group (the
    // work of GroupZuweisen).
    virtual void applyGroupParameters() = 0;
    // The display mode of every machine tile, and of every group tile (DisplayMode::Operating or
    // ::Edit).
    virtual void setMachineDisplayMode(base::DisplayMode mode) = 0;
    virtual void setGroupDisplayMode(base::DisplayMode mode) = 0;

    // The connect button: before switching on or off the buttons change (and on switching on the
    // shown machines get status 1 and Online); after switching off the machines go offline.
    virtual void lineSwitching(bool on) = 0;
    virtual void lineSwitchedOff() = 0;
    virtual void editModeChanged(bool on) = 0;
    virtual void tableModeChanged(bool on) = 0;

    // Machine records were saved: MachineName, Symbol and MachineEnabled of every shown slot.
    virtual void showMachineRecords() = 0;
    // Group names were saved: the name of every shown group.
    virtual void showGroupNames() = 0;

    // Lets the operator choose an input language; the 1-based entry chosen, 0 for none.
    virtual int chooseLanguage() = 0;

    // The configuration dialogs: each edits the layout in memory and gives back its result
    // (DialogResult: DialogResult::Cancelled, DialogResult::ConfirmedChanged, DialogResult::ConfirmedUnchanged).
    virtual base::DialogResult editMachine(int slot) = 0;
    virtual base::DialogResult editGroup(int group) = 0;
    virtual base::DialogResult editGroupTable() = 0;
    // The machine table: all 64 records and the column widths; DialogResult::Cancelled or
    // DialogResult::ConfirmedChanged.
    virtual base::DialogResult editMachineTable() = 0;

    // Shows the busy pointer over the view, or the default one again.
    virtual void setBusyPointer(bool busy) = 0;
};

// A view that shows nothing and chooses nothing.
class NullStationView : public StationView {
public:
    void showConnectionState(int, base::ShownConnection) override {}
    void showMachineData(int, const base::MachineRecord&, const base::MachineData&) override {}
    void showGroupStatus(int, int16_t) override {}
    void bindFirstSlots() override {}
    void applyLineParameters() override {}
    void applyGroupParameters() override {}
    void setMachineDisplayMode(base::DisplayMode) override {}
    void setGroupDisplayMode(base::DisplayMode) override {}
    void lineSwitching(bool) override {}
    void lineSwitchedOff() override {}
    void editModeChanged(bool) override {}
    void tableModeChanged(bool) override {}
    void showMachineRecords() override {}
    void showGroupNames() override {}
    int chooseLanguage() override { return 0; }
    base::DialogResult editMachine(int) override { return base::DialogResult::Cancelled; }
    base::DialogResult editGroup(int) override { return base::DialogResult::Cancelled; }
    base::DialogResult editGroupTable() override { return base::DialogResult::Cancelled; }
    base::DialogResult editMachineTable() override { return base::DialogResult::Cancelled; }
    void setBusyPointer(bool) override {}
};

} // namespace station
