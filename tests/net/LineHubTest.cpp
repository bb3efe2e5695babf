#include "net/LineHub.h"

#include "net/Framing.h"

#include "HubRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QFile>

#include <QRegularExpression>
#include <QTemporaryDir>

using namespace base;
using namespace logfile;
using namespace net;

namespace {
class HubTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    LineLayout layout;
    GeneralSettings settings;
    Log log;
    RecordingView view;
    FakeConnections connections;
    LineHub hub{layout, settings, log, view, connections};

    void SetUp() override {
        log.configure(testLogSwitches(dir.filePath("log.txt")));
        hub.switchOn(); // nothing enabled yet: no connection is opened
    }
    void enable(int slot, const QString& address, int16_t group = -1) {
        MachineRecord& m = layout.Machines[static_cast<size_t>(slot)];
        m.Enabled = true;
        m.Address = address;
        m.Text = QStringLiteral("M%1").arg(slot);
        m.Group = group;
    }
    void connectAll() {
        for (int i = 0; i < 64; ++i) {
            if (!layout.ownsConnection(i)) continue;
            connections.openNow[static_cast<size_t>(i)] = true;
            hub.TcpClient_Connect(i);
        }
        connections.sent.clear();
    }
    void arrive(int i, const QByteArray& bytes) {
        connections.incoming[static_cast<size_t>(i)] = bytes;
        hub.TcpClient_DataArrival(i, bytes.size());
    }
    QStringList logLines() { return testutil::logLines(dir.filePath("log.txt")); }
};
} // namespace

TEST_F(HubTest, SwitchingOnOpensOneConnectionPerDistinctAddress) {
    enable(3, "Packer");
    enable(7, "PACKER");
    enable(9, "filler");
    layout.Machines[12].Address = "filler"; // disabled: no connection, but matched by address
    hub.switchOn();
    EXPECT_EQ(connections.calls, (QStringList{"close 3", "open 3 Packer", "close 9", "open 9 filler"}));
    EXPECT_EQ(hub.connState(3), ConnectionState::ConnectRequested);
    EXPECT_EQ(hub.connState(7), ConnectionState::NeverStarted);
    EXPECT_EQ(hub.shownConnState(7), ShownConnection::Waiting);
    EXPECT_EQ(hub.shownConnState(12), ShownConnection::Waiting);
    EXPECT_EQ(view.connection[7], 1);
    EXPECT_EQ(layout.MachineDataNow[7].Status, 5);
    hub.TcpClient_Connect(3);
    EXPECT_EQ(hub.connState(3), ConnectionState::Connected);
    EXPECT_EQ(view.connection[3], 2);
    EXPECT_EQ(view.connection[7], 2);
    EXPECT_EQ(layout.MachineDataNow[7].Status, 5); // a connect does not change the status
}

TEST_F(HubTest, SwitchingOffClosesOwnedConnectionsAndShowsStatusZero) {
    enable(0, "a");
    enable(1, "b");
    hub.switchOn();
    connections.calls.clear();
    // The tiles count as switched off from the start of the switch-off.
    hub.switchOff();
    EXPECT_EQ(connections.calls, (QStringList{"close 0", "close 1"}));
    EXPECT_EQ(hub.connState(0), ConnectionState::Closed);
    EXPECT_EQ(layout.MachineDataNow[0].Status, 0);
    EXPECT_EQ(view.connection[1], 0);
    EXPECT_FALSE(hub.connected());
}

TEST_F(HubTest, LayoutRequestIsAnsweredWithTheLayout) {
    enable(2, "x", 1);
    connectAll();
    arrive(2, framing::frame("$$LiefereLinienLayout$$"));
    ASSERT_EQ(connections.sent.size(), 1);
    const QByteArray sent = connections.sent[0].second;
    EXPECT_TRUE(sent.startsWith("$$Anfang$$$$HierLinienLayout$$GeneralCodePage=1252;GeneralLcId=1033;GrName0=;"));
    EXPECT_TRUE(sent.endsWith("MaGroupVisu62=-1;$$Ende$$"));
}

TEST_F(HubTest, LineDataRequestIsAnsweredThenOwnDataIsAskedFor) {
    enable(0, "a");
    connectAll();
    arrive(0, "$$Anfang$$$$LiefereLinienDaten$$$$Ende$$");
    ASSERT_EQ(connections.sent.size(), 2);
    EXPECT_EQ(connections.sent[0].second, "$$Anfang$$$$HierLinienDaten$$Status0=0;Text0=;CodePage0=0;LcId0=0;$$Ende$$");
    EXPECT_EQ(connections.sent[1].second, "$$Anfang$$$$LiefereDeineDaten$$$$Ende$$");
}

TEST_F(HubTest, TwoFramesInOneArrivalAreAnsweredInOrder) {
    enable(0, "a");
    connectAll();
    arrive(0, "$$Anfang$$$$LiefereLinienLayout$$$$Ende$$$$Anfang$$$$LiefereLinienDaten$$$$Ende$$");
    ASSERT_EQ(connections.sent.size(), 3);
    EXPECT_TRUE(connections.sent[0].second.startsWith("$$Anfang$$$$HierLinienLayout$$"));
    EXPECT_TRUE(connections.sent[1].second.startsWith("$$Anfang$$$$HierLinienDaten$$"));
    EXPECT_TRUE(connections.sent[2].second.startsWith("$$Anfang$$$$LiefereDeineDaten$$"));
}

TEST_F(HubTest, UnknownEmptyAndBlankPrefixedMessagesAreIgnored) {
    enable(0, "a");
    connectAll();
    arrive(0, "$$Anfang$$ $$LiefereLinienLayout$$$$Ende$$$$Anfang$$$$Ende$$$$Anfang$$$$Leben$$$$Ende$$"
              "$$Anfang$$$$lieferelinienlayout$$$$Ende$$");
    EXPECT_TRUE(connections.sent.isEmpty());
}

TEST_F(HubTest, MachineDataGoesToTilesAndOnceToEveryDistinctServer) {
    enable(0, "a", 2);
    enable(3, "shared", 2);
    enable(5, "SHARED", 2);
    enable(9, "c", 4);
    connectAll();
    arrive(9, framing::frame("$$HierMaschinenDaten$$Status3=5;Text3=No PLC;CodePage3=1252;LcId3=1033;"
                             "Status0=3;Text0=Low;CodePage0=1252;LcId0=1033;"));
    // One message to each of the three servers, and the same bytes to each.
    ASSERT_EQ(connections.sent.size(), 3);
    EXPECT_EQ(connections.sentTo(0).size(), 1);
    EXPECT_EQ(connections.sentTo(3).size(), 1);
    EXPECT_EQ(connections.sentTo(9).size(), 1);
    EXPECT_EQ(connections.sentTo(0)[0], connections.sentTo(3)[0]);
    EXPECT_EQ(connections.sentTo(0)[0], connections.sentTo(9)[0]);
    EXPECT_TRUE(connections.sentTo(0)[0].contains("Status3=5;Text3=No PLC;CodePage3=1252;LcId3=1033;"));
    EXPECT_EQ(view.status[3], 5);
    EXPECT_EQ(view.text[0], "Low");
    EXPECT_EQ(view.name[9], "M9");
    // Group 2: status 5 (rank 6) beats status 3 (rank 4) and slot 5's status.
    EXPECT_EQ(hub.groupStatus(2), 5);
    EXPECT_EQ(view.group[2], 5);
}

TEST_F(HubTest, GroupStatusEqualRanksLowerSlotWinsAndDisabledSlotsDoNotCount) {
    enable(1, "a", 0);
    enable(2, "b", 0);
    layout.Machines[4].Group = 0; // disabled
    layout.MachineDataNow[4] = {5, 6, "", 0, 0};
    layout.MachineDataNow[1] = {0, 1, "", 0, 0};
    layout.MachineDataNow[2] = {1, 1, "", 0, 0};
    hub.LinienDatenAuswerten();
    EXPECT_EQ(hub.groupStatus(0), 0);
    EXPECT_EQ(hub.groupDisplayState(0), 1);
    layout.MachineDataNow[2] = {6, 2, "", 0, 0};
    hub.LinienDatenAuswerten();
    EXPECT_EQ(hub.groupStatus(0), 6);
    EXPECT_EQ(hub.groupStatus(1), 0);
}

TEST_F(HubTest, SendingNeedsAnOpenConnection) {
    enable(0, "a");
    hub.switchOn(); // connecting, not connected
    hub.SendeDaten(0, u"abc");
    EXPECT_TRUE(connections.sent.isEmpty());
    EXPECT_TRUE(logLines().isEmpty() || !logLines().last().contains("abc"));
    connections.openNow[0] = true;
    hub.TcpClient_Connect(0);
    connections.sent.clear();
    hub.SendeDaten(0, u"abc");
    ASSERT_EQ(connections.sent.size(), 1);
    EXPECT_EQ(connections.sent[0].second, "$$Anfang$$abc$$Ende$$");
    EXPECT_TRUE(logLines().last().startsWith("S0 <- C "));
    EXPECT_TRUE(logLines().last().endsWith(" # abc"));
    connections.openNow[0] = false; // the state says connected, the socket does not
    hub.SendeDaten(0, u"def");
    EXPECT_EQ(connections.sent.size(), 1);
    EXPECT_TRUE(logLines().last().endsWith(" # Fault SendData"));
}

TEST_F(HubTest, DataOnAClosedSocketIsNotRead) {
    enable(0, "a");
    connections.incoming[0] = "$$Anfang$$$$LiefereLinienLayout$$$$Ende$$";
    hub.TcpClient_DataArrival(0, 41);
    EXPECT_TRUE(logLines().last().endsWith(" # Fault DataArrival"));
    EXPECT_FALSE(connections.incoming[0].isEmpty());
}

TEST_F(HubTest, ReceivedDataIsLoggedAsItCame) {
    enable(12, "a");
    connectAll();
    arrive(12, "abc");
    EXPECT_TRUE(logLines().last().startsWith("S12 -> C "));
    EXPECT_TRUE(logLines().last().endsWith(" # abc"));
}

TEST_F(HubTest, TimeOutReconnectsOnlyClosedConnections) {
    enable(0, "a");
    hub.switchOn();
    connections.calls.clear();
    hub.TimerZurueck_Timer(0); // state 3: no second connect
    EXPECT_TRUE(connections.calls.isEmpty());
    hub.TcpClient_Error(0, 10061, "refused");
    EXPECT_EQ(hub.connState(0), ConnectionState::Closed);
    hub.TimerZurueck_Timer(0);
    EXPECT_EQ(connections.calls, (QStringList{"close 0", "reopen 0"}));
    EXPECT_EQ(hub.connState(0), ConnectionState::ConnectRequested);
    const QStringList lines = logLines();
    EXPECT_EQ(lines.filter(QRegularExpression(" # Error Server 0 No:10061 Des:refused$")).size(), 1);
    EXPECT_TRUE(lines.last().endsWith(" # Start - Connect Server 0 a"));
}

TEST_F(HubTest, EveryValueLookupOfAReportIsTraced) {
    LogSwitches switches = testLogSwitches(dir.filePath("log.txt"));
    switches.debug = true;
    switches.data = false;
    log.configure(switches);
    enable(2, "a");
    connectAll();
    testutil::removeLog(dir.filePath("log.txt"));
    hub.TextAuswerten(2, u"$$HierMaschinenDaten$$Status2=1;Text2=Run;CodePage2=1252;LcId2=1033;");
    QStringList lines = logLines();
    const qsizetype end = lines.indexOf("C Debug LinienDatenAuswerten Start");
    ASSERT_GT(end, 0);
    lines = lines.mid(0, end);
    QStringList expected{"C Debug TextAuswerten Start"};
    for (int i = 0; i < 4; ++i)
        expected << "C Debug WerteAufbroeseln Start"
                 << "C Debug WerteAufbroeseln End";
    EXPECT_EQ(lines, expected);
}

TEST_F(HubTest, ALongArrivalIsHandledInSlicesEachAnArrivalOfItsOwn) {
    LogSwitches switches = testLogSwitches(dir.filePath("log.txt"));
    switches.debug = true;
    log.configure(switches);
    enable(0, "s0");
    connectAll();
    hub.setClock([] { return qint64(0); }); // every slice within the time budget
    testutil::removeLog(dir.filePath("log.txt"));
    // 300 reports back to back, about 22 KB: more than one slice.
    QByteArray flood;
    for (int n = 0; n < 300; ++n)
        flood += framing::frame("$$HierMaschinenDaten$$Status7=1;Text7=r" + QByteArray::number(n) +
                                ";CodePage7=1252;LcId7=1033;");
    connections.incoming[0] = flood;
    QStringList texts;
    int arrivals = 0;
    hub.TcpClient_DataArrival(0, flood.size());
    while (!connections.continued.isEmpty()) {
        EXPECT_EQ(connections.continued.takeFirst(), 0);
        EXPECT_GT(connections.bytesAvailable(0), 0);
        ++arrivals;
        hub.TcpClient_DataArrival(0, connections.bytesAvailable(0));
    }
    EXPECT_EQ(connections.bytesAvailable(0), 0);
    const qint64 slices = (flood.size() + LineHub::MaxArrivalBytes - 1) / LineHub::MaxArrivalBytes;
    EXPECT_EQ(arrivals + 1, slices);
    // Every slice logs its own byte count and exactly its bytes; together they are the whole stream.
    const QStringList lines = logLines();
    const QStringList starts =
        lines.filter(QRegularExpression("^C Debug TcpClient_DataArrival Start: Index: 0 Bytes: "));
    ASSERT_EQ(starts.size(), slices);
    EXPECT_TRUE(starts.first().endsWith(" Bytes: 4096"));
    QByteArray received;
    for (const QString& line : lines.filter(QRegularExpression("^S0 -> C ")))
        received += line.section(QStringLiteral(" # "), 2).toLatin1();
    EXPECT_EQ(received, flood);
    // Every report was handled once, in order: the last one's text is what slot 7 shows.
    EXPECT_EQ(layout.MachineDataNow[7].Text, "r299");
    EXPECT_EQ(connections.sentTo(0).size(), 300); // one line-data message per report to server 0
    EXPECT_EQ(hub.pendingFrameBytes(0), 0);

    // An arrival within the limit reads all and asks for no continuation.
    connections.incoming[0] = framing::frame("$$LiefereLinienDaten$$");
    hub.TcpClient_DataArrival(0, connections.incoming[0].size());
    EXPECT_TRUE(connections.continued.isEmpty());
}

TEST_F(HubTest, ExpensiveArrivalsAreCutToTheTimeBudget) {
    enable(0, "s0");
    enable(1, "s1");
    connectAll();
    // Every report handled costs a millisecond: the time follows the line data sent.
    hub.setClock([this] { return qint64(connections.sent.size()) * 1'000'000; });
    QByteArray flood;
    for (int n = 0; n < 300; ++n)
        flood += framing::frame("$$HierMaschinenDaten$$Status7=1;Text7=r" + QByteArray::number(n) +
                                ";CodePage7=1252;LcId7=1033;");
    connections.incoming[0] = flood;
    const int reportsPerSend = 2; // line data goes to both servers
    QList<int> handledPerArrival;
    hub.TcpClient_DataArrival(0, flood.size());
    handledPerArrival << int(connections.sent.size()) / reportsPerSend;
    while (!connections.continued.isEmpty()) {
        connections.continued.clear();
        const int before = int(connections.sent.size());
        hub.TcpClient_DataArrival(0, connections.bytesAvailable(0));
        handledPerArrival << (int(connections.sent.size()) - before) / reportsPerSend;
    }
    // The first slice is a full one; after it no arrival handles more than its budget's worth
    // (5 ms at 2 ms a report, and the cut falls between whole reports now and then).
    EXPECT_GT(handledPerArrival.first(), 40);
    for (int k = 1; k < handledPerArrival.size(); ++k) EXPECT_LE(handledPerArrival[k], 5) << k;
    EXPECT_GE(hub.arrivalBytes(0), LineHub::MinArrivalBytes);
    // Nothing lost, nothing twice, in order.
    EXPECT_EQ(connections.bytesAvailable(0), 0);
    EXPECT_EQ(connections.sentTo(0).size(), 300);
    EXPECT_EQ(layout.MachineDataNow[7].Text, "r299");
    // Quick arrivals let the slice grow back to the full size.
    hub.setClock([] { return qint64(0); });
    for (int k = 0; k < 8; ++k) {
        connections.incoming[0] = framing::frame("$$Leben$$");
        hub.TcpClient_DataArrival(0, connections.incoming[0].size());
    }
    EXPECT_EQ(hub.arrivalBytes(0), LineHub::MaxArrivalBytes);
    EXPECT_EQ(hub.arrivalBytes(1), LineHub::MaxArrivalBytes); // the other connection never shrank
}
