#include "log/Log.h"
#include "log/LogPicture.h"

#include "base/AnsiCodec.h"

#include "FakeOs.h"
#include "LogFiles.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace logfile;
using namespace testutil;

namespace {
class LogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("log.txt");
    Log make(bool system, bool data, bool debug, int sizeKiB = 100) {
        return Log(LogSwitches{system, data, debug, sizeKiB, path});
    }
    QStringList lines() { return testutil::logLines(path); }
};

// The writer as it was: every line appended to the file on its own, opened and closed for it, and
// the file cut right after a line that took it past its limit, by reading it and renaming a
// shortened copy over it. The batched writer must leave the same bytes.
struct LineByLineLog {
    QString path;
    int kib = 100;
    qint64 nowMs = 0;

    QByteArray header() const {
        return AnsiCodec::workstation().encode(Log::dateTextAt(nowMs) + "; " + Log::timeTextAt(nowMs) +
                                               "; File size reduced") +
               "\r\n";
    }
    QByteArray stamp() const {
        return AnsiCodec::workstation().encode(Log::dateTextAt(nowMs) + " # " + Log::timeTextAt(nowMs) + " # ");
    }
    void write(const QByteArray& line) {
        QFile file(path);
        if (!file.open(QIODevice::Append) || file.write(line + "\r\n") != line.size() + 2) return;
        file.close();
        if (QFileInfo(path).size() > kib * 1024LL) cut();
    }
    void cut() {
        const QByteArray old = readBytes(path);
        qsizetype keep = old.size();
        for (qsizetype i = static_cast<qsizetype>(std::nearbyint(kib * 1024.0 * 0.1)) - 1; i < old.size(); ++i) {
            if (old[i] == '\n' || old[i] == '\r') {
                keep = i + (old[i] == '\r' && i + 1 < old.size() && old[i + 1] == '\n' ? 2 : 1);
                break;
            }
        }
        QByteArray rest = old.mid(keep);
        if (!rest.isEmpty() && !rest.endsWith('\n') && !rest.endsWith('\r')) rest += "\r\n";
        writeBytes(path + ".tmp", header() + rest);
        QFile::remove(path);
        QFile::rename(path + ".tmp", path);
    }
};

QByteArray randomLine(QRandomGenerator& random, int kib) {
    // Mostly short lines, some long ones, now and then one longer than the limit; line ends and
    // NUL bytes inside.
    const int kind = random.bounded(100);
    const qsizetype length = kind < 80   ? random.bounded(1, 300)
                             : kind < 98 ? random.bounded(300, 8000)
                                         : kib * 1024 + random.bounded(1, 5000);
    QByteArray line = QByteArray::number(random.generate64() | (1ULL << 62), 36)
                          .repeated(static_cast<int>(length / 10 + 1))
                          .left(length);
    static const QByteArray inside[] = {"\r", "\n", "\r\n", QByteArray(1, '\0')};
    for (int k = random.bounded(4); k > 0 && length > 2; --k) {
        const qsizetype at = random.bounded(length - 1);
        line.replace(at, 1, inside[random.bounded(4)]);
    }
    return line;
}

} // namespace

// Which lines each combination of the switches writes; debug lines need one of the other two.
TEST_F(LogTest, SwitchesDecideWhichLinesAreWritten) {
    struct Case {
        bool system, data, debug;
        QStringList starts;
    };
    const QStringList debugLines{"C Debug Verbindung Start", "C Debug Verbindung End"};
    const Case cases[] = {
        {false, true, true, QStringList{"S12 -> C ", "S4 <- C "} + debugLines},
        {true, false, true, QStringList{"C System "} + debugLines},
        {true, false, false, {"C System "}},
        {false, false, true, {}},
        {false, false, false, {}},
    };
    for (const Case& c : cases) {
        Log log = make(c.system, c.data, c.debug);
        log.system("Server Connect 3");
        log.dataReceived(12, "abc");
        log.dataSent(4, "$$Leben$$");
        { DebugScope scope(log, "Verbindung"); }
        const QStringList l = lines();
        ASSERT_EQ(l.size(), c.starts.size()) << c.system << c.data << c.debug;
        for (int i = 0; i < l.size(); ++i) EXPECT_TRUE(l[i].startsWith(c.starts[i])) << l[i].toStdString();
        // A system line: its kind, the date and time it was written, the text.
        if (c.system) {
            const QRegularExpression form("^C System .+ # \\d\\d:\\d\\d:\\d\\d # Server Connect 3$");
            EXPECT_TRUE(form.match(l[0]).hasMatch()) << l[0].toStdString();
        }
        testutil::removeLog(path);
    }
}

TEST(LogPicture, CutBoundaries) {
    const QByteArray header = "header\r\n";
    for (int kib : {10, 12, 13, 17, 100, 1999, 2000}) {
        SCOPED_TRACE(kib);
        const qint64 limit = kib * 1024LL;
        // round(limit x 0.1) counted from 1, in integers: no limit falls on a tie.
        const qint64 cut = (limit + 5) / 10 - 1;
        EXPECT_EQ(LogPicture::cutIndex(kib), cut);

        // A file exactly at its limit is kept; one byte more is cut.
        LogPicture picture;
        picture.assign(QByteArray(limit - 100, 'f'));
        EXPECT_FALSE(picture.appendLine({QByteArray(98, 'a'), "\r\n"}, limit, cut, header));
        EXPECT_EQ(picture.size(), limit);
        EXPECT_TRUE(picture.appendLine({"b\r\n"}, limit, cut, header));

        // A line end just before the cut position belongs to the kept part; the line the cut falls
        // into is dropped whole.
        QByteArray old(cut - 1, 'x');
        old += "\ndropped\r\nkept\r\n"; // the LF at index cut - 1
        old += QByteArray(limit - old.size(), 'y');
        picture.assign(old);
        ASSERT_TRUE(picture.appendLine({"z\r\n"}, limit, cut, header));
        EXPECT_TRUE(picture.bytes().startsWith(header + "kept\r\n"));

        // A line end right at the cut position ends the dropped part itself.
        old = QByteArray(cut, 'x') + "\nkept too\r\n";
        old += QByteArray(limit - old.size(), 'y');
        picture.assign(old);
        ASSERT_TRUE(picture.appendLine({"z\r\n"}, limit, cut, header));
        EXPECT_TRUE(picture.bytes().startsWith(header + "kept too\r\n"));
    }
}

TEST_F(LogTest, UnwritableLogsLoseTheirLinesSilently) {
    const QString writable = dir.filePath("after.txt");
    for (const QString& target : {dir.path(), dir.filePath("missing/folder/log.txt"), QStringLiteral("/dev/full")}) {
        LogSwitches s{true, true, true, 100, target};
        Log log(s);
        log.system("lost");
        log.flush();
        // Nothing was created in the way of the log, and the directory is still a directory.
        EXPECT_TRUE(QFileInfo(dir.path()).isDir());
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
        // The same log writes again once it names a file that can be written.
        s.fileName = writable;
        log.configure(s);
        log.debug(QLatin1String("Y"), QLatin1String(" Start"));
        EXPECT_EQ(testutil::logLines(writable).last(), "C Debug Y Start") << target.toStdString();
    }
    EXPECT_EQ(testutil::logLines(writable).size(), 3);
}

// The batched writer against the line-by-line one, on the same random lines, limits, batches and
// foreign changes to the file: at every batch boundary both files hold the same bytes.
TEST_F(LogTest, BatchesLeaveTheBytesOfTheLineByLineRule) {
    const QString modelPath = dir.filePath("model.txt");
    const int limits[] = {10, 12, 13, 100, 256, 2000};
    for (int round = 0; round < 12; ++round) {
        QRandomGenerator random(static_cast<quint32>(round + 1));
        const int kib = round < 6 ? limits[round] : random.bounded(10, 400);
        SCOPED_TRACE(QStringLiteral("round %1, limit %2 KiB").arg(round).arg(kib).toStdString());
        QFile::remove(path);
        QFile::remove(modelPath);
        LineByLineLog model{modelPath, kib, 1'700'000'000'000};
        Log log(LogSwitches{true, true, false, kib, path});
        log.setClock([&model] { return model.nowMs; });
        // A file ten times the limit to begin with, its lines mixed with a line end of each kind.
        QByteArray start;
        while (start.size() < kib * 10240) start += randomLine(random, 1) + (start.size() % 3 ? "\r\n" : "\n");
        writeBytes(path, start);
        writeBytes(modelPath, start);
        const QByteArray shared = "$$HierLinienDaten$$Status0=1;Text0=" + randomLine(random, 1) + ";";
        for (int batch = 0; batch < 40; ++batch) {
            for (int k = random.bounded(1, 120); k > 0; --k) {
                model.nowMs += random.bounded(0, 700); // header times from the line that cut
                const int kind = random.bounded(10);
                if (kind < 6) {
                    const QByteArray line = randomLine(random, kib);
                    log.LogSchreiben(QString::fromLatin1(line), true, false);
                    model.write(line);
                    continue;
                }
                const int connection = random.bounded(64);
                const bool sent = kind < 9;
                const QByteArray text = sent ? shared : randomLine(random, 1);
                if (sent)
                    log.dataSentEncoded(connection, text);
                else
                    log.dataReceivedEncoded(connection, text);
                model.write("S" + QByteArray::number(connection) + (sent ? " <- C " : " -> C ") + model.stamp() + text);
            }
            log.flush();
            ASSERT_EQ(readBytes(path), readBytes(modelPath)) << "batch " << batch;
            // Another program at work between batches.
            switch (random.bounded(8)) {
            case 0: { // appends, not always a whole line
                const QByteArray foreign = "foreign " + randomLine(random, 1) + (random.bounded(2) ? "\r\n" : "");
                for (const QString& p : {path, modelPath}) writeBytes(p, readBytes(p) + foreign);
                break;
            }
            case 1: { // truncates
                const qint64 size = QFileInfo(modelPath).size();
                const qint64 to = size > 0 ? random.bounded(size) : 0;
                for (const QString& p : {path, modelPath}) ::truncate(QFile::encodeName(p).constData(), to);
                break;
            }
            case 2: // deletes
                QFile::remove(path);
                QFile::remove(modelPath);
                break;
            case 3: { // replaces with a large file of its own
                QByteArray other;
                while (other.size() < kib * 1024 * 3) other += randomLine(random, 1) + "\r\n";
                writeBytes(path, other);
                writeBytes(modelPath, other);
                break;
            }
            default: break;
            }
        }
    }
}

// A path that is no regular file (a FIFO here) is only ever appended to: lines are passed on as
// they come, never read back, replaced or cut.
TEST_F(LogTest, APathThatIsNoRegularFileIsNeverReadBack) {
    FakeOs os;
    platform::ScopedOs scoped(os);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    Log log = make(true, false, false, 10);
    // Nobody reads yet: the lines are lost, nothing waits for a reader.
    for (int i = 0; i < 3000; ++i) log.system(QStringLiteral("line %1 of a long shift").arg(i));
    log.flush();
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    QByteArray got;
    for (int i = 0; i < 50; ++i) {
        for (int k = 0; k < 10; ++k) log.system(QStringLiteral("line %1").arg(i * 10 + k).repeated(5));
        log.flush();
        char buffer[65536];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof(buffer))) > 0;) got.append(buffer, n);
    }
    ::close(reader);
    EXPECT_EQ(os.reads + os.replacements, 0);
    EXPECT_EQ(got.count("\r\n"), 500);
    EXPECT_FALSE(got.contains("File size reduced"));
}

TEST_F(LogTest, StepsThatFailLoseTheirBatchAndNothingElse) {
    FakeOs os;
    platform::ScopedOs scoped(os);
    Log log = make(true, false, false, 10);
    log.system("kept");
    log.flush();
    for (std::atomic<bool> FakeOs::*fail : {&FakeOs::failAppend, &FakeOs::failReplace, &FakeOs::failRead}) {
        // A change by another program makes the next batch read the file again.
        writeBytes(path, readBytes(path) + "by hand\r\n");
        os.*fail = true;
        // Small lines, or enough to cut: the step in question is tried.
        for (int i = 0; i < (fail == &FakeOs::failReplace ? 400 : 3); ++i) log.system(QStringLiteral("lost %1").arg(i));
        log.flush();
        os.*fail = false;
        log.system("after");
        const QStringList now = lines();
        EXPECT_TRUE(now.last().endsWith("after"));
        EXPECT_EQ(now.filter("lost").size(), fail == &FakeOs::failRead ? 3 : 0)
            << "an unreadable file is appended to without its rule";
        EXPECT_TRUE(now.contains("by hand"));
    }
}

namespace {
// A disk whose replacement of the file stalls until it is let go, and that says whether it was
// let go or gave up waiting.
struct StallingOs : FakeOs {
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> stall = false, stalled = false;
    bool released = false, gaveUp = false;
    QByteArray fileWhenStalled;
    bool replaceFileThrough(const QString& temp, const QString& path, const std::vector<platform::FilePiece>& pieces,
                            platform::FileState* after) override {
        if (stall.exchange(false)) {
            fileWhenStalled = readBytes(path);
            std::unique_lock<std::mutex> lock(mutex);
            stalled = true;
            gaveUp = !changed.wait_for(lock, std::chrono::seconds(20), [this] { return released; });
        }
        return FakeOs::replaceFileThrough(temp, path, pieces, after);
    }
    void release() {
        const std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
};

// Runs the event loop, which blocks between events as the program's does (so that it goes idle),
// until `done` or the time is up.
bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    check.start(2);
    if (!done()) loop.exec();
    return done();
}
} // namespace

// The batches the event loop starts are written beside it: while a replacement stalls, the loop
// goes on and takes lines, and the file is left alone until the write is done.
// Afterwards the file holds the bytes of the line-by-line rule, with nothing lost.
TEST_F(LogTest, AStalledWriteNeverHoldsUpTheEventLoop) {
    StallingOs os;
    platform::ScopedOs scoped(os);
    const QString modelPath = dir.filePath("model.txt");
    LineByLineLog model{modelPath, 10, 1'700'000'000'000};
    {
        Log log = make(true, false, false, 10);
        log.setClock([&model] { return model.nowMs; });
        int handed = 0;
        const auto hand = [&](int count) {
            for (int i = 0; i < count; ++i, ++handed) {
                const QString line = QStringLiteral("line %1 of the shift").arg(handed).repeated(4);
                log.system(line);
                model.write("C System " + model.stamp() + line.toLatin1());
            }
        };
        // Enough to cut once: the first replacement comes from the timer or the idle loop.
        hand(200);
        ASSERT_TRUE(spinUntil([&] { return readBytes(path) == readBytes(modelPath); }, 5000));
        os.stall = true;
        hand(200);
        ASSERT_TRUE(spinUntil([&] { return os.stalled.load(); }, 5000)) << "no replacement was started";
        // The event loop goes on and takes more lines; the file waits for the write under way.
        hand(50);
        spinUntil([] { return false; }, 100);
        EXPECT_EQ(readBytes(path), os.fileWhenStalled);
        os.release();
        ASSERT_TRUE(spinUntil([&] { return readBytes(path) == readBytes(modelPath); }, 5000))
            << "the lines handed during the stall are not in the file";
        // More lines, then the end of the log while their write may be under way.
        hand(300);
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(os.gaveUp) << "the event loop waited for the stalled write";
    EXPECT_EQ(readBytes(path), readBytes(modelPath));
}

TEST_F(LogTest, WhatWaitsIsWrittenWhenTheProcessEnds) {
    // A process that ends through exit() (the X connection lost, say) runs the hook that writes
    // the pending batch.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again from its start: it writes where the parent looks.
    if (qEnvironmentVariableIsEmpty("VRR_EXIT_LOG")) qputenv("VRR_EXIT_LOG", QFile::encodeName(path));
    const QString file = QFile::decodeName(qgetenv("VRR_EXIT_LOG"));
    EXPECT_EXIT(
        {
            Log log(LogSwitches{true, false, false, 100, file});
            log.system("the last line before exit");
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    const QStringList written = testutil::logLines(file);
    qunsetenv("VRR_EXIT_LOG");
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written[0].endsWith(" # the last line before exit"));
}
