#pragma once
// The store's worker: lives on the store's thread, owns the database connection, drains the
// queue into the file every commit interval, prunes, and answers the window's requests. Internal
// to the store.

#include "store/Store.h"

#include <QObject>

class QTimer;

namespace store {

class Writer : public QObject {
    Q_OBJECT
public:
    Writer(Store::Options options, EventQueue& queue, std::shared_ptr<std::atomic<quint64>> cancelled);
    ~Writer() override;

    // All of these run on the writer's thread.
    void begin();
    void drain();
    void finish();
    void rows(quint64 request, const Query& query);
    void timeInState(quint64 request, int slot, qint64 fromMs, qint64 toMs);
    void exportCsv(quint64 request, const Query& query, const QString& file);
    void versions(quint64 request);
    void version(quint64 request, qint64 id);

signals:
    void trouble(const QString& reason);
    void recovered();
    void movedAside(const QString& movedTo);
    void opened();
    void rowsReady(quint64 request, const std::vector<store::Row>& rows, bool more);
    void timeInStateReady(quint64 request, const store::TimeInState& figures);
    void exportProgress(quint64 request, qint64 rows);
    void exportFinished(quint64 request, bool ok, const QString& error);
    void versionsReady(quint64 request, const std::vector<store::Version>& versions);
    void versionReady(quint64 request, const store::Version& version);
    void versionsDropped(qint64 count);
    void versionsWritten();

private:
    void requireOwnThread() const;
    bool ensureOpen();
    void failed(const QString& reason);
    void prune();

    Store::Options options_;
    EventQueue& queue_;
    std::shared_ptr<std::atomic<quint64>> cancelled_;
    std::unique_ptr<Database> db_;
    QTimer* commit_ = nullptr;
    QTimer* pruneTimer_ = nullptr;
    bool inTrouble_ = false;
    qint64 retryAtMs_ = 0;
};

} // namespace store
