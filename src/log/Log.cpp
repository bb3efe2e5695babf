#include "log/Log.h"

#include "base/AnsiCodec.h"
#include "log/LogWriter.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cstdlib>

using namespace base;

namespace logfile {

namespace {
constexpr QByteArrayView LineEnd{"\r\n"};
constexpr QByteArrayView ReceivedArrow{" -> C "};
constexpr QByteArrayView SentArrow{" <- C "};

// Every log of the process, for the hook that writes what waits when the process ends.
std::vector<Log*>& liveLogs() {
    static std::vector<Log*> logs;
    return logs;
}

void flushAtExit() { Log::flushAll(); }

void enlist(Log* log) {
    std::vector<Log*>& logs = liveLogs();
    // Registered after the list and the operating system exist, so the hook runs before either
    // is destroyed.
    platform::nativeOs();
    static const bool hooked = (std::atexit(flushAtExit), true);
    (void)hooked;
    logs.push_back(log);
}

void delist(Log* log) {
    std::vector<Log*>& logs = liveLogs();
    logs.erase(std::remove(logs.begin(), logs.end(), log), logs.end());
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

qint64 wallClockMs() { return QDateTime::currentMSecsSinceEpoch(); }
} // namespace

Log::Log() : clock_(wallClockMs) { enlist(this); }

Log::Log(LogSwitches switches) : switches_(std::move(switches)), clock_(wallClockMs) { enlist(this); }

Log::~Log() {
    flush();
    // The thread stops before the timer its notices go to.
    writer_.reset();
    delist(this);
}

void Log::flushAll() {
    for (Log* log : liveLogs()) log->flush();
}

void Log::configure(LogSwitches switches) {
    flush();
    switches_ = std::move(switches);
    pictureValid_ = false;
    special_ = false;
}

QString Log::dateTextAt(qint64 msSinceEpoch) {
    return QLocale::system().toString(QDateTime::fromMSecsSinceEpoch(msSinceEpoch).date(), QLocale::ShortFormat);
}

QString Log::timeTextAt(qint64 msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch).time().toString(QStringLiteral("HH:mm:ss"));
}

QString Log::dateText() { return dateTextAt(wallClockMs()); }

QString Log::timeText() { return timeTextAt(wallClockMs()); }

QByteArray Log::asLogged(QByteArrayView wireText) {
    if (isAscii(wireText)) return wireText.toByteArray();
    const AnsiCodec& codec = AnsiCodec::workstation();
    return codec.encode(codec.decode(wireText));
}

int Log::currentStamp() {
    // The texts change once a second: they are made once per second, not per line.
    const qint64 ms = clock_();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (!stamps_.empty() && stamps_.back().second == second) return static_cast<int>(stamps_.size()) - 1;
    const QString date = dateTextAt(ms);
    const QString time = timeTextAt(ms);
    const AnsiCodec& codec = AnsiCodec::workstation();
    Stamp stamp;
    stamp.second = second;
    stamp.lineStamp = codec.encode(date + QLatin1String(" # ") + time + QLatin1String(" # "));
    stamp.header = codec.encode(date + QLatin1String("; ") + time + QLatin1String("; File size reduced")) + "\r\n";
    stamps_.push_back(std::move(stamp));
    return static_cast<int>(stamps_.size()) - 1;
}

qint64 Log::lineLength(const Entry& e) const {
    if (e.kind == Kind::Whole) return e.text.size() + 2;
    char digits[12];
    const qint64 n = std::to_chars(digits, digits + sizeof(digits), e.connection).ptr - digits;
    return 1 + n + ReceivedArrow.size() + stamps_[static_cast<size_t>(e.stamp)].lineStamp.size() + e.text.size() + 2;
}

void Log::add(Kind kind, int connection, QByteArray text, int stamp) {
    Entry e{std::move(text), 0, steadyNs(), connection, stamp, kind};
    e.length = lineLength(e);
    pendingBytes_ += e.length;
    pending_.push_back(std::move(e));
    if (pending_.size() == 1) {
        firstPendingNs_ = pending_.front().handedNs;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (!dispatcher) {
            // No event loop on this thread: every line is written at once.
            flush();
            return;
        }
        if (!deadline_) {
            deadline_ = std::make_unique<QTimer>();
            deadline_->setSingleShot(true);
            deadline_->setTimerType(Qt::PreciseTimer);
            QObject::connect(deadline_.get(), &QTimer::timeout, deadline_.get(), [this] { onTimer(); });
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, deadline_.get(),
                             [this] { onIdle(); });
        }
        schedule();
    }
    if (pendingBytes_ > MaxPendingBytes) flush();
}

namespace {
constexpr qint64 BatchNs = static_cast<qint64>(Log::BatchMs) * 1000000;
}

bool Log::cutWaits() const {
    if (special_) return false;
    if (!pictureValid_) return true; // not known before the file is read: it may
    return batchCut_ ||
           picture_.size() + pendingBytes_ - appliedBytes_ > static_cast<qint64>(switches_.fileSizeKiB) * 1024;
}

qint64 Log::dueNs() const {
    // The oldest line is to be in the file within 20 ms: the write starts early by what the last
    // replacement took and a millisecond more. A replacement waits until 20 ms after the start of
    // the one before.
    constexpr qint64 Margin = 1000000;
    qint64 due = firstPendingNs_ + BatchNs - std::min(lastReplaceTookNs_, BatchNs / 4) - Margin;
    if (replacedOnce_ && cutWaits()) due = std::max(due, lastReplaceNs_ + BatchNs);
    return due;
}

void Log::schedule() {
    if (pending_.empty() || !deadline_) return;
    // Whole milliseconds, rounded down: a timer that fires early looks again.
    const int wait = static_cast<int>(std::max<qint64>(0, dueNs() - steadyNs()) / 1000000);
    if (!deadline_->isActive() || deadline_->remainingTime() != wait) deadline_->start(wait);
}

void Log::onTimer() {
    // A write under way: its notice looks again.
    if (pending_.empty() || writing_) return;
    if (steadyNs() >= dueNs()) {
        finishBatch(true);
        return;
    }
    applyPending();
    schedule();
}

void Log::onIdle() {
    if (pending_.empty() || writing_) return;
    if (!cutWaits() || !replacedOnce_ || steadyNs() - lastReplaceNs_ >= BatchNs) {
        finishBatch(true);
        return;
    }
    // The replacement waits for its turn; meanwhile the lines go into the picture, so that the
    // write has only to write, and those before the first cut go to the file now.
    applyPending(true);
    if (writing_) return; // the lines before the cut: the rest waits for their write
    if (!cutWaits()) {
        finishBatch(true);
        return;
    }
    schedule();
}

void Log::openBatch() {
    const platform::FileState now = platform::os().fileState(switches_.fileName);
    special_ = now.exists && !now.regular;
    if (!special_ && (!pictureValid_ || now != written_)) reload(now);
    batchOpen_ = true;
    applied_ = 0;
    appliedBytes_ = 0;
    batchBase_ = picture_.size();
    batchCut_ = false;
}

void Log::applyEntry(const Entry& e) {
    const qint64 limit = static_cast<qint64>(switches_.fileSizeKiB) * 1024;
    const qint64 cutAt = LogPicture::cutIndex(switches_.fileSizeKiB);
    const Stamp& stamp = stamps_[static_cast<size_t>(e.stamp)];
    bool cut = false;
    if (e.kind == Kind::Whole) {
        cut = picture_.appendLine({e.text, LineEnd}, limit, cutAt, stamp.header);
    } else {
        char digits[12];
        const QByteArrayView number(digits, std::to_chars(digits, digits + sizeof(digits), e.connection).ptr - digits);
        cut = picture_.appendLine(
            {"S", number, e.kind == Kind::Sent ? SentArrow : ReceivedArrow, stamp.lineStamp, e.text, LineEnd}, limit,
            cutAt, stamp.header);
    }
    batchCut_ = batchCut_ || cut;
}

void Log::applyPending(bool splitBeforeCut) {
    if (!batchOpen_) openBatch();
    if (special_ || !pictureValid_) return;
    const qint64 limit = static_cast<qint64>(switches_.fileSizeKiB) * 1024;
    while (applied_ < pending_.size()) {
        const Entry& e = pending_[applied_];
        // A line cuts exactly when the picture is larger than the limit with it.
        if (splitBeforeCut && !batchCut_ && applied_ > 0 && picture_.size() + e.length > limit) {
            writeLinesBeforeCut();
            if (writing_ || !batchOpen_) return;
            continue;
        }
        applyEntry(e);
        appliedBytes_ += e.length;
        ++applied_;
    }
}

void Log::writeBatch(bool onThread) {
    platform::OperatingSystem& os = platform::os();
    const QString& path = switches_.fileName;
    if (batchOpen_ && !special_) {
        // Another program may have changed the file since the batch began: it is read again and
        // the batch's lines are applied anew.
        const platform::FileState now = os.fileState(path);
        if (now.exists && !now.regular) {
            special_ = true;
        } else if (!pictureValid_ || now != written_) {
            openBatch();
        }
    }
    applyPending();
    if (special_ || !pictureValid_) {
        // Not a regular file (or one that cannot be read): the lines are only appended, never
        // read back or cut.
        pictureValid_ = false;
        QByteArray all;
        all.reserve(pendingBytes_);
        char digits[12];
        for (const Entry& e : pending_) {
            if (e.kind != Kind::Whole) {
                all.append('S');
                all.append(digits, std::to_chars(digits, digits + sizeof(digits), e.connection).ptr - digits);
                all.append(e.kind == Kind::Sent ? SentArrow : ReceivedArrow);
                all.append(stamps_[static_cast<size_t>(e.stamp)].lineStamp);
            }
            all.append(e.text).append(LineEnd);
        }
        LogWrite write;
        write.purpose = LogWrite::Purpose::NoRegularFile;
        write.owned = std::move(all);
        submit(std::move(write), onThread);
        return;
    }
    LogWrite write;
    if (!batchCut_) {
        write.bytes = picture_.lastBytes(picture_.size() - batchBase_);
    } else {
        // Replacements are counted from their start, so that one every 20 ms keeps every line
        // within 20 ms of the file however long the write takes.
        lastReplaceNs_ = steadyNs();
        replacedOnce_ = true;
        write.purpose = LogWrite::Purpose::Replacement;
        write.tempPath = path + QLatin1String(".tmp");
        write.pieces = picture_.pieces();
    }
    submit(std::move(write), onThread);
}

void Log::LogSchreiben(const QString& text, bool systemLine, bool dataLine) {
    if (!((systemLine && switches_.system) || (dataLine && switches_.data))) return;
    add(Kind::Whole, 0, AnsiCodec::workstation().encode(text), currentStamp());
}

void Log::system(const QString& message) {
    if (!switches_.system) return;
    const int stamp = currentStamp();
    add(Kind::Whole, 0,
        "C System " + stamps_[static_cast<size_t>(stamp)].lineStamp + AnsiCodec::workstation().encode(message), stamp);
}

void Log::dataReceived(int connection, const QString& text) {
    if (!switches_.data) return;
    add(Kind::Received, connection, AnsiCodec::workstation().encode(text), currentStamp());
}

void Log::dataSent(int connection, const QString& text) {
    if (!switches_.data) return;
    add(Kind::Sent, connection, AnsiCodec::workstation().encode(text), currentStamp());
}

void Log::dataReceivedEncoded(int connection, const QByteArray& text) {
    if (!switches_.data) return;
    add(Kind::Received, connection, text, currentStamp());
}

void Log::dataSentEncoded(int connection, const QByteArray& text) {
    if (!switches_.data) return;
    add(Kind::Sent, connection, text, currentStamp());
}

void Log::debug(QLatin1String name, QLatin1String suffix) {
    if (!debugOn()) return;
    QByteArray line;
    line.reserve(8 + name.size() + suffix.size());
    line.append("C Debug ").append(name.data(), name.size()).append(suffix.data(), suffix.size());
    add(Kind::Whole, 0, std::move(line), currentStamp());
}

void Log::debugText(const QString& text) {
    if (!debugOn()) return;
    add(Kind::Whole, 0, AnsiCodec::workstation().encode(QLatin1String("C Debug ") + text), currentStamp());
}

} // namespace logfile
