#pragma once
// The event history's SQLite file, reached through Qt SQL: schema, writes, retention and the
// queries of the History window. An instance belongs to the thread that created it (the store's
// writer thread); every entry point checks that and stops the program when it is reached from
// another one, so that the event-loop thread never waits on the disk.

#include "store/Event.h"
#include "store/EventQueue.h"
#include "store/Query.h"
#include "store/Version.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QThread;

namespace store {

class Database {
public:
    // The schema's version, kept in PRAGMA user_version: 1 had the events, 2 added the settings
    // versions.
    static constexpr int SchemaVersion = 2;

    struct Retention {
        int days = 90;                  // 0: rows are never removed for their age
        qint64 maxBytes = 1024LL << 20; // pages in use plus the -wal file
    };

    // `pragmas` run after every opening (tests set limits through them).
    explicit Database(QString path, QStringList pragmas = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }

    enum class OpenResult { Opened, MovedAside, Failed };
    // Opens the file, creating it and its folder. A file that is not a database, or fails its
    // quick check, is renamed to "<name>.corrupt-<UTC time>" and a new one started; `movedTo`
    // then names it. On failure `error` says why, and nothing was moved.
    OpenResult open(QString* error, QString* movedTo = nullptr);
    bool isOpen() const { return open_; }
    void close();

    // The events in one transaction, and one row for `lost` events when that is above 0.
    bool insert(const std::vector<Event>& events, qint64 lost, QString* error);
    // Events and versions, in their order, in one transaction.
    bool insert(const std::vector<Item>& items, qint64 lost, QString* error);

    // One batch of retention: at most 5000 rows or about 50 ms. First rows older than
    // `retention.days`, then the oldest rows while the file uses more than its cap (the versions do
    // not count). Versions older than five years go when they are not among the last 200. True
    // when more is left to do.
    bool prune(const Retention& retention, qint64 nowMs, QString* error);
    // Pages in use plus the -wal file, in bytes, without what the versions hold.
    qint64 usedBytes();
    qint64 eventCount();

    // The settings versions, newest first, without their bytes and changes; one of them whole; the
    // newest one (id 0 when there is none).
    std::vector<Version> versions();
    Version version(qint64 id);
    Version lastVersion();

    // The History window's reads.
    std::vector<Row> rows(const Query& query, bool* more);
    TimeInState timeInState(int slot, qint64 fromMs, qint64 toMs);
    // Writes every row of the query, newest first as the window shows them, as CSV (RFC 4180, UTF-8, local ISO 8601
    // times with their offset) to `file`, completely or not at all. `progress` gets the rows written and returns false
    // to cancel.
    bool exportCsv(const Query& query, const QString& file, const std::function<bool(qint64)>& progress,
                   QString* error);

private:
    void requireOwnThread() const;
    bool exec(const QString& sql, QString* error);
    bool setUp(QString* error, bool* damaged);

    QString path_;
    QStringList pragmas_;
    QString connection_;
    QThread* owner_;
    bool open_ = false;
};

// The CSV form of one field: quoted when it holds a comma, a quote or a line break, with quotes
// doubled.
QString csvField(const QString& text);

} // namespace store
