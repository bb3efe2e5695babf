#include "store/Database.h"

#include "platform/Platform.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace store {

namespace {
constexpr int PruneBatchRows = 5000;
constexpr qint64 PruneBatchMs = 50;

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("vrr-store-%1").arg(++counter);
}

QVariant orNull(int value, int none = -1) { return value == none ? QVariant() : QVariant(value); }
QVariant orNull(const QString& text) { return text.isNull() ? QVariant() : QVariant(text); }

// SQLite's codes for a file that is not a database, and for a damaged one.
bool isDamage(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11") ||
           error.databaseText().contains(QLatin1String("not a database")) ||
           error.databaseText().contains(QLatin1String("malformed"));
}

const char* const Schema[] = {
    "CREATE TABLE IF NOT EXISTS events ("
    " id INTEGER PRIMARY KEY,"
    " time_ms INTEGER NOT NULL,"
    " kind TEXT NOT NULL,"
    " slot INTEGER,"
    " machine TEXT,"
    " grp INTEGER,"
    " grp_name TEXT,"
    " old_status INTEGER,"
    " new_status INTEGER,"
    " text TEXT,"
    " code_page INTEGER,"
    " lc_id INTEGER,"
    " repeats INTEGER NOT NULL DEFAULT 1,"
    " detail TEXT)",
    "CREATE INDEX IF NOT EXISTS events_time ON events(time_ms)",
    "CREATE INDEX IF NOT EXISTS events_slot_time ON events(slot, time_ms)",
    "CREATE TABLE IF NOT EXISTS versions ("
    " id INTEGER PRIMARY KEY,"
    " time_ms INTEGER NOT NULL,"
    " user TEXT,"
    " origin TEXT NOT NULL,"
    " sha256 TEXT NOT NULL,"
    " size INTEGER NOT NULL,"
    " content BLOB,"
    " restored_from INTEGER)",
    "CREATE TABLE IF NOT EXISTS version_changes ("
    " version_id INTEGER NOT NULL REFERENCES versions(id),"
    " section TEXT NOT NULL,"
    " key TEXT NOT NULL,"
    " old_value TEXT,"
    " new_value TEXT)",
    "CREATE INDEX IF NOT EXISTS version_changes_version ON version_changes(version_id)",
};
constexpr qint64 FiveYearsMs = 5LL * 366 * 86400000;
constexpr int VersionsKept = 200;
} // namespace

Database::Database(QString path, QStringList pragmas)
    : path_(std::move(path)), pragmas_(std::move(pragmas)), connection_(nextConnectionName()),
      owner_(QThread::currentThread()) {}

Database::~Database() { close(); }

void Database::requireOwnThread() const {
    // Never reached from another thread: the event-loop thread must not wait on the disk.
    if (QThread::currentThread() != owner_) {
        std::fprintf(stderr, "store: the database of %s was reached from a thread not its own\n", qPrintable(path_));
        std::abort();
    }
}

void Database::close() {
    requireOwnThread();
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
    open_ = false;
}

bool Database::exec(const QString& sql, QString* error) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (q.exec(sql)) return true;
    if (error) *error = q.lastError().databaseText().isEmpty() ? q.lastError().text() : q.lastError().databaseText();
    return false;
}

bool Database::setUp(QString* error, bool* damaged) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const auto fail = [&](const QSqlError& e) {
        *damaged = isDamage(e);
        if (error) *error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        return false;
    };
    QSqlQuery q(db);
    // A new file gets incremental vacuum before its first table.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) return fail(q.lastError());
    q.next();
    const bool fresh = q.value(0).toLongLong() == 0;
    if (fresh && !q.exec(QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"))) return fail(q.lastError());
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) return fail(q.lastError());
    for (const char* statement : {"PRAGMA synchronous = NORMAL", "PRAGMA journal_size_limit = 16777216"})
        if (!q.exec(QLatin1String(statement))) return fail(q.lastError());
    if (!q.exec(QStringLiteral("PRAGMA quick_check"))) return fail(q.lastError());
    q.next();
    if (q.value(0).toString() != QLatin1String("ok")) {
        *damaged = true;
        if (error) *error = QStringLiteral("quick check: ") + q.value(0).toString();
        return false;
    }
    for (const char* statement : Schema)
        if (!q.exec(QLatin1String(statement))) return fail(q.lastError());
    // A file of an older schema gets the tables it lacks (created above); the version goes up.
    if (!q.exec(QStringLiteral("PRAGMA user_version"))) return fail(q.lastError());
    q.next();
    if (q.value(0).toInt() < SchemaVersion && !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)))
        return fail(q.lastError());
    for (const QString& pragma : pragmas_)
        if (!q.exec(pragma)) return fail(q.lastError());
    return true;
}

Database::OpenResult Database::open(QString* error, QString* movedTo) {
    requireOwnThread();
    close();
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error) *error = QStringLiteral("the folder cannot be created");
        return OpenResult::Failed;
    }
    if (info.exists() && !info.isFile()) {
        if (error) *error = QStringLiteral("not a regular file");
        return OpenResult::Failed;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        // SQLite gives its -wal and -shm files the database file's permissions: all three are
        // writable by the station's group.
        QString why;
        if (!platform::makeGroupWritable(path_, &why)) {
            if (error) *error = why;
            return OpenResult::Failed;
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
            db.setDatabaseName(path_);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
            bool damaged = false;
            if (!db.open()) {
                if (error) *error = db.lastError().text();
                damaged = isDamage(db.lastError());
            } else if (setUp(error, &damaged)) {
                open_ = true;
                return attempt == 0 ? OpenResult::Opened : OpenResult::MovedAside;
            }
            db.close();
            if (!damaged || attempt == 1) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(connection_);
                return OpenResult::Failed;
            }
        }
        QSqlDatabase::removeDatabase(connection_);
        // Damaged or not a database: kept aside for service staff, and a new file started.
        const QString aside = path_ + QLatin1String(".corrupt-") +
                              QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        if (!QFile::rename(path_, aside)) {
            if (error) *error = QStringLiteral("damaged, and it cannot be moved aside");
            return OpenResult::Failed;
        }
        for (const char* companion : {"-wal", "-shm"}) {
            const QString file = path_ + QLatin1String(companion);
            if (QFileInfo::exists(file)) QFile::rename(file, aside + QLatin1String(companion));
        }
        if (movedTo) *movedTo = aside;
    }
    return OpenResult::Failed;
}

bool Database::insert(const std::vector<Event>& events, qint64 lost, QString* error) {
    std::vector<Item> items;
    items.reserve(events.size());
    for (const Event& e : events) items.push_back(Item{e, nullptr});
    return insert(items, lost, error);
}

bool Database::insert(const std::vector<Item>& items, qint64 lost, QString* error) {
    requireOwnThread();
    if (!open_) {
        if (error) *error = QStringLiteral("not open");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) {
        if (error) *error = db.lastError().databaseText();
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO events (time_ms, kind, slot, machine, grp, grp_name, old_status, new_status,"
                             " text, code_page, lc_id, repeats, detail) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    const auto add = [&](const Event& e) {
        q.bindValue(0, e.timeMs);
        q.bindValue(1, QLatin1String(kindName(e.kind)));
        q.bindValue(2, orNull(e.slot));
        q.bindValue(3, orNull(e.machine));
        q.bindValue(4, orNull(e.group));
        q.bindValue(5, orNull(e.groupName));
        q.bindValue(6, orNull(e.oldStatus));
        q.bindValue(7, orNull(e.newStatus));
        q.bindValue(8, orNull(e.text));
        q.bindValue(9, e.slot < 0 ? QVariant() : QVariant(e.codePage));
        q.bindValue(10, e.slot < 0 ? QVariant() : QVariant(e.lcId));
        q.bindValue(11, e.repeats);
        q.bindValue(12, orNull(e.detail));
        return q.exec();
    };
    QSqlQuery v(db), c(db);
    v.prepare(QStringLiteral("INSERT INTO versions (time_ms, user, origin, sha256, size, content, restored_from)"
                             " VALUES (?,?,?,?,?,?,?)"));
    c.prepare(QStringLiteral("INSERT INTO version_changes (version_id, section, key, old_value, new_value)"
                             " VALUES (?,?,?,?,?)"));
    const auto addVersion = [&](const Version& version) {
        v.bindValue(0, version.timeMs);
        v.bindValue(1, version.user);
        v.bindValue(2, version.origin);
        v.bindValue(3, QString::fromLatin1(version.sha256));
        v.bindValue(4, version.size);
        v.bindValue(5, version.size > Version::MaxContentBytes ? QVariant() : QVariant(version.content));
        v.bindValue(6, version.restoredFrom > 0 ? QVariant(version.restoredFrom) : QVariant());
        if (!v.exec()) return false;
        const qint64 id = v.lastInsertId().toLongLong();
        for (const KeyChange& change : version.changes) {
            c.bindValue(0, id);
            c.bindValue(1, change.section);
            c.bindValue(2, change.key);
            c.bindValue(3, orNull(change.oldValue));
            c.bindValue(4, orNull(change.newValue));
            if (!c.exec()) return false;
        }
        return true;
    };
    bool ok = true;
    for (const Item& item : items) {
        ok = item.version ? addVersion(*item.version) : add(item.event);
        if (!ok) break;
    }
    if (ok && lost > 0) {
        Event row;
        row.timeMs = QDateTime::currentMSecsSinceEpoch();
        row.kind = EventKind::Station;
        row.detail = QStringLiteral("events lost");
        row.text = QStringLiteral("%1 events could not be kept while the history could not be saved").arg(lost);
        row.repeats = static_cast<int>(std::min<qint64>(lost, INT32_MAX));
        ok = add(row);
    }
    if (ok && db.commit()) return true;
    if (error)
        *error = q.lastError().databaseText().isEmpty() ? db.lastError().databaseText() : q.lastError().databaseText();
    db.rollback();
    return false;
}

qint64 Database::usedBytes() {
    requireOwnThread();
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    const auto pragma = [&q](const char* name) {
        if (!q.exec(QLatin1String(name)) || !q.next()) return qint64(0);
        return q.value(0).toLongLong();
    };
    const qint64 pages = pragma("PRAGMA page_count") - pragma("PRAGMA freelist_count");
    const qint64 pageSize = pragma("PRAGMA page_size");
    // The versions never count towards the history's cap.
    const qint64 versions = pragma("SELECT coalesce(sum(length(content)) + 200 * count(*), 0) FROM versions") +
                            pragma("SELECT coalesce(sum(length(section) + length(key) + coalesce(length(old_value), 0)"
                                   " + coalesce(length(new_value), 0) + 40), 0) FROM version_changes");
    return std::max<qint64>(0, pages * pageSize + QFileInfo(path_ + QLatin1String("-wal")).size() - versions);
}

qint64 Database::eventCount() {
    requireOwnThread();
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT count(*) FROM events")) || !q.next()) return -1;
    return q.value(0).toLongLong();
}

bool Database::prune(const Retention& retention, qint64 nowMs, QString* error) {
    requireOwnThread();
    if (!open_) return false;
    QElapsedTimer clock;
    clock.start();
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    int left = PruneBatchRows;
    const auto deleteSome = [&](const QString& where, int rows) -> int {
        // Row by row in small steps, so that one batch stays within its time.
        int deleted = 0;
        while (deleted < rows && clock.elapsed() < PruneBatchMs) {
            const int step = std::min(500, rows - deleted);
            if (!q.exec(QStringLiteral("DELETE FROM events WHERE id IN (SELECT id FROM events %1 ORDER BY time_ms, id "
                                       "LIMIT %2)")
                            .arg(where)
                            .arg(step))) {
                if (error) *error = q.lastError().databaseText();
                return -1;
            }
            const int n = q.numRowsAffected();
            deleted += n;
            if (n < step) break;
        }
        return deleted;
    };
    // Versions: kept five years, and the last 200 always.
    q.exec(QStringLiteral("DELETE FROM version_changes WHERE version_id IN (SELECT id FROM versions WHERE time_ms < %1"
                          " AND id NOT IN (SELECT id FROM versions ORDER BY id DESC LIMIT %2))")
               .arg(nowMs - FiveYearsMs)
               .arg(VersionsKept));
    q.exec(QStringLiteral("DELETE FROM versions WHERE time_ms < %1 AND id NOT IN (SELECT id FROM versions ORDER BY id"
                          " DESC LIMIT %2)")
               .arg(nowMs - FiveYearsMs)
               .arg(VersionsKept));
    bool more = false;
    if (retention.days > 0) {
        const qint64 cutoff = nowMs - static_cast<qint64>(retention.days) * 86400000;
        const int n = deleteSome(QStringLiteral("WHERE time_ms < %1").arg(cutoff), left);
        if (n < 0) return false;
        left -= n;
        more = left == 0 || clock.elapsed() >= PruneBatchMs;
    }
    if (!more && usedBytes() > retention.maxBytes) {
        const int n = deleteSome(QString(), left);
        if (n < 0) return false;
        // The freed pages go back to the file system, and the -wal file is cut down.
        q.exec(QStringLiteral("PRAGMA incremental_vacuum"));
        q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        more = n > 0 && usedBytes() > retention.maxBytes;
    }
    return more;
}

} // namespace store
