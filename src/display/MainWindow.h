#pragma once
// The main window: the view of the station. It shows 24 machine tiles, 12 group tiles, the scroll
// bar and the buttons; maps slots and groups to tiles (the only place that does); hands the
// buttons, tile clicks and closing to the station; and opens the History and Settings versions
// windows from a tile's context menu.

#include "station/Station.h"
#include "station/StationView.h"
#include "ui/SymbolImages.h"

#include <QWidget>

#include <array>
#include <memory>

class QMenu;
class QPushButton;
class QScrollBar;

namespace editors {
class Editieren;
class EditierenGroup;
class EditierenGroupT;
class EditierenT;
} // namespace editors

namespace records {
class HistoryWindow;
class VersionsWindow;
} // namespace records

namespace display {

class GroupModul;
class LineModul;

class VelkoZuraVeradadClient : public QWidget, public station::StationView {
    Q_OBJECT
public:
    explicit VelkoZuraVeradadClient(station::Station& station);
    ~VelkoZuraVeradadClient() override;

    station::Station& station() { return station_; }

    // The buttons and the scroll bar.
    void CommandStart_Click() { station_.CommandStart_Click(); }
    void CommandEdit_Click() { station_.CommandEdit_Click(); }
    void CommandTab_Click() { station_.CommandTab_Click(); }
    void CommandLang_Click() { station_.CommandLang_Click(); }
    void CommandEnd_Click() { station_.CommandEnd_Click(); }
    void HScroll_Change();
    void LineModul_Click(int tile);
    void GroupModul_Click(int tile);

    // The scroll position (the scroll bar's value), and the first machine slot and group shown there.
    int ScrollPos() const;
    int firstShownSlot() const { return ScrollPos() * base::SlotsPerScrollStep; }
    int firstShownGroup() const { return ScrollPos() * base::GroupsPerScrollStep; }

    // StationView
    void showConnectionState(int slot, base::ShownConnection state) override;
    void showMachineData(int slot, const base::MachineRecord& machine, const base::MachineData& data) override;
    void showGroupStatus(int group, int16_t status) override;
    void bindFirstSlots() override;
    void applyLineParameters() override;
    void applyGroupParameters() override;
    void setMachineDisplayMode(base::DisplayMode mode) override;
    void setGroupDisplayMode(base::DisplayMode mode) override;
    void lineSwitching(bool on) override;
    void lineSwitchedOff() override;
    void editModeChanged(bool on) override;
    void tableModeChanged(bool on) override;
    void showMachineRecords() override;
    void showGroupNames() override;
    int chooseLanguage() override;
    base::DialogResult editMachine(int slot) override;
    base::DialogResult editGroup(int group) override;
    base::DialogResult editGroupTable() override;
    base::DialogResult editMachineTable() override;
    void setBusyPointer(bool busy) override;

    // The context menu of a machine tile (`group` false) or group tile, at `globalPos`: the history
    // of the machine or group, the line's history and the settings versions. It works in every mode.
    void showTileMenu(bool group, int tile, QPoint globalPos);
    // The History and Settings versions windows: one of each, created on first use, not modal.
    records::HistoryWindow& historyWindow();
    records::VersionsWindow& versionsWindow();
    QMenu* tileMenu() const { return tileMenu_; }

    // The configuration dialogs, created on first use and kept for the whole run.
    editors::Editieren& machineEditor();
    editors::EditierenGroup& groupEditor();
    editors::EditierenGroupT& groupTableEditor();
    editors::EditierenT& machineTableEditor();

    // Access for tests and the demo.
    LineModul* machineTile(int t) const { return machineTiles_[static_cast<size_t>(t)]; }
    GroupModul* groupTile(int g) const { return groupTiles_[static_cast<size_t>(g)]; }
    QPushButton* commandStart() const { return commandStart_; }
    QPushButton* commandEdit() const { return commandEdit_; }
    QPushButton* commandTab() const { return commandTab_; }
    QPushButton* commandLang() const { return commandLang_; }
    QPushButton* commandEnd() const { return commandEnd_; }
    QScrollBar* hScroll() const { return hScroll_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The Menu key or Shift+F10 while no tile has the focus: the menu of the tile under the
    // pointer, else of the first machine tile.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWidgets();
    // What of a tile's slot or group is shown again: the one place where tiles get their state.
    enum TilePart : unsigned {
        Font = 1,        // font name and locale id of the station's language
        Enabled = 2,     // the machine's Enabled flag
        Online = 4,      // whether the line is switched on
        Symbol = 8,      // the machine's symbol
        Name = 16,       // machine or group name
        Data = 32,       // status text, its locale and the status (a group: its status)
        Connection = 64, // the connection state shown
        Fresh = 128,     // the tile now shows another machine
    };
    void bindMachineTile(int t, unsigned parts);
    void bindGroupTile(int g, unsigned parts);
    // The tile that shows a slot or group at the current scroll position, or nullptr.
    LineModul* tileForSlot(int slot) const;
    GroupModul* tileForGroup(int group) const;
    // Whether the tiles show the line as switched on.
    bool online() const { return station_.hub().switchedOn(); }

    station::Station& station_;
    ui::SymbolImages symbols_;
    std::array<LineModul*, base::MachineTiles> machineTiles_{};
    std::array<GroupModul*, base::GroupTiles> groupTiles_{};
    QScrollBar* hScroll_ = nullptr;
    QPushButton* commandStart_ = nullptr;
    QPushButton* commandEdit_ = nullptr;
    QPushButton* commandTab_ = nullptr;
    QPushButton* commandLang_ = nullptr;
    QPushButton* commandEnd_ = nullptr;
    std::unique_ptr<editors::Editieren> machineEditor_;
    std::unique_ptr<editors::EditierenGroup> groupEditor_;
    std::unique_ptr<editors::EditierenGroupT> groupTableEditor_;
    std::unique_ptr<editors::EditierenT> machineTableEditor_;
    std::unique_ptr<records::HistoryWindow> historyWindow_;
    std::unique_ptr<records::VersionsWindow> versionsWindow_;
    QMenu* tileMenu_ = nullptr;
};

} // namespace display
