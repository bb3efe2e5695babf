#include "log/Log.h"

#include "log/LogWriter.h"

#include <QTimer>

// The file's side of the log: reading it again, and the writes that bring it to the picture, on
// the calling thread or on the writer thread.

namespace logfile {

void Log::flush() {
    collectWrite(true);
    finishBatch(false);
}

bool Log::collectWrite(bool wait) {
    if (!writing_) return true;
    LogWrite done;
    if (!writer_->take(&done, wait)) return false;
    writing_ = false;
    completeWrite(done);
    return true;
}

void Log::onWriteDone() {
    if (collectWrite(false)) schedule();
}

void Log::submit(LogWrite write, bool onThread) {
    write.os = &platform::os();
    write.path = switches_.fileName;
    write.startNs = steadyNs();
    if (!onThread || !deadline_) {
        write.perform();
        completeWrite(write);
        return;
    }
    if (!writer_) {
        QTimer* receiver = deadline_.get();
        writer_ = std::make_unique<LogWriter>([this, receiver] {
            QMetaObject::invokeMethod(
                receiver, [this] { onWriteDone(); }, Qt::QueuedConnection);
        });
    }
    writing_ = true;
    writer_->start(std::move(write));
}

void Log::completeWrite(const LogWrite& write) {
    if (write.purpose == LogWrite::Purpose::NoRegularFile) return;
    // A write that failed is lost; the file is read again before the next one.
    pictureValid_ = write.ok;
    if (write.ok) written_ = write.after;
    if (write.purpose == LogWrite::Purpose::Replacement) lastReplaceTookNs_ = write.doneNs - write.startNs;
    // Failed lines before a cut leave the picture ahead of the file: the rest starts a new batch,
    // which reads the file again.
    if (write.purpose == LogWrite::Purpose::LinesBeforeCut && !write.ok) batchOpen_ = false;
}

void Log::finishBatch(bool onThread) {
    if (pending_.empty()) return;
    if (deadline_) deadline_->stop();
    writeBatch(onThread);
    pending_.clear();
    pendingBytes_ = 0;
    batchOpen_ = false;
    applied_ = 0;
    appliedBytes_ = 0;
    batchCut_ = false;
    if (stamps_.size() > 1) stamps_.erase(stamps_.begin(), stamps_.end() - 1);
}

void Log::reload(const platform::FileState& now) {
    pictureValid_ = false;
    if (!now.exists) {
        picture_.clear();
        written_ = now;
        pictureValid_ = true;
        return;
    }
    std::shared_ptr<platform::ReadableFile> file = platform::os().openForReading(switches_.fileName);
    if (!file) return;
    const platform::FileState state = file->state();
    const qint64 limit = static_cast<qint64>(switches_.fileSizeKiB) * 1024;
    // A file far larger than its limit keeps its head on disk; only a tail of the limit's size is read.
    const qint64 whole = 2 * limit + 65536;
    const qint64 tail = state.size <= whole ? state.size : limit;
    QByteArray bytes(tail, Qt::Uninitialized);
    qint64 done = 0;
    while (done < tail) {
        const qint64 n = file->readAt(state.size - tail + done, bytes.data() + done, tail - done);
        if (n <= 0) break;
        done += n;
    }
    if (done < tail) return; // it changed while being read: read again at the next batch
    if (state.size <= whole)
        picture_.assign(bytes);
    else
        picture_.assignWithHead(std::move(file), state.size - tail, bytes, whole);
    written_ = state;
    pictureValid_ = true;
}

void Log::writeLinesBeforeCut() {
    // Only onto the file the picture shows: a file changed meanwhile waits for the batch's write,
    // which reads it again.
    if (platform::os().fileState(switches_.fileName) != written_) {
        batchCut_ = true; // no more splitting in this batch
        return;
    }
    LogWrite write;
    write.purpose = LogWrite::Purpose::LinesBeforeCut;
    write.bytes = picture_.lastBytes(picture_.size() - batchBase_);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(applied_));
    pendingBytes_ -= appliedBytes_;
    applied_ = 0;
    appliedBytes_ = 0;
    batchBase_ = picture_.size();
    firstPendingNs_ = pending_.front().handedNs;
    submit(std::move(write), true);
}

} // namespace logfile
