// The event history's store: what is recorded, the file's schema, retention, every fault of the
// file, and the reads of the History window.
#include "store/Store.h"
#include "store/Database.h"
#include "store/HistoryRecorder.h"

#include "StoreRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <cstring>

using namespace store;
using namespace testutil;

namespace {
// Reads a value from the file with a connection of the test's own.
QVariant ask(const QString& file, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-reader"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-reader"));
    return value;
}

Event statusEvent(qint64 t, int slot, int from, int to, const QString& text = QString()) {
    return testutil::event(EventKind::Status, t, slot, QStringLiteral("Filler %1").arg(slot), from, to, text);
}
Event connectionEvent(qint64 t, int slot, const QString& state, int from, int to) {
    return testutil::event(EventKind::Connection, t, slot, QStringLiteral("Filler %1").arg(slot), from, to, {}, state);
}

struct StoreRig {
    QTemporaryDir dir;
    QString file = dir.filePath("history.sqlite");
    QStringList lines; // trouble and recovery, as the station would log them
    std::unique_ptr<Store> store;

    Store& start(Store::Options o = {}) {
        if (o.path.isEmpty()) o.path = file;
        o.commitMs = 20;
        if (o.retryMs == 10000) o.retryMs = 200;
        store = std::make_unique<Store>(o);
        QObject::connect(store.get(), &Store::trouble, [this](const QString& r) { lines << "trouble: " + r; });
        QObject::connect(store.get(), &Store::recovered, [this] { lines << "recovered"; });
        QObject::connect(store.get(), &Store::movedAside, [this](const QString& f) { lines << "moved: " + f; });
        store->start();
        return *store;
    }
    qint64 count() { return ask(file, "SELECT count(*) FROM events").toLongLong(); }
};
} // namespace

TEST(HistoryRecorder, RecordsChangesAndFoldsTextChatter) {
    QStringList rows; // as written: "kind slot machine/group old>new text-or-detail xrepeats code page"
    qint64 now = 1'000'000;
    HistoryRecorder r(
        [&](const Event& e) {
            rows << QString::asprintf("%s %d %s/%d %d>%d %s x%d %d", kindName(e.kind), e.slot, qPrintable(e.machine),
                                      e.group, e.oldStatus, e.newStatus, qPrintable(e.text + e.detail), e.repeats,
                                      e.codePage);
        },
        [&] { return now; });
    const auto written = [&] { return std::exchange(rows, {}); };
    const HistoryRecorder::SlotInfo filler{"Filler", 2, "Filling"};
    // The same state again records nothing; a new status, a row at once.
    r.statusReported(3, filler, 1, "Run", 1, "Run", 1252, 1033);
    EXPECT_EQ(written(), QStringList{});
    r.statusReported(3, filler, 1, "Run", 4, "Jam", 1252, 1033);
    EXPECT_EQ(written(), QStringList{"status 3 Filler/2 1>4 Jam x1 1252"});
    // A text-only change without one in the last 10 s: at once. Within 10 s: folded, written when
    // the window ends with the count and the last text.
    now += 1000;
    r.statusReported(3, filler, 4, "Jam", 4, "Jam 1", 1252, 1033);
    EXPECT_EQ(written(), QStringList{"status 3 Filler/2 4>4 Jam 1 x1 1252"});
    for (int k = 2; k <= 5; ++k) {
        now += 1000;
        r.statusReported(3, filler, 4, "Jam", 4, QStringLiteral("Jam %1").arg(k), 1251, 1049);
    }
    now += 5000;
    r.tick();
    EXPECT_EQ(written(), QStringList{}); // 9 s after the text-only row
    now += 1000;
    r.tick();
    EXPECT_EQ(written(), QStringList{"status 3 Filler/2 4>4 Jam 5 x4 1251"});
    // A change of status writes a pending fold first; a connection change likewise, carrying the
    // status it set.
    now += 1000;
    r.statusReported(3, filler, 4, "Jam 5", 4, "Jam 6", 1252, 1033);
    r.statusReported(3, filler, 4, "Jam 6", 4, "Jam 7", 1252, 1033);
    r.connectionShown(3, filler, "not connected", 4, 5);
    EXPECT_EQ(written(),
              (QStringList{"status 3 Filler/2 4>4 Jam 7 x2 1252", "connection 3 Filler/2 4>5 not connected x1 0"}));
    // The end of the station writes every fold.
    r.statusReported(9, filler, 1, "a", 1, "b", 1252, 1033);
    r.statusReported(9, filler, 1, "b", 1, "c", 1252, 1033);
    EXPECT_EQ(written(), QStringList{"status 9 Filler/2 1>1 b x1 1252"});
    r.flush();
    EXPECT_EQ(written(), QStringList{"status 9 Filler/2 1>1 c x1 1252"});
    r.station("ended");
    EXPECT_EQ(written(), QStringList{"station -1 /-1 -1>-1 ended x1 0"});
}

TEST(Store, SchemaAndSettingsOfANewFileAndNoAnswersAfterTheEnd) {
    StoreRig rig;
    Store& store = rig.start();
    store.record(statusEvent(5, 1, 1, 4, "Jam"));
    ASSERT_TRUE(waitFor([&] { return rig.count() == 1; }));
    ASSERT_TRUE(store.finish(2000));
    EXPECT_EQ(ask(rig.file, "PRAGMA user_version").toInt(), Database::SchemaVersion);
    EXPECT_EQ(ask(rig.file, "PRAGMA auto_vacuum").toInt(), 2); // incremental
    EXPECT_EQ(ask(rig.file, "PRAGMA journal_mode").toString(), "wal");
    EXPECT_EQ(ask(rig.file, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                            "('events_time', 'events_slot_time')")
                  .toInt(),
              2);
    EXPECT_TRUE(ask(rig.file, "SELECT grp FROM events").isNull()); // no group: NULL (the columns: the window tests')
    // After the end, requests are not answered and reach nothing.
    int answers = 0;
    QObject::connect(&store, &Store::versionsReady, [&] { ++answers; });
    QObject::connect(&store, &Store::rowsReady, [&] { ++answers; });
    store.requestVersions(); // the writer is gone: this once reached a deleted object
    store.requestRows(Query{});
    QTest::qWait(200);
    EXPECT_EQ(answers, 0);
    EXPECT_TRUE(store.record(statusEvent(1, 0, 1, 4))) << "handing over still only queues";
}

TEST(Store, WhatComesBeforeItRunsWaitsAndIsWrittenEvenWithoutARun) {
    StoreRig rig;
    Store::Options o;
    o.path = rig.file;
    o.commitMs = 20;
    const qint64 now = QDateTime::currentMSecsSinceEpoch(); // the start's retention keeps them
    {
        Store store(o);
        store.prepare();
        int answers = 0;
        QObject::connect(&store, &Store::versionsReady, [&] { ++answers; });
        store.record(statusEvent(now, 1, 1, 4, "Jam"));
        store.requestVersions();
        QTest::qWait(100);
        EXPECT_EQ(answers, 0);
        EXPECT_FALSE(QFile::exists(rig.file)) << "nothing opens the file before the run";
        store.start();
        EXPECT_TRUE(waitFor([&] { return answers == 1; }));
        EXPECT_TRUE(waitFor([&] { return rig.count() == 1; }));
    }
    Store never(o);
    never.prepare();
    never.record(statusEvent(now, 2, 1, 3));
    EXPECT_TRUE(never.finish(5000));
    EXPECT_EQ(rig.count(), 2) << "the end writes what was handed over to a store that never ran";
}

TEST(Store, RetentionByAgeAndBySize) {
    QTemporaryDir dir;
    Database db(dir.filePath("h.sqlite"));
    QString error;
    ASSERT_EQ(db.open(&error), Database::OpenResult::Opened) << error.toStdString();
    const qint64 day = 86400000, now = 400 * day;
    std::vector<Event> events;
    for (int i = 0; i < 12000; ++i)
        events.push_back(statusEvent(now - (i % 200) * day, i % 64, 1, 2, QString(200, 'x')));
    ASSERT_TRUE(db.insert(events, 0, &error));
    // Older than 90 days goes, 5000 rows a batch at most.
    Database::Retention retention;
    retention.days = 90;
    while (db.prune(retention, now, &error)) {
    }
    EXPECT_EQ(db.eventCount(), 12000 * 91 / 200);
    // Over the size cap the oldest go until it fits.
    retention.days = 0;
    retention.maxBytes = db.usedBytes() / 3;
    while (db.prune(retention, now, &error)) {
    }
    EXPECT_LE(db.usedBytes(), retention.maxBytes);
    EXPECT_GT(db.eventCount(), 0);
    bool more = false;
    Query all;
    all.limit = 1;
    // What is left are the newest rows.
    const std::vector<Row> newest = db.rows(all, &more);
    ASSERT_EQ(newest.size(), 1u);
    EXPECT_EQ(newest[0].event.timeMs, now);
}

// A file that cannot be written keeps the events in memory, up to the queue's bound, and says so once
// until it can be written again.
TEST(Store, AFileInTroubleKeepsItsEventsAndSaysSoOnce) {
    struct Case {
        const char* name;
        std::function<void(StoreRig&, Store::Options&)> make; // makes the trouble
        std::function<void(StoreRig&)> mend;                  // ends it
    };
    const Case cases[] = {
        {"the folder's parent is a file",
         [](StoreRig& r, Store::Options& o) {
             writeBytes(r.dir.filePath("plain"), "x");
             o.path = r.dir.filePath("plain/sub/history.sqlite");
         },
         {}},
        {"a directory in the file's place, and a queue of 1500",
         [](StoreRig& r, Store::Options& o) {
             QDir().mkpath(r.file);
             o.queueEvents = 1500;
         },
         [](StoreRig& r) { QDir(r.file).removeRecursively(); }},
        {"a full disk",
         [](StoreRig&, Store::Options& o) { o.pragmas << QStringLiteral("PRAGMA max_page_count = 8"); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreRig rig;
        Store::Options o;
        c.make(rig, o);
        Store& store = rig.start(o);
        for (int i = 0; i < 2000; ++i) store.record(statusEvent(i, i % 64, 1, 2, QString(100, 'y')));
        ASSERT_TRUE(waitFor([&] { return !rig.lines.isEmpty(); }));
        QTest::qWait(500); // retries meanwhile say nothing more
        EXPECT_EQ(rig.lines.size(), 1) << rig.lines.join(" / ").toStdString();
        EXPECT_TRUE(rig.lines[0].startsWith("trouble: "));
        EXPECT_GT(store.waiting(), 0); // kept in memory
        if (!c.mend) continue;
        c.mend(rig);
        ASSERT_TRUE(waitFor([&] { return rig.lines.contains("recovered"); }, 5000));
        ASSERT_TRUE(store.finish(5000));
        // Beyond its bound the queue dropped, and one row counts the loss.
        EXPECT_EQ(ask(rig.file, "SELECT count(*) FROM events WHERE kind = 'status'").toInt(), 1500);
        EXPECT_EQ(ask(rig.file, "SELECT repeats FROM events WHERE detail = 'events lost'").toInt(), 500);
    }
}

TEST(Store, ALockedFileIsRetriedUntilTheOtherProgramLetsGo) {
    StoreRig rig;
    Store& first = rig.start();
    first.record(statusEvent(1, 0, 1, 2));
    ASSERT_TRUE(waitFor([&] { return rig.count() == 1; }));
    // Another program holds a write lock for two seconds.
    QProcess sqlite;
    sqlite.start("sqlite3", {rig.file});
    ASSERT_TRUE(sqlite.waitForStarted());
    sqlite.write("BEGIN EXCLUSIVE;\nSELECT 1;\n");
    ASSERT_TRUE(waitFor([&] { return sqlite.bytesAvailable() > 0 || sqlite.waitForReadyRead(10); }));
    for (int i = 0; i < 10; ++i) first.record(statusEvent(10 + i, 0, 1, 2));
    ASSERT_TRUE(waitFor([&] { return !rig.lines.isEmpty(); }));
    sqlite.write("COMMIT;\n.quit\n");
    sqlite.waitForFinished();
    ASSERT_TRUE(waitFor([&] { return rig.lines.contains("recovered"); }, 5000));
    ASSERT_TRUE(first.finish(5000));
    EXPECT_EQ(rig.count(), 11);
}

TEST(Store, ADamagedFileIsMovedAsideAndANewOneStarted) {
    struct Case {
        const char* name;
        std::function<QByteArray(const QByteArray& good)> damage;
    };
    const Case cases[] = {
        {"noise", [](const QByteArray&) { return QByteArray(70000, '\x5a'); }},
        {"cut short", [](const QByteArray& good) { return good.left(good.size() / 3); }},
        {"a damaged page",
         [](const QByteArray& good) {
             QByteArray bad = good;
             for (qsizetype i = 4096 + 200; i < bad.size() && i < 4096 * 3; i += 7) bad[i] = '\xff';
             return bad;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreRig rig;
        {
            Store& store = rig.start();
            for (int i = 0; i < 3000; ++i) store.record(statusEvent(i, i % 64, 1, 2, QString(60, 'z')));
            ASSERT_TRUE(waitFor([&] { return rig.count() == 3000; }));
            ASSERT_TRUE(store.finish(5000));
            rig.store.reset();
        }
        const QByteArray good = readBytes(rig.file);
        ASSERT_GT(good.size(), 4096 * 3);
        writeBytes(rig.file, c.damage(good));
        rig.lines.clear();
        Store& again = rig.start();
        again.record(statusEvent(1, 1, 1, 4));
        ASSERT_TRUE(waitFor([&] { return !rig.lines.isEmpty(); }));
        ASSERT_TRUE(rig.lines[0].startsWith("moved: " + rig.file + ".corrupt-")) << rig.lines.join("/").toStdString();
        EXPECT_TRUE(QFileInfo::exists(rig.lines[0].mid(7)));
        ASSERT_TRUE(waitFor([&] { return rig.count() == 1; }));
        EXPECT_EQ(ask(rig.file, "PRAGMA quick_check").toString(), "ok");
    }
}

// Newest first, in pages that go on after the last row shown, each row with how long the slot's
// state before it lasted (-1: nothing before it). The filters, the time in state and the export
// are the History window's tests, on this store.
TEST(Store, RowsComeInPagesWithHowLongTheStateBeforeLasted) {
    QTemporaryDir dir;
    Database db(dir.filePath("h.sqlite"));
    QString error;
    ASSERT_EQ(db.open(&error), Database::OpenResult::Opened);
    const qint64 t0 = 1'700'000'000'000;
    ASSERT_TRUE(db.insert(
        std::vector<Event>{connectionEvent(t0, 4, "connected", 5, 5), statusEvent(t0 + 1000, 4, 5, 1),
                           statusEvent(t0 + 61000, 4, 1, 4), connectionEvent(t0 + 91000, 4, "not connected", 4, 5),
                           connectionEvent(t0 + 121000, 4, "connected", 5, 5), statusEvent(t0 + 122000, 4, 5, 1)},
        0, &error));
    Query q;
    q.slotNumbers = {4};
    q.limit = 4;
    bool more = false;
    std::vector<Row> page = db.rows(q, &more);
    ASSERT_EQ(page.size(), 4u);
    EXPECT_TRUE(more);
    EXPECT_EQ(page[0].event.timeMs, t0 + 122000);
    EXPECT_EQ(page[0].event.timeMs - page[0].previousMs, 1000);
    EXPECT_EQ(page[2].event.timeMs - page[2].previousMs, 30000);
    q.beforeTimeMs = page.back().event.timeMs;
    q.beforeId = page.back().id;
    page = db.rows(q, &more);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_FALSE(more);
    EXPECT_EQ(page[0].event.timeMs, t0 + 1000);
    EXPECT_EQ(page[1].previousMs, -1);
    // A slot without rows was in no known state.
    EXPECT_EQ(db.timeInState(9, t0, t0 + 1000).ms[TimeInState::Unknown], 1000);
}

TEST(Store, VersionsKeepTheirBytesChangesAndTheLast200) {
    QTemporaryDir dir;
    const QString file = dir.filePath("h.sqlite");
    {
        // A file of the first schema gets the version tables.
        QSqlDatabase old = QSqlDatabase::addDatabase("QSQLITE", "old");
        old.setDatabaseName(file);
        ASSERT_TRUE(old.open());
        QSqlQuery q(old);
        ASSERT_TRUE(q.exec("CREATE TABLE events (id INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL, kind TEXT NOT NULL,"
                           " slot INTEGER, machine TEXT, grp INTEGER, grp_name TEXT, old_status INTEGER, new_status "
                           "INTEGER, text TEXT, code_page INTEGER, lc_id INTEGER, repeats INTEGER NOT NULL DEFAULT 1,"
                           " detail TEXT)"));
        ASSERT_TRUE(q.exec("PRAGMA user_version = 1"));
        old.close();
    }
    QSqlDatabase::removeDatabase("old");
    Database db(file);
    QString error;
    ASSERT_EQ(db.open(&error), Database::OpenResult::Opened) << error.toStdString();
    EXPECT_EQ(ask(file, "PRAGMA user_version").toInt(), 2);

    const qint64 year = 365LL * 86400000, now = 40 * year;
    const auto version = [](qint64 t, const QByteArray& content) {
        auto v = std::make_shared<Version>();
        v->timeMs = t;
        v->user = "operator";
        v->origin = "Edit Maschine";
        v->sha256 = QByteArray(64, 'a');
        v->size = content.size();
        v->content = content;
        v->changes = {{"Ma3", "Address", "10.0.0.5", "10.0.0.6"}, {"Ma3", "Text", QString(), "Filler 2"}};
        return v;
    };
    std::vector<Item> items;
    for (int i = 0; i < 250; ++i) items.push_back(Item{{}, version(now - 10 * year + i, "[Ma3]\r\nAddress=x\r\n")});
    items.push_back(Item{{}, version(now, QByteArray(Version::MaxContentBytes + 1, 'b'))}); // too large to keep
    ASSERT_TRUE(db.insert(items, 0, &error)) << error.toStdString();
    // A file too large to keep has its size, not its bytes (the bytes and changes of the others go
    // through the versions tests of the station and the window).
    const Version newest = db.lastVersion();
    EXPECT_EQ(newest.size, Version::MaxContentBytes + 1);
    EXPECT_TRUE(newest.content.isEmpty());

    // The history's cap never removes a version, and versions older than five years go only
    // beyond the last 200.
    Database::Retention retention;
    retention.maxBytes = 1;
    while (db.prune(retention, now, &error)) {
    }
    EXPECT_EQ(db.versions().size(), 200u);
    EXPECT_EQ(ask(file, "SELECT count(*) FROM version_changes").toInt(), 400);
}

namespace {
// The child of the kill test: records an event every 50 µs into the store and notes, every 20 ms,
// how many it has handed over and when, until it is killed.
bool stormChild(int argc, char** argv, int* status) {
    if (argc != 4 || std::strcmp(argv[1], "--store-storm-child") != 0) return false;
    QCoreApplication app(argc, argv);
    Store::Options options;
    options.path = QString::fromLocal8Bit(argv[2]);
    options.retention.days = 0;
    Store store(options);
    store.start();
    QFile notes(QString::fromLocal8Bit(argv[3]));
    if (!notes.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *status = 1;
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    for (qint64 i = 0;; ++i) {
        store.record(statusEvent(i, static_cast<int>(i % 64), 1, 4, QStringLiteral("storm")));
        if (i % 400 == 0) notes.write(QByteArray::number(clock.elapsed()) + ' ' + QByteArray::number(i + 1) + '\n');
        QThread::usleep(50);
    }
}
[[maybe_unused]] const bool registered = (testutil::childInvocation = &stormChild, true);
} // namespace

TEST(Store, AKillDuringAStormLeavesAnIntactFileWithEveryEventOlderThanASecond) {
    QTemporaryDir dir;
    const QString file = dir.filePath("history.sqlite");
    const QString notes = dir.filePath("notes");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--store-storm-child", file, notes});
    ASSERT_TRUE(child.waitForStarted());
    QTest::qWait(2500);
    child.kill(); // SIGKILL: no shut-down of any kind
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    // The events handed over a second before the last note are all in the file.
    std::vector<std::pair<qint64, qint64>> handed; // the notes: when, and how many so far
    for (const QByteArray& line : readBytes(notes).split('\n'))
        if (const QList<QByteArray> f = line.split(' '); f.size() == 2)
            handed.emplace_back(f[0].toLongLong(), f[1].toLongLong());
    ASSERT_GT(handed.size(), 10u);
    qint64 older = 0;
    for (const auto& [ms, count] : handed)
        if (ms <= handed.back().first - 1000) older = count;
    ASSERT_GT(older, 1000);
    EXPECT_EQ(ask(file, "PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(ask(file, QStringLiteral("SELECT count(*) FROM events WHERE time_ms < %1").arg(older)).toLongLong(),
              older);
}
