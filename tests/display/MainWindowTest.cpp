// The main window: its size, start-up, tiles, buttons and shut-down, and captions that fit in it and
// in its dialogs.
#include "display/MainWindow.h"
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/SymbolAuswahl.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"

#include "LogFiles.h"
#include "WindowRig.h"

#include <QCloseEvent>
#include <QCoreApplication>

using namespace base;
using namespace station;
using namespace display;
using namespace editors;
using testutil::logLines;

namespace {
class MainWindowTest : public ::testing::Test {
protected:
    WindowRig rig;
    QString logPath = rig.logPath();
    Station* station = nullptr;

    VelkoZuraVeradadClient* start(const QByteArray& ini) {
        VelkoZuraVeradadClient* window = &rig.start(ini);
        station = rig.station.get();
        return window;
    }

    static QByteArray namedLayout() {
        QByteArray ini = "[General]\r\nLogDebug=true\r\nLogSystem=true\r\n";
        for (int g = 0; g < 32; ++g) ini += "Group" + QByteArray::number(g) + "=G" + QByteArray::number(g) + "\r\n";
        for (int m = 0; m < 64; ++m)
            ini += "[Ma" + QByteArray::number(m) + "]\r\nText=M" + QByteArray::number(m) +
                   "\r\nSymbol=" + QByteArray::number(m + 100) + "\r\nEnabled=" + (m % 3 ? "true" : "false") + "\r\n";
        return ini;
    }
};

// Every button's and label's caption fits the width its control leaves for it.
void expectCaptionsFit(const QWidget& window) {
    int checked = 0;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QString caption = ui::captionOf(control);
        if (caption.isEmpty()) continue;
        ++checked;
        EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(caption), ui::captionWidth(control))
            << window.objectName().toStdString() << "." << control->objectName().toStdString() << " \""
            << caption.toStdString() << "\" at " << control->font().pointSizeF() << " pt";
        EXPECT_GE(control->font().pointSizeF(), 7.0) << control->objectName().toStdString();
    }
    EXPECT_GT(checked, 0);
}
} // namespace

// The defined size and places, the start-up's steps in their order, and the window connected.
TEST_F(MainWindowTest, StartsConnectedInTheDefinedSizeAfterItsStepsInOrder) {
    auto window = start("[General]\r\nLogDebug=true\r\nLogData=true\r\n");
    EXPECT_EQ(window->windowTitle(), "RozoRedizovClient");
    EXPECT_EQ(window->size(), QSize(792, 573));
    const std::pair<QWidget*, QRect> places[] = {
        {window->machineTile(0), QRect(0, 48, 264, 57)}, {window->machineTile(23), QRect(527, 447, 264, 57)},
        {window->groupTile(5), QRect(264, 24, 131, 24)}, {window->groupTile(11), QRect(659, 24, 132, 24)},
        {window->hScroll(), QRect(0, 504, 791, 24)},     {window->commandEnd(), QRect(691, 542, 100, 32)},
    };
    for (const auto& [control, place] : places)
        EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
    EXPECT_FALSE(window->hScroll()->hasTracking());
    EXPECT_FALSE(window->commandTab()->isVisible());
    EXPECT_FALSE(window->commandLang()->isVisible());
    QStringList expected;
    for (const char* step : {"Form_Load 1", "Form_Load 2", "Form_Load 3 0", "Form_Load 4", "Form_Load 5", "Form_Load 6",
                             "LineParameterZuweisen Start", "LineParameterZuweisen End", "GroupZuweisen Start",
                             "GroupZuweisen End", "Form_Load 7", "CommandStart_Click Start", "CommandStart_Click End"})
        expected << QStringLiteral("C Debug ") + step;
    EXPECT_EQ(logLines(logPath), expected);
    EXPECT_TRUE(station->Connected());
    EXPECT_EQ(window->commandStart()->text(), "Disconnect");
    EXPECT_FALSE(window->commandEdit()->isEnabled());
    for (int t = 0; t < 24; ++t) {
        EXPECT_EQ(window->machineTile(t)->displayMode(), DisplayMode::Operating);
        EXPECT_TRUE(window->machineTile(t)->online());
    }
}

// At start-up and after every scroll action each tile shows its slot or group, bound once.
TEST_F(MainWindowTest, TilesShowTheSlotsAndGroupsOfTheScrollPosition) {
    auto window = start(namedLayout());
    const auto expectShown = [&](int position) {
        EXPECT_EQ(window->ScrollPos(), position);
        for (int t = 0; t < 24; ++t) {
            const int m = position * 8 + t;
            EXPECT_EQ(window->machineTile(t)->machineName(), QStringLiteral("M%1").arg(m));
            EXPECT_EQ(window->machineTile(t)->machineEnabled(), m % 3 != 0);
            EXPECT_EQ(window->machineTile(t)->symbol(), m + 100);
            EXPECT_TRUE(window->machineTile(t)->online()); // connected
            EXPECT_EQ(window->machineTile(t)->fontName(), "Arial Unicode MS");
            EXPECT_EQ(window->machineTile(t)->lcId(), 1033);
        }
        for (int g = 0; g < 12; ++g)
            EXPECT_EQ(window->groupTile(g)->groupName(), QStringLiteral("G%1").arg(position * 4 + g));
    };
    expectShown(0);
    for (int position : {5, 2, 0, 3, 1, 4}) {
        SCOPED_TRACE(position);
        testutil::removeLog(logPath);
        window->hScroll()->setValue(position);
        EXPECT_EQ(logLines(logPath).count("C Debug HScroll_Change Start"), 1);
        expectShown(position);
    }
    window->CommandStart_Click(); // disconnect
    window->hScroll()->setValue(1);
    for (int t = 0; t < 24; ++t) EXPECT_FALSE(window->machineTile(t)->online());
}

// Edit mode (only while disconnected) switches every tile and the buttons; leaving it ends table
// mode too; the connect button switches every tile on and off.
TEST_F(MainWindowTest, EditTableAndConnectButtonsSwitchTheTiles) {
    auto window = start(namedLayout());
    window->CommandStart_Click(); // disconnect: edit mode is only possible then
    EXPECT_TRUE(window->commandEdit()->isEnabled());
    window->machineTile(4)->setStatus(3);
    const auto expectTiles = [&](DisplayMode mode) {
        for (int t = 0; t < 24; ++t) {
            EXPECT_EQ(window->machineTile(t)->displayMode(), mode);
            EXPECT_EQ(window->machineTile(t)->status(), 0); // kept until the next connect or line data
        }
        for (int g = 0; g < 12; ++g) EXPECT_EQ(window->groupTile(g)->displayMode(), mode);
    };
    window->CommandEdit_Click();
    EXPECT_TRUE(station->editMode());
    EXPECT_TRUE(window->commandEdit()->property("green").toBool());
    EXPECT_FALSE(window->commandTab()->isHidden());
    EXPECT_FALSE(window->commandLang()->isHidden());
    EXPECT_FALSE(window->commandStart()->isEnabled());
    expectTiles(DisplayMode::Edit);

    window->CommandTab_Click();
    EXPECT_TRUE(station->tableMode());
    EXPECT_TRUE(window->commandTab()->property("green").toBool());
    window->CommandEdit_Click();
    EXPECT_FALSE(station->editMode());
    EXPECT_FALSE(station->tableMode());
    EXPECT_FALSE(window->commandTab()->property("green").toBool());
    EXPECT_TRUE(window->commandTab()->isHidden());
    EXPECT_TRUE(window->commandStart()->isEnabled());
    expectTiles(DisplayMode::Operating);

    for (const char* caption : {"Disconnect", "Connect"}) {
        window->CommandStart_Click();
        EXPECT_EQ(window->commandStart()->text(), caption);
        for (int t = 0; t < 24; ++t) EXPECT_EQ(window->machineTile(t)->online(), station->Connected());
    }
}

// Closing the window, the termination and the End button: the shut-down runs once.
TEST_F(MainWindowTest, EveryShutDownPathRunsTheShutDownOnce) {
    auto window = start("[General]\r\nLogDebug=true\r\nLogSystem=true\r\n");
    testutil::removeLog(logPath);
    QCloseEvent close;
    QCoreApplication::sendEvent(window, &close);
    station->Form_Terminate();
    window->CommandEnd_Click();
    EXPECT_EQ(rig.ended, 1);
    const QStringList lines = logLines(logPath);
    EXPECT_EQ(lines.mid(0, 2), (QStringList{"C Debug Form_Unload Start", "C Debug CommandEnd_Click Start"}));
    EXPECT_EQ(lines.size(), 4);
    EXPECT_FALSE(station->connections().hasElement(5));
}

TEST(Captions, FitTheirControlsInTheMainWindowAndTheDialogs) {
    WindowRig rig;
    VelkoZuraVeradadClient& window = rig.start("[General]\r\nFontName=Arial\r\n");
    expectCaptionsFit(window);
    // The connect button fits both of its captions; the language button its whole caption.
    rig.station->CommandStart_Click();
    EXPECT_EQ(window.commandStart()->text(), "Connect");
    expectCaptionsFit(window);
    EXPECT_EQ(window.commandLang()->text(), "Input Language");

    EditierenLang dialog(rig.station->languages(), 1033, false, &window);
    expectCaptionsFit(dialog);
    EXPECT_EQ(dialog.commandCancel()->font().family(), ui::dialogFont().family());
    expectCaptionsFit(window.machineEditor());
    expectCaptionsFit(window.machineEditor().symbolPicker());
    expectCaptionsFit(window.groupEditor());
    expectCaptionsFit(window.groupTableEditor());
}
