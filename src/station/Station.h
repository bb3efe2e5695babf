#pragma once
// The station: everything the operator station is and does without a window. It owns the general
// settings, the line layout, the log, the connections with the hub that speaks the protocol, the
// language table and the modes; runs start-up and shut-down; performs the edits that persist; and
// tells its view what changed. The main window is one view of it; tests run it headless.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "base/ProgramPaths.h"
#include "lang/LanguageLoader.h"
#include "lang/LanguageTable.h"
#include "log/Log.h"
#include "net/ConnectionManager.h"
#include "net/LineHub.h"
#include "station/StationHistory.h"
#include "station/StationView.h"

#include <QObject>

#include <functional>

class QTimer;

namespace station {

struct StationOptions {
    quint16 port = 1001;
    net::ConnectionTimings timings;
    // Ends the process at the end of the shut-down (empty: the operating system's immediate end);
    // tests replace it.
    std::function<void()> endProcess;
    // The executable that reads Languages.mdb in a child process (empty: the program's own file).
    QString languageReader;
    lang::LoaderLimits languageLimits;
    // The root of the file system that holds the program (empty: the real one); tests set it.
    QString fileSystemRoot;
    // The store's file (empty: "<program name>-history.sqlite" beside the settings file).
    QString historyFile;
    // How long the end waits for the store to write what it was handed.
    int historyEndWaitMs = 500;
};

class Station : public QObject {
    Q_OBJECT
public:
    Station(base::ProgramPaths paths, StationOptions options = {});
    ~Station() override;

    // The view that hears of every change (nullptr: none).
    void setView(StationView* view);

    // Start-up: settings, languages, layout, tiles, connections, the installation probes, and the
    // connect button's action at the end.
    void Form_Load();
    // The three ways to shut down: the End button, closing the window, the window's termination
    // (also SIGTERM, SIGINT and SIGHUP, and the visualisation window going away). The shut-down
    // runs once.
    void CommandEnd_Click();
    void Form_Unload();
    void Form_Terminate();

    // The buttons' actions.
    void CommandStart_Click();
    void CommandEdit_Click();
    void CommandTab_Click();
    void CommandLang_Click();
    // A click on the tile showing a slot or a group.
    void LineModul_Click(int slot);
    void GroupModul_Click(int group);
    // The machine table editor, then all machines saved when it was confirmed.
    void editMachineTable();

    void GroupZuweisen();
    void LineParameterZuweisen();
    void TimerWebBrowser_Timer();

    // Edits that persist. Each writes its keys with one atomic replacement of the settings file
    // and returns false when the file could not be written: the values stay in memory and a
    // system line says so.
    // `dialog` names where the save came from, for the history.
    bool saveMachine(int slot, const QString& dialog = QStringLiteral("Edit Maschine"));
    // All 64 machine sections, then the table editor's column widths.
    bool saveAllMachines(const QString& dialog = QStringLiteral("Machine table"));
    bool saveGroupNames(const QString& dialog = QStringLiteral("Edit Group"));
    // Makes language entry k (1-based) the input language: keyboard layout, LcId, CodePage and
    // character set, stored in the settings file, and applied to the view.
    void chooseLanguage(int k);
    // Writes a settings version's layout (the machine sections, [Table], the group names, LcId and
    // CodePage) into the settings file in one replacement, every other line kept, and loads it as
    // the start does, with its input language applied. Only in edit mode; false, with the reason,
    // when it is not possible or the file cannot be written (then nothing changed).
    bool restoreVersion(const store::Version& version, QString* reason);

    bool Connected() const { return hub_.connected(); }
    // Edit mode (possible only while disconnected) and table mode, which the buttons switch.
    bool editMode() const { return editMode_; }
    bool tableMode() const { return tableMode_; }

    const base::ProgramPaths& paths() const { return paths_; }
    base::GeneralSettings& settings() { return settings_; }
    const base::GeneralSettings& settings() const { return settings_; }
    base::LineLayout& layout() { return layout_; }
    const base::LineLayout& layout() const { return layout_; }
    logfile::Log& log() { return log_; }
    net::LineHub& hub() { return hub_; }
    const net::LineHub& hub() const { return hub_; }
    net::ConnectionManager& connections() { return connections_; }
    const lang::LanguageTable& languages() const { return languages_; }
    StationHistory& history() { return history_; }
    const QString& historyFile() const { return options_.historyFile; }
    const QString& visuWindowTitle() const { return visuWindowTitle_; }
    bool watchingVisualisation() const;

private:
    void probeVisualisation();
    // Logs a failed save ("Settings not saved: <file>: <reason>") and records the save in the
    // history.
    // Runs a write of the settings file; a failure is logged ("Settings not saved: <file>:
    // <reason>"), a success recorded as a version; both are rows of the history.
    bool persist(const QString& dialog, const QString& sections, const std::function<bool(QString*)>& write);
    void switchKeyboard(int32_t layoutHandle);
    StationView& view() { return *view_; }

    base::ProgramPaths paths_;
    StationOptions options_;
    NullStationView nullView_;
    StationView* view_ = &nullView_;
    base::GeneralSettings settings_;
    base::LineLayout layout_;
    logfile::Log log_;
    lang::LanguageTable languages_;
    net::ConnectionManager connections_;
    net::LineHub hub_;
    StationHistory history_;
    QTimer* timerWebBrowser_ = nullptr;
    QString visuWindowTitle_;
    bool editMode_ = false;
    bool tableMode_ = false;
    bool shutDown_ = false;
    int startKeyboardGroup_ = -1; // the XKB group in use at start-up, restored at shut-down
    bool keyboardChanged_ = false;
};

} // namespace station
