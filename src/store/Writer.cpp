#include "store/Writer.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace store {

namespace {
qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }
constexpr int PruneBatchesPerTurn = 1; // one batch, then the queue has its turn again
} // namespace

Writer::Writer(Store::Options options, EventQueue& queue, std::shared_ptr<std::atomic<quint64>> cancelled)
    : options_(std::move(options)), queue_(queue), cancelled_(std::move(cancelled)) {}

Writer::~Writer() = default;

void Writer::requireOwnThread() const {
    if (QThread::currentThread() != thread()) {
        std::fprintf(stderr, "store: its writer was called from a thread not its own\n");
        std::abort();
    }
}

void Writer::begin() {
    requireOwnThread();
    db_ = std::make_unique<Database>(options_.path, options_.pragmas);
    commit_ = new QTimer(this);
    commit_->setInterval(options_.commitMs);
    connect(commit_, &QTimer::timeout, this, &Writer::drain);
    commit_->start();
    pruneTimer_ = new QTimer(this);
    pruneTimer_->setInterval(options_.pruneMs);
    connect(pruneTimer_, &QTimer::timeout, this, &Writer::prune);
    pruneTimer_->start();
    if (ensureOpen()) prune();
}

void Writer::failed(const QString& reason) {
    retryAtMs_ = nowMs() + options_.retryMs;
    if (db_) db_->close(); // opened again, and checked, at the next try
    if (inTrouble_) return;
    inTrouble_ = true;
    emit trouble(reason);
}

bool Writer::ensureOpen() {
    if (db_->isOpen()) return true;
    if (inTrouble_ && nowMs() < retryAtMs_) return false;
    QString error, movedTo;
    switch (db_->open(&error, &movedTo)) {
    case Database::OpenResult::MovedAside: emit movedAside(movedTo); break;
    case Database::OpenResult::Opened: break;
    case Database::OpenResult::Failed: failed(error); return false;
    }
    emit opened();
    return true;
}

void Writer::drain() {
    requireOwnThread();
    if (!db_ || !ensureOpen()) return; // what waits stays in the queue, within its bound
    qint64 lost = 0, lostVersions = 0;
    std::vector<Item> events = queue_.take(&lost, &lostVersions);
    if (lostVersions > 0) emit versionsDropped(lostVersions);
    if (events.empty() && lost == 0) return;
    QString error;
    if (db_->insert(events, lost, &error)) {
        if (inTrouble_) {
            inTrouble_ = false;
            emit recovered();
        }
        if (std::any_of(events.begin(), events.end(), [](const Item& item) { return item.version != nullptr; }))
            emit versionsWritten();
        return;
    }
    queue_.giveBack(std::move(events), lost);
    failed(error);
}

void Writer::prune() {
    requireOwnThread();
    if (!db_ || !db_->isOpen()) return;
    QString error;
    bool more = false;
    for (int batch = 0; batch < PruneBatchesPerTurn; ++batch)
        if (!(more = db_->prune(options_.retention, nowMs(), &error))) break;
    if (more) QTimer::singleShot(0, this, &Writer::prune);
}

void Writer::finish() {
    requireOwnThread();
    if (commit_) commit_->stop();
    if (pruneTimer_) pruneTimer_->stop();
    if (!db_) return;
    retryAtMs_ = 0; // one last try, also in trouble
    drain();
    db_->close();
}

void Writer::rows(quint64 request, const Query& query) {
    requireOwnThread();
    bool more = false;
    std::vector<Row> rows;
    if (db_ && ensureOpen()) rows = db_->rows(query, &more);
    emit rowsReady(request, rows, more);
}

void Writer::timeInState(quint64 request, int slot, qint64 fromMs, qint64 toMs) {
    requireOwnThread();
    TimeInState figures;
    if (db_ && ensureOpen()) figures = db_->timeInState(slot, fromMs, toMs);
    emit timeInStateReady(request, figures);
}

void Writer::versions(quint64 request) {
    requireOwnThread();
    std::vector<Version> list;
    if (db_ && ensureOpen()) {
        drain(); // a version just handed over is in the list
        list = db_->versions();
    }
    emit versionsReady(request, list);
}

void Writer::version(quint64 request, qint64 id) {
    requireOwnThread();
    Version v;
    if (db_ && ensureOpen()) {
        drain();
        v = id > 0 ? db_->version(id) : db_->lastVersion();
    }
    emit versionReady(request, v);
}

void Writer::exportCsv(quint64 request, const Query& query, const QString& file) {
    requireOwnThread();
    if (!db_ || !ensureOpen()) {
        emit exportFinished(request, false, QStringLiteral("the history cannot be read"));
        return;
    }
    // What waits is written first, so that the file holds everything recorded so far.
    drain();
    QString error;
    const bool ok = db_->exportCsv(
        query, file,
        [&](qint64 written) {
            emit exportProgress(request, written);
            return cancelled_->load() != request;
        },
        &error);
    emit exportFinished(request, ok, error);
}

} // namespace store
