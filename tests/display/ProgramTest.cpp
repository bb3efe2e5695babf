// Runs the real program from a copy beside its own settings file and ends it the ways the
// desktop does.

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <csignal>

using testutil::readBytes;
using testutil::writeBytes;

namespace {
QStringList logLines(const QString& path) {
    QStringList lines = QString::fromLatin1(readBytes(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

struct Running {
    QTemporaryDir dir;
    QProcess process;
    QString log = dir.filePath("DizaVizaru.txt");

    explicit Running(const QByteArray& ini) {
        const QString program = dir.filePath("VelkoRozoRedizovClient");
        QFile::copy(QStringLiteral(VRR_PROGRAM), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeBytes(dir.filePath("VelkoRozoRedizovClient.ini"), ini);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QDir::tempPath()); // the copy finds its files beside itself
        process.start(program, {});
    }
    bool startedUp() {
        return testutil::waitFor([&] { return logLines(log).contains("C Debug CommandStart_Click End"); }, 20000);
    }
};

const QByteArray DebugIni = "[General]\r\nLogDebug=true\r\nLogSystem=true\r\n"
                            "[Ma0]\r\nText=Filler\r\nAddress=127.0.0.1\r\nEnabled=true\r\n";
} // namespace

TEST(Program, TerminationSignalsRunTheShutDownOnceAndExitWithZero) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        Running run(DebugIni);
        ASSERT_TRUE(run.startedUp()) << signalNumber;
        ::kill(static_cast<pid_t>(run.process.processId()), signalNumber);
        ASSERT_TRUE(run.process.waitForFinished(20000));
        EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process.exitCode(), 0);
        const QStringList lines = logLines(run.log);
        EXPECT_EQ(lines.count("C Debug Form_Terminate Start"), 1);
        EXPECT_EQ(lines.count("C Debug CommandEnd_Click Start"), 1);
        EXPECT_EQ(lines.count("C Debug CommandEnd_Click End"), 1);
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines.last(), "C Debug CommandEnd_Click End");
        EXPECT_TRUE(lines[lines.size() - 2].endsWith(" # End - Close all Server"));
        EXPECT_TRUE(lines.contains("C Debug Form_Load 7"));
    }
}

TEST(Program, RunsWithoutSettingsFileAndWithGarbageSettings) {
    Running run(QByteArray("\x00\xff[General\r\n=\r\n[[]]\r\n", 20) + QByteArray(100000, '\x01'));
    EXPECT_TRUE(run.process.waitForStarted(10000));
    QThread::msleep(1500);
    EXPECT_EQ(run.process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(run.process.processId()), SIGTERM);
    ASSERT_TRUE(run.process.waitForFinished(20000));
    EXPECT_EQ(run.process.exitCode(), 0);
}
