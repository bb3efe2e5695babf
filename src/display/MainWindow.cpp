#include "display/MainWindow.h"

#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/EditierenT.h"
#include "records/HistoryWindow.h"
#include "records/VersionsWindow.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

using namespace base;
using namespace logfile;
using namespace station;
using namespace editors;

namespace display {

namespace {
// Left edge of group tile columns, by 2 * column + half.
constexpr int GroupLefts[6] = {0, 1980, 3955, 5925, 7910, 9885};
} // namespace

VelkoZuraVeradadClient::VelkoZuraVeradadClient(Station& station)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint),
      station_(station), symbols_(station.paths().directory()) {
    setObjectName(QStringLiteral("VelkoZuraVeradadClient"));
    setWindowTitle(QStringLiteral("RozoRedizovClient"));
    buildWidgets();
    station_.setView(this);
}

VelkoZuraVeradadClient::~VelkoZuraVeradadClient() {
    station_.setView(nullptr);
    // The dialogs are owned here, not by the widget tree.
    machineEditor_.reset();
    groupEditor_.reset();
    groupTableEditor_.reset();
    historyWindow_.reset();
    versionsWindow_.reset();
}

void VelkoZuraVeradadClient::buildWidgets() {
    setFixedSize(ui::twipsToPixelsX(11880), ui::twipsToPixelsY(8595));
    ui::setGreyBackground(this);

    for (int t = 0; t < MachineTiles; ++t) {
        auto* tile = new LineModul(t, &symbols_, this);
        const int column = t / SlotsPerScrollStep, row = t % SlotsPerScrollStep;
        tile->setGeometry(ui::twipsRect(3955 * column, 720 + 855 * row, 3955, 855));
        connect(tile, &LineModul::Click, this, &VelkoZuraVeradadClient::LineModul_Click);
        connect(tile, &Tile::menuRequested, this, [this](int index, QPoint at) { showTileMenu(false, index, at); });
        machineTiles_[static_cast<size_t>(t)] = tile;
    }
    for (int g = 0; g < GroupTiles; ++g) {
        const int column = g / 4, half = (g % 4) / 2, row = g % 2;
        const int width = (g == 4 || g == 5) ? 1965 : 1980;
        auto* tile = new GroupModul(g, this);
        tile->setGeometry(ui::twipsRect(GroupLefts[2 * column + half], 360 * row, width, 360));
        connect(tile, &GroupModul::Click, this, &VelkoZuraVeradadClient::GroupModul_Click);
        connect(tile, &Tile::menuRequested, this, [this](int index, QPoint at) { showTileMenu(true, index, at); });
        groupTiles_[static_cast<size_t>(g)] = tile;
    }

    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    hScroll_->setObjectName(QStringLiteral("HScroll"));
    hScroll_->setGeometry(ui::twipsRect(0, 7560, 11865, 360));
    hScroll_->setRange(0, ScrollPositions - 1);
    hScroll_->setPageStep(1);
    // The tiles follow the scroll bar when a scroll action ends, not while the thumb is dragged.
    hScroll_->setTracking(false);
    hScroll_->setStyleSheet(ui::styleSheet(QStringLiteral(
        "QScrollBar:horizontal { background: @trough; border: 1px solid @edgeQuiet; height: 24px; margin: 0 24px; }"
        "QScrollBar::handle:horizontal { background: @handle; border: 1px solid @edge; min-width: 40px; }"
        "QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { background: @arrowButton;"
        " border: 1px solid @edge; width: 22px; subcontrol-origin: margin; }"
        "QScrollBar::add-line:horizontal { subcontrol-position: right; }"
        "QScrollBar::sub-line:horizontal { subcontrol-position: left; }"
        "QScrollBar::left-arrow:horizontal, QScrollBar::right-arrow:horizontal { width: 8px; height: 8px;"
        " background: @arrow; }"
        "QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background: none; }")));
    connect(hScroll_, &QScrollBar::valueChanged, this, &VelkoZuraVeradadClient::HScroll_Change);

    // The buttons' captions are in Arial 8 pt; one that does not fit its button shrinks.
    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(8);
    const auto makeButton = [this, &buttonFont](const char* name, const QString& caption, int left) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(ui::twipsRect(left, 8130, 1500, 480));
        button->setFocusPolicy(Qt::TabFocus);
        button->setFont(buttonFont);
        ui::setButtonColour(button, false);
        ui::fitCaption(button);
        return button;
    };
    // Sized for the longer of its two captions.
    commandStart_ = makeButton("CommandStart", QStringLiteral("Disconnect"), 0);
    commandStart_->setText(QStringLiteral("Connect"));
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

    // Opens in the centre of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

int VelkoZuraVeradadClient::ScrollPos() const { return hScroll_->value(); }

LineModul* VelkoZuraVeradadClient::tileForSlot(int slot) const {
    const int t = slot - firstShownSlot();
    return (t >= 0 && t < MachineTiles) ? machineTiles_[static_cast<size_t>(t)] : nullptr;
}

GroupModul* VelkoZuraVeradadClient::tileForGroup(int group) const {
    const int g = group - firstShownGroup();
    return (g >= 0 && g < GroupTiles) ? groupTiles_[static_cast<size_t>(g)] : nullptr;
}

void VelkoZuraVeradadClient::showConnectionState(int slot, ShownConnection state) {
    if (LineModul* tile = tileForSlot(slot)) tile->setConnectionState(state);
}

void VelkoZuraVeradadClient::showMachineData(int slot, const MachineRecord&, const MachineData&) {
    const int t = slot - firstShownSlot();
    if (t >= 0 && t < MachineTiles) bindMachineTile(t, Symbol | Name | Data);
}

void VelkoZuraVeradadClient::showGroupStatus(int group, int16_t status) {
    if (GroupModul* tile = tileForGroup(group)) tile->setStatus(status);
}

void VelkoZuraVeradadClient::bindFirstSlots() {
    for (int t = 0; t < MachineTiles; ++t) bindMachineTile(t, Symbol | Enabled);
}

void VelkoZuraVeradadClient::applyLineParameters() {
    for (int t = 0; t < MachineTiles; ++t) bindMachineTile(t, Font | Name);
}

void VelkoZuraVeradadClient::applyGroupParameters() {
    const GeneralSettings& settings = station_.settings();
    ui::setUpDialogFont(settings.fontName, settings.charSet);
    for (int g = 0; g < GroupTiles; ++g) bindGroupTile(g, Font | Name);
}

void VelkoZuraVeradadClient::setMachineDisplayMode(DisplayMode mode) {
    for (LineModul* tile : machineTiles_) tile->setDisplayMode(mode);
}

void VelkoZuraVeradadClient::setGroupDisplayMode(DisplayMode mode) {
    for (GroupModul* tile : groupTiles_) tile->setDisplayMode(mode);
}

void VelkoZuraVeradadClient::lineSwitching(bool on) {
    for (QPushButton* button : {commandEdit_, commandTab_, commandLang_}) button->setEnabled(!on);
    if (!on) return;
    commandStart_->setText(QStringLiteral("Disconnect"));
    for (LineModul* tile : machineTiles_) {
        tile->setStatus(machine_status::Normal);
        tile->setOnline(true);
    }
}

void VelkoZuraVeradadClient::lineSwitchedOff() {
    for (LineModul* tile : machineTiles_) tile->setOnline(false);
    commandStart_->setText(QStringLiteral("Connect"));
}

void VelkoZuraVeradadClient::editModeChanged(bool on) {
    ui::setButtonColour(commandEdit_, on);
    if (on) {
        commandTab_->show();
        commandLang_->show();
        commandStart_->setEnabled(false);
        for (LineModul* tile : machineTiles_) {
            tile->setDisplayMode(DisplayMode::Edit);
            tile->setStatus(machine_status::Off);
        }
        for (GroupModul* tile : groupTiles_) {
            tile->setDisplayMode(DisplayMode::Edit);
            tile->setStatus(machine_status::Off);
        }
    } else {
        ui::setButtonColour(commandTab_, false);
        commandTab_->hide();
        commandLang_->hide();
        commandStart_->setEnabled(true);
        setMachineDisplayMode(DisplayMode::Operating);
        setGroupDisplayMode(DisplayMode::Operating);
    }
    if (versionsWindow_) versionsWindow_->editModeChanged();
}

void VelkoZuraVeradadClient::tableModeChanged(bool on) { ui::setButtonColour(commandTab_, on); }

void VelkoZuraVeradadClient::showMachineRecords() {
    for (int t = 0; t < MachineTiles; ++t) bindMachineTile(t, Name | Symbol | Enabled);
}

void VelkoZuraVeradadClient::showGroupNames() {
    for (int g = 0; g < GroupTiles; ++g) bindGroupTile(g, Name);
}

int VelkoZuraVeradadClient::chooseLanguage() {
    const GeneralSettings& settings = station_.settings();
    EditierenLang dialog(station_.languages(), settings.lcId, settings.ostrelPresent, this);
    return dialog.choose();
}

Editieren& VelkoZuraVeradadClient::machineEditor() {
    if (!machineEditor_)
        machineEditor_ =
            std::make_unique<Editieren>(station_.layout(), station_.settings(), station_.paths().directory(), this);
    return *machineEditor_;
}

EditierenGroup& VelkoZuraVeradadClient::groupEditor() {
    if (!groupEditor_) groupEditor_ = std::make_unique<EditierenGroup>(station_.layout(), station_.settings(), this);
    return *groupEditor_;
}

EditierenGroupT& VelkoZuraVeradadClient::groupTableEditor() {
    if (!groupTableEditor_)
        groupTableEditor_ = std::make_unique<EditierenGroupT>(station_.layout(), station_.settings(), this);
    return *groupTableEditor_;
}

EditierenT& VelkoZuraVeradadClient::machineTableEditor() {
    if (!machineTableEditor_)
        machineTableEditor_ = std::make_unique<EditierenT>(station_.layout(), station_.settings(),
                                                           station_.paths().directory(), symbols_, this);
    return *machineTableEditor_;
}

DialogResult VelkoZuraVeradadClient::editMachine(int slot) {
    Editieren& dialog = machineEditor();
    dialog.EditIndex = static_cast<int16_t>(slot);
    return dialog.edit();
}

DialogResult VelkoZuraVeradadClient::editGroup(int group) {
    EditierenGroup& dialog = groupEditor();
    dialog.EditIndex = static_cast<int16_t>(group);
    return dialog.edit();
}

DialogResult VelkoZuraVeradadClient::editGroupTable() { return groupTableEditor().edit(); }

DialogResult VelkoZuraVeradadClient::editMachineTable() { return machineTableEditor().edit(); }

void VelkoZuraVeradadClient::setBusyPointer(bool busy) {
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void VelkoZuraVeradadClient::HScroll_Change() {
    DebugScope debug(station_.log(), "HScroll_Change");
    for (int g = 0; g < GroupTiles; ++g) bindGroupTile(g, Data | Name);
    for (int t = 0; t < MachineTiles; ++t)
        bindMachineTile(t, Enabled | Online | Symbol | Name | Data | Connection | Fresh);
}

void VelkoZuraVeradadClient::bindMachineTile(int t, unsigned parts) {
    const size_t m = static_cast<size_t>(firstShownSlot() + t);
    const MachineRecord& machine = station_.layout().Machines[m];
    const MachineData& data = station_.layout().MachineDataNow[m];
    LineModul* tile = machineTiles_[static_cast<size_t>(t)];
    if (parts & Font) {
        tile->setFontName(station_.settings().fontName);
        tile->setLcId(station_.settings().lcId);
    }
    if (parts & Enabled) tile->setMachineEnabled(machine.Enabled);
    if (parts & Online) tile->setOnline(online());
    if (parts & Symbol) tile->setSymbol(machine.Symbol);
    if (parts & Name) tile->setMachineName(machine.Text);
    if (parts & Data) {
        tile->setStatusLcId(data.LcId);
        tile->setStatusText(data.Text);
    }
    if (parts & Connection) tile->setConnectionState(station_.hub().shownConnState(static_cast<int>(m)));
    if (parts & Data) tile->setStatus(data.Status);
    if (parts & Fresh) tile->setNewMachine(true);
}

void VelkoZuraVeradadClient::bindGroupTile(int g, unsigned parts) {
    const int group = firstShownGroup() + g;
    GroupModul* tile = groupTiles_[static_cast<size_t>(g)];
    if (parts & Font) {
        tile->setFontName(station_.settings().fontName);
        tile->setLcId(station_.settings().lcId);
    }
    if (parts & Data) tile->setStatus(station_.hub().groupStatus(group));
    if (parts & Name) tile->setGroupName(station_.layout().groupName(group));
}

void VelkoZuraVeradadClient::LineModul_Click(int tile) { station_.LineModul_Click(firstShownSlot() + tile); }

void VelkoZuraVeradadClient::GroupModul_Click(int tile) { station_.GroupModul_Click(firstShownGroup() + tile); }

void VelkoZuraVeradadClient::closeEvent(QCloseEvent* event) {
    station_.Form_Unload();
    event->accept();
}

} // namespace display
