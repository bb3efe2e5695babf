// Editing the line from the main window: tile clicks open the dialogs of the slot and group they
// show, confirmed edits reach the settings file, and the input language is chosen.
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/EditierenT.h"
#include "editors/UnicodeTextBox.h"

#include "base/Settings.h"

#include "DialogAnswer.h"
#include "LogFiles.h"
#include "WindowRig.h"

using namespace base;
using namespace editors;
using namespace display;
using namespace testutil;

namespace {
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
