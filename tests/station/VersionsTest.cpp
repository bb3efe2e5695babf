// Settings versions as the station records and restores them, with the real store on a temporary
// directory: every kind of save, the start after a hand edit, restores and their refusals, and a
// store that cannot write.

#include "station/Station.h"

#include "base/Settings.h"
#include "platform/Platform.h"

#include "FakeOs.h"
#include "LogFiles.h"
#include "StationRig.h"
#include "StoreRig.h"

#include <QCryptographicHash>

using namespace base;
using namespace station;
using namespace testutil;

namespace {

const store::KeyChange* changeOf(const store::Version& v, const QString& section, const QString& key) {
    for (const store::KeyChange& c : v.changes)
        if (c.section == section && c.key == key) return &c;
    return nullptr;
}

const QByteArray Start = "[General]\r\nGroup0=Filling\r\nLcId=1033\r\nLogSystem=true\r\n"
                         "[Ma0]\r\nText=Filler 2\r\nAddress=10.0.0.5\r\nEnabled=true\r\nGroup=0\r\n";

// A station on the sample languages, switched off and in edit mode, its start version recorded.
struct VersionRig : StationRig {
    FakeOs fake;
    platform::ScopedOs scoped{fake};
    RecordingStationView view;
    StationOptions stationOptions = options();
    VersionRig() { view.dialogAnswer = DialogResult::ConfirmedChanged; }

    Station& begin(const QByteArray& ini, bool startVersion = true) {
        QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), dir.filePath("Languages.mdb"));
        writeBytes(paths.settingsFile(), ini);
        station = std::make_unique<Station>(paths, stationOptions);
        station->setView(&view);
        station->Form_Load();
        station->CommandStart_Click(); // off: layout changes need edit mode, which needs the line off
        station->CommandEdit_Click();
        EXPECT_TRUE(station->editMode());
        EXPECT_TRUE(!startVersion || waitForVersions(1));
        return *station;
    }
    void edit(std::function<void()> change) { view.edit = std::move(change); }
    std::vector<store::Version> versions() { return testutil::versionsOf(*station->history().store()); }
    store::Version version(qint64 id) { return testutil::versionOf(*station->history().store(), id); }
    bool waitForVersions(size_t count) {
        return testutil::waitFor([&] { return versions().size() >= count; }, 10000);
    }
    // The station goes before the view and the operating system it uses.
    ~VersionRig() { station.reset(); }
};

} // namespace

// Each save kind is one version with the file's bytes, its hash and the key it changed; a confirmed
// dialog that changed nothing leaves the bytes as they were and is no version. A version restored
// brings back its layout and keeps every other line.
TEST(Versions, EverySaveKindIsAVersionAndARestoreBringsOneBack) {
    VersionRig rig;
    Station& station = rig.begin(Start);
    LineLayout& layout = station.layout();
    const int32_t chosen = station.languages().Languages[2].LcId;
    ASSERT_NE(chosen, 1033); // the sample's entry 2 is another language than the file's
    struct Case {
        const char* origin; // nullptr: no version
        std::function<void()> save;
        const char *section, *key, *oldValue; // oldValue nullptr: the key is new
        QString newValue;
    };
    const Case cases[] = {
        {"Edit Maschine",
         [&] {
             rig.edit([&] { layout.Machines[0].Address = "10.0.0.6"; });
             station.LineModul_Click(0);
         },
         "Ma0", "Address", "10.0.0.5", "10.0.0.6"},
        {nullptr, [&] { station.LineModul_Click(0); }, nullptr, nullptr, nullptr, {}},
        {"Machine table",
         [&] {
             station.CommandTab_Click();
             rig.edit([&] { layout.Machines[3].Text = "Capper"; });
             station.LineModul_Click(3);
         },
         "Ma3", "Text", nullptr, "Capper"},
        {"Group table",
         [&] {
             rig.edit([&] { layout.setGroupName(1, "Closing"); });
             station.GroupModul_Click(1);
             station.CommandTab_Click();
         },
         "General", "Group1", nullptr, "Closing"},
        {"Edit Group",
         [&] {
             rig.edit([&] { layout.setGroupName(0, "Filling A"); });
             station.GroupModul_Click(0);
         },
         "General", "Group0", "Filling", "Filling A"},
        {"Choose Language", [&] { station.chooseLanguage(2); }, "General", "LcId", "1033", QString::number(chosen)},
    };
    size_t count = 1;
    std::vector<store::Version> kept;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.origin ? c.origin : "no change");
        c.save();
        if (!c.origin) continue;
        ASSERT_TRUE(rig.waitForVersions(++count));
        const std::vector<store::Version> list = rig.versions();
        ASSERT_EQ(list.size(), count);
        const store::Version v = rig.version(list[0].id);
        kept.push_back(v);
        EXPECT_EQ(v.origin, c.origin);
        EXPECT_EQ(v.user, platform::loginName());
        const QByteArray file = readBytes(rig.paths.settingsFile());
        EXPECT_EQ(v.content, file);
        EXPECT_EQ(v.sha256, QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
        EXPECT_EQ(v.size, file.size());
        const store::KeyChange* change = changeOf(v, c.section, c.key);
        ASSERT_NE(change, nullptr);
        EXPECT_EQ(change->oldValue, c.oldValue ? QString::fromLatin1(c.oldValue) : QString());
        EXPECT_EQ(change->newValue, c.newValue);
    }
    // The editor writes every key of its section: the address changed, the others are new, the name
    // was written as it was; the table's version lists no unchanged key.
    for (const store::KeyChange& c : kept[0].changes) {
        EXPECT_EQ(c.section, "Ma0");
        EXPECT_TRUE(c.key == "Address" || c.oldValue.isNull()) << c.key.toStdString();
    }
    EXPECT_EQ(changeOf(kept[0], "Ma0", "Text"), nullptr);
    EXPECT_EQ(changeOf(kept[1], "Ma0", "Address"), nullptr);

    // The machine table, the group table and the language made the file complete (a restore never
    // removes a line, it writes a key the version lacks empty): that state is version k. Later saves
    // of every kind, then a restore of k: without a change outside the layout the file comes back
    // byte for byte, the station loads it (machines, group names, widths, language) and the tiles
    // show it.
    const store::Version k = kept.back();
    rig.edit([&] { layout.Machines[0].Address = "10.9.9.9"; });
    station.LineModul_Click(0);
    rig.edit([&] { layout.setGroupName(0, "Scrambled"); });
    station.GroupModul_Click(0);
    station.CommandTab_Click();
    rig.edit([&] {
        layout.Machines[3].Text = "Wrapper";
        layout.TableSize[2] = 900;
    });
    station.LineModul_Click(3);
    station.CommandTab_Click();
    station.chooseLanguage(3);
    ASSERT_TRUE(rig.waitForVersions(count + 4));
    rig.view.take();
    rig.fake.calls.clear();
    QString reason;
    ASSERT_TRUE(station.restoreVersion(k, &reason)) << reason.toStdString();
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), k.content);
    EXPECT_EQ(layout.Machines[0].Address, "10.0.0.6");
    EXPECT_EQ(layout.Machines[3].Text, "Capper");
    EXPECT_EQ(layout.TableSize[2], 2400);
    EXPECT_EQ(layout.groupName(0), "Filling A");
    EXPECT_EQ(layout.groupName(1), "Closing");
    EXPECT_EQ(station.settings().lcId, chosen);
    EXPECT_EQ(rig.fake.calls.filter("activate").size(), 1) << "the language's keyboard is applied again";
    const QStringList shown = rig.view.take();
    for (const char* refresh : {"showMachineRecords", "showGroupNames", "bindFirstSlots"})
        EXPECT_TRUE(shown.contains(refresh)) << refresh;
    ASSERT_TRUE(rig.waitForVersions(count + 5));
    const store::Version restore = rig.version(rig.versions()[0].id);
    EXPECT_EQ(restore.origin, "restore");
    EXPECT_EQ(restore.restoredFrom, k.id);

    // Scrambled again, and LogData switched on by hand: the restore keeps that line.
    rig.edit([&] { layout.Machines[5].Address = "10.1.1.1"; });
    station.LineModul_Click(5);
    IniSave(true, "General", "LogData", rig.paths.settingsFile());
    QByteArray expected = readBytes(rig.paths.settingsFile());
    ASSERT_TRUE(station.restoreVersion(k, &reason)) << reason.toStdString();
    expected.replace("Address=10.1.1.1", "Address=");
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), expected) << "only the one layout key changed; LogData=true stays";

    // Outside edit mode, or when the file cannot be replaced, a restore says why and changes nothing,
    // in the file, in the layout or in the versions.
    rig.edit([&] { layout.Machines[5].Address = "10.2.2.2"; });
    station.LineModul_Click(5);
    ASSERT_TRUE(rig.waitForVersions(count + 8));
    const QByteArray now = readBytes(rig.paths.settingsFile());
    station.CommandEdit_Click(); // edit mode off
    EXPECT_FALSE(station.restoreVersion(k, &reason));
    EXPECT_TRUE(reason.contains("edit mode"));
    station.CommandEdit_Click();
    rig.fake.failWrites = true;
    EXPECT_FALSE(station.restoreVersion(k, &reason));
    EXPECT_TRUE(reason.contains("No space left")) << reason.toStdString();
    rig.fake.failWrites = false;
    EXPECT_EQ(readBytes(rig.paths.settingsFile()), now);
    EXPECT_EQ(layout.Machines[5].Address, "10.2.2.2");
    testutil::waitFor([] { return false; }, 500);
    EXPECT_EQ(rig.versions().size(), count + 8);
}

TEST(Versions, AHandEditBetweenRunsIsRecordedAtTheNextStart) {
    VersionRig rig;
    rig.begin(Start).history().end(2000);
    // Changed by hand while the station did not run.
    QByteArray edited = Start;
    edited.replace("Address=10.0.0.5", "Address=10.0.0.9");
    rig.station.reset();
    rig.begin(edited);
    const std::vector<store::Version> list = rig.versions();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].origin, "start");
    const store::Version hand = rig.version(list[0].id);
    ASSERT_EQ(hand.changes.size(), 1u);
    EXPECT_EQ(hand.changes[0].oldValue, "10.0.0.5");
    EXPECT_EQ(hand.changes[0].newValue, "10.0.0.9");

    // A start that finds the file as last recorded records nothing.
    rig.station.reset();
    rig.begin(edited);
    testutil::waitFor([] { return false; }, 500);
    EXPECT_EQ(rig.versions().size(), 2u);
}

// The store cannot open its file: a save still reaches the settings file at once, and the log says
// once that its version was not recorded.
TEST(Versions, ASaveWhileTheStoreCannotWriteIsNotDelayedAndSaysSoOnce) {
    VersionRig rig;
    // The store's folder is a file: it cannot open.
    writeBytes(rig.dir.filePath("blocked"), "not a folder");
    rig.stationOptions.historyFile = rig.dir.filePath("blocked/history.sqlite");
    Station& station = rig.begin(Start, false);
    rig.edit([&] { station.layout().Machines[0].Address = "10.0.0.7"; });
    station.LineModul_Click(0);
    // The save is in the file at once, whatever the store does.
    EXPECT_EQ(IniReadString("Ma0", "Address", rig.paths.settingsFile()), "10.0.0.7");
    station.CommandEnd_Click(); // the store gets its time to write, then the log is written
    rig.station.reset();
    const QStringList log = testutil::logLines(rig.logPath());
    EXPECT_FALSE(log.filter("History not saved: ").isEmpty());
    EXPECT_EQ(log.filter("Version not recorded: ").size(), 1) << log.join('\n').toStdString();
}
