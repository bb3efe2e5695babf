// The station without a window: start-up to shut-down, what it tells its view, its history rows,
// tile clicks per mode, the desktop calls, the code page of names, one copy per folder; and faults
// from outside, as a table: what the settings file may turn into while the station runs, and what
// must hold for each.
#include "station/Station.h"
#include "station/SingleInstance.h"

#include "base/Settings.h"
#include "log/Log.h"
#include "platform/Os.h"

#include "FakeOs.h"
#include "LogFiles.h"
#include "StationRig.h"
#include "StoreRig.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace station;
using namespace testutil;

namespace {
const QByteArray Debugging = "[General]\r\nLogDebug=true\r\nLogSystem=true\r\nLogData=true\r\n";
} // namespace

TEST(Station, RunsHeadlessFromStartUpToShutDown) {
    StationRig rig;
    Station& station = rig.start(Debugging + "[Ma0]\r\nEnabled=true\r\nAddress=127.0.0.1\r\n[Ma1]\r\nEnabled=true\r\n"
                                             "Address=127.0.0.1\r\n");
    EXPECT_TRUE(station.Connected());
    EXPECT_EQ(station.hub().connState(1), ConnectionState::NeverStarted); // shares slot 0's server
    EXPECT_TRUE(station.connections().hasElement(63));
    // The refused connect arrives as an error: status 5 stays, the retry timer runs.
    ASSERT_TRUE(testutil::waitFor([&] { return station.hub().connState(0) == ConnectionState::Closed; }));
    EXPECT_EQ(station.layout().MachineDataNow[1].Status, machine_status::Disconnected);
    station.Form_Terminate();
    station.CommandEnd_Click(); // a second shut-down does nothing
    EXPECT_EQ(rig.ended, 1);
    EXPECT_FALSE(station.connections().hasElement(1));
    // Every line is in the file when the process ends: the shut-down wrote the last batch.
    const QStringList atEnd = QString::fromLatin1(rig.logAtEnd).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_GE(atEnd.size(), 2);
    EXPECT_TRUE(atEnd[atEnd.size() - 2].endsWith(" # End - Close all Server"));
    EXPECT_EQ(atEnd.last(), "C Debug CommandEnd_Click End");
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

    view.languageAnswer = 0;
    station.CommandLang_Click();
    EXPECT_EQ(view.take(), QStringList{"chooseLanguage"});
    station.setView(nullptr);
}

// The history hears of the hub's changes in their order: each connection state shown with the
// status it set, each report that changed a status (starting where the one before ended) or only
// the text; the same report again and a report for a slot that is not enabled are no rows. The
// refused connect comes last, from the event loop.
TEST(Station, TheHistoryHasARowForEveryChangeOfAnEnabledSlot) {
    StationRig rig;
    Station& station =
        rig.start("[Ma4]\r\nText=Filler\r\nEnabled=true\r\nAddress=127.0.8.4\r\n[Ma5]\r\nText=Spare\r\n");
    station.hub().TcpClient_Connect(4);
    for (const char* report : {"Status4=4;Text4=Jam", "Status4=4;Text4=Jam", "Status4=1;Text4=Run",
                               "Status4=1;Text4=Running", "Status5=4;Text5=Jam"})
        station.hub().TextAuswerten(4,
                                    QStringLiteral("$$HierMaschinenDaten$$%1;CodePage4=1252;LcId4=1033;CodePage5=1252;"
                                                   "LcId5=1033;")
                                        .arg(QLatin1String(report)));
    store::Store& store = *station.history().store();
    QStringList rows;
    ASSERT_TRUE(testutil::waitFor([&] {
        rows.clear();
        for (const store::Row& r : testutil::rowsOf(store, 4))
            rows << QString::asprintf("%s %d>%d %s", store::kindName(r.event.kind), r.event.oldStatus,
                                      r.event.newStatus, qPrintable(r.event.text + r.event.detail));
        return rows.size() >= 6;
    }));
    EXPECT_EQ(rows, (QStringList{"connection 5>5 waiting", "connection 5>5 connected", "status 5>4 Jam",
                                 "status 4>1 Run", "status 1>1 Running", "connection 1>5 not connected"}));
    EXPECT_TRUE(testutil::rowsOf(store, 5).empty());
}

// A tile click opens the dialog of the mode, only in edit mode, and saves only a confirmed change;
// the machine table shows the busy pointer while it opens and while it is saved, the default one
// in every case.
TEST(Station, TileClicksOpenTheDialogOfTheModeAndSaveOnlyAChange) {
    struct Case {
        bool edit, table, machineTile;
        DialogResult answer;
        const char* calls;
    };
    using R = DialogResult;
    const Case cases[] = {
        {false, false, true, R::ConfirmedChanged, ""},
        {false, false, false, R::ConfirmedChanged, ""},
        {true, false, true, R::Cancelled, "editMachine 5"},
        {true, false, true, R::ConfirmedUnchanged, "editMachine 5"},
        {true, false, true, R::ConfirmedChanged, "editMachine 5, showMachineRecords"},
        {true, false, false, R::ConfirmedUnchanged, "editGroup 3"},
        {true, false, false, R::ConfirmedChanged, "editGroup 3, showGroupNames"},
        {true, true, true, R::Cancelled, "busy 1, editMachineTable, busy 1, busy 0"},
        {true, true, true, R::ConfirmedChanged, "busy 1, editMachineTable, busy 1, showMachineRecords, busy 0"},
        {true, true, false, R::Cancelled, "editGroupTable"},
        {true, true, false, R::ConfirmedChanged, "editGroupTable, showGroupNames"},
    };
    StationRig rig;
    Station& station = rig.create("");
    RecordingStationView view;
    station.setView(&view);
    station.Form_Load();
    station.CommandStart_Click();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calls);
        if (station.editMode() != c.edit) station.CommandEdit_Click();
        if (station.tableMode() != c.table) station.CommandTab_Click();
        ASSERT_EQ(station.editMode(), c.edit);
        ASSERT_EQ(station.tableMode(), c.table);
        view.take();
        view.dialogAnswer = c.answer;
        c.machineTile ? station.LineModul_Click(5) : station.GroupModul_Click(3);
        EXPECT_EQ(view.take().join(", "), c.calls);
    }
    station.setView(nullptr);
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
    Station& station = rig.start("[General]\r\nLcId=1031\r\n");
    EXPECT_EQ(station.visuWindowTitle(), "DCWindow");
    EXPECT_TRUE(station.watchingVisualisation());
    EXPECT_EQ(fake.calls.mid(0, 3), (QStringList{"currentGroup", "activate 4070407", "findWindow DCWindow"}));

    // A chosen language (entries 1..count) switches the keyboard and is stored; any other choice
    // changes nothing.
    const lang::LanguageTable& languages = station.languages();
    ASSERT_EQ(languages.LanguageCount, 18);
    for (const int k : {0, 19, -1, 18, 1}) {
        const QByteArray before = readBytes(rig.paths.settingsFile());
        const int32_t lcIdBefore = station.settings().lcId;
        fake.calls.clear();
        station.chooseLanguage(k);
        if (k < 1 || k > 18) {
            EXPECT_EQ(station.settings().lcId, lcIdBefore) << k;
            EXPECT_EQ(readBytes(rig.paths.settingsFile()), before) << k;
            continue;
        }
        const lang::LanguageRecord& chosen = languages.Languages[static_cast<size_t>(k)];
        EXPECT_EQ(station.settings().lcId, chosen.LcId) << k;
        EXPECT_EQ(station.settings().charSet, chosen.CharSet) << k;
        EXPECT_EQ(IniReadInt("General", "CodePage", rig.paths.settingsFile()), chosen.CodePage) << k;
        EXPECT_EQ(fake.calls.value(0), QStringLiteral("activate %1").arg(chosen.KBLayout, 0, 16)) << k;
    }

    // The watch ends the program once the window is gone, restoring the keyboard group first.
    fake.calls.clear();
    fake.window = 0;
    station.TimerWebBrowser_Timer();
    EXPECT_EQ(fake.calls, (QStringList{"findWindow DCWindow", "restore 2"}));
    EXPECT_FALSE(station.watchingVisualisation());
    EXPECT_EQ(rig.ended, 1);
    EXPECT_FALSE(station.settings().ostrelPresent);
    // Without the window at the start there is nothing to watch: the program never ends by itself.
    // An Ostrel folder at the file system's root is found whatever its case.
    QDir(rig.root.path()).mkdir("OSTREL");
    Station& again = rig.start("");
    EXPECT_TRUE(again.settings().ostrelPresent);
    EXPECT_EQ(again.visuWindowTitle(), "DCWindow");
    EXPECT_FALSE(again.watchingVisualisation());
}

// Runs twice: under the suite's C locale (code page 1252) and as a Cyrillic station (LANG=ru_RU).
TEST(Station, ANameIsStoredInTheWorkstationCodePage) {
    const QString name = QStringLiteral("Упаковщик 2");
    StationRig rig;
    Station& station = rig.start("");
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

TEST(Faults, TheSettingsFileLosesNothingAndNeverHangsStartUp) {
    const QByteArray good =
        "; hand-written\r\n[General]\r\nLogSystem=true\r\nGroup4=Capping\r\n[Ma3]\r\nText=Capper\r\nEnabled=true\r\n";
    struct Case {
        const char* name;
        std::function<void(const QString& file)> make;
        bool readsTheLine;       // start-up sees the line's settings
        bool saveSucceeds;       // a confirmed edit reaches the file
        bool failWrites = false; // the platform's writes fail (a full disk)
    };
    QByteArray manySections;
    for (int n = 0; n < 10000; ++n)
        manySections += "[Extra" + QByteArray::number(n) + "]\r\nKey=" + QByteArray::number(n) + "\r\n";
    QByteArray noise(100 << 20, '\0');
    QRandomGenerator random(11);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const Case cases[] = {
        {"plain", [&](const QString& f) { writeBytes(f, good); }, true, true},
        {"read-only mode",
         [&](const QString& f) {
             writeBytes(f, good);
             ::chmod(QFile::encodeName(f).constData(), 0444);
         },
         true, false},
        {"full disk", [&](const QString& f) { writeBytes(f, good); }, true, false, true},
        {"a directory", [](const QString& f) { QDir().mkpath(f); }, false, false},
        {"a FIFO", [](const QString& f) { ::mkfifo(QFile::encodeName(f).constData(), 0600); }, false, false},
        {"a link to /dev/zero", [](const QString& f) { QFile::link("/dev/zero", f); }, false, false},
        {"100 MB of noise", [&](const QString& f) { writeBytes(f, noise); }, false, false},
        {"10,000 more sections", [&](const QString& f) { writeBytes(f, good + manySections); }, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationRig rig;
        const QString file = rig.paths.settingsFile();
        c.make(file);
        const QByteArray before = QFileInfo(file).isFile() ? readBytes(file) : QByteArray();
        QElapsedTimer clock;
        clock.start();
        rig.station = std::make_unique<Station>(rig.paths, rig.options());
        rig.station->Form_Load();
        Station& station = *rig.station;
        EXPECT_LT(clock.elapsed(), 30000);
        EXPECT_EQ(station.layout().groupName(4), c.readsTheLine ? "Capping" : "");
        EXPECT_EQ(station.layout().Machines[3].Text, c.readsTheLine ? "Capper" : "");

        station.layout().Machines[3].Address = "10.0.0.3";
        FakeOs fake;
        fake.failWrites = c.failWrites;
        bool saved = false;
        {
            platform::ScopedOs scoped(fake);
            saved = station.saveMachine(3);
        }
        EXPECT_EQ(saved, c.saveSucceeds);
        EXPECT_EQ(station.layout().Machines[3].Address, "10.0.0.3"); // memory keeps the edit
        if (!c.saveSucceeds && QFileInfo(file).isFile()) {
            EXPECT_EQ(readBytes(file), before) << "nothing lost";
        }
        // A failed save says so in the log (switched on by the file that could be read).
        if (!c.saveSucceeds && c.readsTheLine) {
            EXPECT_EQ(logLines(rig.logPath()).filter(" # Settings not saved: " + file + ": ").size(), 1);
        }
        if (c.saveSucceeds) {
            const QByteArray after = readBytes(file);
            EXPECT_TRUE(after.startsWith(good.left(good.indexOf("Enabled="))));
            EXPECT_EQ(IniReadString("Ma3", "Address", file), "10.0.0.3");
            if (before.contains("[Extra9999]")) {
                EXPECT_TRUE(after.endsWith(manySections));
            }
        }
    }
}

TEST(SingleInstance, OneCopyPerFolderWhateverPathNamesIt) {
    QTemporaryDir dir;
    const QString link = dir.filePath("link");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("station")));
    ASSERT_TRUE(QFile::link(dir.filePath("station"), link));
    EXPECT_EQ(SingleInstance::socketName(dir.filePath("station")), SingleInstance::socketName(link));
    EXPECT_EQ(SingleInstance::socketName(dir.filePath("station")),
              SingleInstance::socketName(dir.filePath("x/../station")));
    EXPECT_NE(SingleInstance::socketName(dir.filePath("station")), SingleInstance::socketName(dir.path()));

    SingleInstance first(dir.filePath("station"));
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    // A second copy in the same folder, reached through the link, finds the first and asks it to
    // raise its window; a copy in another folder runs on its own.
    SingleInstance second(link);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(testutil::waitFor([&] { return raised.count() == 1; }));
    SingleInstance elsewhere(dir.path());
    EXPECT_TRUE(elsewhere.claim());
    QTest::qWait(50);
    EXPECT_EQ(raised.count(), 1);
}

// The name is free again once a copy is gone; a copy drops anything but the request to raise.
TEST(SingleInstance, TheNameIsFreeAgainAndAnythingButTheRequestIsDropped) {
    QTemporaryDir dir;
    EXPECT_TRUE(SingleInstance(dir.path()).claim());
    SingleInstance first(dir.path());
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QLocalSocket noise;
    noise.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    noise.connectToServer(SingleInstance::socketName(dir.path()));
    ASSERT_TRUE(noise.waitForConnected(2000));
    noise.write(QByteArray(200, 'x'));
    noise.write("raise\n");
    ASSERT_TRUE(noise.waitForBytesWritten(2000));
    EXPECT_TRUE(testutil::waitFor([&] { return noise.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(raised.count(), 0);
}
