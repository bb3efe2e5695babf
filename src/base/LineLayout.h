#pragma once
// The line layout (64 machine slots, 32 group names, the machine table's column widths) and the
// run-time data the servers report per slot. One instance lives for the whole run.

#include "base/States.h"

#include <QString>

#include <array>
#include <cstdint>

namespace base {

class SettingsEditor;

struct MachineRecord {
    QString Text;
    QString Address;
    int16_t Machine = 1;
    bool RemoteControl = false;
    int16_t Symbol = -1;
    bool StatusPLC = false;
    bool Enabled = false;
    bool SameAddress = false; // run-time only: an earlier enabled slot has the same address
    int16_t Group = -1;
    std::array<int16_t, VisuGroupPositions> VisuGroup{-1, -1, -1, -1, -1, -1}; // positions 1..6 at 0..5

    bool operator==(const MachineRecord& other) const;
    bool operator!=(const MachineRecord& other) const { return !(*this == other); }
};

struct MachineData {
    int16_t Status = 0;
    int16_t DisplayState = 0;
    QString Text;
    int32_t CodePage = 0;
    int32_t LcId = 0;
};

// The keys of a machine section, in the order they are read and written, each with its field of
// `record` (a MachineRecord, const or not): the one table of them.
template <typename Record, typename Visit> void forEachMachineKey(Record& record, Visit&& visit) {
    visit(QStringLiteral("Text"), record.Text);
    visit(QStringLiteral("Address"), record.Address);
    visit(QStringLiteral("Machine"), record.Machine);
    visit(QStringLiteral("RemoteControl"), record.RemoteControl);
    visit(QStringLiteral("Symbol"), record.Symbol);
    visit(QStringLiteral("StatusPLC"), record.StatusPLC);
    visit(QStringLiteral("Enabled"), record.Enabled);
    visit(QStringLiteral("Group"), record.Group);
    for (int j = 0; j < VisuGroupPositions; ++j)
        visit(QLatin1String("VisuGroup") + QString::number(j + 1), record.VisuGroup[static_cast<size_t>(j)]);
}

// The keys of the line layout in the settings file: every machine section's keys, the table's
// column widths and, in [General], the group names and the input language.
template <typename Visit> void forEachLayoutKey(Visit&& visit) {
    const MachineRecord keys;
    for (int s = 0; s < MachineSlots; ++s) {
        const QString section = QLatin1String("Ma") + QString::number(s);
        forEachMachineKey(keys, [&](const QString& key, const auto&) { visit(section, key); });
    }
    for (int p = 0; p < TableColumns; ++p) visit(QStringLiteral("Table"), QLatin1String("Size") + QString::number(p));
    for (int g = 0; g < GroupCount; ++g) visit(QStringLiteral("General"), QLatin1String("Group") + QString::number(g));
    visit(QStringLiteral("General"), QStringLiteral("LcId"));
    visit(QStringLiteral("General"), QStringLiteral("CodePage"));
}

// Rank of a status in a group (0..6 map to 1 1 3 4 5 6 2); any other status keeps `current`.
int16_t displayStateFor(int16_t status, int16_t current);

// True when two machine addresses name the same server (compared without regard to case).
bool sameAddress(const QString& a, const QString& b);

class LineLayout {
public:
    LineLayout();

    std::array<MachineRecord, MachineSlots> Machines;
    // Entries 1..32; entry g + 1 holds the name of group g. Entry 0 is unused.
    std::array<QString, GroupCount + 1> GroupNames;
    std::array<int16_t, TableSizePositions> TableSize;
    std::array<MachineData, MachineSlots> MachineDataNow;
    std::array<MachineData, MachineSlots> MachineDataShown;

    const QString& groupName(int group) const { return GroupNames[static_cast<size_t>(group + 1)]; }
    void setGroupName(int group, const QString& name) { GroupNames[static_cast<size_t>(group + 1)] = name; }

    // Load operations, each reading one snapshot of the settings file.
    void loadMachines(const QString& settingsFile);
    void loadGroupNames(const QString& settingsFile);
    void loadTableSize(const QString& settingsFile);

    // Sets SameAddress on every later slot whose address equals that of an enabled earlier slot.
    void markSameAddress();

    // True when slot i has a connection of its own (enabled, no earlier enabled slot shares its address).
    bool ownsConnection(int slot) const {
        const MachineRecord& m = Machines[static_cast<size_t>(slot)];
        return m.Enabled && !m.SameAddress;
    }

    // Save operations, key by key in the defined order, each with one replacement of the file.
    // Each returns true when every key was written, else false with the reason.
    bool saveMachine(int slot, const QString& settingsFile, QString* reason = nullptr) const;
    // All 64 machine sections, then the column widths "Size0".."Size13" (position 14 is set to
    // 10000 again).
    bool saveAllMachines(const QString& settingsFile, QString* reason = nullptr);
    bool saveGroupNames(const QString& settingsFile, QString* reason = nullptr) const;

private:
    void writeMachine(int slot, SettingsEditor& editor) const;
    void writeTableSize(SettingsEditor& editor);

public:
    static constexpr std::array<int16_t, TableSizePositions> DefaultTableSize{
        1200, 1875, 2400, 2400, 1630, 2400, 2400, 2400, 2400, 2400, 2400, 2400, 1800, 1800, 10000};
};

// "Ma" + slot
QString machineSection(int slot);

} // namespace base
