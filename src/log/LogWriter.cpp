#include "log/LogWriter.h"

#include <chrono>

namespace logfile {

qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void LogWrite::perform() {
    if (purpose == Purpose::Replacement)
        ok = os->replaceFileThrough(tempPath, path, pieces, &after);
    else
        ok = os->appendToFile(path, owned.isNull() ? bytes : QByteArrayView(owned),
                              purpose == Purpose::NoRegularFile ? nullptr : &after);
    doneNs = steadyNs();
}

LogWriter::LogWriter(std::function<void()> done) : notice_(std::move(done)), thread_([this] { run(); }) {}

LogWriter::~LogWriter() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void LogWriter::start(LogWrite write) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        write_ = std::move(write);
        busy_ = true;
        done_ = false;
    }
    changed_.notify_all();
}

bool LogWriter::take(LogWrite* out, bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!busy_) return false;
    if (wait) changed_.wait(lock, [this] { return done_; });
    if (!done_) return false;
    *out = std::move(write_);
    write_ = LogWrite();
    busy_ = false;
    done_ = false;
    return true;
}

void LogWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || (busy_ && !done_); });
        if (stop_) return;
        lock.unlock();
        write_.perform();
        lock.lock();
        // The notice goes out before the write counts as done: whoever waits for the write and
        // then destroys the notice's receiver finds the notice posted already, and so removed
        // with the receiver.
        notice_();
        done_ = true;
        changed_.notify_all();
    }
}

} // namespace logfile
