#pragma once
// The diagnostics log: system lines, data lines and debug lines, each kind switched on in the
// settings file, in one plain-text file that is cut at its oldest end when it passes its limit.
//
// The writer keeps in memory what the file holds and applies the size rule there, line by line,
// exactly as if every line were appended to the file and the file cut after it. The file is
// brought to that state in batches: at the latest 20 ms after the oldest line not yet in it, and
// earlier when the event loop goes idle; a batch without a cut is one append, a batch with cuts
// one replacement through "<log>.tmp", and replacements come at most once per 20 ms. So a reader
// always finds whole lines and a state the rule could have left, at most 20 ms old. Before each
// batch the writer checks that the file is still the one it wrote (device, inode, size, time)
// and reads it again when another program moved, replaced, truncated or appended to it. A path
// that is not a regular file (a FIFO, a device, a directory) is only ever appended to. A log that
// cannot be written loses the batch silently.
//
// The batches that the timer and the idle event loop start are written on a thread of the log's
// own, so that a replacement of a large file never holds up the event loop. While one is being
// written, the picture and the file are left alone: new lines wait in memory until it is done.
// flush() writes on the calling thread and returns when the file holds every line.

#include "base/GeneralSettings.h"
#include "log/LogPicture.h"
#include "platform/Os.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace logfile {

class LogWriter;
struct LogWrite;

class Log {
public:
    // Longest a line waits before it is in the file; also the shortest time between replacements.
    static constexpr int BatchMs = 20;
    // Lines handed over without a turn of the event loop in between (a long burst) are written
    // at once beyond this many bytes.
    static constexpr qint64 MaxPendingBytes = 16LL << 20;

    Log();
    explicit Log(base::LogSwitches switches);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // New switches, limit or file: what waits is written first, with the old ones.
    void configure(base::LogSwitches switches);
    const base::LogSwitches& switches() const { return switches_; }

    bool debugOn() const { return switches_.debug && (switches_.system || switches_.data); }
    bool dataOn() const { return switches_.data; }
    bool systemOn() const { return switches_.system; }

    // Appends `text` as one line when (systemLine and LogSystem) or (dataLine and LogData).
    void LogSchreiben(const QString& text, bool systemLine, bool dataLine);

    // "C System <date> # <time> # <message>"
    void system(const QString& message);
    // "S<n> -> C <date> # <time> # <text>" and "S<n> <- C ..."
    void dataReceived(int connection, const QString& text);
    void dataSent(int connection, const QString& text);
    // The same with the text's bytes as logged: one message sent to many servers shares them.
    void dataReceivedEncoded(int connection, const QByteArray& text);
    void dataSentEncoded(int connection, const QByteArray& text);
    // "C Debug <text>", only built when debug lines are on.
    void debug(QLatin1String name, QLatin1String suffix);
    void debugText(const QString& text);

    // Brings the file to the state of every line handed over so far, now.
    void flush();
    // Every log of the process, as at the end of the process.
    static void flushAll();
    const LogPicture& picture() const { return picture_; }

    // Bytes on the wire as the log shows them: decoded and encoded in the workstation's code page.
    static QByteArray asLogged(QByteArrayView wireText);

    static QString dateText();
    static QString timeText();

    // The wall clock in milliseconds since the epoch that stamps the lines (tests replace it).
    void setClock(std::function<qint64()> msSinceEpoch) { clock_ = std::move(msSinceEpoch); }
    // The date and time texts for a moment, as lines and headers show them.
    static QString dateTextAt(qint64 msSinceEpoch);
    static QString timeTextAt(qint64 msSinceEpoch);

private:
    // The date and time of one second: "<date> # <time> # " and the cut's header line.
    struct Stamp {
        qint64 second = 0;
        QByteArray lineStamp;
        QByteArray header;
    };
    enum class Kind : quint8 { Whole, Received, Sent };
    struct Entry {
        QByteArray text;
        qint64 length = 0; // of the whole line, its line end included
        qint64 handedNs = 0;
        int connection = 0;
        int stamp = 0; // index into stamps_
        Kind kind = Kind::Whole;
    };

    int currentStamp();
    void add(Kind kind, int connection, QByteArray text, int stamp);
    qint64 lineLength(const Entry& e) const;
    // Starts a batch: checks the file against what was last written and reads it again when
    // another program changed it.
    void openBatch();
    // Applies the waiting lines to the picture, so that the write later has only to write. With
    // `splitBeforeCut`, the lines before the first one that cuts are written at once as an append
    // of their own: they need not wait for the replacement's turn.
    void applyPending(bool splitBeforeCut = false);
    void writeLinesBeforeCut();
    void applyEntry(const Entry& e);
    bool cutWaits() const;
    qint64 dueNs() const;
    // When the waiting batch is due: its oldest line's deadline, a replacement not before its turn.
    void schedule();
    void onTimer();
    void onIdle();
    void reload(const platform::FileState& now);
    // Writes the batch; `onThread` hands the file's part to the writer thread.
    void writeBatch(bool onThread);
    // The current flush(), on the writer thread when `onThread`.
    void finishBatch(bool onThread);
    // What the write in progress left, taken when it is done, or at once with `wait`.
    // False while it is still under way.
    bool collectWrite(bool wait);
    void onWriteDone();
    // Performs a write at once, or starts it on the writer thread with `onThread`.
    void submit(LogWrite write, bool onThread);
    void completeWrite(const LogWrite& write);

    base::LogSwitches switches_;
    std::function<qint64()> clock_;
    LogPicture picture_;
    bool pictureValid_ = false;
    bool special_ = false;        // the path was not a regular file when the batch began
    platform::FileState written_; // the file as the last batch left it
    std::vector<Entry> pending_;
    std::vector<Stamp> stamps_;
    qint64 pendingBytes_ = 0;
    // The batch in progress: whether it began, how many of its lines the picture holds, the
    // picture's size before them, whether they cut.
    bool batchOpen_ = false;
    size_t applied_ = 0;
    qint64 appliedBytes_ = 0;
    qint64 batchBase_ = 0;
    bool batchCut_ = false;
    qint64 firstPendingNs_ = 0;
    qint64 lastReplaceNs_ = 0;
    qint64 lastReplaceTookNs_ = 0;
    bool replacedOnce_ = false;
    // A write on the writer thread is under way: the picture and the file wait for it.
    bool writing_ = false;
    std::unique_ptr<QTimer> deadline_;
    std::unique_ptr<LogWriter> writer_;
};

// Writes "C Debug <name> Start" now and "C Debug <name> End" when the scope is left, on every
// path out of a handler.
class DebugScope {
public:
    DebugScope(Log& log, const char* name) : log_(log), name_(name) {
        if (log_.debugOn()) log_.debug(QLatin1String(name_), QLatin1String(" Start"));
    }
    ~DebugScope() {
        if (log_.debugOn()) log_.debug(QLatin1String(name_), QLatin1String(" End"));
    }
    DebugScope(const DebugScope&) = delete;
    DebugScope& operator=(const DebugScope&) = delete;

private:
    Log& log_;
    const char* name_;
};

} // namespace logfile
