#include "store/Store.h"

#include "store/Writer.h"

#include <QMetaObject>
#include <QSemaphore>
#include <QThread>

namespace store {

Store::Store(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)), queue_(options_.queueEvents, options_.queueBytes),
      cancelled_(std::make_shared<std::atomic<quint64>>(0)) {
    qRegisterMetaType<std::vector<store::Row>>();
    qRegisterMetaType<store::TimeInState>();
    qRegisterMetaType<std::vector<store::Version>>();
    qRegisterMetaType<store::Version>();
}

Store::~Store() {
    if (thread_) {
        finish(5000);
        if (thread_->isRunning()) {
            thread_->quit();
            thread_->wait();
        }
        delete thread_;
    }
}

void Store::prepare() {
    if (thread_) return;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("store"));
    writer_ = new Writer(options_, queue_, cancelled_);
    writer_->moveToThread(thread_);
    connect(thread_, &QThread::started, writer_, &Writer::begin);
    connect(thread_, &QThread::finished, writer_, &QObject::deleteLater);
    connect(writer_, &Writer::trouble, this, &Store::trouble);
    connect(writer_, &Writer::recovered, this, &Store::recovered);
    connect(writer_, &Writer::movedAside, this, &Store::movedAside);
    connect(writer_, &Writer::opened, this, &Store::opened);
    connect(writer_, &Writer::rowsReady, this, &Store::rowsReady);
    connect(writer_, &Writer::timeInStateReady, this, &Store::timeInStateReady);
    connect(writer_, &Writer::exportProgress, this, &Store::exportProgress);
    connect(writer_, &Writer::exportFinished, this, &Store::exportFinished);
    connect(writer_, &Writer::versionsReady, this, &Store::versionsReady);
    connect(writer_, &Writer::versionReady, this, &Store::versionReady);
    connect(writer_, &Writer::versionsDropped, this, &Store::versionsDropped);
    connect(writer_, &Writer::versionsWritten, this, &Store::versionsWritten);
}

void Store::start() {
    prepare();
    if (!started_) thread_->start();
    started_ = true;
}

bool Store::record(Event event) { return queue_.push(std::move(event)); }

bool Store::record(std::shared_ptr<const Version> version) { return queue_.push(std::move(version)); }

quint64 Store::requestVersions() {
    const quint64 request = ++nextRequest_;
    Writer* writer = writer_;
    if (writer) QMetaObject::invokeMethod(writer, [writer, request] { writer->versions(request); });
    return request;
}

quint64 Store::requestVersion(qint64 id) {
    const quint64 request = ++nextRequest_;
    Writer* writer = writer_;
    if (writer) QMetaObject::invokeMethod(writer, [writer, request, id] { writer->version(request, id); });
    return request;
}

bool Store::finish(int ms) {
    // A store set up but never run still writes what was handed over.
    if (thread_ && !started_) start();
    if (!thread_ || !thread_->isRunning()) return true;
    auto done = std::make_shared<QSemaphore>(0);
    Writer* writer = writer_;
    QMetaObject::invokeMethod(
        writer_,
        [writer, done] {
            writer->finish();
            done->release();
        },
        Qt::QueuedConnection);
    const bool written = done->tryAcquire(1, ms);
    // The writer goes with its thread: later requests are not answered, and never reach it.
    writer_ = nullptr;
    thread_->quit();
    if (written) thread_->wait();
    return written;
}

quint64 Store::requestRows(const Query& query) {
    const quint64 request = ++nextRequest_;
    Writer* writer = writer_;
    if (writer) QMetaObject::invokeMethod(writer, [writer, request, query] { writer->rows(request, query); });
    return request;
}

quint64 Store::requestTimeInState(int slot, qint64 fromMs, qint64 toMs) {
    const quint64 request = ++nextRequest_;
    Writer* writer = writer_;
    if (writer)
        QMetaObject::invokeMethod(
            writer, [writer, request, slot, fromMs, toMs] { writer->timeInState(request, slot, fromMs, toMs); });
    return request;
}

quint64 Store::requestExport(const Query& query, const QString& file) {
    const quint64 request = ++nextRequest_;
    Writer* writer = writer_;
    if (writer)
        QMetaObject::invokeMethod(writer, [writer, request, query, file] { writer->exportCsv(request, query, file); });
    return request;
}

void Store::cancelExport(quint64 request) { cancelled_->store(request); }

} // namespace store
