#include "log/Log.h"
#include "log/LogPicture.h"

#include "base/AnsiCodec.h"

#include "FakeOs.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace base;
using namespace logfile;

using testutil::readBytes;
using testutil::writeBytes;

namespace {
LogSwitches switchesFor(const QString& path, bool system, bool data, bool debug, int sizeKiB = 100) {
    LogSwitches s;
    s.system = system;
    s.data = data;
    s.debug = debug;
    s.fileSizeKiB = sizeKiB;
    s.fileName = path;
    return s;
}

class LogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("log.txt");
    Log make(bool system, bool data, bool debug, int sizeKiB = 100) {
        return Log(switchesFor(path, system, data, debug, sizeKiB));
    }
    QStringList lines() { return testutil::logLines(path); }
};

void writeEveryKind(Log& log) {
    log.system("Server Connect 3");
    log.dataReceived(12, "abc");
    log.dataSent(4, "$$Leben$$");
    DebugScope scope(log, "Verbindung");
}

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
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK, 0666);
        if (fd < 0) return;
        const QByteArray bytes = line + "\r\n";
        const bool ok = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
        struct stat st {};
        const bool measured = ::fstat(fd, &st) == 0;
        ::close(fd);
        if (ok && measured && st.st_size > static_cast<qint64>(kib) * 1024) cut();
    }
    void cut() {
        QFile log(path);
        if (!log.open(QIODevice::ReadOnly)) return;
        const QByteArray old = log.readAll();
        log.close();
        const qsizetype from = static_cast<qsizetype>(std::nearbyint(kib * 1024.0 * 0.1)) - 1;
        qsizetype keep = old.size();
        for (qsizetype i = std::max<qsizetype>(from, 0); i < old.size(); ++i) {
            if (old[i] == '\n') {
                keep = i + 1;
                break;
            }
            if (old[i] == '\r') {
                keep = (i + 1 < old.size() && old[i + 1] == '\n') ? i + 2 : i + 1;
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
    static const QByteArray letters = [] {
        QByteArray all(3 << 20, 'x');
        for (qsizetype i = 0; i < all.size(); ++i) all[i] = static_cast<char>('a' + (i * 7919 + i / 26) % 26);
        return all;
    }();
    QByteArray line = letters.mid(random.bounded(letters.size() - length), length);
    const int specials = random.bounded(4);
    static const char* const inside[] = {"\r", "\n", "\r\n", QByteArray("\0", 1).constData()};
    for (int k = 0; k < specials && length > 2; ++k) {
        const int which = random.bounded(4);
        const qsizetype at = random.bounded(length - 1);
        if (which == 3)
            line[at] = '\0';
        else
            line.replace(at, 1, inside[which]);
    }
    return line;
}

void drain(int fd, QByteArray& into) {
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof(buffer))) > 0;) into.append(buffer, n);
}
} // namespace

TEST_F(LogTest, SwitchesDecideWhichLinesAreWritten) {
    Log dataAndDebug = make(false, true, true);
    writeEveryKind(dataAndDebug);
    QStringList l = lines();
    ASSERT_EQ(l.size(), 4);
    EXPECT_TRUE(l[0].startsWith("S12 -> C "));
    EXPECT_TRUE(l[1].startsWith("S4 <- C "));
    EXPECT_EQ(l[2], "C Debug Verbindung Start");
    EXPECT_EQ(l[3], "C Debug Verbindung End");

    testutil::removeLog(path);
    Log systemOnly = make(true, false, false);
    writeEveryKind(systemOnly);
    l = lines();
    ASSERT_EQ(l.size(), 1);
    EXPECT_TRUE(l[0].startsWith("C System "));

    testutil::removeLog(path);
    Log debugAlone = make(false, false, true); // debug lines need one of the other two switches
    writeEveryKind(debugAlone);
    Log none = make(false, false, false);
    writeEveryKind(none);
    Log::flushAll();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(LogTest, LineForms) {
    Log log = make(true, true, false);
    log.system("End - Close all Server");
    log.dataReceived(12, "abc");
    log.LogSchreiben("both flags", true, true);
    log.dataSentEncoded(7, QByteArray("shared\r\ntext"));
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 5);
    const QRegularExpression system("^C System (.+) # (\\d\\d:\\d\\d:\\d\\d) # End - Close all Server$");
    EXPECT_TRUE(system.match(l[0]).hasMatch()) << l[0].toStdString();
    const QRegularExpression data("^S12 -> C (.+) # (\\d\\d:\\d\\d:\\d\\d) # abc$");
    EXPECT_TRUE(data.match(l[1]).hasMatch()) << l[1].toStdString();
    EXPECT_EQ(l[2], "both flags");
    EXPECT_TRUE(l[3].startsWith("S7 <- C ") && l[3].endsWith(" # shared"));
    EXPECT_EQ(l[4], "text");
    EXPECT_TRUE(readBytes(path).endsWith("text\r\n"));
}

TEST_F(LogTest, CutDropsTheFirstTenthOfTheLimitToTheNextLine) {
    // 103,000 bytes of numbered lines of 100 bytes each (98 characters and CR LF).
    QByteArray old;
    for (int i = 0; old.size() < 103000; ++i) old += QByteArray::number(i).rightJustified(98, '.') + "\r\n";
    old.truncate(103000);
    writeBytes(path, old);
    Log log = make(false, true, false);
    log.LogSchreiben("new line", false, true);
    log.flush();
    const QByteArray now = readBytes(path);
    const qsizetype headerEnd = now.indexOf("\r\n");
    EXPECT_TRUE(now.left(headerEnd).endsWith("; File size reduced"));
    // Byte 10240 (counted from 1) lies in line 102 (bytes 10201..10300): the kept part starts with line 103.
    EXPECT_EQ(now.mid(headerEnd + 2), old.mid(10300) + "new line\r\n");
    EXPECT_FALSE(QFile::exists(path + ".tmp"));

    // A 9-byte first line, then lines of 10 bytes: one starts exactly at byte 10240 (counted
    // from 1). That line is dropped whole; the kept part starts at byte 10250.
    old = "1234567\r\n";
    for (int i = 0; old.size() < 103000; ++i) old += QByteArray::number(i).rightJustified(8, '0') + "\r\n";
    writeBytes(path, old);
    log.LogSchreiben("x", false, true);
    log.flush();
    const QByteArray cut = readBytes(path);
    EXPECT_EQ(cut.mid(cut.indexOf("\r\n") + 2), old.mid(10249) + "x\r\n");
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
        const QByteArray filler(limit - 100, 'f');
        picture.assign(filler);
        EXPECT_FALSE(picture.appendLine({QByteArray(98, 'a'), "\r\n"}, limit, cut, header));
        EXPECT_EQ(picture.size(), limit);
        EXPECT_TRUE(picture.appendLine({"b\r\n"}, limit, cut, header));

        // A line end just before the cut position belongs to the kept part; the line the cut falls
        // into is dropped whole.
        QByteArray old(cut - 1, 'x');
        old += '\n'; // at index cut - 1
        old += "dropped\r\nkept\r\n";
        old += QByteArray(limit - old.size(), 'y');
        picture.assign(old);
        ASSERT_TRUE(picture.appendLine({"z\r\n"}, limit, cut, header));
        EXPECT_TRUE(picture.bytes().startsWith(header + "kept\r\n"));
    }
}

TEST_F(LogTest, SmallLimitKeepsTheFileBounded) {
    Log log = make(true, true, true, 10);
    for (int i = 0; i < 2000; ++i) log.system(QStringLiteral("line %1").arg(i));
    log.flush();
    EXPECT_LE(readBytes(path).size(), 10 * 1024 + 200);
    EXPECT_TRUE(lines().last().endsWith("line 1999"));
}

TEST_F(LogTest, UnwritableLogsLoseTheirLinesSilently) {
    const QString writable = dir.filePath("after.txt");
    for (const QString& target : {dir.path(), dir.filePath("missing/folder/log.txt"), QStringLiteral("/dev/full")}) {
        LogSwitches s = switchesFor(target, true, true, true);
        Log log(s);
        log.system("lost");
        { DebugScope scope(log, "X"); }
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

TEST_F(LogTest, AnotherProgramMayMoveTheLogBetweenBatches) {
    Log log = make(true, false, false);
    log.system("first");
    log.flush();
    ASSERT_TRUE(QFile::rename(path, path + ".old"));
    log.system("second");
    EXPECT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("second"));
    EXPECT_EQ(testutil::logLines(path + ".old").size(), 1);
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
        Log log(switchesFor(path, true, true, false, kib));
        log.setClock([&model] { return model.nowMs; });
        // A file ten times the limit to begin with, its lines mixed with a line end of each kind.
        QByteArray start;
        while (start.size() < kib * 10240) start += randomLine(random, 1) + (start.size() % 3 ? "\r\n" : "\n");
        writeBytes(path, start);
        writeBytes(modelPath, start);
        const QByteArray shared = "$$HierLinienDaten$$Status0=1;Text0=" + randomLine(random, 1) + ";";
        for (int batch = 0; batch < 40; ++batch) {
            const int count = random.bounded(1, 120);
            for (int k = 0; k < count; ++k) {
                model.nowMs += random.bounded(0, 700); // header times from the line that cut
                const int kind = random.bounded(10);
                if (kind < 6) {
                    const QByteArray line = randomLine(random, kib);
                    log.LogSchreiben(QString::fromLatin1(line), true, false);
                    model.write(line);
                } else {
                    const int connection = random.bounded(64);
                    const bool sent = kind < 9;
                    const QByteArray text = sent ? shared : randomLine(random, 1);
                    if (sent)
                        log.dataSentEncoded(connection, text);
                    else
                        log.dataReceivedEncoded(connection, text);
                    model.write("S" + QByteArray::number(connection) + (sent ? " <- C " : " -> C ") + model.stamp() +
                                text);
                }
            }
            log.flush();
            ASSERT_EQ(readBytes(path), readBytes(modelPath)) << "batch " << batch;
            // Another program at work between batches.
            switch (random.bounded(8)) {
            case 0: { // appends, not always a whole line
                const QByteArray foreign = "foreign " + randomLine(random, 1) + (random.bounded(2) ? "\r\n" : "");
                for (const QString& p : {path, modelPath}) {
                    QFile f(p);
                    if (f.open(QIODevice::Append)) f.write(foreign);
                }
                break;
            }
            case 1: { // truncates
                const qint64 size = QFileInfo(modelPath).size();
                const qint64 to = size > 0 ? random.bounded(size) : 0;
                ::truncate(QFile::encodeName(path).constData(), to);
                ::truncate(QFile::encodeName(modelPath).constData(), to);
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
        // The path turned into a FIFO: lines are passed on as they come, never read back or cut.
        QFile::remove(path);
        QFile::remove(modelPath);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        ASSERT_EQ(::mkfifo(QFile::encodeName(modelPath).constData(), 0600), 0);
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        const int modelReader = ::open(QFile::encodeName(modelPath).constData(), O_RDONLY | O_NONBLOCK);
        QByteArray got, expected;
        for (int batch = 0; batch < 5; ++batch) {
            for (int k = 0; k < 20; ++k) {
                const QByteArray line = randomLine(random, 1).left(200);
                log.LogSchreiben(QString::fromLatin1(line), true, false);
                model.write(line);
            }
            log.flush();
            drain(reader, got);
            drain(modelReader, expected);
            ASSERT_EQ(got, expected);
        }
        ::close(reader);
        ::close(modelReader);
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_FALSE(got.contains("File size reduced"));
    }
}

TEST_F(LogTest, ABatchIsOneAppendOrOneReplacement) {
    FakeOs os;
    platform::ScopedOs scoped(os);
    Log log = make(true, true, false, 10);
    for (int i = 0; i < 20; ++i) log.system(QStringLiteral("short line %1").arg(i));
    log.flush();
    EXPECT_EQ(os.appends, 1);
    EXPECT_EQ(os.replacements, 0);
    EXPECT_EQ(lines().size(), 20);
    // Enough lines to cut the file many times over: still one write, a replacement.
    for (int i = 0; i < 2000; ++i) log.system(QStringLiteral("long line %1 ").arg(i).repeated(4));
    log.flush();
    EXPECT_EQ(os.appends, 1);
    EXPECT_EQ(os.replacements, 1);
    EXPECT_TRUE(lines().first().endsWith("; File size reduced"));
    EXPECT_TRUE(lines().last().startsWith("C System ") && lines().last().contains("long line 1999"));
    // The file was never read back: the picture in memory stayed true.
    EXPECT_EQ(os.reads, 0);
}

TEST_F(LogTest, StepsThatFailLoseTheirBatchAndNothingElse) {
    FakeOs os;
    platform::ScopedOs scoped(os);
    Log log = make(true, false, false, 10);
    log.system("kept");
    log.flush();
    struct Step {
        const char* name;
        bool FakeOs::*fail;
    };
    for (const Step& step : {Step{"append", &FakeOs::failAppend}, Step{"replace", &FakeOs::failReplace},
                             Step{"read", &FakeOs::failRead}}) {
        SCOPED_TRACE(step.name);
        // A change by another program makes the next batch read the file again.
        writeBytes(path, readBytes(path) + "by hand\r\n");
        os.*step.fail = true;
        // Small lines, or enough to cut: the step in question is tried.
        for (int i = 0; i < (step.fail == &FakeOs::failReplace ? 400 : 3); ++i)
            log.system(QStringLiteral("lost %1").arg(i));
        log.flush();
        os.*step.fail = false;
        log.system("after");
        const QStringList now = lines();
        EXPECT_TRUE(now.last().endsWith("after"));
        EXPECT_EQ(now.filter("lost").size(), step.fail == &FakeOs::failRead ? 3 : 0)
            << "an unreadable file is appended to without its rule";
        EXPECT_TRUE(now.contains("by hand"));
    }
}

TEST_F(LogTest, AFileFarLargerThanTheLimitIsCutOnDiskWithABoundedPicture) {
    // 5 MB of lines under a limit of 100 KiB: every new line cuts another 10 KiB off the front.
    QByteArray big;
    for (int i = 0; big.size() < (5 << 20); ++i) big += QByteArray::number(i).rightJustified(60, '-') + "\r\n";
    writeBytes(path, big);
    LineByLineLog model{dir.filePath("model.txt"), 100, 1'700'000'000'000};
    writeBytes(model.path, big);
    Log log = make(true, false, false, 100);
    log.setClock([&model] { return model.nowMs; });
    for (int i = 0; i < 100; ++i) {
        const QByteArray line = "line " + QByteArray::number(i);
        log.LogSchreiben(QString::fromLatin1(line), true, false);
        model.write(line);
        if (i % 25 == 24) {
            log.flush();
            EXPECT_LT(log.picture().memoryBytes(), 1 << 20);
            ASSERT_EQ(readBytes(path), readBytes(model.path)) << i;
        }
    }
    EXPECT_TRUE(log.picture().hasHeadOnDisk());
}

TEST_F(LogTest, LinesReachTheFileWhenTheLoopGoesIdleAndReplacementsKeepTheirDistance) {
    // Every write is recorded with its time and what it left; the lines come from a timer while
    // the event loop runs.
    struct TimedOs : FakeOs {
        QElapsedTimer clock;
        QString path;
        std::vector<qint64> replacedAt;
        qint64 largestAppendedFile = 0;
        bool replaceFileThrough(const QString& temp, const QString& p, const std::vector<platform::FilePiece>& pieces,
                                platform::FileState* after) override {
            replacedAt.push_back(clock.nsecsElapsed());
            return FakeOs::replaceFileThrough(temp, p, pieces, after);
        }
        bool appendToFile(const QString& p, QByteArrayView bytes, platform::FileState* after) override {
            const bool ok = FakeOs::appendToFile(p, bytes, after);
            largestAppendedFile = std::max(largestAppendedFile, QFileInfo(p).size());
            return ok;
        }
    } os;
    os.clock.start();
    platform::ScopedOs scoped(os);
    Log log = make(true, false, false, 10);
    log.system("one line");
    QEventLoop loop;
    QTimer::singleShot(2, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(lines().size(), 1) << "written when the loop went idle";

    int written = 0;
    QTimer source;
    QObject::connect(&source, &QTimer::timeout, [&] {
        for (int k = 0; k < 5; ++k) log.system(QStringLiteral("line %1 of a busy line ").arg(written++).repeated(3));
    });
    source.start(1);
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    source.stop();
    log.flush();
    ASSERT_GE(os.replacedAt.size(), 3u);
    for (size_t k = 1; k + 1 < os.replacedAt.size(); ++k) // the last one is the flush above
        EXPECT_GE(os.replacedAt[k] - os.replacedAt[k - 1], Log::BatchMs * 1000000LL) << k;
    // An append never takes the file past its limit: a batch that would is a replacement.
    EXPECT_LE(os.largestAppendedFile, 10 * 1024);
    EXPECT_TRUE(lines().last().contains(QStringLiteral("line %1 ").arg(written - 1)));
}

TEST_F(LogTest, APathThatIsNoRegularFileIsNeverReadBack) {
    FakeOs os;
    platform::ScopedOs scoped(os);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    Log log = make(true, false, false, 10);
    QByteArray got;
    for (int i = 0; i < 50; ++i) {
        for (int k = 0; k < 10; ++k) log.system(QStringLiteral("line %1").arg(i * 10 + k).repeated(5));
        log.flush();
        drain(reader, got);
    }
    ::close(reader);
    EXPECT_EQ(os.reads, 0);
    EXPECT_EQ(os.replacements, 0);
    EXPECT_EQ(got.count("\r\n"), 500);
    EXPECT_FALSE(got.contains("File size reduced"));
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
            Log log(switchesFor(file, true, false, false));
            log.system("the last line before exit");
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    const QStringList written = testutil::logLines(file);
    qunsetenv("VRR_EXIT_LOG");
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written[0].endsWith(" # the last line before exit"));
}
