#pragma once
// What the machine editor shows and stores, without its window: the entries of its lists, the
// mapping between list positions and stored values, and the confirm rule that compares the form
// with the record field by field.

#include "base/LineLayout.h"

#include <QStringList>

#include <array>

namespace editors {

namespace machine_form {

// "1" .. "10".
QStringList machineNumberEntries();
// "0 none", then for every group g: g + 1, one blank and the group's name (33 entries).
QStringList groupEntries(const base::LineLayout& layout);

// The list position showing a stored value; -1 (no entry) for a value the list does not hold.
int positionForMachine(int16_t machine);
int positionForGroup(int16_t group);
// The value a list position stores; a list without a selected entry keeps the stored value.
int16_t machineForPosition(int position, int16_t stored);
int16_t groupForPosition(int position, int16_t stored);

} // namespace machine_form

// The editor's controls, as values.
struct MachineForm {
    QString address;
    QString text;
    int16_t symbol = -1;
    bool remoteControl = false;
    bool statusPLC = false;
    int machinePosition = 0;
    bool enabled = false;
    int groupPosition = 0;
    std::array<int, base::VisuGroupPositions> visuGroupPositions{};

    static MachineForm from(const base::MachineRecord& record);
    // Writes every field that differs into the record, in the editor's order (Address compared
    // with regard to case); true when any did.
    bool applyTo(base::MachineRecord& record) const;
};

} // namespace editors
