#pragma once
// A station on a temporary program directory: nothing listens on its port, so connects fail at
// once, and the end of the shut-down is counted, not run.

#include "base/Settings.h"
#include "station/Station.h"

#include "TestUtil.h"

#include <QTemporaryDir>

#include <memory>

struct StationRig {
    QTemporaryDir dir;
    QTemporaryDir root; // the file system's root as the station sees it
    base::ProgramPaths paths{dir.path(), QStringLiteral("Client")};
    int ended = 0;
    QByteArray logAtEnd; // the log file as it was when the process would have ended
    std::unique_ptr<station::Station> station;

    QString logPath() const { return dir.filePath("DizaVizaru.txt"); }

    station::StationOptions options() {
        station::StationOptions o;
        o.port = 1;
        o.endProcess = [this] {
            ++ended;
            logAtEnd = testutil::readBytes(logPath());
        };
        o.fileSystemRoot = root.path();
        return o;
    }
    // Writes the settings file and creates the station, without its start-up.
    station::Station& create(const QByteArray& ini) {
        testutil::writeBytes(paths.settingsFile(), ini);
        station = std::make_unique<station::Station>(paths, options());
        return *station;
    }
    // The same, and the start-up.
    station::Station& start(const QByteArray& ini) {
        create(ini).Form_Load();
        return *station;
    }
};

// Writes every machine section and the column widths key by key, one file write each: what the
// station's one-pass save must equal byte for byte.
inline void saveAllMachinesKeyByKey(const base::LineLayout& layout, const QString& file) {
    for (int s = 0; s < base::MachineSlots; ++s)
        base::forEachMachineKey(layout.Machines[static_cast<size_t>(s)], [&](const QString& key, const auto& field) {
            base::IniSave(field, QStringLiteral("Ma%1").arg(s), key, file);
        });
    for (int p = 0; p < base::TableColumns; ++p)
        base::IniSave(layout.TableSize[static_cast<size_t>(p)], "Table", QStringLiteral("Size%1").arg(p), file);
}
