// The main window: its size, start-up, tiles, buttons and shut-down; editing the line from it (tile
// clicks open the dialogs of the slot and group they show, confirmed edits reach the settings
// file, and the input language is chosen); and captions that fit in it and in its dialogs.
#include "display/MainWindow.h"
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/EditierenT.h"
#include "editors/SymbolAuswahl.h"
#include "editors/UnicodeTextBox.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"

#include "base/Settings.h"

#include "DialogAnswer.h"
#include "LogFiles.h"
#include "WindowRig.h"

#include <QCloseEvent>
#include <QCoreApplication>

using namespace base;
using namespace station;
using namespace display;
using namespace editors;
using namespace testutil;

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

// A window in edit mode (possible only while disconnected), scrolled to position 2: machine tile
// 5 shows slot 21, group tile 3 shows group 11.
struct EditingTest : ::testing::Test {
    WindowRig rig;
    VelkoZuraVeradadClient* window = nullptr;
    station::Station* station = nullptr;
    QString file() const { return rig.paths.settingsFile(); }
    void start(const QByteArray& ini, bool languages = false) {
        if (languages) QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), rig.dir.filePath("LANGUAGES.MDB"));
        window = &rig.start(ini);
        station = rig.station.get();
        station->CommandStart_Click();
        station->CommandEdit_Click();
        window->hScroll()->setValue(2);
    }
};
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

// The confirmed edit reaches the file and the tile: the name whole on the tile, in the workstation's
// code page in the file.
TEST_F(EditingTest, AMachineTileClickEditsTheSlotItShows) {
    start("; station\r\n[Ma21]\r\nText=Old\r\nEnabled=true\r\n");
    {
        Answer<Editieren> answer([](Editieren& d) {
            EXPECT_EQ(d.EditIndex, 21);
            d.textMachineName()->setUnicodeText(QStringLiteral("Füller Ω"));
            d.textComputerName()->setText("filler");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->machineTile(5), Qt::LeftButton);
    }
    EXPECT_TRUE(
        readBytes(file()).startsWith("; station\r\n[Ma21]\r\nText=F\xFCller ?\r\nEnabled=true\r\nAddress=filler\r\n"));
    EXPECT_EQ(window->machineTile(5)->machineName(), "Füller Ω");
}

// A group tile edits the group it shows, and in table mode opens the group table.
TEST_F(EditingTest, GroupTileClicksEditTheGroupTheyShowOrTheGroupTable) {
    start("[General]\r\nGroup3=Old\r\n");
    {
        Answer<EditierenGroup> answer([](EditierenGroup& d) {
            EXPECT_EQ(d.EditIndex, 11);
            d.textGroupName()->setUnicodeText("Palletising");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->groupTile(3), Qt::LeftButton);
    }
    EXPECT_EQ(window->groupTile(3)->groupName(), "Palletising");
    EXPECT_EQ(IniReadString("General", "Group11", file()), "Palletising");
    station->CommandTab_Click();
    {
        Answer<EditierenGroupT> answer([](EditierenGroupT& d) {
            d.textGroupName(8)->setUnicodeText("Sealing");
            d.commandOK()->click();
        });
        QTest::mouseClick(window->groupTile(0), Qt::LeftButton);
    }
    EXPECT_EQ(window->groupTile(0)->groupName(), "Sealing");
    EXPECT_EQ(IniReadString("General", "Group8", file()), "Sealing");
}

// A machine tile in table mode opens the machine table with the busy pointer, and the default one
// again whatever the answer; a confirmed table reaches the file and the tiles.
TEST_F(EditingTest, ATableTileClickShowsTheBusyPointerAndSavesTheTable) {
    start("[Ma2]\r\nText=Capper\r\nEnabled=true\r\n[Table]\r\nSize4=2000\r\n");
    window->hScroll()->setValue(0);
    station->CommandTab_Click();
    const QByteArray before = readBytes(file());
    Qt::CursorShape during = Qt::ArrowCursor;
    {
        Answer<EditierenT> answer([&](EditierenT& d) {
            during = window->cursor().shape();
            d.commandCancel()->click();
        });
        window->LineModul_Click(3);
    }
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(readBytes(file()), before);
    {
        Answer<EditierenT> answer([&](EditierenT& d) {
            d.textMachineName(5)->setUnicodeText("Labeller");
            d.checkEnabled(5)->click();
            d.commandOK()->click();
        });
        window->LineModul_Click(0);
    }
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window->machineTile(5)->machineName(), "Labeller");
    EXPECT_EQ(IniReadString("Ma5", "Text", file()), "Labeller");
    EXPECT_TRUE(IniReadBool("Ma5", "Enabled", file()));
    EXPECT_EQ(IniReadInt("Table", "Size4", file()), 2000);
}

TEST_F(EditingTest, ChoosingALanguageSavesItAndReappliesTheTiles) {
    start("[General]\r\nLogDebug=true\r\nLogSystem=true\r\nLcId=1033\r\nFontName=DejaVu Sans\r\n; kept\r\n", true);
    EXPECT_TRUE(logLines(rig.logPath()).contains("C Debug Form_Load 3 18")); // the sample's 18 languages
    bool topmost = true;
    {
        Answer<EditierenLang> answer([&](EditierenLang& d) {
            EXPECT_EQ(d.list()->currentRow(), 0); // English preselected
            topmost = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            d.list()->setCurrentRow(station->languages().find(1045) - 1);
            d.commandOK()->click();
        });
        window->CommandLang_Click();
    }
    EXPECT_FALSE(topmost);                                  // no Ostrel on this station
    EXPECT_EQ(IniReadInt("General", "LcId", file()), 1045); // what the choice stores is the station test's
    for (int t = 0; t < 24; ++t) EXPECT_EQ(window->machineTile(t)->lcId(), 1045);
    for (int g = 0; g < 12; ++g) EXPECT_EQ(window->groupTile(g)->lcId(), 1045);
    // Cancel changes nothing.
    writeBytes(file(), "[General]\r\nLcId=7\r\n");
    {
        Answer<EditierenLang> answer([](EditierenLang& d) { d.commandCancel()->click(); });
        window->CommandLang_Click();
    }
    EXPECT_EQ(readBytes(file()), "[General]\r\nLcId=7\r\n");
}
