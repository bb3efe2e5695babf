#pragma once
// A station with its main window on a temporary program directory.

#include "display/MainWindow.h"

#include "StationRig.h"

#include <QPushButton>
#include <QScrollBar>

struct WindowRig : StationRig {
    std::unique_ptr<display::VelkoZuraVeradadClient> window;

    // Writes the settings file, creates the station and its window and runs the start-up.
    display::VelkoZuraVeradadClient& start(const QByteArray& ini) {
        window.reset();
        create(ini);
        window = std::make_unique<display::VelkoZuraVeradadClient>(*station);
        station->Form_Load();
        return *window;
    }
};
