// Faults from outside, as a table: what the settings file may turn into while the station runs,
// and what must hold for each.
#include "base/Settings.h"
#include "log/Log.h"

#include "FakeOs.h"
#include "LogFiles.h"
#include "StationRig.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace station;
using namespace testutil;

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
