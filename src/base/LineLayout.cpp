#include "base/LineLayout.h"

#include "base/Settings.h"

bool MachineRecord::operator==(const MachineRecord& o) const {
    return Text == o.Text && Address == o.Address && Machine == o.Machine && RemoteControl == o.RemoteControl &&
           Symbol == o.Symbol && StatusPLC == o.StatusPLC && Enabled == o.Enabled && SameAddress == o.SameAddress &&
           Group == o.Group && VisuGroup == o.VisuGroup;
}

int16_t displayStateFor(int16_t status, int16_t current) {
    using namespace display_rank;
    static constexpr int16_t ranks[] = {Normal, Normal, Notice, Warning, Fault, Disconnected, Info};
    return (status >= machine_status::Off && status <= machine_status::Highest) ? ranks[status] : current;
}

bool sameAddress(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString machineSection(int slot) { return QLatin1String("Ma") + QString::number(slot); }

namespace {
const QString General = QStringLiteral("General");
const QString Table = QStringLiteral("Table");

QString numbered(const char* key, int n) { return QLatin1String(key) + QString::number(n); }
} // namespace

LineLayout::LineLayout() : TableSize(DefaultTableSize) {}

void LineLayout::loadMachines(const QString& settingsFile) {
    const SettingsSnapshot file(settingsFile);
    for (int n = 0; n < MachineSlots; ++n) {
        const QString section = machineSection(n);
        MachineRecord& m = Machines[static_cast<size_t>(n)];
        m.Text = file.readString(section, QStringLiteral("Text"));
        m.Address = file.readString(section, QStringLiteral("Address"));
        m.Machine = file.readInt(section, QStringLiteral("Machine"));
        if (m.Machine < 1 || m.Machine > 10) m.Machine = 1;
        m.RemoteControl = file.readBool(section, QStringLiteral("RemoteControl"));
        m.Symbol = file.readInt(section, QStringLiteral("Symbol"));
        m.StatusPLC = file.readBool(section, QStringLiteral("StatusPLC"));
        m.Enabled = file.readBool(section, QStringLiteral("Enabled"));
        m.Group = file.readInt(section, QStringLiteral("Group"));
        for (int j = 0; j < VisuGroupPositions; ++j) {
            int16_t v = file.readInt(section, numbered("VisuGroup", j + 1));
            if (v < -1 || v > 31) v = -1;
            m.VisuGroup[static_cast<size_t>(j)] = v;
        }
    }
}

void LineLayout::loadGroupNames(const QString& settingsFile) {
    const SettingsSnapshot file(settingsFile);
    for (int g = 0; g < GroupCount; ++g) setGroupName(g, file.readString(General, numbered("Group", g)));
}

void LineLayout::loadTableSize(const QString& settingsFile) {
    const SettingsSnapshot file(settingsFile);
    for (int p = 0; p < TableColumns; ++p) {
        const int16_t width = file.readInt(Table, numbered("Size", p));
        TableSize[static_cast<size_t>(p)] = width < 0 ? DefaultTableSize[static_cast<size_t>(p)] : width;
    }
    TableSize[TableSizePositions - 1] = 10000; // the last position is fixed
}

void LineLayout::markSameAddress() {
    for (MachineRecord& m : Machines) m.SameAddress = false;
    for (int i = 0; i < MachineSlots; ++i) {
        const MachineRecord& owner = Machines[static_cast<size_t>(i)];
        if (!owner.Enabled) continue;
        for (int j = i + 1; j < MachineSlots; ++j) {
            MachineRecord& later = Machines[static_cast<size_t>(j)];
            if (sameAddress(later.Address, owner.Address)) later.SameAddress = true;
        }
    }
}

void LineLayout::writeMachine(int slot, SettingsEditor& e) const {
    const MachineRecord& m = Machines[static_cast<size_t>(slot)];
    const QString s = machineSection(slot);
    e.set(m.Text, s, QStringLiteral("Text"));
    e.set(m.Address, s, QStringLiteral("Address"));
    e.set(m.Machine, s, QStringLiteral("Machine"));
    e.set(m.RemoteControl, s, QStringLiteral("RemoteControl"));
    e.set(m.Symbol, s, QStringLiteral("Symbol"));
    e.set(m.StatusPLC, s, QStringLiteral("StatusPLC"));
    e.set(m.Enabled, s, QStringLiteral("Enabled"));
    e.set(m.Group, s, QStringLiteral("Group"));
    for (int j = 0; j < VisuGroupPositions; ++j)
        e.set(m.VisuGroup[static_cast<size_t>(j)], s, numbered("VisuGroup", j + 1));
}

bool LineLayout::saveMachine(int slot, const QString& settingsFile, QString* reason) const {
    SettingsEditor editor(settingsFile);
    writeMachine(slot, editor);
    return editor.commit(reason);
}

bool LineLayout::saveAllMachines(const QString& settingsFile, QString* reason) {
    SettingsEditor editor(settingsFile);
    for (int m = 0; m < MachineSlots; ++m) writeMachine(m, editor);
    writeTableSize(editor);
    return editor.commit(reason);
}

bool LineLayout::saveGroupNames(const QString& settingsFile, QString* reason) const {
    SettingsEditor editor(settingsFile);
    for (int g = 0; g < GroupCount; ++g) editor.set(groupName(g), General, numbered("Group", g));
    return editor.commit(reason);
}

void LineLayout::writeTableSize(SettingsEditor& editor) {
    for (int p = 0; p < TableColumns; ++p) editor.set(TableSize[static_cast<size_t>(p)], Table, numbered("Size", p));
    TableSize[TableSizePositions - 1] = 10000; // the last position is fixed
}
