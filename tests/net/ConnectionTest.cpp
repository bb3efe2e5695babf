// The line's communication against real servers on loopback sockets in this process.

#include "net/ConnectionManager.h"
#include "net/LineHub.h"

#include "HubRig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <QTcpSocket>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace base;
using namespace net;

using testutil::waitFor;

namespace {
struct TestServer {
    QTcpServer server;
    QList<QTcpSocket*> clients;
    QByteArray received;
    bool readData = true;
    bool closeAtOnce = false;
    std::function<void(QTcpSocket*)> onAccept;

    bool listen(const QHostAddress& address, quint16 port) {
        if (!server.listen(address, port)) return false;
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                clients << s;
                if (closeAtOnce) {
                    s->close();
                    continue;
                }
                if (readData) QObject::connect(s, &QTcpSocket::readyRead, [this, s] { received += s->readAll(); });
                if (onAccept) onAccept(s);
            }
        });
        return true;
    }
    QTcpSocket* client() const { return clients.isEmpty() ? nullptr : clients.last(); }
    QStringList messages() const {
        QStringList out;
        framing::FrameBuffer frames;
        frames.feed(received, [&](QByteArrayView m) { out << QString::fromLatin1(m); });
        return out;
    }
    int count(const QString& message) const { return static_cast<int>(messages().count(message)); }
    int countStartingWith(const QString& command) const {
        int n = 0;
        for (const QString& m : messages()) n += m.startsWith(command);
        return n;
    }
};

using LiveTest = LiveHubTest;
} // namespace

TEST_F(LiveTest, TwoSlotsWhoseAddressesDifferInCaseShareOneConnection) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress::Any, port));
    enable(2, "localhost");
    enable(6, "LocalHost");
    start(5000, 10000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(2) == ConnectionState::Connected; }));
    QTest::qWait(100);
    EXPECT_EQ(server.clients.size(), 1);
    EXPECT_EQ(hub->connState(6), ConnectionState::NeverStarted);
    EXPECT_EQ(hub->shownConnState(2), ShownConnection::Connected);
    EXPECT_EQ(hub->shownConnState(6), ShownConnection::Connected);
    EXPECT_EQ(view.connection[6], 2);
    EXPECT_EQ(logCount(" # Server Connect 2$"), 1);
}

TEST_F(LiveTest, KeepAliveAfterSilenceOnly) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(150, 10000);
    ASSERT_TRUE(waitFor([&] { return server.count("$$Leben$$") >= 2; }));
    EXPECT_TRUE(server.received.startsWith("$$Anfang$$$$Leben$$$$Ende$$"));
}

TEST_F(LiveTest, NoKeepAliveWhileMessagesFlow) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(400, 10000);
    ASSERT_TRUE(waitFor([&] { return server.client() != nullptr && hub->connState(0) == ConnectionState::Connected; }));
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout,
                     [&] { server.client()->write("$$Anfang$$$$LiefereLinienDaten$$$$Ende$$"); });
    ask.start(40);
    QTest::qWait(1500);
    ask.stop();
    EXPECT_GT(server.count("$$LiefereDeineDaten$$"), 10);
    EXPECT_EQ(server.count("$$Leben$$"), 0);
}

TEST_F(LiveTest, SilentServerTimesOutButStaysConnected) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    enable(1, "127.0.0.1");
    start(5000, 150);
    ASSERT_TRUE(waitFor([&] { return logCount(" # Timeout Server 0$") >= 2; }));
    EXPECT_EQ(hub->connState(0), ConnectionState::Connected);
    EXPECT_EQ(view.connection[0], 1);
    EXPECT_EQ(view.connection[1], 1);
    EXPECT_EQ(layout.MachineDataNow[1].Status, 5);
    EXPECT_EQ(server.clients.size(), 1);
    EXPECT_EQ(server.client()->state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(logCount("Start - Connect Server 0"), 1); // no reconnect of an open connection
}

TEST_F(LiveTest, ServerCloseIsOneCloseEventAndIsReconnected) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(5000, 200);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    server.client()->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return logCount(" # Server Close 0$") == 1; }));
    EXPECT_EQ(hub->connState(0), ConnectionState::ClosedByServer);
    EXPECT_EQ(view.connection[0], 0);
    ASSERT_TRUE(waitFor([&] { return server.clients.size() == 2 && hub->connState(0) == ConnectionState::Connected; }));
    EXPECT_EQ(logCount("Error Server"), 0);
    EXPECT_EQ(logCount(" # Start - Connect Server 0 127.0.0.1$"), 2);
    EXPECT_EQ(view.connection[0], 2);
}

TEST_F(LiveTest, RefusedAndEmptyAddressesAreErrorsRetriedByTheTimeOut) {
    enable(0, "127.0.0.1"); // nothing listens on the port
    enable(1, "");
    start(5000, 100);
    ASSERT_TRUE(waitFor([&] {
        return logCount(" # Error Server 0 No:10061 Des:") >= 3 && logCount(" # Error Server 1 No:11001 Des:") >= 3;
    }));
    EXPECT_GE(logCount(" # Start - Connect Server 0 127.0.0.1$"), 3);
    EXPECT_EQ(view.connection[0] == 0 || view.connection[0] == 1, true);
    // Switching off stops the retries.
    hub->switchOff();
    const int errors = logCount("Error Server");
    QTest::qWait(400);
    EXPECT_EQ(logCount("Error Server"), errors);
    EXPECT_FALSE(manager->replyTimerActive(0));
}

TEST_F(LiveTest, FramesAreAnsweredInOrderAlsoWhenSplitOverArrivals) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(5000, 10000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    server.client()->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$$$Anfang$$$$LiefereLinien");
    server.client()->flush();
    QTest::qWait(50);
    server.client()->write("Daten$$$$Ende$$");
    ASSERT_TRUE(waitFor([&] { return server.messages().size() >= 3; }));
    const QStringList m = server.messages();
    EXPECT_TRUE(m[0].startsWith("$$HierLinienLayout$$GeneralCodePage="));
    EXPECT_TRUE(m[1].startsWith("$$HierLinienDaten$$Status0="));
    EXPECT_EQ(m[2], "$$LiefereDeineDaten$$");
}

TEST_F(LiveTest, MachineDataIsPassedToEveryServer) {
    TestServer a, b;
    ASSERT_TRUE(a.listen(QHostAddress("127.0.0.1"), port));
    ASSERT_TRUE(b.listen(QHostAddress("127.0.0.2"), port));
    enable(0, "127.0.0.1");
    enable(1, "127.0.0.2");
    enable(2, "127.0.0.2");
    start(5000, 10000);
    ASSERT_TRUE(waitFor([&] {
        return hub->connState(0) == ConnectionState::Connected && hub->connState(1) == ConnectionState::Connected;
    }));
    a.received.clear();
    b.received.clear();
    a.client()->write("$$Anfang$$$$HierMaschinenDaten$$Status0=4;Text0=Jam;CodePage0=1252;LcId0=1033;$$Ende$$");
    ASSERT_TRUE(waitFor([&] { return a.messages().size() == 1 && b.messages().size() == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(b.messages().size(), 1);
    EXPECT_EQ(a.messages(), b.messages());
    EXPECT_TRUE(
        b.messages()[0].startsWith("$$HierLinienDaten$$Status0=4;Text0=Jam;CodePage0=1252;LcId0=1033;Status1="));
}

TEST_F(LiveTest, AServerThatNeverReadsIsFailedInsteadOfBufferedWithoutEnd) {
    TestServer deaf;
    deaf.readData = false;
    ASSERT_TRUE(deaf.listen(QHostAddress("127.0.0.1"), port));
    deaf.onAccept = [](QTcpSocket* s) { s->setReadBufferSize(1); };
    enable(0, "127.0.0.1");
    start(5000, 60000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    const QString big(100000, QLatin1Char('x'));
    for (int i = 0; i < 500 && logCount("Error Server 0 No:10055") == 0; ++i) {
        hub->SendeDaten(0, big);
        ASSERT_LE(manager->unsentBytes(0), ConnectionManager::MaxUnsent + 200000);
        if (i % 20 == 0) QCoreApplication::processEvents();
    }
    ASSERT_TRUE(waitFor([&] { return logCount(" # Error Server 0 No:10055 Des:") == 1; }));
    EXPECT_EQ(hub->connState(0), ConnectionState::Closed);
    EXPECT_EQ(manager->unsentBytes(0), 0);
    EXPECT_TRUE(manager->replyTimerActive(0)); // reconnected by the time-out like after any error
}

TEST_F(LiveTest, EndlessStreamsAndGarbageKeepMemoryBoundedAndOthersServed) {
    TestServer flood, garbage, good;
    ASSERT_TRUE(flood.listen(QHostAddress("127.0.0.1"), port));
    ASSERT_TRUE(garbage.listen(QHostAddress("127.0.0.2"), port));
    ASSERT_TRUE(good.listen(QHostAddress("127.0.0.3"), port));
    enable(0, "127.0.0.1");
    enable(1, "127.0.0.2");
    enable(2, "127.0.0.3");
    start(5000, 10000);
    ASSERT_TRUE(waitFor([&] {
        return hub->connState(0) == ConnectionState::Connected && hub->connState(1) == ConnectionState::Connected &&
               hub->connState(2) == ConnectionState::Connected;
    }));
    QRandomGenerator random(11);
    QByteArray noise(4 * 1024 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random.bounded(256));
    garbage.client()->write(noise);
    flood.client()->write("$$Anfang$$");
    for (int i = 0; i < 12; ++i) {
        flood.client()->write(QByteArray(1024 * 1024, 'x'));
        flood.client()->flush();
        QTest::qWait(5);
        ASSERT_LE(hub->pendingFrameBytes(0), framing::MaxPending);
    }
    good.client()->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
    ASSERT_TRUE(waitFor([&] { return good.messages().size() == 1; }, 20000));
    EXPECT_LE(hub->pendingFrameBytes(0), framing::MaxPending);
    EXPECT_LE(hub->pendingFrameBytes(1), framing::MaxPending);
    // The flooded connection still works once a frame ends.
    flood.client()->write("$$Ende$$$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
    ASSERT_TRUE(
        waitFor([&] { return flood.count("$$LiefereDeineDaten$$") == 0 && flood.messages().size() == 1; }, 20000));
}

TEST_F(LiveTest, ThousandsOfConnectCloseCyclesLeaveNothingBehind) {
    TestServer server;
    server.closeAtOnce = true;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(5000, 1);
    ASSERT_TRUE(waitFor([&] { return server.clients.size() >= 1000; }, 60000));
    hub->switchOff();
    QTest::qWait(50);
    const int closes = logCount(" # Server Close 0$");
    const int errors = logCount(" # Error Server 0 ");
    EXPECT_GE(closes + errors, 900);
    EXPECT_EQ(hub->connState(0), ConnectionState::Closed);
    qDeleteAll(server.clients);
}

TEST_F(LiveTest, AServerThatResetsAtOnceGetsOneLoggedAttemptPerRetry) {
    // A server outside the event loop that accepts every connection and resets it at once.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 64), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread server([&] {
        while (!stop) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0) continue;
            ++accepted;
            const linger reset{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
            ::close(client);
        }
    });
    enable(0, "127.0.0.1");
    start(5000, 200);
    QTest::qWait(1100);
    hub->switchOff();
    QTest::qWait(100);
    stop = true;
    server.join();
    ::close(listener);
    const int attempts = logCount(" # Start - Connect Server 0 127.0.0.1$");
    EXPECT_GE(attempts, 4);
    EXPECT_EQ(accepted.load(), attempts);
}

TEST_F(LiveTest, AFloodingServerIsReadInSlicesAndEveryReportIsHandledOnce) {
    TestServer flooder, other;
    ASSERT_TRUE(flooder.listen(QHostAddress("127.0.0.1"), port));
    ASSERT_TRUE(other.listen(QHostAddress("127.0.0.2"), port));
    constexpr int Reports = 2000;
    QByteArray flood;
    for (int n = 0; n < Reports; ++n)
        flood += framing::frame("$$HierMaschinenDaten$$Status7=1;Text7=r" + QByteArray::number(n) +
                                ";CodePage7=1252;LcId7=1033;");
    flooder.onAccept = [&](QTcpSocket* s) { s->write(flood); };
    other.onAccept = [](QTcpSocket* s) { s->write(framing::frame("$$LiefereLinienDaten$$")); };
    log.configure(LogSwitches{}); // a flood with every line logged would only measure the log
    enable(0, "127.0.0.1");
    enable(1, "127.0.0.2");
    start();
    ASSERT_TRUE(waitFor([&] { return other.countStartingWith("$$HierLinienDaten$$") >= Reports + 1; }, 60000));
    QTest::qWait(100);
    // Once per report to each server, plus the answer to the request: nothing lost, nothing twice.
    EXPECT_EQ(other.countStartingWith("$$HierLinienDaten$$"), Reports + 1);
    EXPECT_EQ(other.count("$$LiefereDeineDaten$$"), 1);
    EXPECT_EQ(layout.MachineDataNow[7].Text, QStringLiteral("r%1").arg(Reports - 1));
    EXPECT_EQ(hub->pendingFrameBytes(0), 0);
}

using testutil::openDescriptors;

// One misbehaving server at a time beside a healthy one: whatever the bad one does, the healthy
// one's request is answered, no buffer grows past its bound, and the descriptors come back.
TEST_F(LiveTest, AMisbehavingServerNeverStarvesAHealthyOne) {
    struct Case {
        const char* name;
        std::function<void(TestServer&)> setUp;                                       // before the hub connects
        std::function<void(TestServer&, const std::function<void()>& ask)> misbehave; // once both are connected
        bool staysConnected;
    };
    const QByteArray noiseBlock = [] {
        QByteArray b(1 << 20, '\0');
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(b.data()), b.size() / 4);
        return b;
    }();
    const Case cases[] = {
        {"resets every connection at once", [](TestServer& s) { s.closeAtOnce = true; }, {}, false},
        {"accepts and never reads",
         [](TestServer& s) {
             s.readData = false;
             s.onAccept = [](QTcpSocket* c) { c->setReadBufferSize(1); };
         },
         {},
         true},
        {"sends a 10 MB frame",
         {},
         [](TestServer& s, const std::function<void()>& ask) {
             s.client()->write("$$Anfang$$$$HierMaschinenDaten$$");
             for (int i = 0; i < 10; ++i) s.client()->write(QByteArray(1 << 20, 'x'));
             ask();
         },
         true},
        {"sends 100 MB of noise",
         {},
         [&noiseBlock](TestServer& s, const std::function<void()>& ask) {
             // Written as fast as the hub takes it; the healthy server asks while it flows.
             for (int i = 0; i < 100; ++i) {
                 s.client()->write(noiseBlock);
                 QElapsedTimer clock;
                 clock.start();
                 while (s.client()->bytesToWrite() > (4 << 20) && clock.elapsed() < 30000)
                     QCoreApplication::processEvents();
                 if (i % 25 == 24) ask();
             }
             EXPECT_LE(s.client()->bytesToWrite(), 8 << 20);
         },
         true},
    };
    const int descriptors = openDescriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer bad, good;
        if (c.setUp) c.setUp(bad);
        ASSERT_TRUE(bad.listen(QHostAddress("127.0.0.1"), port));
        ASSERT_TRUE(good.listen(QHostAddress("127.0.0.2"), port));
        layout = LineLayout();
        enable(0, "127.0.0.1");
        enable(1, "127.0.0.2");
        start(5000, 10000);
        ASSERT_TRUE(waitFor([&] { return hub->connState(1) == ConnectionState::Connected; }));
        if (c.staysConnected) {
            ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
        }
        int asked = 0;
        const auto ask = [&] {
            ++asked;
            good.client()->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
            EXPECT_TRUE(waitFor([&] { return good.countStartingWith("$$HierLinienLayout$$") == asked; }, 20000))
                << asked;
            EXPECT_LE(hub->pendingFrameBytes(0), framing::MaxPending);
            EXPECT_LE(manager->unsentBytes(0), ConnectionManager::MaxUnsent + 200000);
        };
        if (c.misbehave) c.misbehave(bad, ask);
        // While the bad one goes on, the healthy one keeps getting its answers.
        for (int k = 0; k < 3; ++k) ask();
        hub->switchOff();
        manager->setEvents(nullptr);
        hub.reset();
        manager.reset();
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
    EXPECT_LE(openDescriptors(), descriptors + 2);
}

// All 64 servers drop at the same moment and come back: every slot is connected again.
TEST_F(LiveTest, SixtyFourServersThatDropTogetherAreAllConnectedAgain) {
    std::vector<std::unique_ptr<TestServer>> servers;
    for (int s = 0; s < MachineSlots; ++s) {
        servers.push_back(std::make_unique<TestServer>());
        const QString address = QStringLiteral("127.0.10.%1").arg(s + 1);
        ASSERT_TRUE(servers.back()->listen(QHostAddress(address), port));
        enable(s, address);
    }
    start(5000, 300); // a short reply time-out: reconnects come quickly
    const auto allConnected = [&] {
        for (int s = 0; s < MachineSlots; ++s)
            if (hub->connState(static_cast<size_t>(s)) != ConnectionState::Connected) return false;
        return true;
    };
    ASSERT_TRUE(waitFor(allConnected, 20000));
    const int descriptors = openDescriptors();
    for (auto& server : servers) {
        for (QTcpSocket* c : server->clients) c->abort();
        server->clients.clear();
        server->received.clear();
    }
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) != ConnectionState::Connected; }, 20000));
    ASSERT_TRUE(waitFor(allConnected, 30000));
    for (int s = 0; s < MachineSlots; ++s) {
        servers[static_cast<size_t>(s)]->client()->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
    }
    ASSERT_TRUE(waitFor(
        [&] {
            for (auto& server : servers)
                if (server->countStartingWith("$$HierLinienLayout$$") < 1) return false;
            return true;
        },
        20000));
    EXPECT_LE(openDescriptors(), descriptors + 4);
}
