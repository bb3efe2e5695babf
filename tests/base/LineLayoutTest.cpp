#include "base/LineLayout.h"
#include "base/GeneralSettings.h"
#include "base/ProgramPaths.h"
#include "base/Settings.h"

#include "FakeOs.h"
#include "TestUtil.h"

using namespace base;
using namespace testutil;

namespace {
class LayoutTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProgramPaths paths{dir.path(), QStringLiteral("Client")};
    QString file = paths.settingsFile();
    LineLayout layout;
    void loadAll(LineLayout& into) {
        into.loadMachines(file);
        into.loadGroupNames(file);
        into.loadTableSize(file);
    }
};
} // namespace

// Every machine key with the bounds a load applies: each case in a slot of its own.
TEST_F(LayoutTest, LoadAppliesTheBoundsOfEveryKey) {
    struct Case {
        const char* key;
        const char* value;
        int (*field)(const MachineRecord&);
        int expected;
    };
    const auto machine = [](const MachineRecord& m) -> int { return m.Machine; };
    const auto visu = [](const MachineRecord& m) -> int {
        for (int16_t v : m.VisuGroup)
            if (v != -1) return v;
        return -1;
    };
    const auto symbol = [](const MachineRecord& m) -> int { return m.Symbol; };
    const auto group = [](const MachineRecord& m) -> int { return m.Group; };
    const auto enabled = [](const MachineRecord& m) -> int { return m.Enabled; };
    const auto remote = [](const MachineRecord& m) -> int { return m.RemoteControl; };
    const auto plc = [](const MachineRecord& m) -> int { return m.StatusPLC; };
    const Case cases[] = {
        {"Machine", "0", machine, 1},         {"Machine", "1", machine, 1},    {"Machine", "10", machine, 10},
        {"Machine", "11", machine, 1},        {"VisuGroup1", "-2", visu, -1},  {"VisuGroup2", "0", visu, 0},
        {"VisuGroup3", "31", visu, 31},       {"VisuGroup6", "32", visu, -1},  {"Symbol", "-7", symbol, -7},
        {"Group", "99", group, 99},           {"Enabled", "TRUE", enabled, 1}, {"Enabled", "1", enabled, 0},
        {"RemoteControl", "true", remote, 1}, {"StatusPLC", "True", plc, 1},
    };
    QByteArray ini = "[General]\r\nGroup0=Filling\r\nGroup31=End\r\n[Table]\r\nSize0=0\r\nSize13=-1\r\nSize14=5\r\n"
                     "Size5=3000\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        ini += QByteArray("[Ma") + QByteArray::number(int(i)) + "]\r\n" + cases[i].key + "=" + cases[i].value + "\r\n";
    ini += "[Ma62]\r\nText=Last\r\nAddress=10.0.0.9\r\n";
    writeBytes(file, ini);
    loadAll(layout);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].field(layout.Machines[i]), cases[i].expected) << cases[i].key << "=" << cases[i].value;
    EXPECT_EQ(layout.Machines[62].Text, "Last");
    EXPECT_EQ(layout.Machines[62].Address, "10.0.0.9");
    EXPECT_EQ(layout.Machines[63], MachineRecord()); // no section: every default
    EXPECT_EQ(layout.groupName(0), "Filling");
    EXPECT_EQ(layout.GroupNames[1], "Filling");
    EXPECT_EQ(layout.groupName(31), "End");
    // A width of 0 is kept, a negative or missing one is the default, the last one is fixed.
    std::array<int16_t, TableSizePositions> widths = LineLayout::DefaultTableSize;
    widths[0] = 0;
    widths[5] = 3000;
    EXPECT_EQ(layout.TableSize, widths);
}

TEST(DisplayState, RanksFollowTheTable) {
    const int16_t expected[] = {1, 1, 3, 4, 5, 6, 2};
    for (int16_t s = 0; s <= 6; ++s) EXPECT_EQ(displayStateFor(s, 0), expected[s]) << s;
    EXPECT_EQ(displayStateFor(7, 4), 4); // any other status keeps the rank it had
    EXPECT_EQ(displayStateFor(-1, 3), 3);
}

TEST_F(LayoutTest, SameAddressFollowsTheEarlierEnabledSlot) {
    layout.Machines[3].Enabled = true;
    layout.Machines[3].Address = "Packer-1";
    layout.Machines[7].Address = "PACKER-1";
    layout.Machines[9].Address = "packer-1";
    layout.Machines[9].Enabled = true;
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

TEST_F(LayoutTest, SaveWritesKeysInOrderAndRoundTrips) {
    MachineRecord& m = layout.Machines[5];
    m.Text = "Füller";
    m.Address = "10.1.2.3";
    m.Machine = 4;
    m.RemoteControl = true;
    m.Symbol = 12;
    m.Enabled = true;
    m.Group = 2;
    m.VisuGroup = {0, 1, 2, 3, 4, -1};
    ASSERT_TRUE(layout.saveMachine(5, file));
    EXPECT_EQ(readBytes(file),
              QByteArray("[Ma5]\r\nText=F\xFCller\r\nAddress=10.1.2.3\r\nMachine=4\r\nRemoteControl=true\r\n"
                         "Symbol=12\r\nStatusPLC=false\r\nEnabled=true\r\nGroup=2\r\nVisuGroup1=0\r\n"
                         "VisuGroup2=1\r\nVisuGroup3=2\r\nVisuGroup4=3\r\nVisuGroup5=4\r\nVisuGroup6=-1\r\n"));
    // The group names after what [General] holds, in their order.
    layout.setGroupName(3, "Palletising");
    const QString groups = dir.filePath("groups.ini");
    writeBytes(groups, "; hand-written\r\n[General]\r\nLcId=1033\r\n");
    ASSERT_TRUE(layout.saveGroupNames(groups));
    QByteArray names = "; hand-written\r\n[General]\r\nLcId=1033\r\n";
    for (int g = 0; g < 32; ++g)
        names += "Group" + QByteArray::number(g) + "=" + (g == 3 ? "Palletising" : "") + "\r\n";
    EXPECT_EQ(readBytes(groups), names);
    // All machines and the column widths: one replacement of the file.
    layout.TableSize[2] = 777;
    layout.TableSize[14] = 1;
    FakeOs fake;
    {
        platform::ScopedOs scoped(fake);
        ASSERT_TRUE(layout.saveAllMachines(file));
    }
    EXPECT_EQ(fake.calls, QStringList{"replaceFile"});
    ASSERT_TRUE(layout.saveGroupNames(file));
    EXPECT_EQ(layout.TableSize[14], 10000);
    EXPECT_TRUE(readBytes(file).contains("[Table]\r\nSize0=1200\r\nSize1=1875\r\nSize2=777\r\n"));
    EXPECT_EQ(IniReadString("Table", "Size14", file), ""); // the fixed position is not stored

    LineLayout loaded;
    loadAll(loaded);
    for (int i = 0; i < MachineSlots; ++i) EXPECT_EQ(loaded.Machines[i], layout.Machines[i]) << i;
    EXPECT_EQ(loaded.GroupNames, layout.GroupNames);
    EXPECT_EQ(loaded.TableSize, layout.TableSize);
}

// The general settings' keys with their defaults and bounds.
TEST_F(LayoutTest, GeneralSettingsDefaultsAndBounds) {
    struct Case {
        const char* ini;
        int lcId, codePage;
        const char* fontName;
        int sizeKiB;
        QString logFile;
    };
    const QString inDir = dir.path() + "/DizaVizaru.txt";
    const Case cases[] = {
        // No LcId: the code page read is overruled.
        {"CodePage=1251\r\nLogFileSize=5", 1033, 1252, "Arial Unicode MS", 100, inDir},
        {"LcId=1049\r\nCodePage=1251\r\nFontName=Tahoma\r\nLogFileSize=2000", 1049, 1251, "Tahoma", 2000, inDir},
        {"LcId=1\r\nCodePage=874\r\nLogFileSize=10", 1, 874, "Arial Unicode MS", 10, inDir},
        {"LcId=0\r\nCodePage=874\r\nLogFileSize=9", 1033, 1252, "Arial Unicode MS", 100, inDir},
        {"LogFileSize=2001\r\nLogFileName=/var/tmp/a.log", 1033, 1252, "Arial Unicode MS", 100, "/var/tmp/a.log"},
        {"LogFileName=C:\\Logs\\x.txt", 1033, 1252, "Arial Unicode MS", 100, dir.path() + "/C:\\Logs\\x.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        writeBytes(file, QByteArray("[General]\r\n") + c.ini + "\r\n");
        GeneralSettings settings;
        readLanguageSettings(paths, settings);
        EXPECT_EQ(settings.lcId, c.lcId);
        EXPECT_EQ(settings.codePage, c.codePage);
        EXPECT_EQ(settings.fontName, c.fontName);
        const LogSwitches log = readLogSwitches(paths);
        EXPECT_EQ(log.fileSizeKiB, c.sizeKiB);
        EXPECT_EQ(log.fileName, c.logFile);
    }
    writeBytes(file, "[General]\r\nLogSystem=true\r\nLogDebug=TRUE\r\n");
    const LogSwitches log = readLogSwitches(paths);
    EXPECT_TRUE(log.system && log.debug);
    EXPECT_FALSE(log.data);
}
