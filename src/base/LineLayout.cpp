#include "base/LineLayout.h"

#include "base/Settings.h"

#include <type_traits>

namespace base {

bool MachineRecord::operator==(const MachineRecord& o) const {
    return Text == o.Text && Address == o.Address && Machine == o.Machine && RemoteControl == o.RemoteControl &&
           Symbol == o.Symbol && StatusPLC == o.StatusPLC && Enabled == o.Enabled && SameAddress == o.SameAddress &&
           Group == o.Group && VisuGroup == o.VisuGroup;
}

int16_t displayStateFor(int16_t status, int16_t current) {
    using namespace display_rank;
    static constexpr int16_t Ranks[] = {Normal, Normal, Notice, Warning, Fault, Disconnected, Info};
    return (status >= machine_status::Off && status <= machine_status::Highest) ? Ranks[status] : current;
}

bool sameAddress(const QString& a, const QString& b) {
    // Folding case keeps the length, so strings of different lengths never match; most addresses
    // compared are the very same string or differ in length, and skip the folding.
    if (a.size() != b.size()) return false;
    if (a.constData() == b.constData()) return true;
    // Addresses are nearly always ASCII, and two ASCII characters are equal without regard to case
    // when they are equal as lower case. A character outside ASCII (the Kelvin sign folds to "k")
    // hands the rest to the full Unicode comparison.
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    for (qsizetype k = 0, n = a.size(); k < n; ++k) {
        char16_t p = x[k].unicode();
        char16_t q = y[k].unicode();
        if (p >= 0x80 || q >= 0x80)
            return QStringView(a).sliced(k).compare(QStringView(b).sliced(k), Qt::CaseInsensitive) == 0;
        if (p >= u'A' && p <= u'Z') p = static_cast<char16_t>(p + (u'a' - u'A'));
        if (q >= u'A' && q <= u'Z') q = static_cast<char16_t>(q + (u'a' - u'A'));
        if (p != q) return false;
    }
    return true;
}

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
        forEachMachineKey(m, [&](const QString& key, auto& field) {
            using Field = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<Field, QString>)
                field = file.readString(section, key);
            else if constexpr (std::is_same_v<Field, bool>)
                field = file.readBool(section, key);
            else
                field = file.readInt(section, key);
        });
        if (m.Machine < 1 || m.Machine > 10) m.Machine = 1;
        for (int16_t& v : m.VisuGroup)
            if (v < -1 || v > 31) v = -1;
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
    const QString section = machineSection(slot);
    forEachMachineKey(Machines[static_cast<size_t>(slot)],
                      [&](const QString& key, const auto& field) { e.set(field, section, key); });
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

} // namespace base
