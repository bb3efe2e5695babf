#pragma once
// The log's writer thread: it performs one file write at a time, an append or a replacement
// through a temporary file, and gives notice when the write is done. The bytes of a write belong
// to whoever started it, who leaves them alone until the finished write is taken back.

#include "platform/Os.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace logfile {

// The steady clock in nanoseconds, which times the batches.
qint64 steadyNs();

struct LogWrite {
    // What the write brings the file to, which decides what its result means for the log. A
    // replacement goes through a temporary file; every other write is an append.
    enum class Purpose : quint8 { Batch, LinesBeforeCut, Replacement, NoRegularFile };

    Purpose purpose = Purpose::Batch;
    platform::OperatingSystem* os = nullptr;
    QString path;
    QString tempPath;
    QByteArray owned;                        // an append's bytes, held by the write itself
    QByteArrayView bytes;                    // or held by the one who started it
    std::vector<platform::FilePiece> pieces; // a replacement's content
    qint64 startNs = 0;

    // The outcome: whether it was written, the file as the write left it, and when it was done.
    bool ok = false;
    platform::FileState after;
    qint64 doneNs = 0;

    void perform();
};

class LogWriter {
public:
    // `done` runs on the writer thread once a write is done; it must not block.
    explicit LogWriter(std::function<void()> done);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Starts a write; the one before must have been taken.
    void start(LogWrite write);
    // Takes the write back once it is done: true with it in `out`. With `wait`, waits for it.
    bool take(LogWrite* out, bool wait);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    LogWrite write_;
    bool busy_ = false; // started and not taken back
    bool done_ = false;
    bool stop_ = false;
    std::function<void()> notice_;
    std::thread thread_;
};

} // namespace logfile
