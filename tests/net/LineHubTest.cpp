#include "net/LineHub.h"

#include "net/Framing.h"

#include "HubRig.h"

#include <gtest/gtest.h>

#include <numeric>

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

// One connection per distinct address, whatever its case; switching off closes them, and the tiles
// count as switched off from its start.
TEST_F(HubTest, SwitchingOnOpensOneConnectionPerDistinctAddressAndOffClosesThem) {
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

    connections.calls.clear();
    hub.switchOff();
    EXPECT_EQ(connections.calls, (QStringList{"close 3", "close 9"}));
    EXPECT_EQ(hub.connState(3), ConnectionState::Closed);
    EXPECT_EQ(layout.MachineDataNow[3].Status, 0);
    EXPECT_EQ(view.connection[7], 0);
    EXPECT_FALSE(hub.connected());
}

// Switching on shows every tile its state once the connects are made, sends nothing (no connection
// is up yet), and with debug lines on traces each slot's evaluation as it happens.
TEST_F(HubTest, SwitchingOnShowsTheTilesTheirStateAndTracesEachStepWithDebugOn) {
    enable(3, "Packer");
    enable(7, "Capper");
    enable(9, "PACKER");
    view.status.fill(-1);
    hub.switchOn();
    for (int slot : {3, 7, 9}) {
        EXPECT_EQ(view.status[static_cast<size_t>(slot)], 5) << slot;
        EXPECT_EQ(view.name[static_cast<size_t>(slot)], QStringLiteral("M%1").arg(slot));
    }
    EXPECT_TRUE(connections.sent.isEmpty());

    hub.switchOff();
    LogSwitches switches = testLogSwitches(dir.filePath("log.txt"));
    switches.debug = true;
    log.configure(switches);
    const auto evaluations = [&] { return logLines().filter("LinienDatenAuswerten Start").size(); };
    const qsizetype before = evaluations();
    hub.switchOn();
    EXPECT_EQ(evaluations() - before, 2) << "one for the connection of 3 and 9, one for 7";
}

// Which slots share an address is worked out again after an address changed: a connection's state
// then spreads to the slots whose address it has now, and the line data follows the new classes.
TEST_F(HubTest, AnAddressChangedSinceTheLastEventIsMatchedAsItIsNow) {
    enable(3, "Packer");
    enable(7, "PACKER");
    hub.switchOn();
    hub.TcpClient_Connect(3);
    EXPECT_EQ(view.connection[7], 2);
    layout.Machines[7].Address = "capper";
    hub.TcpClient_Close(3);
    EXPECT_EQ(view.connection[3], 0);
    EXPECT_EQ(view.connection[7], 2) << "slot 7 no longer shares slot 3's connection";
    layout.Machines[7].Address = "packer";
    connections.openNow[3] = true;
    hub.TcpClient_Connect(3);
    connections.sent.clear();
    hub.LinienDatenAuswerten();
    ASSERT_EQ(connections.sent.size(), 1) << "one message for the one address left";
    EXPECT_EQ(connections.sent[0].first, 3);
}

// What each request is answered with, frames in one arrival in their order, and what is ignored.
TEST_F(HubTest, RequestsAreAnsweredInOrderAndAnythingElseIsIgnored) {
    const QByteArray layoutRequest = framing::frame("$$LiefereLinienLayout$$");
    const QByteArray dataRequest = framing::frame("$$LiefereLinienDaten$$");
    const std::pair<QByteArray, QList<QByteArray>> cases[] = {
        {layoutRequest, {"$$Anfang$$$$HierLinienLayout$$GeneralCodePage=1252;GeneralLcId=1033;GrName0=;GrName1=;"}},
        {dataRequest,
         {"$$Anfang$$$$HierLinienDaten$$Status0=0;Text0=;CodePage0=0;LcId0=0;Status2=0;Text2=;CodePage2=0;LcId2=0;"
          "$$Ende$$",
          "$$Anfang$$$$LiefereDeineDaten$$$$Ende$$"}},
        {layoutRequest + dataRequest,
         {"$$Anfang$$$$HierLinienLayout$$", "$$Anfang$$$$HierLinienDaten$$", "$$Anfang$$$$LiefereDeineDaten$$"}},
        {framing::frame(" $$LiefereLinienLayout$$") + framing::frame("") + framing::frame("$$Leben$$") +
             framing::frame("$$lieferelinienlayout$$") + "$$LiefereLinienLayout$$",
         {}},
    };
    enable(0, "a");
    enable(2, "x", 1);
    connectAll();
    for (const auto& [arrival, answers] : cases) {
        SCOPED_TRACE(arrival.toStdString());
        connections.sent.clear();
        arrive(0, arrival);
        ASSERT_EQ(connections.sent.size(), answers.size());
        for (qsizetype k = 0; k < answers.size(); ++k) {
            EXPECT_EQ(connections.sent[k].first, 0);
            EXPECT_TRUE(connections.sent[k].second.startsWith(answers[k])) << connections.sent[k].second.toStdString();
        }
    }
    arrive(0, layoutRequest);
    EXPECT_TRUE(connections.sent.last().second.endsWith("MaGroupVisu62=-1;$$Ende$$"));
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
    ASSERT_EQ(connections.sentTo(0).size(), 1);
    EXPECT_EQ(connections.sentTo(3), connections.sentTo(0));
    EXPECT_EQ(connections.sentTo(9), connections.sentTo(0));
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

// Bytes are sent and read only on an open socket, and logged as they went and came.
TEST_F(HubTest, SendingAndReadingNeedAnOpenSocket) {
    enable(0, "a");
    connections.incoming[0] = framing::frame("$$LiefereLinienLayout$$");
    hub.TcpClient_DataArrival(0, 41);
    EXPECT_TRUE(logLines().last().endsWith(" # Fault DataArrival"));
    EXPECT_FALSE(connections.incoming[0].isEmpty());
    hub.switchOn(); // connecting, not connected
    hub.SendeDaten(0, u"abc");
    EXPECT_TRUE(connections.sent.isEmpty());
    EXPECT_FALSE(logLines().last().contains("abc"));
    connectAll();
    hub.SendeDaten(0, u"abc");
    ASSERT_EQ(connections.sent.size(), 1);
    EXPECT_EQ(connections.sent[0].second, "$$Anfang$$abc$$Ende$$");
    EXPECT_TRUE(logLines().last().startsWith("S0 <- C "));
    EXPECT_TRUE(logLines().last().endsWith(" # abc"));
    connections.openNow[0] = false; // the state says connected, the socket does not
    hub.SendeDaten(0, u"def");
    EXPECT_EQ(connections.sent.size(), 1);
    EXPECT_TRUE(logLines().last().endsWith(" # Fault SendData"));
    enable(12, "b");
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

// A long arrival is handled in slices, each an arrival of its own, and an expensive one is cut to
// the time budget; nothing is lost or handled twice.
TEST_F(HubTest, ArrivalsAreHandledInSlicesWithinTheTimeBudget) {
    LogSwitches switches = testLogSwitches(dir.filePath("log.txt"));
    switches.debug = true;
    log.configure(switches);
    enable(0, "s0");
    enable(1, "s1");
    connectAll();
    const QByteArray flood = reportsForSlot7(300); // about 22 KB: more than one slice
    // Runs arrivals until no continuation is asked for; gives the reports handled in each, and
    // the pause asked for before each continuation.
    QList<int> pauses;
    QList<qint64> left; // bytes still waiting after each arrival's read
    const auto arriveAll = [&] {
        connections.incoming[0] = flood;
        QList<int> handled;
        pauses.clear();
        left.clear();
        for (qint64 bytes = flood.size(); bytes > 0; bytes = connections.bytesAvailable(0)) {
            const qsizetype before = connections.sentTo(0).size();
            connections.continued.clear();
            connections.pauses.clear();
            hub.TcpClient_DataArrival(0, bytes);
            left << connections.bytesAvailable(0);
            handled << int(connections.sentTo(0).size() - before);
            pauses << connections.pauses;
            if (connections.continued.isEmpty()) break;
            EXPECT_EQ(connections.continued, QList<int>{0});
        }
        EXPECT_EQ(connections.bytesAvailable(0), 0);
        EXPECT_EQ(layout.MachineDataNow[7].Text, "r299"); // the last report is what slot 7 shows
        EXPECT_EQ(hub.pendingFrameBytes(0), 0);
        return handled;
    };
    hub.setClock([] { return qint64(0); }); // every slice within the time budget
    testutil::removeLog(dir.filePath("log.txt"));
    QList<int> handled = arriveAll();
    EXPECT_EQ(handled.size(), (flood.size() + LineHub::MaxArrivalBytes - 1) / LineHub::MaxArrivalBytes);
    EXPECT_EQ(std::accumulate(handled.begin(), handled.end(), 0), 300);
    EXPECT_EQ(pauses, QList<int>(handled.size() - 1, 0)) << "quick slices follow each other at once";
    // Every slice logs its own byte count and exactly its bytes; together they are the whole stream.
    const QStringList lines = logLines();
    const QStringList starts =
        lines.filter(QRegularExpression("^C Debug TcpClient_DataArrival Start: Index: 0 Bytes: "));
    ASSERT_EQ(starts.size(), handled.size());
    EXPECT_TRUE(starts.first().endsWith(" Bytes: 4096"));
    QByteArray received;
    for (const QString& line : lines.filter(QRegularExpression("^S0 -> C ")))
        received += line.section(QStringLiteral(" # "), 2).toLatin1();
    EXPECT_EQ(received, flood);

    // Every report costs 2 ms (a millisecond for each of the two servers it goes to): the
    // first slice is a full one, after it no arrival handles more than its budget's worth.
    log.configure(testLogSwitches(dir.filePath("log.txt")));
    hub.setClock([this] { return qint64(connections.sent.size()) * 1'000'000; });
    handled = arriveAll();
    EXPECT_GT(handled.first(), 40);
    for (int k = 1; k < handled.size(); ++k) EXPECT_LE(handled[k], 5) << k;
    EXPECT_EQ(std::accumulate(handled.begin(), handled.end(), 0), 300);
    // A slice that took its whole budget or more waits as long (at most MaxArrivalPauseMs) before
    // the next while a full slice or more still waits: the flooding connection gets about half of
    // the thread. Once less than that is left, the rest follows at once.
    ASSERT_EQ(pauses.size(), handled.size() - 1);
    EXPECT_EQ(pauses.first(), LineHub::MaxArrivalPauseMs) << "the first slice took some 80 ms";
    int paused = 0, atOnce = 0;
    for (int k = 1; k < pauses.size(); ++k) {
        const bool flooding = left[k] >= LineHub::MaxArrivalBytes;
        EXPECT_EQ(pauses[k], flooding ? 2 * handled[k] : 0) << k << ": " << left[k] << " bytes left";
        ++(flooding ? paused : atOnce);
    }
    EXPECT_GT(paused, 10);
    EXPECT_GT(atOnce, 10);
    EXPECT_GE(hub.arrivalBytes(0), LineHub::MinArrivalBytes);
    // Quick arrivals let the slice grow back to the full size; the other connection never shrank.
    hub.setClock([] { return qint64(0); });
    for (int k = 0; k < 8; ++k) arrive(0, framing::frame("$$Leben$$"));
    EXPECT_EQ(hub.arrivalBytes(0), LineHub::MaxArrivalBytes);
    EXPECT_EQ(hub.arrivalBytes(1), LineHub::MaxArrivalBytes);
}
