#pragma once
// The main window: the line view with its 24 machine tiles, 12 group tiles, scroll bar and
// buttons; the start-up and shut-down sequences; and the place that wires the settings, the
// layout, the log and the line's communication together.

#include "app/GeneralSettings.h"
#include "app/LineLayout.h"
#include "app/ProgramPaths.h"
#include "lang/LanguageLoader.h"
#include "lang/LanguageTable.h"
#include "log/Log.h"
#include "net/ConnectionManager.h"
#include "net/LineHub.h"
#include "net/LineView.h"
#include "ui/SymbolImages.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class EditierenLang;
class GroupModul;
class LineModul;
class QPushButton;
class QScrollBar;
class QTimer;

struct MainWindowOptions {
    quint16 port = 1001;
    ConnectionTimings timings;
    // Ends the process at the end of the shut-down; tests replace it.
    std::function<void()> endProcess;
    // The executable that reads Languages.mdb in a child process (empty: the program's own file).
    QString languageReader;
    lang::LoaderLimits languageLimits;
    // The root of the file system that holds the program (empty: the real one); tests set it.
    QString fileSystemRoot;
};

class VelkoZuraVeradadClient : public QWidget, public LineView {
    Q_OBJECT
public:
    static constexpr int MachineTiles = 24;
    static constexpr int GroupTiles = 12;

    VelkoZuraVeradadClient(ProgramPaths paths, MainWindowOptions options = {});
    ~VelkoZuraVeradadClient() override;

    // The start-up sequence (the window's load handler).
    void Form_Load();
    // The window's termination (also run by SIGTERM, SIGINT and SIGHUP).
    void Form_Terminate();

    // Buttons and scroll bar.
    void CommandStart_Click();
    void CommandEdit_Click();
    void CommandTab_Click();
    void CommandLang_Click();
    void CommandEnd_Click();
    void HScroll_Change();
    void LineModul_Click(int tile);
    void GroupModul_Click(int tile);

    void TimerWebBrowser_Timer();

    void GroupZuweisen();
    void LineParameterZuweisen();

    // LineView
    int scrollPos() const override { return ScrollPos; }
    bool connectionsOn() const override;
    void showConnectionState(int tile, int16_t state) override;
    void showMachineData(int tile, const MachineRecord& machine, const MachineData& data) override;
    void showGroupStatus(int tile, int16_t status) override;

    int ScrollPos = 0;
    bool EditMode = false;
    bool TableMode = false;

    // Access for tests and the demo.
    LineModul* machineTile(int t) const { return machineTiles_[static_cast<size_t>(t)]; }
    GroupModul* groupTile(int g) const { return groupTiles_[static_cast<size_t>(g)]; }
    QPushButton* commandStart() const { return commandStart_; }
    QPushButton* commandEdit() const { return commandEdit_; }
    QPushButton* commandTab() const { return commandTab_; }
    QPushButton* commandLang() const { return commandLang_; }
    QPushButton* commandEnd() const { return commandEnd_; }
    QScrollBar* hScroll() const { return hScroll_; }
    LineLayout& layout() { return layout_; }
    GeneralSettings& settings() { return settings_; }
    Log& log() { return log_; }
    LineHub& hub() { return hub_; }
    ConnectionManager& connections() { return connections_; }
    const ProgramPaths& paths() const { return paths_; }
    bool shutDownRan() const { return shutDown_; }
    LanguageTable& languages() { return languages_; }
    QTimer* timerWebBrowser() const { return timerWebBrowser_; }
    const QString& visuWindowTitle() const { return visuWindowTitle_; }
    // Runs just before the modal language dialog is shown (tests answer it from here).
    std::function<void(EditierenLang&)> beforeLanguageDialog;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void probeVisualisation();
    void applyLanguage(const LanguageRecord& language);
    void shutDown();

    ProgramPaths paths_;
    MainWindowOptions options_;
    GeneralSettings settings_;
    LineLayout layout_;
    Log log_;
    ConnectionManager connections_;
    LineHub hub_;
    ui::SymbolImages symbols_;

    std::array<LineModul*, MachineTiles> machineTiles_{};
    std::array<GroupModul*, GroupTiles> groupTiles_{};
    QScrollBar* hScroll_ = nullptr;
    QPushButton* commandStart_ = nullptr;
    QPushButton* commandEdit_ = nullptr;
    QPushButton* commandTab_ = nullptr;
    QPushButton* commandLang_ = nullptr;
    QPushButton* commandEnd_ = nullptr;
    QTimer* timerWebBrowser_ = nullptr;
    bool shutDown_ = false;
    LanguageTable languages_;
    QString visuWindowTitle_;
    uint32_t visuWindowHandle_ = 0;
    int startKeyboardGroup_ = -1; // the XKB group in use at start-up, restored at shut-down
    bool keyboardChanged_ = false;
};
