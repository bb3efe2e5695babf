#pragma once
// A station on a temporary program directory, with or without its main window: nothing listens
// on its port, so connects fail at once, and the end of the shut-down is counted, not run.

#include "display/MainWindow.h"
#include "station/Station.h"

#include "TestUtil.h"

#include <QTemporaryDir>

#include <memory>

struct StationRig {
    QTemporaryDir dir;
    QTemporaryDir root; // the file system's root as the station sees it
    ProgramPaths paths{dir.path(), QStringLiteral("Client")};
    int ended = 0;
    std::unique_ptr<Station> station;
    std::unique_ptr<VelkoZuraVeradadClient> window;

    QString logPath() const { return dir.filePath("DizaVizaru.txt"); }

    StationOptions options() {
        StationOptions o;
        o.port = 1;
        o.endProcess = [this] { ++ended; };
        o.fileSystemRoot = root.path();
        return o;
    }

    // Writes the settings file, creates the station (and its window) and runs the start-up.
    Station& start(const QByteArray& ini, bool withWindow = true) {
        testutil::writeBytes(paths.settingsFile(), ini);
        window.reset();
        station = std::make_unique<Station>(paths, options());
        if (withWindow) window = std::make_unique<VelkoZuraVeradadClient>(*station);
        station->Form_Load();
        return *station;
    }
};
