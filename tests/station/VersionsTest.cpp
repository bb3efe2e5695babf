// Settings versions as the station records and restores them, with the real store on a temporary
// directory: every kind of save, the start after a hand edit, restores and their refusals, and a
// store that cannot write.

#include "station/Station.h"

#include "base/Settings.h"
#include "platform/Os.h"
#include "platform/Platform.h"

#include "FakeOs.h"
#include "LogFiles.h"
#include "StationRig.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

using namespace base;
using namespace station;
using testutil::readBytes;
using testutil::writeBytes;

namespace {

// A view whose dialogs change the layout as their OK would, and which counts the tile refreshes.
struct EditingView : StationView {
    std::function<void()> edit; // what the next dialog changes
    int machineRefreshes = 0, groupRefreshes = 0, rebinds = 0;
    DialogResult answer() {
        if (edit) std::exchange(edit, nullptr)();
        return DialogResult::ConfirmedChanged;
    }
    void showConnectionState(int, ShownConnection) override {}
    void showMachineData(int, const MachineRecord&, const MachineData&) override {}
    void showGroupStatus(int, int16_t) override {}
    void bindFirstSlots() override { ++rebinds; }
    void applyLineParameters() override {}
    void applyGroupParameters() override {}
    void setMachineDisplayMode(DisplayMode) override {}
    void setGroupDisplayMode(DisplayMode) override {}
    void lineSwitching(bool) override {}
    void lineSwitchedOff() override {}
    void editModeChanged(bool) override {}
    void tableModeChanged(bool) override {}
    void showMachineRecords() override { ++machineRefreshes; }
    void showGroupNames() override { ++groupRefreshes; }
    int chooseLanguage() override { return 0; }
    DialogResult editMachine(int) override { return answer(); }
    DialogResult editGroup(int) override { return answer(); }
    DialogResult editGroupTable() override { return answer(); }
    DialogResult editMachineTable() override { return answer(); }
    void setBusyPointer(bool) override {}
};

// The store's versions, newest first (without their changes).
std::vector<store::Version> versionsOf(Station& station) {
    store::Store& store = *station.history().store();
    std::vector<store::Version> out;
    bool answered = false;
    const quint64 request = store.requestVersions();
    const QMetaObject::Connection c =
        QObject::connect(&store, &store::Store::versionsReady, [&](quint64 r, const std::vector<store::Version>& v) {
            if (r != request) return;
            out = v;
            answered = true;
        });
    EXPECT_TRUE(testutil::waitFor([&] { return answered; }));
    QObject::disconnect(c);
    return out;
}

// One whole version: bytes and changes.
store::Version versionOf(Station& station, qint64 id) {
    store::Store& store = *station.history().store();
    store::Version out;
    bool answered = false;
    const quint64 request = store.requestVersion(id);
    const QMetaObject::Connection c =
        QObject::connect(&store, &store::Store::versionReady, [&](quint64 r, const store::Version& v) {
            if (r != request) return;
            out = v;
            answered = true;
        });
    EXPECT_TRUE(testutil::waitFor([&] { return answered; }));
    QObject::disconnect(c);
    return out;
}

// Waits until the store holds `count` versions.
bool waitForVersions(Station& station, size_t count) {
    return testutil::waitFor([&] { return versionsOf(station).size() >= count; }, 10000);
}

const store::KeyChange* changeOf(const store::Version& v, const QString& section, const QString& key) {
    for (const store::KeyChange& c : v.changes)
        if (c.section == section && c.key == key) return &c;
    return nullptr;
}

// What a station would load from these bytes: the machines, group names and column widths.
struct LoadedLayout {
    LineLayout layout;
    explicit LoadedLayout(const QByteArray& bytes) {
        QTemporaryDir dir;
        const QString file = dir.filePath("layout.ini");
        writeBytes(file, bytes);
        layout.loadMachines(file);
        layout.loadGroupNames(file);
        layout.loadTableSize(file);
    }
};

void expectSameLayout(const LineLayout& a, const LineLayout& b) {
    for (size_t s = 0; s < MachineSlots; ++s) EXPECT_TRUE(a.Machines[s] == b.Machines[s]) << "Ma" << s;
    EXPECT_EQ(a.GroupNames, b.GroupNames);
    EXPECT_EQ(a.TableSize, b.TableSize);
}

const QByteArray Start = "[General]\r\nGroup0=Filling\r\nLcId=1033\r\nLogSystem=true\r\n"
                         "[Ma0]\r\nText=Filler 2\r\nAddress=10.0.0.5\r\nEnabled=true\r\nGroup=0\r\n";

// A station on the sample languages, switched off and in edit mode, its start version recorded.
struct VersionRig : StationRig {
    FakeOs fake;
    platform::ScopedOs scoped{fake};
    EditingView view;

    Station& begin(const QByteArray& ini) {
        QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), dir.filePath("Languages.mdb"));
        Station& s = create(ini);
        s.setView(&view);
        s.Form_Load();
        s.CommandStart_Click(); // off: layout changes need edit mode, which needs the line off
        s.CommandEdit_Click();
        EXPECT_TRUE(s.editMode());
        EXPECT_TRUE(waitForVersions(s, 1));
        return s;
    }
    void edit(std::function<void()> change) { view.edit = std::move(change); }
    // The station goes before the view and the operating system it uses.
    ~VersionRig() { station.reset(); }
};

} // namespace

TEST(Versions, EverySaveKindIsAVersionWithItsChangedKeys) {
    VersionRig rig;
    Station& station = rig.begin(Start);
    LineLayout& layout = station.layout();

    rig.edit([&] { layout.Machines[0].Address = "10.0.0.6"; });
    station.LineModul_Click(0);
    ASSERT_TRUE(waitForVersions(station, 2));

    station.CommandTab_Click();
    rig.edit([&] { layout.Machines[3].Text = "Capper"; });
    station.LineModul_Click(3);
    rig.edit([&] { layout.setGroupName(1, "Closing"); });
    station.GroupModul_Click(1);
    station.CommandTab_Click();
    rig.edit([&] { layout.setGroupName(0, "Filling A"); });
    station.GroupModul_Click(0);
    // The sample's entry 2 is another language than the file's 1033.
    const lang::LanguageRecord& chosen = station.languages().Languages[2];
    ASSERT_NE(chosen.LcId, 1033);
    station.chooseLanguage(2);
    // A confirmed dialog that changed nothing leaves the bytes as they were: no version.
    station.LineModul_Click(0);
    ASSERT_TRUE(waitForVersions(station, 6));

    const std::vector<store::Version> list = versionsOf(station);
    ASSERT_EQ(list.size(), 6u);
    QStringList origins;
    for (const store::Version& v : list) origins << v.origin;
    EXPECT_EQ(origins,
              (QStringList{"Choose Language", "Edit Group", "Group table", "Machine table", "Edit Maschine", "start"}));
    for (const store::Version& v : list) EXPECT_EQ(v.user, platform::loginName());

    // The editor writes every key of its section: the address changed, the others are new.
    const store::Version machine = versionOf(station, list[4].id);
    const store::KeyChange* address = changeOf(machine, "Ma0", "Address");
    ASSERT_NE(address, nullptr);
    EXPECT_EQ(address->oldValue, "10.0.0.5");
    EXPECT_EQ(address->newValue, "10.0.0.6");
    for (const store::KeyChange& c : machine.changes) {
        EXPECT_EQ(c.section, "Ma0");
        if (c.key != "Address") {
            EXPECT_TRUE(c.oldValue.isNull()) << c.key.toStdString();
        }
    }
    EXPECT_EQ(changeOf(machine, "Ma0", "Text"), nullptr) << "written as it was";

    const store::Version table = versionOf(station, list[3].id);
    const store::KeyChange* text = changeOf(table, "Ma3", "Text");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->oldValue.isNull()) << "Ma3 was not in the file before";
    EXPECT_EQ(text->newValue, "Capper");
    EXPECT_EQ(changeOf(table, "Ma0", "Address"), nullptr) << "unchanged keys are no changes";

    const store::KeyChange* closing = changeOf(versionOf(station, list[2].id), "General", "Group1");
    ASSERT_NE(closing, nullptr);
    EXPECT_EQ(closing->newValue, "Closing");
    const store::KeyChange* renamed = changeOf(versionOf(station, list[1].id), "General", "Group0");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->oldValue, "Filling");
    EXPECT_EQ(renamed->newValue, "Filling A");
    const store::KeyChange* language = changeOf(versionOf(station, list[0].id), "General", "LcId");
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->oldValue, "1033");
    EXPECT_EQ(language->newValue, QString::number(chosen.LcId));

    // The newest version holds the file's bytes, and their hash.
    const store::Version newest = versionOf(station, list[0].id);
    const QByteArray file = readBytes(rig.paths.settingsFile());
    EXPECT_EQ(newest.content, file);
    EXPECT_EQ(newest.sha256, QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(newest.size, file.size());
}

TEST(Versions, AHandEditBetweenRunsIsRecordedAtTheNextStart) {
    VersionRig rig;
    {
        Station& first = rig.begin(Start);
        first.history().end(2000);
    }
    // Changed by hand while the station did not run.
    QByteArray edited = Start;
    edited.replace("Address=10.0.0.5", "Address=10.0.0.9");
    writeBytes(rig.paths.settingsFile(), edited);
    rig.station.reset();
    Station& second = rig.begin(edited);
    const std::vector<store::Version> list = versionsOf(second);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].origin, "start");
    const store::Version hand = versionOf(second, list[0].id);
    ASSERT_EQ(hand.changes.size(), 1u);
    EXPECT_EQ(hand.changes[0].oldValue, "10.0.0.5");
    EXPECT_EQ(hand.changes[0].newValue, "10.0.0.9");

    // A start that finds the file as last recorded records nothing.
    rig.station.reset();
    Station& third = rig.begin(edited);
    testutil::waitFor([] { return false; }, 500);
    EXPECT_EQ(versionsOf(third).size(), 2u);
}

TEST(Versions, ARestoreBringsBackTheLayoutAndKeepsEveryOtherLine) {
    VersionRig rig;
    Station& station = rig.begin(Start);
    LineLayout& layout = station.layout();
    // A language choice, the whole machine table and the group table make the file complete (a
    // restore never removes a line, it writes a key the version lacks empty); that state is version k.
    station.chooseLanguage(2);
    station.CommandTab_Click();
    rig.edit([&] {
        layout.Machines[5].Text = "Labeller";
        layout.Machines[5].Enabled = true;
        layout.TableSize[2] = 1500;
    });
    station.LineModul_Click(5);
    rig.edit([&] { layout.setGroupName(2, "Packing"); });
    station.GroupModul_Click(2);
    station.CommandTab_Click();
    ASSERT_TRUE(waitForVersions(station, 4));
    const qint64 k = versionsOf(station)[0].id;
    const QByteArray atK = readBytes(rig.paths.settingsFile());

    // Later saves of every kind, then service staff switch data logging on by hand.
    rig.edit([&] { layout.Machines[0].Address = "10.9.9.9"; });
    station.LineModul_Click(0);
    rig.edit([&] { layout.setGroupName(0, "Scrambled"); });
    station.GroupModul_Click(0);
    station.CommandTab_Click();
    rig.edit([&] {
        layout.Machines[5] = MachineRecord{};
        layout.Machines[7].Text = "Wrapper";
        layout.TableSize[2] = 900;
    });
    station.LineModul_Click(7);
    station.CommandTab_Click();
    station.chooseLanguage(3);
    ASSERT_TRUE(waitForVersions(station, 8));

    // Without a change outside the layout the file comes back byte for byte, and the tiles show it.
    const store::Version version = versionOf(station, k);
    rig.view.machineRefreshes = rig.view.groupRefreshes = rig.view.rebinds = 0;
    rig.fake.calls.clear();
    QString reason;
    ASSERT_TRUE(station.restoreVersion(version, &reason)) << reason.toStdString();
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), atK);
    expectSameLayout(station.layout(), LoadedLayout(atK).layout);
    EXPECT_EQ(station.settings().lcId, station.languages().Languages[2].LcId);
    EXPECT_EQ(rig.fake.calls.filter("activate").size(), 1) << "the language's keyboard is applied again";
    EXPECT_GE(rig.view.machineRefreshes, 1);
    EXPECT_GE(rig.view.groupRefreshes, 1);
    EXPECT_GE(rig.view.rebinds, 1);
    ASSERT_TRUE(waitForVersions(station, 9));
    const store::Version restore = versionOf(station, versionsOf(station)[0].id);
    EXPECT_EQ(restore.origin, "restore");
    EXPECT_EQ(restore.restoredFrom, k);

    // Scrambled again, and LogData switched on by hand: the restore keeps that line.
    rig.edit([&] { layout.Machines[5].Address = "10.1.1.1"; });
    station.LineModul_Click(5);
    IniSave(true, "General", "LogData", rig.paths.settingsFile());
    const QByteArray before = readBytes(rig.paths.settingsFile());
    ASSERT_TRUE(station.restoreVersion(version, &reason)) << reason.toStdString();
    const QByteArray after = readBytes(rig.paths.settingsFile());
    expectSameLayout(LoadedLayout(after).layout, LoadedLayout(atK).layout);
    QByteArray expected = before;
    expected.replace("Address=10.1.1.1", "Address=" + LoadedLayout(atK).layout.Machines[5].Address.toLatin1());
    EXPECT_EQ(after, expected) << "only the one layout key changed; LogData=true stays";
}

TEST(Versions, ARestoreOutsideEditModeOrWithoutAFileChangesNothing) {
    VersionRig rig;
    Station& station = rig.begin(Start);
    rig.edit([&] { station.layout().Machines[0].Address = "10.0.0.6"; });
    station.LineModul_Click(0);
    ASSERT_TRUE(waitForVersions(station, 2));
    const store::Version first = versionOf(station, versionsOf(station).back().id);
    const QByteArray now = readBytes(rig.paths.settingsFile());

    station.CommandEdit_Click(); // edit mode off
    QString reason;
    EXPECT_FALSE(station.restoreVersion(first, &reason));
    EXPECT_TRUE(reason.contains("edit mode"));
    station.CommandStart_Click(); // connected: edit mode cannot be on
    EXPECT_FALSE(station.restoreVersion(first, &reason));
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), now);
    EXPECT_EQ(station.layout().Machines[0].Address, "10.0.0.6");

    // A file that cannot be replaced: the restore says why, and the station keeps its layout.
    station.CommandStart_Click();
    station.CommandEdit_Click();
    rig.fake.failWrites = true;
    EXPECT_FALSE(station.restoreVersion(first, &reason));
    EXPECT_TRUE(reason.contains("No space left")) << reason.toStdString();
    rig.fake.failWrites = false;
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), now);
    EXPECT_EQ(station.layout().Machines[0].Address, "10.0.0.6");
    testutil::waitFor([] { return false; }, 500);
    EXPECT_EQ(versionsOf(station).size(), 2u) << "a failed restore is no version";
}

TEST(Versions, ASaveWhileTheStoreCannotWriteIsNotDelayedAndTheNextStartRecordsIt) {
    VersionRig rig;
    // The store's folder is a file: it cannot open.
    writeBytes(rig.dir.filePath("blocked"), "not a folder");
    StationOptions options = rig.options();
    options.historyFile = rig.dir.filePath("blocked/history.sqlite");
    writeBytes(rig.paths.settingsFile(), Start);
    QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), rig.dir.filePath("Languages.mdb"));
    {
        Station station(rig.paths, options);
        station.setView(&rig.view);
        station.Form_Load();
        station.CommandStart_Click();
        station.CommandEdit_Click();
        rig.edit([&] { station.layout().Machines[0].Address = "10.0.0.7"; });
        station.LineModul_Click(0);
        // The save is in the file at once, whatever the store does.
        EXPECT_EQ(IniReadString("Ma0", "Address", rig.paths.settingsFile()), "10.0.0.7");
        station.CommandEnd_Click(); // the store gets its time to write, then the log is written
    }
    const QStringList log = testutil::logLines(rig.logPath());
    EXPECT_FALSE(log.filter("History not saved: ").isEmpty());
    EXPECT_EQ(log.filter("Version not recorded: ").size(), 1) << log.join('\n').toStdString();

    // The store can write again: the next start records the file as it is now.
    QFile::remove(rig.dir.filePath("blocked"));
    ASSERT_TRUE(QDir(rig.dir.path()).mkdir("blocked"));
    Station again(rig.paths, options);
    again.setView(&rig.view);
    again.Form_Load();
    ASSERT_TRUE(waitForVersions(again, 1));
    const store::Version start = versionOf(again, versionsOf(again)[0].id);
    EXPECT_EQ(start.origin, "start");
    EXPECT_EQ(start.content, readBytes(rig.paths.settingsFile()));
}
