// The line simulator against the real connection manager and dispatch, on this test's own port.

#include "SimulatedServer.h"
#include "net/ConnectionManager.h"
#include "net/LineHub.h"

#include "HubRig.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

using namespace base;
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

// The program serves the addresses it is given, on loopback only; the protocol is the server's test
// above.
TEST(SimulatorProgram, ServesLoopbackAddressesOnly) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(probe.serverPort());
    probe.close();
    QProcess simulator;
    simulator.start(QStringLiteral(VRR_SIMULATOR), {"--addresses", "127.0.0.1", "--port", port, "--duration", "20"});
    ASSERT_TRUE(simulator.waitForStarted());
    QByteArray out;
    EXPECT_TRUE(waitFor([&] {
        out += simulator.readAllStandardOutput();
        return out.contains("server(s) on port");
    }));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port.toUShort());
    EXPECT_TRUE(client.waitForConnected(5000));
    simulator.kill();
    simulator.waitForFinished();

    QProcess outside;
    outside.start(QStringLiteral(VRR_SIMULATOR), {"--addresses", "192.0.2.1", "--port", port});
    ASSERT_TRUE(outside.waitForFinished(10000));
    EXPECT_EQ(outside.exitCode(), 2);
    EXPECT_TRUE(outside.readAllStandardOutput().contains("loopback"));
}
