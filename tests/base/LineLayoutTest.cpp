#include "base/LineLayout.h"
#include "base/GeneralSettings.h"
#include "base/ProgramPaths.h"
#include "base/Settings.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

using namespace base;

using testutil::readBytes;
using testutil::writeBytes;

namespace {
class LayoutTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProgramPaths paths{dir.path(), QStringLiteral("Client")};
    QString file = paths.settingsFile();
    LineLayout layout;
};
} // namespace

TEST_F(LayoutTest, EmptyFileGivesDisabledSlotsWithDefaults) {
    layout.loadMachines(file);
    layout.loadGroupNames(file);
    layout.loadTableSize(file);
    for (const MachineRecord& m : layout.Machines) {
        EXPECT_FALSE(m.Enabled);
        EXPECT_EQ(m.Machine, 1);
        EXPECT_EQ(m.Symbol, -1);
        EXPECT_EQ(m.Group, -1);
        for (int16_t v : m.VisuGroup) EXPECT_EQ(v, -1);
    }
    EXPECT_EQ(layout.TableSize, LineLayout::DefaultTableSize);
}

TEST_F(LayoutTest, LoadAppliesTheBounds) {
    writeBytes(file,
               "[Ma0]\r\nMachine=0\r\nVisuGroup1=32\r\nVisuGroup2=-1\r\nVisuGroup3=31\r\nVisuGroup4=-2\r\n"
               "Enabled=TRUE\r\nSymbol=-7\r\nGroup=99\r\n[Ma1]\r\nMachine=11\r\nEnabled=True\r\n"
               "[Ma2]\r\nMachine=10\r\nEnabled=1\r\n[Ma63]\r\nText=Last\r\nAddress=10.0.0.9\r\nRemoteControl=true\r\n"
               "StatusPLC=TRUE\r\n[General]\r\nGroup0=Filling\r\nGroup31=End\r\n[Table]\r\nSize0=0\r\nSize13=-1\r\n"
               "Size14=5\r\nSize5=3000\r\n");
    layout.loadMachines(file);
    layout.loadGroupNames(file);
    layout.loadTableSize(file);
    const MachineRecord& m0 = layout.Machines[0];
    EXPECT_EQ(m0.Machine, 1);
    EXPECT_EQ((std::array<int16_t, 6>{-1, -1, 31, -1, -1, -1}), m0.VisuGroup);
    EXPECT_TRUE(m0.Enabled);
    EXPECT_EQ(m0.Symbol, -7); // no bounds on symbols and groups
    EXPECT_EQ(m0.Group, 99);
    EXPECT_EQ(layout.Machines[1].Machine, 1);
    EXPECT_TRUE(layout.Machines[1].Enabled);
    EXPECT_EQ(layout.Machines[2].Machine, 10);
    EXPECT_FALSE(layout.Machines[2].Enabled);
    EXPECT_EQ(layout.Machines[63].Text, "Last");
    EXPECT_TRUE(layout.Machines[63].RemoteControl);
    EXPECT_TRUE(layout.Machines[63].StatusPLC);
    EXPECT_EQ(layout.groupName(0), "Filling");
    EXPECT_EQ(layout.groupName(31), "End");
    EXPECT_EQ(layout.GroupNames[1], "Filling");
    EXPECT_EQ(layout.TableSize[0], 0);
    EXPECT_EQ(layout.TableSize[4], 1630);
    EXPECT_EQ(layout.TableSize[5], 3000);
    EXPECT_EQ(layout.TableSize[13], 1800);
    EXPECT_EQ(layout.TableSize[14], 10000);
}

TEST_F(LayoutTest, SameAddressFollowsTheEarlierEnabledSlot) {
    layout.Machines[3] = {};
    layout.Machines[3].Enabled = true;
    layout.Machines[3].Address = "Packer-1";
    layout.Machines[7].Address = "PACKER-1";
    layout.Machines[9].Address = "packer-1";
    layout.Machines[9].Enabled = true;
    layout.Machines[7].SameAddress = false;
    layout.markSameAddress();
    EXPECT_FALSE(layout.Machines[3].SameAddress);
    EXPECT_TRUE(layout.Machines[7].SameAddress); // its own Enabled plays no part
    EXPECT_TRUE(layout.Machines[9].SameAddress);
    EXPECT_TRUE(layout.ownsConnection(3));
    EXPECT_FALSE(layout.ownsConnection(9));
    layout.Machines[3].Enabled = false;
    layout.markSameAddress();
    EXPECT_FALSE(layout.Machines[7].SameAddress);
    EXPECT_FALSE(layout.Machines[9].SameAddress);
    EXPECT_TRUE(layout.ownsConnection(9));
}

TEST(DisplayState, RanksFollowTheTable) {
    const int16_t expected[] = {1, 1, 3, 4, 5, 6, 2};
    for (int16_t s = 0; s <= 6; ++s) EXPECT_EQ(displayStateFor(s, 0), expected[s]);
    EXPECT_EQ(displayStateFor(9, 4), 4);
    EXPECT_EQ(displayStateFor(-1, 3), 3);
}

TEST_F(LayoutTest, SaveWritesKeysInOrderAndRoundTrips) {
    MachineRecord& m = layout.Machines[5];
    m.Text = "Füller";
    m.Address = "10.1.2.3";
    m.Machine = 4;
    m.RemoteControl = true;
    m.Symbol = 12;
    m.StatusPLC = false;
    m.Enabled = true;
    m.Group = 2;
    m.VisuGroup = {0, 1, 2, 3, 4, -1};
    ASSERT_TRUE(layout.saveMachine(5, file));
    EXPECT_EQ(readBytes(file),
              QByteArray("[Ma5]\r\nText=F\xFCller\r\nAddress=10.1.2.3\r\nMachine=4\r\nRemoteControl=true\r\n"
                         "Symbol=12\r\nStatusPLC=false\r\nEnabled=true\r\nGroup=2\r\nVisuGroup1=0\r\n"
                         "VisuGroup2=1\r\nVisuGroup3=2\r\nVisuGroup4=3\r\nVisuGroup5=4\r\nVisuGroup6=-1\r\n"));
    layout.setGroupName(3, "Palletising");
    layout.TableSize[2] = 777;
    layout.TableSize[14] = 1;
    ASSERT_TRUE(layout.saveAllMachines(file));
    ASSERT_TRUE(layout.saveGroupNames(file));
    EXPECT_EQ(layout.TableSize[14], 10000);
    EXPECT_EQ(IniReadString("Ma63", "VisuGroup6", file), "-1");
    EXPECT_EQ(IniReadString("Table", "Size13", file), "1800");
    EXPECT_EQ(IniReadString("Table", "Size14", file), "");

    LineLayout loaded;
    loaded.loadMachines(file);
    loaded.loadGroupNames(file);
    loaded.loadTableSize(file);
    for (int i = 0; i < MachineSlots; ++i) EXPECT_EQ(loaded.Machines[i], layout.Machines[i]) << i;
    EXPECT_EQ(loaded.GroupNames, layout.GroupNames);
    EXPECT_EQ(loaded.TableSize, layout.TableSize);
}

TEST_F(LayoutTest, GeneralSettingsDefaultsAndBounds) {
    writeBytes(file, "[General]\r\nLogFileSize=5\r\nCodePage=1251\r\nLogSystem=true\r\n");
    GeneralSettings settings;
    readLanguageSettings(paths, settings);
    EXPECT_EQ(settings.lcId, 1033);
    EXPECT_EQ(settings.codePage, 1252); // no LcId: the code page read is overruled
    EXPECT_EQ(settings.fontName, "Arial Unicode MS");
    LogSwitches log = readLogSwitches(paths);
    EXPECT_TRUE(log.system);
    EXPECT_FALSE(log.data);
    EXPECT_EQ(log.fileSizeKiB, 100);
    EXPECT_EQ(log.fileName, dir.path() + "/DizaVizaru.txt");

    writeBytes(file, "[General]\r\nLogFileSize=2000\r\nLcId=1049\r\nCodePage=1251\r\nFontName=Tahoma\r\n"
                     "LogFileName=C:\\Logs\\x.txt\r\n");
    readLanguageSettings(paths, settings);
    EXPECT_EQ(settings.lcId, 1049);
    EXPECT_EQ(settings.codePage, 1251);
    EXPECT_EQ(settings.fontName, "Tahoma");
    log = readLogSwitches(paths);
    EXPECT_EQ(log.fileSizeKiB, 2000);
    EXPECT_EQ(log.fileName, dir.path() + "/C:\\Logs\\x.txt"); // not absolute here
    writeBytes(file, "[General]\r\nLogFileSize=2001\r\nLogFileName=/var/tmp/a.log\r\n");
    log = readLogSwitches(paths);
    EXPECT_EQ(log.fileSizeKiB, 100);
    EXPECT_EQ(log.fileName, "/var/tmp/a.log");
}
