#include "log/Log.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using testutil::readBytes;
using testutil::writeBytes;

namespace {
class LogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("log.txt");
    Log make(bool system, bool data, bool debug, int sizeKiB = 100) {
        LogSwitches s;
        s.system = system;
        s.data = data;
        s.debug = debug;
        s.fileSizeKiB = sizeKiB;
        s.fileName = path;
        return Log(s);
    }
    QStringList lines() {
        const QString text = QString::fromLatin1(readBytes(path));
        QStringList list = text.split(QStringLiteral("\r\n"));
        if (!list.isEmpty() && list.last().isEmpty()) list.removeLast();
        return list;
    }
};

void writeEveryKind(Log& log) {
    log.system("Server Connect 3");
    log.dataReceived(12, "abc");
    log.dataSent(4, "$$Leben$$");
    DebugScope scope(log, "Verbindung");
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

    QFile::remove(path);
    Log systemOnly = make(true, false, false);
    writeEveryKind(systemOnly);
    l = lines();
    ASSERT_EQ(l.size(), 1);
    EXPECT_TRUE(l[0].startsWith("C System "));

    QFile::remove(path);
    Log debugAlone = make(false, false, true); // debug lines need one of the other two switches
    writeEveryKind(debugAlone);
    Log none = make(false, false, false);
    writeEveryKind(none);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(LogTest, LineForms) {
    Log log = make(true, true, false);
    log.system("End - Close all Server");
    log.dataReceived(12, "abc");
    log.LogSchreiben("both flags", true, true);
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 3);
    const QRegularExpression system("^C System (.+) # (\\d\\d:\\d\\d:\\d\\d) # End - Close all Server$");
    EXPECT_TRUE(system.match(l[0]).hasMatch()) << l[0].toStdString();
    const QRegularExpression data("^S12 -> C (.+) # (\\d\\d:\\d\\d:\\d\\d) # abc$");
    EXPECT_TRUE(data.match(l[1]).hasMatch()) << l[1].toStdString();
    EXPECT_EQ(l[2], "both flags");
    EXPECT_TRUE(readBytes(path).endsWith("both flags\r\n"));
}

TEST_F(LogTest, CutDropsTheFirstTenthOfTheLimitToTheNextLine) {
    // 103,000 bytes of numbered lines of 100 bytes each (98 characters and CR LF).
    QByteArray old;
    for (int i = 0; old.size() < 103000; ++i) old += QByteArray::number(i).rightJustified(98, '.') + "\r\n";
    old.truncate(103000);
    writeBytes(path, old);
    Log log = make(false, true, false);
    log.LogSchreiben("new line", false, true);
    const QByteArray now = readBytes(path);
    const qsizetype headerEnd = now.indexOf("\r\n");
    EXPECT_TRUE(now.left(headerEnd).endsWith("; File size reduced"));
    // Byte 10240 (counted from 1) lies in line 102 (bytes 10201..10300): the kept part starts with line 103.
    EXPECT_EQ(now.mid(headerEnd + 2), old.mid(10300) + "new line\r\n");
    EXPECT_FALSE(QFile::exists(path + ".tmp"));
}

TEST_F(LogTest, CutAtALineStartDropsThatWholeLine) {
    // A 9-byte first line, then lines of 10 bytes: one starts exactly at byte 10240 (counted
    // from 1). That line is dropped whole; the kept part starts at byte 10250.
    QByteArray old = "1234567\r\n";
    for (int i = 0; old.size() < 103000; ++i) old += QByteArray::number(i).rightJustified(8, '0') + "\r\n";
    writeBytes(path, old);
    Log log = make(false, true, false);
    log.LogSchreiben("x", false, true);
    const QByteArray now = readBytes(path);
    EXPECT_EQ(now.mid(now.indexOf("\r\n") + 2), old.mid(10249) + "x\r\n");
}

TEST_F(LogTest, SmallLimitKeepsTheFileBounded) {
    Log log = make(true, true, true, 10);
    for (int i = 0; i < 2000; ++i) log.system(QStringLiteral("line %1").arg(i));
    EXPECT_LE(readBytes(path).size(), 10 * 1024 + 200);
    EXPECT_TRUE(lines().last().endsWith("line 1999"));
}

TEST_F(LogTest, UnwritableLogsLoseTheirLinesSilently) {
    const QString writable = dir.filePath("after.txt");
    for (const QString& target : {dir.path(), dir.filePath("missing/folder/log.txt"), QStringLiteral("/dev/full")}) {
        LogSwitches s;
        s.system = s.data = s.debug = true;
        s.fileName = target;
        Log log(s);
        log.system("lost");
        {
            DebugScope scope(log, "X");
        }
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

TEST_F(LogTest, AnotherProgramMayMoveTheLogBetweenLines) {
    Log log = make(true, false, false);
    log.system("first");
    ASSERT_TRUE(QFile::rename(path, path + ".old"));
    log.system("second");
    EXPECT_EQ(lines().size(), 1);
    EXPECT_TRUE(lines()[0].endsWith("second"));
}
