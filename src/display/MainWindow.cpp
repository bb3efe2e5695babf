#include "display/MainWindow.h"

#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "app/Settings.h"
#include "lang/EditierenLang.h"
#include "platform/Desktop.h"
#include "platform/Platform.h"
#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"
#include "ui/Style.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace {
// Left edge of group tile columns, by 2 * column + half.
constexpr int GroupLefts[6] = {0, 1980, 3955, 5925, 7910, 9885};
} // namespace

VelkoZuraVeradadClient::VelkoZuraVeradadClient(ProgramPaths paths, MainWindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      paths_(std::move(paths)), options_(std::move(options)), connections_(options_.port, options_.timings),
      hub_(layout_, settings_, log_, *this, connections_), symbols_(paths_.directory()) {
    if (!options_.endProcess) options_.endProcess = [] { platform::endProcessNow(); };
    if (options_.languageReader.isEmpty()) options_.languageReader = platform::programFilePath();
    setObjectName(QStringLiteral("VelkoZuraVeradadClient"));
    setWindowTitle(QStringLiteral("RozoRedizovClient"));
    connections_.setEvents(&hub_);
    buildWidgets();
}

VelkoZuraVeradadClient::~VelkoZuraVeradadClient() { connections_.setEvents(nullptr); }

void VelkoZuraVeradadClient::buildWidgets() {
    setFixedSize(ui::twipsToPixelsX(11880), ui::twipsToPixelsY(8595));
    ui::setGreyBackground(this);

    for (int t = 0; t < MachineTiles; ++t) {
        auto* tile = new LineModul(t, &symbols_, this);
        tile->setGeometry(ui::twipsRect(3955 * (t / 8), 720 + 855 * (t % 8), 3955, 855));
        connect(tile, &LineModul::Click, this, &VelkoZuraVeradadClient::LineModul_Click);
        machineTiles_[static_cast<size_t>(t)] = tile;
    }
    for (int g = 0; g < GroupTiles; ++g) {
        const int column = g / 4, half = (g % 4) / 2, row = g % 2;
        const int width = (g == 4 || g == 5) ? 1965 : 1980;
        auto* tile = new GroupModul(g, this);
        tile->setGeometry(ui::twipsRect(GroupLefts[2 * column + half], 360 * row, width, 360));
        connect(tile, &GroupModul::Click, this, &VelkoZuraVeradadClient::GroupModul_Click);
        groupTiles_[static_cast<size_t>(g)] = tile;
    }

    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    hScroll_->setObjectName(QStringLiteral("HScroll"));
    hScroll_->setGeometry(ui::twipsRect(0, 7560, 11865, 360));
    hScroll_->setRange(0, 5);
    hScroll_->setPageStep(1);
    // The tiles follow the scroll bar when a scroll action ends, not while the thumb is dragged.
    hScroll_->setTracking(false);
    hScroll_->setStyleSheet(QStringLiteral(
        "QScrollBar:horizontal { background: #b4b4b4; border: 1px solid #8a8a8a; height: 24px; margin: 0 24px; }"
        "QScrollBar::handle:horizontal { background: #e2e2e2; border: 1px solid #7a7a7a; min-width: 40px; }"
        "QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { background: #d0d0d0;"
        " border: 1px solid #7a7a7a; width: 22px; subcontrol-origin: margin; }"
        "QScrollBar::add-line:horizontal { subcontrol-position: right; }"
        "QScrollBar::sub-line:horizontal { subcontrol-position: left; }"
        "QScrollBar::left-arrow:horizontal, QScrollBar::right-arrow:horizontal { width: 8px; height: 8px;"
        " background: #3a3a3a; }"
        "QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background: none; }"));
    connect(hScroll_, &QScrollBar::valueChanged, this, &VelkoZuraVeradadClient::HScroll_Change);

    const auto makeButton = [this](const char* name, const QString& caption, int left) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(ui::twipsRect(left, 8130, 1500, 480));
        button->setFocusPolicy(Qt::TabFocus);
        ui::setButtonColour(button, false);
        return button;
    };
    commandStart_ = makeButton("CommandStart", QStringLiteral("Connect"), 0);
    commandEdit_ = makeButton("CommandEdit", QStringLiteral("Edit"), 1530);
    commandTab_ = makeButton("CommandTab", QStringLiteral("Table"), 3060);
    commandLang_ = makeButton("CommandLang", QStringLiteral("Input Language"), 4560);
    commandEnd_ = makeButton("CommandEnd", QStringLiteral("End"), 10365);
    commandTab_->hide();
    commandLang_->hide();
    connect(commandStart_, &QPushButton::clicked, this, &VelkoZuraVeradadClient::CommandStart_Click);
    connect(commandEdit_, &QPushButton::clicked, this, &VelkoZuraVeradadClient::CommandEdit_Click);
    connect(commandTab_, &QPushButton::clicked, this, &VelkoZuraVeradadClient::CommandTab_Click);
    connect(commandEnd_, &QPushButton::clicked, this, &VelkoZuraVeradadClient::CommandEnd_Click);
    connect(commandLang_, &QPushButton::clicked, this, &VelkoZuraVeradadClient::CommandLang_Click);

    timerWebBrowser_ = new QTimer(this);
    timerWebBrowser_->setInterval(2000);
    connect(timerWebBrowser_, &QTimer::timeout, this, &VelkoZuraVeradadClient::TimerWebBrowser_Timer);

    // Opens in the centre of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void VelkoZuraVeradadClient::Form_Load() {
    QCoreApplication::processEvents();
    log_.configure(readLogSwitches(paths_));
    settings_.log = log_.switches();
    log_.debugText(QStringLiteral("Form_Load 1"));

    readLanguageSettings(paths_, settings_);
    log_.debugText(QStringLiteral("Form_Load 2"));

    lang::loadLanguages(platform::findPathNoCase(paths_.directory(), QStringLiteral("Languages.mdb")),
                        options_.languageReader, languages_, options_.languageLimits);
    log_.debugText(QLatin1String("Form_Load 3 ") + QString::number(languages_.LanguageCount));

    if (const int current = languages_.find(settings_.lcId)) {
        startKeyboardGroup_ = platform::currentKeyboardGroup();
        const LanguageRecord& language = languages_.Languages[static_cast<size_t>(current)];
        keyboardChanged_ = platform::activateKeyboardLayout(language.KBLayout) || keyboardChanged_;
        settings_.charSet = language.CharSet;
    }
    log_.debugText(QStringLiteral("Form_Load 4"));

    layout_.loadMachines(paths_.settingsFile());
    log_.debugText(QStringLiteral("Form_Load 5"));

    for (int t = 0; t < MachineTiles; ++t) {
        LineModul* tile = machineTiles_[static_cast<size_t>(t)];
        tile->setSymbol(layout_.Machines[static_cast<size_t>(t)].Symbol);
        tile->setMachineEnabled(layout_.Machines[static_cast<size_t>(t)].Enabled);
    }
    log_.debugText(QStringLiteral("Form_Load 6"));

    LineParameterZuweisen();
    for (LineModul* tile : machineTiles_) tile->setDisplayMode(1);
    layout_.loadGroupNames(paths_.settingsFile());
    GroupZuweisen();
    for (GroupModul* tile : groupTiles_) tile->setDisplayMode(1);

    connections_.createElements();
    log_.debugText(QStringLiteral("Form_Load 7"));

    layout_.loadTableSize(paths_.settingsFile());

    probeVisualisation();

    const QString root =
        options_.fileSystemRoot.isEmpty() ? platform::fileSystemRoot(paths_.directory()) : options_.fileSystemRoot;
    settings_.ostrelPresent = !platform::findPathNoCase(root, QStringLiteral("Ostrel")).isEmpty();

    QCoreApplication::processEvents();
    CommandStart_Click();
}

void VelkoZuraVeradadClient::probeVisualisation() {
    const QString directory = paths_.directory();
    if (!directory.toUpper().contains(QLatin1String("/TRAMIS"))) return;
    // The visualisation's root is two levels above the program directory.
    QString programRoot = directory;
    for (int cut = 0; cut < 2; ++cut) programRoot.truncate(std::max<qsizetype>(programRoot.lastIndexOf(QLatin1Char('/')), 0));
    if (programRoot.isEmpty()) programRoot = QStringLiteral("/");
    log_.debugText(QStringLiteral("Form_Load 8"));
    QString parameterFile = platform::findPathNoCase(programRoot, QStringLiteral("Parameter/Program.ini"));
    if (parameterFile.isEmpty()) parameterFile = programRoot + QLatin1String("/Parameter/Program.ini");
    const bool rozovudo = IniReadBool(QStringLiteral("Project"), QStringLiteral("ROZovudo"), parameterFile);
    visuWindowTitle_ = rozovudo ? QStringLiteral("DCWindow") : QStringLiteral("Vizizedavave");
    visuWindowHandle_ = platform::findWindowByTitle(visuWindowTitle_).handle;
    if (visuWindowHandle_ > 0) timerWebBrowser_->start();
}

void VelkoZuraVeradadClient::TimerWebBrowser_Timer() {
    // No debug lines here: the tick runs every two seconds for the whole run.
    const platform::WindowLookup found = platform::findWindowByTitle(visuWindowTitle_);
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

void VelkoZuraVeradadClient::CommandLang_Click() {
    DebugScope debug(log_, "CommandLang_Click");
    EditierenLang dialog(languages_, settings_.lcId, settings_.ostrelPresent, this);
    ui::centreOver(&dialog, this);
    if (beforeLanguageDialog) beforeLanguageDialog(dialog);
    dialog.exec();
    const int k = dialog.LangErgebnis;
    if (k <= 0 || k > languages_.LanguageCount) return;
    const LanguageRecord& chosen = languages_.Languages[static_cast<size_t>(k)];
    if (startKeyboardGroup_ < 0 && !keyboardChanged_) startKeyboardGroup_ = platform::currentKeyboardGroup();
    keyboardChanged_ = platform::activateKeyboardLayout(chosen.KBLayout) || keyboardChanged_;
    settings_.lcId = chosen.LcId;
    settings_.codePage = chosen.CodePage;
    settings_.charSet = chosen.CharSet;
    IniSave(settings_.lcId, QStringLiteral("General"), QStringLiteral("LcId"), paths_.settingsFile());
    IniSave(settings_.codePage, QStringLiteral("General"), QStringLiteral("CodePage"), paths_.settingsFile());
    GroupZuweisen();
    LineParameterZuweisen();
}

bool VelkoZuraVeradadClient::connectionsOn() const { return !commandEdit_->isEnabled(); }

void VelkoZuraVeradadClient::showConnectionState(int tile, int16_t state) {
    machineTiles_[static_cast<size_t>(tile)]->setConnectionState(state);
}

void VelkoZuraVeradadClient::showMachineData(int t, const MachineRecord& machine, const MachineData& data) {
    LineModul* tile = machineTiles_[static_cast<size_t>(t)];
    tile->setSymbol(machine.Symbol);
    tile->setMachineName(machine.Text);
    tile->setStatusLcId(data.LcId);
    tile->setStatusText(data.Text);
    tile->setStatus(data.Status);
}

void VelkoZuraVeradadClient::showGroupStatus(int tile, int16_t status) {
    groupTiles_[static_cast<size_t>(tile)]->setStatus(status);
}

void VelkoZuraVeradadClient::CommandStart_Click() {
    DebugScope debug(log_, "CommandStart_Click");
    ui::setButtonColour(commandTab_, false);
    TableMode = false;
    if (!hub_.Connected) {
        commandEdit_->setEnabled(false);
        commandTab_->setEnabled(false);
        commandLang_->setEnabled(false);
        commandStart_->setText(QStringLiteral("Disconnect"));
        for (LineModul* tile : machineTiles_) {
            tile->setStatus(1);
            tile->setOnline(true);
        }
        hub_.switchOn();
    } else {
        commandEdit_->setEnabled(true);
        commandTab_->setEnabled(true);
        commandLang_->setEnabled(true);
        hub_.switchOff();
        for (LineModul* tile : machineTiles_) tile->setOnline(false);
        commandStart_->setText(QStringLiteral("Connect"));
    }
}

void VelkoZuraVeradadClient::CommandEdit_Click() {
    DebugScope debug(log_, "CommandEdit_Click");
    if (!EditMode) {
        EditMode = true;
        ui::setButtonColour(commandEdit_, true);
        commandTab_->show();
        commandLang_->show();
        commandStart_->setEnabled(false);
        for (LineModul* tile : machineTiles_) {
            tile->setDisplayMode(0);
            tile->setStatus(0);
        }
        for (GroupModul* tile : groupTiles_) {
            tile->setDisplayMode(0);
            tile->setStatus(0);
        }
    } else {
        EditMode = false;
        ui::setButtonColour(commandEdit_, false);
        ui::setButtonColour(commandTab_, false);
        commandTab_->hide();
        TableMode = false;
        commandLang_->hide();
        commandStart_->setEnabled(true);
        for (LineModul* tile : machineTiles_) tile->setDisplayMode(1);
        for (GroupModul* tile : groupTiles_) tile->setDisplayMode(1);
    }
}

void VelkoZuraVeradadClient::CommandTab_Click() {
    DebugScope debug(log_, "CommandTab_Click");
    TableMode = !TableMode;
    ui::setButtonColour(commandTab_, TableMode);
}

void VelkoZuraVeradadClient::HScroll_Change() {
    DebugScope debug(log_, "HScroll_Change");
    ScrollPos = hScroll_->value();
    for (int g = 0; g < GroupTiles; ++g) {
        const int n = ScrollPos * 4 + g;
        GroupModul* tile = groupTiles_[static_cast<size_t>(g)];
        tile->setStatus(hub_.GroupStatus[static_cast<size_t>(n)]);
        tile->setGroupName(layout_.groupName(n));
    }
    const bool online = connectionsOn();
    for (int t = 0; t < MachineTiles; ++t) {
        const size_t m = static_cast<size_t>(ScrollPos * 8 + t);
        const MachineRecord& machine = layout_.Machines[m];
        const MachineData& data = layout_.MachineDataNow[m];
        LineModul* tile = machineTiles_[static_cast<size_t>(t)];
        tile->setMachineEnabled(machine.Enabled);
        tile->setOnline(online);
        tile->setSymbol(machine.Symbol);
        tile->setMachineName(machine.Text);
        tile->setStatusLcId(data.LcId);
        tile->setStatusText(data.Text);
        tile->setConnectionState(hub_.ShownConnState[m]);
        tile->setStatus(data.Status);
        tile->setNewMachine(true);
    }
}

void VelkoZuraVeradadClient::GroupZuweisen() {
    DebugScope debug(log_, "GroupZuweisen");
    ui::setUpDialogFont(settings_.fontName, settings_.charSet);
    for (int g = 0; g < GroupTiles; ++g) {
        GroupModul* tile = groupTiles_[static_cast<size_t>(g)];
        tile->setFontName(settings_.fontName);
        tile->setLcId(settings_.lcId);
        tile->setGroupName(layout_.groupName(ScrollPos * 4 + g));
    }
}

void VelkoZuraVeradadClient::LineParameterZuweisen() {
    DebugScope debug(log_, "LineParameterZuweisen");
    for (int t = 0; t < MachineTiles; ++t) {
        LineModul* tile = machineTiles_[static_cast<size_t>(t)];
        tile->setFontName(settings_.fontName);
        tile->setLcId(settings_.lcId);
        tile->setMachineName(layout_.Machines[static_cast<size_t>(ScrollPos * 8 + t)].Text);
    }
}

void VelkoZuraVeradadClient::LineModul_Click(int) {
    DebugScope debug(log_, "LineModul_Click");
    // The configuration dialogs open from here in edit mode.
}

void VelkoZuraVeradadClient::GroupModul_Click(int) {
    DebugScope debug(log_, "GroupModul_Click");
}

void VelkoZuraVeradadClient::CommandEnd_Click() {
    if (shutDown_) return;
    shutDown_ = true;
    log_.debug(QLatin1String("CommandEnd_Click"), QLatin1String(" Start"));
    log_.system(QStringLiteral("End - Close all Server"));
    // Closing is immediate (abort), so each socket reports the closed state at once.
    hub_.closeAll();
    connections_.destroyElements();
    timerWebBrowser_->stop();
    // A keyboard group lock acts on the whole display: give back the one found at start-up.
    if (keyboardChanged_) platform::restoreKeyboardGroup(startKeyboardGroup_);
    log_.debug(QLatin1String("CommandEnd_Click"), QLatin1String(" End"));
    options_.endProcess();
}

void VelkoZuraVeradadClient::closeEvent(QCloseEvent* event) {
    if (!shutDown_) {
        log_.debugText(QStringLiteral("Form_Unload Start"));
        CommandEnd_Click();
    }
    event->accept();
}

void VelkoZuraVeradadClient::Form_Terminate() {
    if (shutDown_) return;
    log_.debugText(QStringLiteral("Form_Terminate Start"));
    CommandEnd_Click();
}
