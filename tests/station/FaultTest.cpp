// Faults from outside, as tables: what the log, the settings file, the language file and the
// symbol folder may turn into while the station runs, and what must hold for each.
#include "base/Settings.h"
#include "editors/SymbolCatalog.h"
#include "lang/LanguageLoader.h"
#include "log/Log.h"
#include "ui/SymbolImages.h"

#include "FakeOs.h"
#include "StationRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace lang;
using namespace station;
using namespace editors;

using testutil::logLines;
using testutil::readBytes;
using testutil::writeBytes;

using testutil::openDescriptors;

TEST(Faults, TheLogNeverBlocksAndNeverTakesTheStationDown) {
    struct Case {
        const char* name;
        // Makes the log's place bad and returns the path the log is given.
        std::function<QString(const QString& dir)> make;
        // What the place holds afterwards; empty: nothing is checked.
        std::function<void(const QString& path)> check;
    };
    const Case cases[] = {
        {"disk full", [](const QString&) { return QStringLiteral("/dev/full"); }, {}},
        {"missing folder", [](const QString& d) { return d + "/missing/log.txt"; },
         [](const QString& p) { EXPECT_FALSE(QFileInfo::exists(QFileInfo(p).path())); }},
        {"a directory",
         [](const QString& d) {
             QDir(d).mkdir("logdir");
             return d + "/logdir";
         },
         [](const QString& p) { EXPECT_TRUE(QFileInfo(p).isDir()); }},
        {"a FIFO nobody reads",
         [](const QString& d) {
             const QString p = d + "/fifo";
             ::mkfifo(QFile::encodeName(p).constData(), 0600);
             return p;
         },
         [](const QString& p) { EXPECT_FALSE(QFileInfo(p).isFile()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationRig rig;
        const QString path = c.make(rig.dir.path());
        const int descriptors = openDescriptors();
        QElapsedTimer clock;
        clock.start();
        Station& station = rig.start(
            "[General]\r\nLogSystem=true\r\nLogData=true\r\nLogDebug=true\r\nLogFileName=" + path.toUtf8() + "\r\n",
            false);
        // A FIFO's buffer fills after some 64 KiB; lines beyond it are dropped, not waited for.
        for (int i = 0; i < 3000; ++i) station.log().system(QStringLiteral("line %1 of a long shift").arg(i));
        EXPECT_LT(clock.elapsed(), 20000); // it finished at all: nothing waited for a reader
        EXPECT_TRUE(station.Connected());
        station.CommandStart_Click();
        station.CommandEdit_Click();
        station.layout().setGroupName(4, "Capping");
        EXPECT_TRUE(station.saveGroupNames()); // the settings file is not the log's fault
        if (c.check) c.check(path);
        rig.station.reset();
        EXPECT_LE(openDescriptors(), descriptors + 2);
    }
    // A log deleted while the program runs is created again with the next line.
    StationRig rig;
    Station& station = rig.start("[General]\r\nLogSystem=true\r\n", false);
    station.log().system("before the delete");
    station.log().flush();
    ASSERT_TRUE(QFile::remove(rig.logPath()));
    station.log().system("after the delete");
    const QStringList lines = logLines(rig.logPath());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("after the delete"));
}

TEST(Faults, TheSettingsFileLosesNothingAndNeverHangsStartUp) {
    const QByteArray good = "; hand-written\r\n[General]\r\nGroup4=Capping\r\n[Ma3]\r\nText=Capper\r\nEnabled=true\r\n";
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
        if (c.saveSucceeds) {
            const QByteArray after = readBytes(file);
            EXPECT_TRUE(after.startsWith("; hand-written\r\n[General]\r\nGroup4=Capping\r\n[Ma3]\r\nText=Capper\r\n"));
            EXPECT_EQ(IniReadString("Ma3", "Address", file), "10.0.0.3");
            if (before.contains("[Extra9999]")) {
                EXPECT_TRUE(after.endsWith(manySections));
            }
        }
    }
}

TEST(Faults, DamagedLanguageFilesAndUnreadableSymbolsGiveWhatCanBeRead) {
    // The language file cut at every 4096-byte page: the reader child gives what it got, never
    // more languages than the whole file has, and the parent goes on.
    const QByteArray whole = readBytes(QStringLiteral(VRR_TEST_DATA "/languages.mdb"));
    ASSERT_GT(whole.size(), 8192);
    QTemporaryDir dir;
    const QString path = dir.filePath("Languages.mdb");
    LanguageTable full;
    writeBytes(path, whole);
    lang::loadLanguages(path, QCoreApplication::applicationFilePath(), full);
    ASSERT_GT(full.LanguageCount, 0);
    for (qsizetype cut = 0; cut < whole.size(); cut += 4096) {
        writeBytes(path, whole.left(cut));
        LanguageTable table;
        const lang::LoadOutcome outcome = lang::loadLanguages(path, QCoreApplication::applicationFilePath(), table);
        EXPECT_LE(table.LanguageCount, full.LanguageCount) << cut;
        EXPECT_FALSE(outcome.complete && table.LanguageCount == full.LanguageCount && cut < 4096) << cut;
    }

    // A symbol folder that cannot be listed or read, and one that is a file: no pictures, no hang.
    for (const bool asFile : {false, true}) {
        QTemporaryDir program;
        const QString folder = program.filePath("MachineSymbols");
        if (asFile) {
            writeBytes(folder, "not a folder");
        } else {
            QDir().mkpath(folder);
            testutil::writeGif(folder + "/MachineSymbol_1_800.gif", 8, 8);
            ::chmod(QFile::encodeName(folder).constData(), 0);
        }
        ui::SymbolImages images(program.path());
        const QPixmap picture = images.picture(1);
        const bool root = ::geteuid() == 0; // root reads past the mode bits
        if (asFile || !root) {
            EXPECT_TRUE(picture.isNull());
        }
        EXPECT_LE(SymbolCatalog::list(program.path()).count(), 1);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
}
