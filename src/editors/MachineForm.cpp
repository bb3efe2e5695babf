#include "editors/MachineForm.h"

using namespace base;

namespace editors {

namespace machine_form {

QStringList machineNumberEntries() {
    QStringList entries;
    for (int n = 1; n <= 10; ++n) entries << QString::number(n);
    return entries;
}

QStringList groupEntries(const LineLayout& layout) {
    QStringList entries{QStringLiteral("0 none")};
    for (int g = 0; g < GroupCount; ++g) entries << QString::number(g + 1) + QLatin1Char(' ') + layout.groupName(g);
    return entries;
}

int positionForMachine(int16_t machine) { return (machine >= 1 && machine <= 10) ? machine - 1 : -1; }
int positionForGroup(int16_t group) { return (group >= -1 && group < GroupCount) ? group + 1 : -1; }
int16_t machineForPosition(int position, int16_t stored) {
    return position < 0 ? stored : static_cast<int16_t>(position + 1);
}
int16_t groupForPosition(int position, int16_t stored) {
    return position < 0 ? stored : static_cast<int16_t>(position - 1);
}

} // namespace machine_form

MachineForm MachineForm::from(const MachineRecord& record) {
    MachineForm form;
    form.address = record.Address;
    form.text = record.Text;
    form.symbol = record.Symbol;
    form.remoteControl = record.RemoteControl;
    form.statusPLC = record.StatusPLC;
    form.machinePosition = machine_form::positionForMachine(record.Machine);
    form.enabled = record.Enabled;
    form.groupPosition = machine_form::positionForGroup(record.Group);
    for (size_t k = 0; k < VisuGroupPositions; ++k)
        form.visuGroupPositions[k] = machine_form::positionForGroup(record.VisuGroup[k]);
    return form;
}

bool MachineForm::applyTo(MachineRecord& record) const {
    bool changed = false;
    const auto take = [&changed](auto& field, const auto& value) {
        if (field == value) return;
        field = value;
        changed = true;
    };
    take(record.Address, address);
    take(record.Text, text);
    take(record.Symbol, symbol);
    take(record.RemoteControl, remoteControl);
    take(record.StatusPLC, statusPLC);
    take(record.Machine, machine_form::machineForPosition(machinePosition, record.Machine));
    take(record.Enabled, enabled);
    take(record.Group, machine_form::groupForPosition(groupPosition, record.Group));
    for (size_t k = 0; k < VisuGroupPositions; ++k)
        take(record.VisuGroup[k], machine_form::groupForPosition(visuGroupPositions[k], record.VisuGroup[k]));
    return changed;
}

} // namespace editors
