#pragma once
// The station's store: the event history in an SQLite file, written and queried by one worker
// thread that owns its own database connection. The event-loop thread hands events to a bounded
// queue and gets results and trouble back as queued signals; it never waits on the disk. When the
// file cannot be written the events wait in the queue, up to its bound, and the writer tries again
// every 10 s; a damaged file is moved aside at the start and a new one begun.

#include "store/Database.h"
#include "store/EventQueue.h"
#include "store/Query.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

namespace store {

class Writer;

class Store : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString path;
        Database::Retention retention;
        bool recordEvents = true; // false: the history is off (events are not kept)
        int commitMs = 250;
        int retryMs = 10000;
        int pruneMs = 3600000;
        QStringList pragmas; // run at every opening (tests)
        qint64 queueEvents = EventQueue::MaxEvents;
        qint64 queueBytes = EventQueue::MaxBytes;
    };

    explicit Store(Options options, QObject* parent = nullptr);
    ~Store() override;

    const Options& options() const { return options_; }

    // Sets the writer up on a thread that does not run yet: what is handed over and asked from
    // now on waits, in order, until start().
    void prepare();
    // Runs the writer thread (set up first when prepare() was not called), which opens the file:
    // returns at once.
    void start();
    // Hands an event over (any thread, never waits); false when the queue was full and it was dropped.
    bool record(Event event);
    // Hands a version of the settings file over; false when the queue was full and it was dropped.
    bool record(std::shared_ptr<const Version> version);
    // Waits at most `ms` for what was handed over to be written and stops the writer; what is not
    // written by then is lost. Requests after it are not answered.
    bool finish(int ms);
    // The versions handed over that still wait to be written (after finish(): the ones lost).
    qint64 waitingVersions() const { return queue_.versions(); }

    // The History window's requests; each answer comes as a signal with the request's number.
    quint64 requestRows(const Query& query);
    quint64 requestTimeInState(int slot, qint64 fromMs, qint64 toMs);
    quint64 requestExport(const Query& query, const QString& file);
    void cancelExport(quint64 request);
    // The versions, newest first (without bytes and changes); one version whole (id 0: the newest).
    quint64 requestVersions();
    quint64 requestVersion(qint64 id);

    // Events waiting in the queue.
    qint64 waiting() const { return queue_.size(); }

signals:
    // The first failure of an episode, and the recovery after it (at most one of each per episode).
    void trouble(const QString& reason);
    void recovered();
    // The file was damaged or not a database and was renamed to `movedTo`.
    void movedAside(const QString& movedTo);
    void opened();
    void rowsReady(quint64 request, const std::vector<store::Row>& rows, bool more);
    void timeInStateReady(quint64 request, const store::TimeInState& figures);
    void exportProgress(quint64 request, qint64 rows);
    void exportFinished(quint64 request, bool ok, const QString& error);
    void versionsReady(quint64 request, const std::vector<store::Version>& versions);
    void versionReady(quint64 request, const store::Version& version);
    // Versions that were handed over but could not be kept (the queue was full).
    void versionsDropped(qint64 count);
    // New versions are in the file (the Settings versions window lists them).
    void versionsWritten();

private:
    Options options_;
    EventQueue queue_;
    QThread* thread_ = nullptr;
    bool started_ = false;
    Writer* writer_ = nullptr; // lives on thread_
    std::atomic<quint64> nextRequest_{0};
    std::shared_ptr<std::atomic<quint64>> cancelled_;
};

} // namespace store

Q_DECLARE_METATYPE(std::vector<store::Row>)
Q_DECLARE_METATYPE(store::TimeInState)
Q_DECLARE_METATYPE(std::vector<store::Version>)
Q_DECLARE_METATYPE(store::Version)
