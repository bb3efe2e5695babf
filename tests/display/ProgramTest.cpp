// Runs the real program from a copy beside its own settings file and ends it the ways the
// desktop does.

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <QElapsedTimer>

#include <X11/Xlib.h>

#include <csignal>
#include <unistd.h>

using testutil::logLines;
using testutil::readBytes;
using testutil::writeBytes;

namespace {
struct Running {
    QTemporaryDir base;
    QString dir;
    QProcess process;
    QString log;

    explicit Running(const QByteArray& ini, const QString& subdir = QString(), const QString& display = QString()) {
        dir = subdir.isEmpty() ? base.path() : base.filePath(subdir);
        QDir().mkpath(dir);
        log = dir + "/DizaVizaru.txt";
        const QString program = dir + "/VelkoRozoRedizovClient";
        QFile::copy(QStringLiteral(VRR_PROGRAM), program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeBytes(dir + "/VelkoRozoRedizovClient.ini", ini);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (display.isEmpty())
            env.remove("DISPLAY");
        else
            env.insert("DISPLAY", display);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QDir::tempPath()); // the copy finds its files beside itself
        process.start(program, {});
    }
    bool startedUp() {
        return testutil::waitFor([&] { return logLines(log).contains("C Debug CommandStart_Click End"); }, 20000);
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

// The real program as the client of a server on 127.0.3.1:1001 (this test's own address block).
TEST(Program, ServesTheLineLayoutAndLineDataToARealServer) {
    if (::geteuid() != 0) GTEST_SKIP() << "port 1001 needs root or CAP_NET_BIND_SERVICE";
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.3.1"), 1001)) << server.errorString().toStdString();
    Running run(
        QByteArray("[General]\r\nLcId=1031\r\nCodePage=1252\r\nGroup0=F\xFCllen\r\n"
                   "[Ma0]\r\nText=F\xFCller\r\nAddress=127.0.3.1\r\nMachine=2\r\nRemoteControl=true\r\nSymbol=3\r\n"
                   "Enabled=true\r\nGroup=0\r\nVisuGroup2=7\r\n"
                   "[Ma5]\r\nText=Capper\r\nAddress=127.0.3.1\r\nEnabled=TRUE\r\nStatusPLC=true\r\n"));
    ASSERT_TRUE(testutil::waitFor([&] { return server.hasPendingConnections(); }, 20000));
    QTcpSocket* socket = server.nextPendingConnection();
    QByteArray received;
    QObject::connect(socket, &QTcpSocket::readyRead, [&] { received += socket->readAll(); });
    socket->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
    ASSERT_TRUE(testutil::waitFor([&] { return received.endsWith("$$Ende$$"); }, 10000));
    QByteArray groups;
    for (int g = 1; g < 32; ++g) groups += "GrName" + QByteArray::number(g) + "=;";
    EXPECT_EQ(received, "$$Anfang$$$$HierLinienLayout$$GeneralCodePage=1252;GeneralLcId=1031;GrName0=F\xFCllen;" +
                            groups +
                            "MaName0=F\xFCller;MaAdresse0=127.0.3.1;MaNr0=2;MaFernwart0=1;MaSymbol0=3;MaStatusPLC0=0;"
                            "MaGruppe0=0;MaGroupVisu10=-1;MaGroupVisu20=7;MaGroupVisu30=-1;MaGroupVisu40=-1;"
                            "MaGroupVisu50=-1;MaGroupVisu60=-1;"
                            "MaName5=Capper;MaAdresse5=127.0.3.1;MaNr5=1;MaFernwart5=0;MaSymbol5=-1;MaStatusPLC5=1;"
                            "MaGruppe5=-1;MaGroupVisu15=-1;MaGroupVisu25=-1;MaGroupVisu35=-1;MaGroupVisu45=-1;"
                            "MaGroupVisu55=-1;MaGroupVisu65=-1;$$Ende$$");
    // A report from the server comes back once as the line's data (both slots share the server).
    received.clear();
    socket->write("$$Anfang$$$$HierMaschinenDaten$$Status5=3;Text5=Low caps;CodePage5=1252;LcId5=1033;$$Ende$$");
    ASSERT_TRUE(testutil::waitFor([&] { return received.endsWith("$$Ende$$"); }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(received, "$$Anfang$$$$HierLinienDaten$$Status0=5;Text0=;CodePage0=0;LcId0=0;"
                        "Status5=3;Text5=Low caps;CodePage5=1252;LcId5=1033;$$Ende$$");
    ::kill(static_cast<pid_t>(run.process.processId()), SIGTERM);
    ASSERT_TRUE(run.process.waitForFinished(20000));
    EXPECT_EQ(run.process.exitCode(), 0);
}

// Started inside a visualisation installation, the program ends with the visualisation's window.
TEST(Program, EndsWhenTheVisualisationWindowCloses) {
    testutil::Xvfb xvfb;
    if (!xvfb.running()) FAIL() << "Xvfb is not installed";
    Display* display = XOpenDisplay(xvfb.display().toLatin1().constData());
    ASSERT_NE(display, nullptr);
    const Window visualisation = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    XStoreName(display, visualisation, "DCWindow");
    XMapWindow(display, visualisation);
    XSync(display, False);

    Running run("[General]\r\nLogDebug=true\r\nLogSystem=true\r\n", "Tramis/bin/client", xvfb.display());
    QDir().mkpath(run.base.filePath("Tramis/parameter"));
    writeBytes(run.base.filePath("Tramis/parameter/PROGRAM.INI"), "[Project]\r\nROZovudo=True\r\n");
    ASSERT_TRUE(run.startedUp());
    EXPECT_TRUE(logLines(run.log).contains("C Debug Form_Load 8"));
    QThread::msleep(2500);
    EXPECT_EQ(run.process.state(), QProcess::Running); // the window is still there

    XDestroyWindow(display, visualisation);
    XSync(display, False);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(run.process.waitForFinished(10000));
    EXPECT_LT(clock.elapsed(), 8000); // one watch period and the shut-down, with room for a busy machine
    EXPECT_EQ(run.process.exitCode(), 0);
    const QStringList lines = logLines(run.log);
    EXPECT_EQ(lines.count("C Debug Form_Terminate Start"), 1);
    EXPECT_EQ(lines.last(), "C Debug CommandEnd_Click End");
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(" # End - Close all Server"));
    XCloseDisplay(display);
}

TEST(Program, WithoutTheWindowAtStartItNeverEndsByItself) {
    testutil::Xvfb xvfb;
    if (!xvfb.running()) FAIL() << "Xvfb is not installed";
    Running run("[General]\r\nLogDebug=true\r\nLogSystem=true\r\n", "TRAMIS/bin/client", xvfb.display());
    ASSERT_TRUE(run.startedUp());
    EXPECT_TRUE(logLines(run.log).contains("C Debug Form_Load 8"));
    QThread::msleep(2500);
    EXPECT_EQ(run.process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(run.process.processId()), SIGTERM);
    ASSERT_TRUE(run.process.waitForFinished(10000));
}
