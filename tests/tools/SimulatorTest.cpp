// The line simulator against the real connection manager and dispatch, on this test's own port.

#include "SimulatedServer.h"
#include "net/ConnectionManager.h"
#include "net/LineHub.h"

#include "HubRig.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpServer>

using namespace base;
using namespace logfile;
using namespace net;

using testutil::waitFor;

namespace {
using SimulatorTest = LiveHubTest;
} // namespace

TEST_F(SimulatorTest, LearnsItsSlotsFromTheLayoutAndReportsThem) {
    SimulatedServer server(QHostAddress("127.0.0.1"), port, ServerBehaviour::Normal, 1);
    ASSERT_TRUE(server.start());
    enable(0, "127.0.0.1");
    enable(5, "127.0.0.1");
    enable(9, "127.0.0.2"); // another server's machine
    start();
    ASSERT_TRUE(
        waitFor([&] { return !layout.MachineDataNow[0].Text.isEmpty() && !layout.MachineDataNow[5].Text.isEmpty(); }));
    EXPECT_EQ(server.machineSlots().keys(), (QList<int>{0, 5}));
    EXPECT_EQ(layout.MachineDataNow[0].Status, 1);
    EXPECT_EQ(layout.MachineDataNow[0].CodePage, 1252);
    EXPECT_EQ(layout.MachineDataNow[5].LcId, 1033);
    EXPECT_TRUE(layout.MachineDataNow[9].Text.isEmpty());
    // The line data it was sent names the other server's machine too.
    ASSERT_TRUE(waitFor([&] { return server.lastLineData().contains("Status9="); }));
}

TEST(SimulatorProgram, PrintsWhatItReceivesAndServesLoopbackOnly) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess simulator;
    simulator.start(QStringLiteral(VRR_SIMULATOR), {"--addresses", "127.0.0.1", "--port", QString::number(port),
                                                    "--verbose", "--interval", "0", "--duration", "20"});
    ASSERT_TRUE(simulator.waitForStarted());
    QByteArray out;
    ASSERT_TRUE(waitFor([&] {
        out += simulator.readAllStandardOutput();
        return out.contains("server(s) on port");
    }));
    LineLayout layout;
    layout.Machines[3].Enabled = true;
    layout.Machines[3].Address = "127.0.0.1";
    GeneralSettings settings;
    Log log;
    RecordingView view;
    ConnectionManager manager(port, {});
    manager.createElements();
    LineHub hub(layout, settings, log, view, manager);
    manager.setEvents(&hub);
    hub.switchOn();
    ASSERT_TRUE(waitFor([&] {
        out += simulator.readAllStandardOutput();
        return out.contains("[127.0.0.1] <- $$HierLinienLayout$$GeneralCodePage=1252;") &&
               out.contains("[127.0.0.1] <- $$LiefereDeineDaten$$");
    }));
    manager.setEvents(nullptr);
    simulator.kill();
    simulator.waitForFinished();

    QProcess outside;
    outside.start(QStringLiteral(VRR_SIMULATOR), {"--addresses", "192.0.2.1", "--port", QString::number(port)});
    ASSERT_TRUE(outside.waitForFinished(10000));
    EXPECT_EQ(outside.exitCode(), 2);
    EXPECT_TRUE(outside.readAllStandardOutput().contains("loopback"));
}
