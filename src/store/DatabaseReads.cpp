// The store's reads: the History window's pages of rows and its time in state, the settings
// versions, and the CSV export. Like the writes they run on the store's own thread only.
#include "store/Database.h"

#include <QDateTime>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace store {

namespace {
EventKind kindFrom(const QString& name) {
    if (name == QLatin1String("status")) return EventKind::Status;
    if (name == QLatin1String("connection")) return EventKind::Connection;
    if (name == QLatin1String("settings")) return EventKind::Settings;
    return EventKind::Station;
}
} // namespace

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
