// Runs the real program from a copy beside its own settings file and ends it the ways the
// desktop does (the visualisation window going away is the station test's, with a fake window list).

#include "LogFiles.h"

#include <QProcess>

#include <csignal>
#include <unistd.h>

using namespace testutil;

namespace {
struct Running {
    QTemporaryDir base;
    QString dir = base.path();
    QString log = dir + "/DizaVizaru.txt";
    QProcess process;

    explicit Running(const QByteArray& ini) {
        const QString program = dir + "/VelkoRozoRedizovClient";
        QFile::copy(QStringLiteral(VRR_PROGRAM), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeBytes(dir + "/VelkoRozoRedizovClient.ini", ini);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QDir::tempPath()); // the copy finds its files beside itself
        process.start(program, {});
    }
    bool startedUp() {
        return waitFor([&] { return logLines(log).contains("C Debug CommandStart_Click End"); }, 20000);
    }
    // Ended with status 0 after running the shut-down once, its last lines the last in the log.
    void expectShutDownOnce() {
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        const QStringList lines = logLines(log);
        EXPECT_EQ(lines.count("C Debug Form_Terminate Start"), 1);
        EXPECT_EQ(lines.count("C Debug CommandEnd_Click Start"), 1);
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines.last(), "C Debug CommandEnd_Click End");
        EXPECT_TRUE(lines[lines.size() - 2].endsWith(" # End - Close all Server"));
    }
};

const QByteArray DebugIni = "[General]\r\nLogDebug=true\r\nLogSystem=true\r\n"
                            "[Ma0]\r\nText=Filler\r\nAddress=127.0.2.1\r\nEnabled=true\r\n";
} // namespace

TEST(Program, TerminationSignalsRunTheShutDownOnceAndExitWithZero) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        Running run(DebugIni);
        ASSERT_TRUE(run.startedUp()) << signalNumber;
        ::kill(static_cast<pid_t>(run.process.processId()), signalNumber);
        ASSERT_TRUE(run.process.waitForFinished(20000));
        run.expectShutDownOnce();
    }
}
