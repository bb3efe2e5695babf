// The history end to end: a simulated machine server on a loopback port changes its machines'
// status, the station serves it, and the store holds one row per change, in order.
#include "station/Station.h"

#include "SimulatedServer.h"
#include "StationRig.h"
#include "StoreRig.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTest>

using namespace base;
using testutil::rowsOf;
using testutil::waitFor;

TEST(HistoryEndToEnd, EveryStatusChangeOfTheSimulatorIsARowInItsOrder) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    SimulatedServer server(QHostAddress("127.0.0.1"), port, ServerBehaviour::Normal, 7);
    server.setChangeInterval(40);
    ASSERT_TRUE(server.start());

    StationRig rig;
    station::StationOptions options = rig.options();
    options.port = port;
    testutil::writeBytes(rig.paths.settingsFile(), "[Ma0]\r\nText=Filler\r\nAddress=127.0.0.1\r\nEnabled=true\r\n"
                                                   "[Ma1]\r\nText=Capper\r\nAddress=127.0.0.1\r\nEnabled=true\r\n"
                                                   "[Ma2]\r\nText=Spare\r\nAddress=127.0.0.1\r\n");
    station::Station station(rig.paths, options);
    station.Form_Load();
    store::Store& store = *station.history().store();
    ASSERT_TRUE(waitFor([&] { return rowsOf(store, 0).size() + rowsOf(store, 1).size() >= 12; }, 15000));
    server.setChangeInterval(0);
    QTest::qWait(300);

    for (int slot : {0, 1}) {
        const std::vector<store::Row> rows = rowsOf(store, slot);
        // The connection first, then the reports: each status row starts where the one before ended.
        ASSERT_FALSE(rows.empty());
        int status = -1;
        int statusRows = 0;
        for (const store::Row& r : rows) {
            const store::Event& e = r.event;
            EXPECT_EQ(e.machine, slot ? "Capper" : "Filler");
            // A connection row carries the status its change set.
            if (e.newStatus < 0) continue;
            if (status >= 0 && e.oldStatus >= 0) {
                EXPECT_EQ(e.oldStatus, status) << "slot " << slot << " row " << r.id;
            }
            status = e.newStatus;
            if (e.kind == store::EventKind::Status) ++statusRows;
        }
        EXPECT_GE(statusRows, 2) << slot;
        EXPECT_EQ(status, station.layout().MachineDataNow[static_cast<size_t>(slot)].Status) << slot;
    }
    EXPECT_TRUE(rowsOf(store, 2).empty()) << "a slot that is not enabled is not recorded";
    station.CommandEnd_Click();
}
