#include "station/Station.h"

#include "base/Profile.h"
#include "base/Settings.h"
#include "base/SettingsDiff.h"
#include "platform/Os.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QTimer>

using namespace base;
using namespace logfile;
using namespace lang;

namespace station {

namespace {
const QString General = QStringLiteral("General");
} // namespace

Station::Station(ProgramPaths paths, StationOptions options)
    : paths_(std::move(paths)), options_(std::move(options)), connections_(options_.port, options_.timings),
      hub_(layout_, settings_, log_, nullView_, connections_), history_(layout_, log_) {
    if (!options_.endProcess) options_.endProcess = [] { platform::os().endProcess(); };
    if (options_.languageReader.isEmpty()) options_.languageReader = platform::programFilePath();
    if (options_.historyFile.isEmpty())
        options_.historyFile =
            paths_.directory() + QLatin1Char('/') + paths_.programName() + QLatin1String("-history.sqlite");
    connections_.setEvents(&hub_);
    hub_.setObserver(&history_);
    timerWebBrowser_ = new QTimer(this);
    timerWebBrowser_->setInterval(2000);
    connect(timerWebBrowser_, &QTimer::timeout, this, &Station::TimerWebBrowser_Timer);
}

Station::~Station() {
    connections_.setEvents(nullptr);
    hub_.setObserver(nullptr);
}

void Station::setView(StationView* view) {
    view_ = view ? view : &nullView_;
    hub_.setView(*view_);
}

void Station::Form_Load() {
    QCoreApplication::processEvents();
    log_.configure(readLogSwitches(paths_));
    log_.debugText(QStringLiteral("Form_Load 1"));
    // The store is set up here and opens its file on its own thread once the line is switched on
    // (below); nothing here waits for it.
    history_.start(options_.historyFile, readHistorySettings(paths_));
    history_.checkStartVersion(paths_.settingsFile());

    readLanguageSettings(paths_, settings_);
    log_.debugText(QStringLiteral("Form_Load 2"));

    // Reading the language file may take up to its deadline with no turn of the event loop: what
    // the log holds so far is written first.
    log_.flush();
    lang::loadLanguages(platform::findPathNoCase(paths_.directory(), QStringLiteral("Languages.mdb")),
                        options_.languageReader, languages_, options_.languageLimits);
    log_.debugText(QLatin1String("Form_Load 3 ") + QString::number(languages_.LanguageCount));

    if (const int current = languages_.find(settings_.lcId)) {
        const LanguageRecord& language = languages_.Languages[static_cast<size_t>(current)];
        switchKeyboard(language.KBLayout);
        settings_.charSet = language.CharSet;
    }
    log_.debugText(QStringLiteral("Form_Load 4"));

    layout_.loadMachines(paths_.settingsFile());
    log_.debugText(QStringLiteral("Form_Load 5"));

    view().bindFirstSlots();
    log_.debugText(QStringLiteral("Form_Load 6"));

    LineParameterZuweisen();
    view().setMachineDisplayMode(DisplayMode::Operating);
    layout_.loadGroupNames(paths_.settingsFile());
    GroupZuweisen();
    view().setGroupDisplayMode(DisplayMode::Operating);

    connections_.createElements();
    log_.debugText(QStringLiteral("Form_Load 7"));

    layout_.loadTableSize(paths_.settingsFile());

    probeVisualisation();

    const QString root =
        options_.fileSystemRoot.isEmpty() ? platform::os().fileSystemRoot(paths_.directory()) : options_.fileSystemRoot;
    settings_.ostrelPresent = !platform::findPathNoCase(root, QStringLiteral("Ostrel")).isEmpty();

    QCoreApplication::processEvents();
    CommandStart_Click();
    // Only now: on a two-core station the opening (loading the driver, opening and checking the
    // file) would otherwise take a core from the connects.
    history_.openStore();
}

void Station::probeVisualisation() {
    const QString directory = paths_.directory();
    if (!directory.toUpper().contains(QLatin1String("/TRAMIS"))) return;
    // The visualisation's root is two levels above the program directory.
    QString programRoot = directory;
    for (int cut = 0; cut < 2; ++cut)
        programRoot.truncate(std::max<qsizetype>(programRoot.lastIndexOf(QLatin1Char('/')), 0));
    if (programRoot.isEmpty()) programRoot = QStringLiteral("/");
    log_.debugText(QStringLiteral("Form_Load 8"));
    QString parameterFile = platform::findPathNoCase(programRoot, QStringLiteral("Parameter/Program.ini"));
    if (parameterFile.isEmpty()) parameterFile = programRoot + QLatin1String("/Parameter/Program.ini");
    const bool rozovudo = IniReadBool(QStringLiteral("Project"), QStringLiteral("ROZovudo"), parameterFile);
    visuWindowTitle_ = rozovudo ? QStringLiteral("DCWindow") : QStringLiteral("Vizizedavave");
    if (platform::os().findWindowByTitle(visuWindowTitle_).handle > 0) timerWebBrowser_->start();
}

bool Station::watchingVisualisation() const { return timerWebBrowser_->isActive(); }

void Station::TimerWebBrowser_Timer() {
    // No debug lines here: the tick runs every two seconds for the whole run.
    const platform::WindowLookup found = platform::os().findWindowByTitle(visuWindowTitle_);
    if (found.failed) {
        log_.LogSchreiben(Log::dateText() + QLatin1Char(' ') + Log::timeText() + QLatin1String(" Fault ") +
                              QString::number(found.errorNumber) + QLatin1String("; ") + found.errorDescription +
                              QLatin1String("; ") + paths_.programName() + QLatin1String("; TimerWebBrowser_Timer"),
                          true, true);
    }
    if (found.handle == 0) {
        timerWebBrowser_->stop();
        Form_Terminate();
    }
}

void Station::switchKeyboard(int32_t layoutHandle) {
    // The group in use before the first switch is given back at shut-down.
    if (startKeyboardGroup_ < 0 && !keyboardChanged_) startKeyboardGroup_ = platform::os().currentKeyboardGroup();
    keyboardChanged_ = platform::os().activateKeyboardLayout(layoutHandle) || keyboardChanged_;
}

void Station::CommandStart_Click() {
    DebugScope debug(log_, "CommandStart_Click");
    tableMode_ = false;
    view().tableModeChanged(false);
    if (!hub_.connected()) {
        history_.stationStep(QStringLiteral("switched on"));
        view().lineSwitching(true);
        hub_.switchOn();
    } else {
        history_.stationStep(QStringLiteral("switched off"));
        view().lineSwitching(false);
        hub_.switchOff();
        view().lineSwitchedOff();
    }
}

void Station::CommandEdit_Click() {
    DebugScope debug(log_, "CommandEdit_Click");
    editMode_ = !editMode_;
    if (!editMode_) tableMode_ = false;
    view().editModeChanged(editMode_);
}

void Station::CommandTab_Click() {
    DebugScope debug(log_, "CommandTab_Click");
    tableMode_ = !tableMode_;
    view().tableModeChanged(tableMode_);
}

void Station::CommandLang_Click() {
    DebugScope debug(log_, "CommandLang_Click");
    chooseLanguage(view().chooseLanguage());
}

void Station::chooseLanguage(int k) {
    if (k <= 0 || k > languages_.LanguageCount) return;
    const LanguageRecord& chosen = languages_.Languages[static_cast<size_t>(k)];
    switchKeyboard(chosen.KBLayout);
    settings_.lcId = chosen.LcId;
    settings_.codePage = chosen.CodePage;
    settings_.charSet = chosen.CharSet;
    persist(QStringLiteral("Choose Language"), General, [this](QString* reason) {
        SettingsEditor editor(paths_.settingsFile());
        editor.set(settings_.lcId, General, QStringLiteral("LcId"));
        editor.set(settings_.codePage, General, QStringLiteral("CodePage"));
        return editor.commit(reason);
    });
    GroupZuweisen();
    LineParameterZuweisen();
}

void Station::LineModul_Click(int slot) {
    DebugScope debug(log_, "LineModul_Click");
    // Outside edit mode a click does nothing more.
    if (!editMode_) return;
    if (tableMode_) {
        editMachineTable();
        return;
    }
    if (view().editMachine(slot) == DialogResult::ConfirmedChanged) saveMachine(slot, QStringLiteral("Edit Maschine"));
}

void Station::editMachineTable() {
    // The busy pointer while the table opens and while it is saved; the default one in any case.
    struct DefaultPointer {
        StationView& view;
        ~DefaultPointer() { view.setBusyPointer(false); }
    } pointer{view()};
    view().setBusyPointer(true);
    const DialogResult result = view().editMachineTable();
    view().setBusyPointer(true);
    if (result == DialogResult::ConfirmedChanged) saveAllMachines(QStringLiteral("Machine table"));
}

void Station::GroupModul_Click(int group) {
    DebugScope debug(log_, "GroupModul_Click");
    if (!editMode_) return;
    const DialogResult result = tableMode_ ? view().editGroupTable() : view().editGroup(group);
    if (result == DialogResult::ConfirmedChanged)
        saveGroupNames(tableMode_ ? QStringLiteral("Group table") : QStringLiteral("Edit Group"));
}

void Station::GroupZuweisen() {
    DebugScope debug(log_, "GroupZuweisen");
    view().applyGroupParameters();
}

void Station::LineParameterZuweisen() {
    DebugScope debug(log_, "LineParameterZuweisen");
    view().applyLineParameters();
}

bool Station::persist(const QString& dialog, const QString& sections, const std::function<bool(QString*)>& write) {
    QByteArray before;
    profile::readFile(paths_.settingsFile(), &before);
    QString reason;
    const bool ok = write(&reason);
    if (ok) {
        QByteArray after;
        profile::readFile(paths_.settingsFile(), &after);
        history_.recordVersion(dialog, before, after);
    } else {
        // The values stay in memory; the log says that a restart would lose them.
        log_.system(QLatin1String("Settings not saved: ") + paths_.settingsFile() + QLatin1String(": ") + reason);
    }
    history_.settingsSaved(dialog,
                           ok ? sections : sections + QLatin1String(" (not written: ") + reason + QLatin1Char(')'));
    return ok;
}

bool Station::saveMachine(int slot, const QString& dialog) {
    const bool ok = persist(dialog, machineSection(slot),
                            [&](QString* reason) { return layout_.saveMachine(slot, paths_.settingsFile(), reason); });
    view().showMachineRecords();
    return ok;
}

bool Station::saveAllMachines(const QString& dialog) {
    // The machines and the column widths go to the file in one replacement.
    const bool ok = persist(dialog, QStringLiteral("Ma0..Ma63, Table"),
                            [&](QString* reason) { return layout_.saveAllMachines(paths_.settingsFile(), reason); });
    view().showMachineRecords();
    return ok;
}

bool Station::saveGroupNames(const QString& dialog) {
    const bool ok = persist(dialog, General,
                            [&](QString* reason) { return layout_.saveGroupNames(paths_.settingsFile(), reason); });
    view().showGroupNames();
    return ok;
}

bool Station::restoreVersion(const store::Version& version, QString* reason) {
    // Like every layout change, only in edit mode, which means disconnected.
    if (!editMode_ || hub_.connected()) {
        if (reason) *reason = QStringLiteral("a version can be restored only in edit mode");
        return false;
    }
    if (version.content.isEmpty()) {
        if (reason) *reason = QStringLiteral("the version's bytes were not kept");
        return false;
    }
    QByteArray before;
    profile::readFile(paths_.settingsFile(), &before);
    const SettingValues was = settingValues(version.content);
    const SettingValues now = settingValues(before);
    // The layout's keys take the version's values; every other line of the file stays. A key the
    // version lacks is written empty, which reads as missing.
    SettingsEditor editor(paths_.settingsFile());
    int writes = 0;
    forEachLayoutKey([&](const QString& section, const QString& key) {
        const SettingValues::Value* old = was.find(section, key);
        const SettingValues::Value* current = now.find(section, key);
        if (!old && (!current || current->value.isEmpty())) return;
        const QString value = old ? old->value : QString();
        if (current && current->value == value) return;
        editor.setText(value, section, key);
        ++writes;
    });
    QString why;
    if (writes > 0 && !editor.commit(&why)) {
        if (reason) *reason = why;
        log_.system(QLatin1String("Settings not saved: ") + paths_.settingsFile() + QLatin1String(": ") + why);
        return false;
    }
    QByteArray after;
    profile::readFile(paths_.settingsFile(), &after);
    history_.recordVersion(QStringLiteral("restore"), before, after, version.id);
    history_.settingsSaved(QStringLiteral("Restore"), QStringLiteral("version %1").arg(version.id));

    // Loaded as the start loads them, and the language applied as its choice applies it.
    layout_.loadMachines(paths_.settingsFile());
    layout_.loadGroupNames(paths_.settingsFile());
    layout_.loadTableSize(paths_.settingsFile());
    readLanguageSettings(paths_, settings_);
    if (const int k = languages_.find(settings_.lcId)) {
        const LanguageRecord& language = languages_.Languages[static_cast<size_t>(k)];
        switchKeyboard(language.KBLayout);
        settings_.charSet = language.CharSet;
    }
    view().bindFirstSlots();
    GroupZuweisen();
    LineParameterZuweisen();
    view().showMachineRecords();
    view().showGroupNames();
    return true;
}

void Station::CommandEnd_Click() {
    if (shutDown_) return;
    shutDown_ = true;
    log_.debug(QLatin1String("CommandEnd_Click"), QLatin1String(" Start"));
    log_.system(QStringLiteral("End - Close all Server"));
    // Closing is immediate (abort), so each socket reports the closed state at once.
    hub_.closeAll();
    connections_.destroyElements();
    timerWebBrowser_->stop();
    // A keyboard group lock acts on the whole display: give back the one found at start-up.
    if (keyboardChanged_) platform::os().restoreKeyboardGroup(startKeyboardGroup_);
    log_.debug(QLatin1String("CommandEnd_Click"), QLatin1String(" End"));
    // The history's last rows, with at most half a second for the store to write them.
    history_.end(options_.historyEndWaitMs);
    // The last step before the process ends: every line handed to the log reaches the file.
    log_.flush();
    options_.endProcess();
}

void Station::Form_Unload() {
    if (shutDown_) return;
    log_.debugText(QStringLiteral("Form_Unload Start"));
    CommandEnd_Click();
}

void Station::Form_Terminate() {
    if (shutDown_) return;
    log_.debugText(QStringLiteral("Form_Terminate Start"));
    CommandEnd_Click();
}

} // namespace station
