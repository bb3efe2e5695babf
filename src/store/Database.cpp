#include "store/Database.h"

#include "platform/Platform.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

EventKind kindFrom(const QString& name) {
    if (name == QLatin1String("status")) return EventKind::Status;
    if (name == QLatin1String("connection")) return EventKind::Connection;
    if (name == QLatin1String("settings")) return EventKind::Settings;
    return EventKind::Station;
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

std::vector<Row> Database::rows(const Query& query, bool* more) {
    requireOwnThread();
    std::vector<Row> out;
    if (more) *more = false;
    if (!open_) return out;
    QStringList where{QStringLiteral("time_ms >= :from"), QStringLiteral("time_ms <= :to"),
                      QStringLiteral("(time_ms < :bt OR (time_ms = :bt AND id < :bid))")};
    if (!query.slotNumbers.empty()) {
        QStringList list;
        for (int s : query.slotNumbers) list << QString::number(s);
        where << QStringLiteral("slot IN (%1)").arg(list.join(QLatin1Char(',')));
    }
    if (!query.statuses.empty()) {
        QStringList list;
        for (int s : query.statuses) list << QString::number(s);
        where << QStringLiteral("(kind <> 'status' OR new_status IN (%1))").arg(list.join(QLatin1Char(',')));
    }
    if (!query.connections) where << QStringLiteral("kind <> 'connection'");
    if (!query.textContains.isEmpty()) where << QStringLiteral("text LIKE :like ESCAPE '\\'");
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT id, time_ms, kind, slot, machine, grp, grp_name, old_status, new_status, text,"
                             " code_page, lc_id, repeats, detail,"
                             " (SELECT max(p.time_ms) FROM events p WHERE p.slot = e.slot AND p.time_ms < e.time_ms)"
                             " FROM events e WHERE %1 ORDER BY time_ms DESC, id DESC LIMIT %2")
                  .arg(where.join(QLatin1String(" AND ")))
                  .arg(query.limit + 1));
    q.bindValue(QStringLiteral(":from"), query.fromMs);
    q.bindValue(QStringLiteral(":to"), query.toMs);
    q.bindValue(QStringLiteral(":bt"), query.beforeTimeMs);
    q.bindValue(QStringLiteral(":bid"), query.beforeId);
    if (!query.textContains.isEmpty()) {
        QString pattern = query.textContains;
        pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        q.bindValue(QStringLiteral(":like"), QLatin1Char('%') + pattern + QLatin1Char('%'));
    }
    if (!q.exec()) return out;
    while (q.next()) {
        if (static_cast<int>(out.size()) == query.limit) {
            if (more) *more = true;
            break;
        }
        Row r;
        r.id = q.value(0).toLongLong();
        Event& e = r.event;
        e.timeMs = q.value(1).toLongLong();
        e.kind = kindFrom(q.value(2).toString());
        e.slot = q.value(3).isNull() ? -1 : q.value(3).toInt();
        e.machine = q.value(4).toString();
        e.group = q.value(5).isNull() ? -1 : q.value(5).toInt();
        e.groupName = q.value(6).toString();
        e.oldStatus = q.value(7).isNull() ? -1 : q.value(7).toInt();
        e.newStatus = q.value(8).isNull() ? -1 : q.value(8).toInt();
        e.text = q.value(9).toString();
        e.codePage = q.value(10).toInt();
        e.lcId = q.value(11).toInt();
        e.repeats = q.value(12).toInt();
        e.detail = q.value(13).toString();
        r.previousMs = q.value(14).isNull() ? -1 : q.value(14).toLongLong();
        out.push_back(std::move(r));
    }
    return out;
}

TimeInState Database::timeInState(int slot, qint64 fromMs, qint64 toMs) {
    requireOwnThread();
    TimeInState result;
    if (!open_ || toMs <= fromMs) return result;
    result.totalMs = toMs - fromMs;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    // The state when the range begins: the last status before it, and the last connection state.
    int status = -1;
    QString connection;
    {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("SELECT new_status FROM events WHERE slot = ? AND time_ms < ? AND new_status IS NOT NULL"
                           " ORDER BY time_ms DESC, id DESC LIMIT 1"));
        q.addBindValue(slot);
        q.addBindValue(fromMs);
        if (q.exec() && q.next()) status = q.value(0).toInt();
        q.prepare(QStringLiteral("SELECT detail FROM events WHERE slot = ? AND time_ms < ? AND kind = 'connection'"
                                 " ORDER BY time_ms DESC, id DESC LIMIT 1"));
        q.addBindValue(slot);
        q.addBindValue(fromMs);
        if (q.exec() && q.next()) connection = q.value(0).toString();
    }
    const auto bucket = [&]() {
        if (status < 0 && connection.isEmpty()) return TimeInState::Unknown;
        if (!connection.isEmpty() && connection != QLatin1String("connected")) return TimeInState::NotConnected;
        return status >= 0 && status <= 6 ? status : TimeInState::Unknown;
    };
    qint64 at = fromMs;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT time_ms, kind, new_status, detail FROM events WHERE slot = ? AND time_ms >= ?"
                             " AND time_ms < ? ORDER BY time_ms, id"));
    q.addBindValue(slot);
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    if (q.exec()) {
        while (q.next()) {
            const qint64 t = q.value(0).toLongLong();
            result.ms[static_cast<size_t>(bucket())] += t - at;
            at = t;
            if (!q.value(2).isNull()) status = q.value(2).toInt();
            if (q.value(1).toString() == QLatin1String("connection")) connection = q.value(3).toString();
        }
    }
    result.ms[static_cast<size_t>(bucket())] += toMs - at;
    return result;
}

namespace {
Version versionFrom(const QSqlQuery& q) {
    Version v;
    v.id = q.value(0).toLongLong();
    v.timeMs = q.value(1).toLongLong();
    v.user = q.value(2).toString();
    v.origin = q.value(3).toString();
    v.sha256 = q.value(4).toString().toLatin1();
    v.size = q.value(5).toLongLong();
    v.restoredFrom = q.value(6).toLongLong();
    v.changeCount = q.value(7).toInt();
    return v;
}
const char* const VersionColumns = "id, time_ms, user, origin, sha256, size, coalesce(restored_from, 0),"
                                   " (SELECT count(*) FROM version_changes c WHERE c.version_id = versions.id)";
} // namespace

std::vector<Version> Database::versions() {
    requireOwnThread();
    std::vector<Version> out;
    if (!open_) return out;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT %1 FROM versions ORDER BY id DESC").arg(QLatin1String(VersionColumns))))
        return out;
    while (q.next()) out.push_back(versionFrom(q));
    return out;
}

Version Database::version(qint64 id) {
    requireOwnThread();
    Version v;
    if (!open_) return v;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT %1, content FROM versions WHERE id = ?").arg(QLatin1String(VersionColumns)));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) return v;
    v = versionFrom(q);
    v.content = q.value(8).toByteArray();
    QSqlQuery c(db);
    c.prepare(QStringLiteral("SELECT section, key, old_value, new_value FROM version_changes WHERE version_id = ?"
                             " ORDER BY rowid"));
    c.addBindValue(id);
    if (c.exec())
        while (c.next())
            v.changes.push_back(KeyChange{c.value(0).toString(), c.value(1).toString(),
                                          c.value(2).isNull() ? QString() : c.value(2).toString(),
                                          c.value(3).isNull() ? QString() : c.value(3).toString()});
    return v;
}

Version Database::lastVersion() {
    requireOwnThread();
    if (!open_) return Version{};
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT max(id) FROM versions")) || !q.next() || q.value(0).isNull()) return Version{};
    return version(q.value(0).toLongLong());
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool Database::exportCsv(const Query& query, const QString& file, const std::function<bool(qint64)>& progress,
                         QString* error) {
    requireOwnThread();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error) *error = out.errorString();
        return false;
    }
    out.write("time,slot,machine,group,event,old status,new status,text,changes,previous state lasted (s)\r\n");
    // Newest first in pages, as the window reads them; the file lists the same rows.
    Query page = query;
    page.limit = 5000;
    qint64 written = 0;
    for (;;) {
        bool more = false;
        const std::vector<Row> rows = this->rows(page, &more);
        QByteArray chunk;
        for (const Row& r : rows) {
            const Event& e = r.event;
            const QString kind = e.kind == EventKind::Connection ? e.detail
                                 : e.kind == EventKind::Status   ? QStringLiteral("status")
                                                                 : e.detail;
            QStringList fields{
                QDateTime::fromMSecsSinceEpoch(e.timeMs)
                    .toOffsetFromUtc(QDateTime::fromMSecsSinceEpoch(e.timeMs).offsetFromUtc())
                    .toString(Qt::ISODateWithMs),
                e.slot < 0 ? QString() : QString::number(e.slot),
                csvField(e.machine),
                e.group < 0 ? QString() : csvField(QString::number(e.group + 1) + QLatin1Char(' ') + e.groupName),
                csvField(kind),
                e.oldStatus < 0 ? QString() : QString::number(e.oldStatus),
                e.newStatus < 0 ? QString() : QString::number(e.newStatus),
                csvField(e.text),
                QString::number(e.repeats),
                r.previousMs < 0 ? QString() : QString::number((e.timeMs - r.previousMs) / 1000.0, 'f', 3)};
            chunk += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
        }
        if (out.write(chunk) != chunk.size()) {
            if (error) *error = out.errorString();
            out.cancelWriting();
            return false;
        }
        written += static_cast<qint64>(rows.size());
        if (progress && !progress(written)) {
            out.cancelWriting();
            if (error) *error = QStringLiteral("cancelled");
            return false;
        }
        if (!more || rows.empty()) break;
        page.beforeTimeMs = rows.back().event.timeMs;
        page.beforeId = rows.back().id;
    }
    if (!out.commit()) {
        if (error) *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace store
