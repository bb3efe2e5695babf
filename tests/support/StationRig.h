#pragma once
// A station on a temporary program directory: nothing listens on its port, so connects fail at
// once, and the end of the shut-down is counted, not run.

#include "station/Station.h"

#include "TestUtil.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>
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

// Records every call the station makes on its view, by name and argument. Its dialogs make the
// change `edit` holds, as their OK would, and give `dialogAnswer`.
struct RecordingStationView : station::StationView {
    using DialogResult = base::DialogResult;
    QStringList calls;
    int languageAnswer = 0;
    DialogResult dialogAnswer = DialogResult::Cancelled;
    std::function<void()> edit; // what the next dialog changes
    template <typename... Args> void note(const char* call, Args... args) {
        QStringList words{QString::fromLatin1(call)};
        ((words << QString::number(static_cast<int>(args))), ...);
        calls << words.join(QLatin1Char(' '));
    }
    DialogResult answer() {
        if (edit) std::exchange(edit, nullptr)();
        return dialogAnswer;
    }
    void showConnectionState(int slot, base::ShownConnection s) override { note("connection", slot, s); }
    void showMachineData(int slot, const base::MachineRecord&, const base::MachineData& d) override {
        note("data", slot, d.Status);
    }
    void showGroupStatus(int group, int16_t s) override {
        if (s != 0) note("group", group, s);
    }
    void bindFirstSlots() override { note("bindFirstSlots"); }
    void applyLineParameters() override { note("applyLineParameters"); }
    void applyGroupParameters() override { note("applyGroupParameters"); }
    void setMachineDisplayMode(base::DisplayMode mode) override { note("machineDisplayMode", mode); }
    void setGroupDisplayMode(base::DisplayMode mode) override { note("groupDisplayMode", mode); }
    void lineSwitching(bool on) override { note("lineSwitching", on); }
    void lineSwitchedOff() override { note("lineSwitchedOff"); }
    void editModeChanged(bool on) override { note("editMode", on); }
    void tableModeChanged(bool on) override { note("tableMode", on); }
    void showMachineRecords() override { note("showMachineRecords"); }
    void showGroupNames() override { note("showGroupNames"); }
    int chooseLanguage() override { return note("chooseLanguage"), languageAnswer; }
    DialogResult editMachine(int slot) override { return note("editMachine", slot), answer(); }
    DialogResult editGroup(int group) override { return note("editGroup", group), answer(); }
    DialogResult editGroupTable() override { return note("editGroupTable"), answer(); }
    DialogResult editMachineTable() override { return note("editMachineTable"), answer(); }
    void setBusyPointer(bool busy) override { note("busy", busy); }
    QStringList take() { return std::exchange(calls, {}); }
};
