#include "station/Station.h"

#include "editors/ModalDialog.h"

#include "base/Settings.h"
#include "platform/Os.h"

#include "FakeOs.h"
#include "StationRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace station;

using testutil::logLines;
using testutil::readBytes;
using testutil::writeBytes;

namespace {
// Records every call the station makes on its view, by name and argument.
struct RecordingStationView : StationView {
    QStringList calls;
    int languageAnswer = 0;
    void showConnectionState(int slot, ShownConnection s) override {
        calls << QStringLiteral("connection %1 %2").arg(slot).arg(int(s));
    }
    void showMachineData(int slot, const MachineRecord&, const MachineData& d) override {
        calls << QStringLiteral("data %1 %2").arg(slot).arg(d.Status);
    }
    void showGroupStatus(int group, int16_t s) override {
        if (s != 0) calls << QStringLiteral("group %1 %2").arg(group).arg(s);
    }
    void bindFirstSlots() override { calls << "bindFirstSlots"; }
    void applyLineParameters() override { calls << "applyLineParameters"; }
    void applyGroupParameters() override { calls << "applyGroupParameters"; }
    void setMachineDisplayMode(DisplayMode mode) override {
        calls << QStringLiteral("machineDisplayMode %1").arg(static_cast<int>(mode));
    }
    void setGroupDisplayMode(DisplayMode mode) override {
        calls << QStringLiteral("groupDisplayMode %1").arg(static_cast<int>(mode));
    }
    void lineSwitching(bool on) override { calls << QStringLiteral("lineSwitching %1").arg(on); }
    void lineSwitchedOff() override { calls << "lineSwitchedOff"; }
    void editModeChanged(bool on) override { calls << QStringLiteral("editMode %1").arg(on); }
    void tableModeChanged(bool on) override { calls << QStringLiteral("tableMode %1").arg(on); }
    void showMachineRecords() override { calls << "showMachineRecords"; }
    void showGroupNames() override { calls << "showGroupNames"; }
    int chooseLanguage() override {
        calls << "chooseLanguage";
        return languageAnswer;
    }
    DialogResult dialogAnswer = DialogResult::Cancelled;
    DialogResult editMachine(int slot) override {
        calls << QStringLiteral("editMachine %1").arg(slot);
        return dialogAnswer;
    }
    DialogResult editGroup(int group) override {
        calls << QStringLiteral("editGroup %1").arg(group);
        return dialogAnswer;
    }
    DialogResult editGroupTable() override {
        calls << "editGroupTable";
        return dialogAnswer;
    }
    DialogResult editMachineTable() override {
        calls << "editMachineTable";
        return dialogAnswer;
    }
    void setBusyPointer(bool busy) override { calls << QStringLiteral("busy %1").arg(busy); }
    QStringList take() { return std::exchange(calls, {}); }
};

const QByteArray Debugging = "[General]\r\nLogDebug=true\r\nLogSystem=true\r\nLogData=true\r\n";

// Hides the date and time of system lines, which differ between two runs.
QStringList withoutTimes(QStringList lines) {
    static const QRegularExpression stamp(QStringLiteral("^C System .*? # .*? # "));
    for (QString& line : lines) line.replace(stamp, QStringLiteral("C System # "));
    return lines;
}
} // namespace

TEST(Station, RunsHeadlessFromStartUpToShutDown) {
    StationRig rig;
    QByteArray ini = Debugging;
    ini += "Group2=Wrapping\r\n[Ma0]\r\nEnabled=true\r\nAddress=127.0.0.1\r\nGroup=2\r\n[Ma1]\r\nEnabled=true\r\n"
           "Address=127.0.0.1\r\n";
    Station& station = rig.start(ini, false);
    EXPECT_TRUE(station.Connected());
    EXPECT_TRUE(station.hub().switchedOn());
    EXPECT_EQ(station.hub().connState(0), ConnectionState::ConnectRequested);
    EXPECT_EQ(station.hub().connState(1), ConnectionState::NeverStarted); // shares slot 0's server
    EXPECT_EQ(station.layout().groupName(2), "Wrapping");
    EXPECT_TRUE(station.connections().hasElement(63));
    const QStringList lines = logLines(rig.logPath());
    EXPECT_EQ(lines.first(), "C Debug Form_Load 1");
    EXPECT_TRUE(lines.contains("C Debug Form_Load 7"));
    EXPECT_TRUE(lines.last().endsWith("C Debug CommandStart_Click End"));

    // The refused connect arrives as an error: status 5 stays, the retry timer runs.
    ASSERT_TRUE(testutil::waitFor([&] { return station.hub().connState(0) == ConnectionState::Closed; }));
    EXPECT_EQ(station.layout().MachineDataNow[1].Status, machine_status::Disconnected);

    station.Form_Terminate();
    station.CommandEnd_Click();
    EXPECT_EQ(rig.ended, 1);
    EXPECT_FALSE(station.connections().hasElement(1));
    // Every line is in the file when the process ends: the shut-down wrote the last batch.
    const QStringList atEnd = QString::fromLatin1(rig.logAtEnd).split("\r\n", Qt::SkipEmptyParts);
    const QStringList end = atEnd.mid(atEnd.indexOf("C Debug Form_Terminate Start"));
    ASSERT_EQ(end.size(), 4);
    EXPECT_TRUE(end[2].endsWith(" # End - Close all Server"));
    EXPECT_EQ(end[3], "C Debug CommandEnd_Click End");
}

TEST(Station, HeadlessAndWindowedRunsWriteTheSameLog) {
    QByteArray ini = Debugging;
    for (int m = 0; m < 64; m += 5)
        ini += "[Ma" + QByteArray::number(m) + "]\r\nEnabled=true\r\nAddress=127.0.8." + QByteArray::number(m % 3 + 1) +
               "\r\n";
    // The windowed program's dialogs are cancelled, as the headless view's are.
    editors::ModalDialog::setAnswer([](editors::ModalDialog& d) { d.reject(); });
    const auto run = [&](bool withWindow) {
        StationRig rig;
        Station& station = rig.start(ini, withWindow);
        station.CommandStart_Click(); // disconnect
        station.CommandEdit_Click();
        station.LineModul_Click(9);
        station.GroupModul_Click(30);
        station.CommandTab_Click();
        station.LineModul_Click(9);
        station.GroupModul_Click(30);
        station.CommandEdit_Click();
        station.CommandStart_Click(); // connect again
        station.Form_Unload();
        EXPECT_EQ(rig.ended, 1);
        return withoutTimes(logLines(rig.logPath()));
    };
    const QStringList headless = run(false);
    const QStringList windowed = run(true);
    editors::ModalDialog::setAnswer({});
    EXPECT_GT(headless.size(), 100);
    EXPECT_EQ(headless, windowed);
}

TEST(Station, TellsItsViewOfEveryChange) {
    StationRig rig;
    writeBytes(rig.paths.settingsFile(), "[Ma4]\r\nEnabled=true\r\nAddress=127.0.8.4\r\nGroup=1\r\n");
    Station station(rig.paths, rig.options());
    RecordingStationView view;
    station.setView(&view);
    station.Form_Load();
    const QStringList startUp = view.take();
    EXPECT_EQ(startUp.mid(0, 5), (QStringList{"bindFirstSlots", "applyLineParameters", "machineDisplayMode 1",
                                              "applyGroupParameters", "groupDisplayMode 1"}));
    EXPECT_TRUE(startUp.contains("tableMode 0"));
    EXPECT_LT(startUp.indexOf("lineSwitching 1"), startUp.indexOf("connection 4 1"));

    // A report for slot 4 reaches the view by slot, and its group by number.
    station.hub().TcpClient_Connect(4);
    view.take();
    station.hub().TextAuswerten(4, u"$$HierMaschinenDaten$$Status4=4;Text4=Jam;CodePage4=1252;LcId4=1033;");
    EXPECT_EQ(view.take(), (QStringList{"data 4 4", "group 1 4"}));

    station.CommandStart_Click();
    const QStringList off = view.take();
    EXPECT_EQ(off.first(), "tableMode 0");
    EXPECT_EQ(off[1], "lineSwitching 0");
    EXPECT_EQ(off.last(), "lineSwitchedOff");
    EXPECT_TRUE(off.contains("data 4 0")); // switched off before the connections close: status 0, not 5

    station.CommandEdit_Click();
    station.CommandTab_Click();
    station.CommandEdit_Click();
    EXPECT_EQ(view.take(), (QStringList{"editMode 1", "tableMode 1", "editMode 0"}));
    EXPECT_FALSE(station.tableMode());

    // A machine tile in table mode: the busy pointer before the table opens and again after it
    // closed, everything saved only after OK, the default pointer in every case.
    station.CommandEdit_Click();
    station.CommandTab_Click();
    view.take();
    view.dialogAnswer = DialogResult::Cancelled;
    const QByteArray settingsBefore = testutil::readBytes(rig.paths.settingsFile());
    station.LineModul_Click(5);
    EXPECT_EQ(view.take(), (QStringList{"busy 1", "editMachineTable", "busy 1", "busy 0"}));
    EXPECT_EQ(testutil::readBytes(rig.paths.settingsFile()), settingsBefore);
    view.dialogAnswer = DialogResult::ConfirmedChanged;
    station.LineModul_Click(5);
    EXPECT_EQ(view.take(), (QStringList{"busy 1", "editMachineTable", "busy 1", "showMachineRecords", "busy 0"}));
    EXPECT_TRUE(testutil::readBytes(rig.paths.settingsFile()).contains("[Ma63]\r\nText=\r\n"));
    EXPECT_TRUE(testutil::readBytes(rig.paths.settingsFile()).contains("[Table]\r\nSize0=1200\r\n"));
    view.dialogAnswer = DialogResult::Cancelled;
    station.CommandEdit_Click();
    view.take();

    view.languageAnswer = 0;
    station.CommandLang_Click();
    EXPECT_EQ(view.take(), QStringList{"chooseLanguage"});
    station.saveMachine(4);
    station.saveAllMachines();
    station.saveGroupNames();
    EXPECT_EQ(view.take(), (QStringList{"showMachineRecords", "showMachineRecords", "showGroupNames"}));
    station.setView(nullptr);
}

TEST(Station, EachPersistingEditWritesItsKeysInOrder) {
    StationRig rig;
    Station& station = rig.start("; hand-written\r\n[General]\r\nLcId=1033\r\n", false);
    const QString file = rig.paths.settingsFile();
    LineLayout& layout = station.layout();

    MachineRecord& m = layout.Machines[7];
    m.Text = "Filler";
    m.Address = "10.0.0.7";
    m.Enabled = true;
    m.Group = 3;
    ASSERT_TRUE(station.saveMachine(7));
    EXPECT_EQ(readBytes(file), "; hand-written\r\n[General]\r\nLcId=1033\r\n"
                               "[Ma7]\r\nText=Filler\r\nAddress=10.0.0.7\r\nMachine=1\r\nRemoteControl=false\r\n"
                               "Symbol=-1\r\nStatusPLC=false\r\nEnabled=true\r\nGroup=3\r\nVisuGroup1=-1\r\n"
                               "VisuGroup2=-1\r\nVisuGroup3=-1\r\nVisuGroup4=-1\r\nVisuGroup5=-1\r\nVisuGroup6=-1\r\n");

    layout.setGroupName(0, "Infeed");
    ASSERT_TRUE(station.saveGroupNames());
    QByteArray groups;
    for (int g = 0; g < 32; ++g) groups += "Group" + QByteArray::number(g) + "=" + (g == 0 ? "Infeed" : "") + "\r\n";
    EXPECT_TRUE(readBytes(file).startsWith("; hand-written\r\n[General]\r\nLcId=1033\r\n" + groups + "[Ma7]\r\n"));

    // All machines and the column widths: one replacement of the file, the same bytes as the keys
    // written one by one.
    layout.TableSize[3] = 999;
    layout.TableSize[14] = 5;
    const QByteArray before = readBytes(file);
    FakeOs fake;
    {
        platform::ScopedOs scoped(fake);
        ASSERT_TRUE(station.saveAllMachines());
    }
    EXPECT_EQ(fake.calls.count("replaceFile"), 1);
    EXPECT_EQ(layout.TableSize[14], 10000);
    const QString oneByOne = rig.dir.filePath("one-by-one.ini");
    writeBytes(oneByOne, before);
    saveAllMachinesKeyByKey(layout, oneByOne);
    EXPECT_EQ(readBytes(file), readBytes(oneByOne));
    EXPECT_TRUE(readBytes(file).contains("[Table]\r\nSize0=1200\r\nSize1=1875\r\nSize2=2400\r\nSize3=999\r\n"));

    // A write that fails leaves the file and keeps the value in memory.
    layout.Machines[7].Text = "Capper";
    {
        platform::ScopedOs scoped(fake);
        fake.failWrites = true;
        EXPECT_FALSE(station.saveMachine(7));
    }
    EXPECT_EQ(readBytes(file), readBytes(oneByOne));
    EXPECT_EQ(layout.Machines[7].Text, "Capper");
}

TEST(Station, DesktopCallsGoThroughTheOperatingSystemSeam) {
    FakeOs fake;
    platform::ScopedOs scoped(fake);
    fake.window = 77;
    StationRig rig;
    // A program directory below a visualisation installation: <root>/tramis/bin/client.
    const QString program = rig.dir.filePath("tramis/bin/client");
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(QDir().mkpath(rig.dir.filePath("tramis/Parameter")));
    writeBytes(rig.dir.filePath("tramis/Parameter/Program.ini"), "[Project]\r\nROZovudo=true\r\n");
    rig.paths = ProgramPaths(program, QStringLiteral("Client"));
    QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), program + "/Languages.mdb");
    Station& station = rig.start("[General]\r\nLcId=1031\r\n", false);
    EXPECT_EQ(station.visuWindowTitle(), "DCWindow");
    EXPECT_TRUE(station.watchingVisualisation());
    EXPECT_EQ(fake.calls.mid(0, 3), (QStringList{"currentGroup", "activate 4070407", "findWindow DCWindow"}));

    // The watch ends the program once the window is gone, restoring the keyboard group first.
    fake.calls.clear();
    fake.window = 0;
    station.TimerWebBrowser_Timer();
    EXPECT_EQ(fake.calls, (QStringList{"findWindow DCWindow", "restore 2"}));
    EXPECT_FALSE(station.watchingVisualisation());
    EXPECT_EQ(rig.ended, 1);
}

TEST(Station, NeitherAFifoLogNorAFifoSettingsFileBlocksTheThread) {
    // A log streamed into a collector: a FIFO that nobody reads yet.
    StationRig rig;
    const QString fifo = rig.dir.filePath("collector");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Station& station = rig.start("[General]\r\nLogSystem=true\r\nLogDebug=true\r\nLogFileName=collector\r\n", false);
    EXPECT_TRUE(station.Connected());
    station.log().flush(); // the start-up's lines: nobody read them

    // Once a reader is there, the lines reach it.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    station.CommandEdit_Click();
    station.log().flush();
    char buffer[256] = {};
    const ssize_t n = ::read(reader, buffer, sizeof(buffer) - 1);
    ::close(reader);
    EXPECT_EQ(QByteArray(buffer, std::max<ssize_t>(n, 0)),
              "C Debug CommandEdit_Click Start\r\nC Debug CommandEdit_Click End\r\n");

    // The settings file itself a FIFO: read as missing, never replaced.
    StationRig second;
    ASSERT_EQ(::mkfifo(QFile::encodeName(second.paths.settingsFile()).constData(), 0600), 0);
    second.station = std::make_unique<Station>(second.paths, second.options());
    second.station->Form_Load();
    EXPECT_TRUE(second.station->Connected());
    second.station->layout().setGroupName(0, "x");
    EXPECT_FALSE(second.station->saveGroupNames());
    EXPECT_TRUE(QFileInfo(second.paths.settingsFile()).exists());
    EXPECT_FALSE(QFileInfo(second.paths.settingsFile()).isFile());
}

// Runs twice: under the suite's C locale (code page 1252) and as a Cyrillic station (LANG=ru_RU).
TEST(Station, ANameIsStoredInTheWorkstationCodePage) {
    const QString name = QStringLiteral("Упаковщик 2");
    StationRig rig;
    Station& station = rig.start("", false);
    station.layout().Machines[5].Text = name;
    ASSERT_TRUE(station.saveMachine(5));
    LineLayout restarted;
    restarted.loadMachines(rig.paths.settingsFile());
    if (AnsiCodec::workstation().codePage() == 1251) {
        EXPECT_EQ(restarted.Machines[5].Text, name);
        EXPECT_TRUE(readBytes(rig.paths.settingsFile()).contains("Text=\xD3\xEF\xE0\xEA\xEE\xE2\xF9\xE8\xEA 2\r\n"));
    } else {
        EXPECT_EQ(restarted.Machines[5].Text, "????????? 2");
    }
    EXPECT_EQ(station.layout().Machines[5].Text, name); // memory keeps the whole name
}
