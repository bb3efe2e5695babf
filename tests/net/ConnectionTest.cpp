// The line's messages: frames found in the bytes of any arrival, and the communication against real
// servers on loopback sockets in this process.
#include "net/ConnectionManager.h"
#include "net/Framing.h"
#include "net/LineHub.h"

#include "HubRig.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

using namespace base;
using namespace net;
using namespace testutil;

namespace {
QStringList feed(framing::FrameBuffer& buffer, const QByteArray& arrival) {
    QStringList messages;
    buffer.feed(arrival, [&](QByteArrayView m) { messages << QString::fromLatin1(m); });
    return messages;
}

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
    // Its connections read nothing: what they are sent stays in the kernel's buffers.
    void neverRead() {
        readData = false;
        onAccept = [](QTcpSocket* c) { c->setReadBufferSize(1); };
    }
    QTcpSocket* client() const { return clients.isEmpty() ? nullptr : clients.last(); }
    QStringList messages() const {
        QStringList out;
        framing::FrameBuffer frames;
        frames.feed(received, [&](QByteArrayView m) { out << QString::fromLatin1(m); });
        return out;
    }
    int count(const QString& message) const { return static_cast<int>(messages().count(message)); }
};

using LiveTest = LiveHubTest;
} // namespace

// A frame has nothing between its markers and its text; several in one arrival come in their order,
// and text outside frames is dropped.
TEST(Framing, SeveralFramesInOneArrivalInOrderAndTextOutsideDropped) {
    EXPECT_EQ(framing::frame("abc"), "$$Anfang$$abc$$Ende$$");
    EXPECT_EQ(framing::frame(""), "$$Anfang$$$$Ende$$");
    framing::FrameBuffer buffer;
    EXPECT_EQ(feed(buffer, "junk$$Anfang$$one$$Ende$$between$$Anfang$$$$Ende$$$$Anfang$$three$$Ende$$tail"),
              (QStringList{"one", "", "three"}));
    EXPECT_EQ(buffer.pendingSize(), 4); // only a tail that could begin a start marker is kept
    EXPECT_EQ(feed(buffer, "$$Anfang$$four$$Ende$$"), QStringList{"four"});
}

TEST(Framing, UnfinishedFramesAndSplitMarkersWaitForTheRest) {
    framing::FrameBuffer buffer;
    EXPECT_TRUE(feed(buffer, "$$Anfang$$Status1=2;Te").isEmpty());
    EXPECT_EQ(feed(buffer, "xt1=Run;$$En"), QStringList{});
    EXPECT_EQ(feed(buffer, "de$$$$Anf"), QStringList{"Status1=2;Text1=Run;"});
    EXPECT_EQ(feed(buffer, "ang$$x$$Ende$$"), QStringList{"x"});
    EXPECT_EQ(buffer.pendingSize(), 0);
}

// Found by fuzzing: an end marker that shares the closing "$$" of a start marker. Whatever the
// pieces the bytes arrive in, the frames are those of the bytes taken whole.
TEST(Framing, FramesDoNotDependOnHowTheBytesWereSplit) {
    const QList<QByteArray> inputs = {"$$Anfang$$$$Anfang$$Ende$$$$Anfang$$", "$$Anfang$$a$$Anfang$Ende$$b$$Ende$$",
                                      "x$$Anfang$$$$Anfang$$$$Ende$$"};
    for (const QByteArray& input : inputs) {
        framing::FrameBuffer whole;
        const QStringList expected = feed(whole, input);
        for (int piece = 1; piece <= input.size(); ++piece) {
            framing::FrameBuffer buffer;
            QStringList got;
            for (int at = 0; at < input.size(); at += piece) got += feed(buffer, input.mid(at, piece));
            EXPECT_EQ(got, expected) << input.toStdString() << " in pieces of " << piece;
        }
    }
}

TEST(Framing, EndMarkerBeforeStartMarkerNeitherLoopsNorLosesTheNextFrame) {
    framing::FrameBuffer buffer;
    EXPECT_EQ(feed(buffer, "tail of a split frame$$Ende$$$$Anfang$$next$$Ende$$"), QStringList{"next"});
    EXPECT_EQ(feed(buffer, "$$Ende$$$$Ende$$$$Ende$$"), QStringList{});
    // The start of a frame that never ended does not swallow the frame after it.
    EXPECT_EQ(feed(buffer, "$$Anfang$$broken"), QStringList{});
    EXPECT_EQ(feed(buffer, "$$Anfang$$real$$Ende$$"), QStringList{"real"});
}

TEST(Framing, AnUnfinishedFrameIsKeptUpToTheLimitOnly) {
    framing::FrameBuffer buffer;
    feed(buffer, "$$Anfang$$" + QByteArray(framing::MaxPending - 100, 'a'));
    EXPECT_GT(buffer.pendingSize(), 0);
    feed(buffer, QByteArray(200, 'b')); // now over the limit: given up
    EXPECT_EQ(buffer.pendingSize(), 0);
    EXPECT_EQ(feed(buffer, "rest$$Ende$$$$Anfang$$ok$$Ende$$"), QStringList{"ok"});
    // A frame just under the limit arrives whole over many arrivals.
    const QByteArray big(framing::MaxPending - 20, 'c');
    QByteArray wire = framing::frame(big);
    QStringList got;
    for (qsizetype i = 0; i < wire.size(); i += 1460) got << feed(buffer, wire.mid(i, 1460));
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].size(), big.size());
}

TEST(SocketErrors, QtErrorsCarryTheirWindowsSocketNumbers) {
    const std::pair<QAbstractSocket::SocketError, int> cases[] = {
        {QAbstractSocket::ConnectionRefusedError, 10061},
        {QAbstractSocket::RemoteHostClosedError, 10054},
        {QAbstractSocket::HostNotFoundError, 11001},
        {QAbstractSocket::SocketAccessError, 10013},
        {QAbstractSocket::SocketResourceError, 10055},
        {QAbstractSocket::SocketTimeoutError, 10060},
        {QAbstractSocket::DatagramTooLargeError, 10040},
        {QAbstractSocket::NetworkError, 10065},
        {QAbstractSocket::AddressInUseError, 10048},
        {QAbstractSocket::SocketAddressNotAvailableError, 10049},
        {QAbstractSocket::UnsupportedSocketOperationError, 10045},
        {QAbstractSocket::OperationError, 10022},
        {QAbstractSocket::TemporaryError, 10035},
        {QAbstractSocket::UnknownSocketError, 10053},
    };
    for (const auto& [error, number] : cases) EXPECT_EQ(windowsSocketError(error), number) << error;
}

TEST_F(LiveTest, OneConnectionPerServerAndKeepAlivesOnlyAfterSilence) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress::Any, port));
    enable(2, "localhost");
    enable(6, "LocalHost"); // the same server in another case
    start(300, 10000);
    ASSERT_TRUE(waitFor([&] { return server.count("$$Leben$$") >= 2; }));
    EXPECT_TRUE(server.received.startsWith("$$Anfang$$$$Leben$$$$Ende$$"));
    EXPECT_EQ(server.clients.size(), 1);
    EXPECT_EQ(logCount(" # Server Connect 2$"), 1);
    // While messages flow no keep-alive is sent.
    QTimer ask;
    QObject::connect(&ask, &QTimer::timeout,
                     [&] { server.client()->write("$$Anfang$$$$LiefereLinienDaten$$$$Ende$$"); });
    ask.start(40);
    QTest::qWait(100);
    const int keepAlives = server.count("$$Leben$$");
    QTest::qWait(1000);
    ask.stop();
    EXPECT_GT(server.count("$$LiefereDeineDaten$$"), 10);
    EXPECT_EQ(server.count("$$Leben$$"), keepAlives);
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

TEST_F(LiveTest, RequestsSplitOverArrivalsAreAnswered) {
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

// What the kernel does not take at once waits in the socket's buffer, and everything sent after
// it waits behind it: a server that reads late gets every message whole and in order.
TEST_F(LiveTest, WhatWaitsForALateReaderArrivesWholeAndInOrder) {
    TestServer late;
    late.neverRead();
    ASSERT_TRUE(late.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    start(5000, 60000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    // Sent until the kernel takes no more (how much it holds depends on its buffers), then as
    // much again while the server reads.
    const QString filler(40000, QLatin1Char('x'));
    int count = 0;
    const auto send = [&] { hub->SendeDaten(0, QStringLiteral("m%1:").arg(count++) + filler); };
    while (manager->unsentBytes(0) == 0 && count < 150) send();
    ASSERT_GT(manager->unsentBytes(0), 0); // some of it waits in the socket's own buffer
    const int total = 2 * count;

    QTcpSocket* reader = late.client();
    reader->setReadBufferSize(0);
    QObject::connect(reader, &QTcpSocket::readyRead, [&] { late.received += reader->readAll(); });
    late.received += reader->readAll();
    while (count < total) {
        send();
        QCoreApplication::processEvents();
    }
    qsizetype expected = 0;
    for (int n = 0; n < total; ++n) expected += QStringLiteral("$$Anfang$$m%1:$$Ende$$").arg(n).size() + filler.size();
    ASSERT_TRUE(waitFor([&] { return late.received.size() >= expected; }, 20000)) << late.received.size();
    QStringList numbered;
    for (const QString& m : late.messages())
        if (m.startsWith(QLatin1Char('m'))) numbered << m;
    ASSERT_EQ(numbered.size(), total);
    for (int n = 0; n < total; ++n) {
        ASSERT_EQ(numbered[n], QStringLiteral("m%1:").arg(n) + filler) << n;
    }
    EXPECT_EQ(manager->unsentBytes(0), 0);
}

// A server that writes more than the receive buffer holds and closes at once: everything it wrote
// is handled before its one close event, and nothing of it after.
TEST_F(LiveTest, WhatAServerWroteBeforeItClosedIsAllHandledFirst) {
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    enable(7, "127.0.0.1"); // on slot 0's connection
    start(5000, 60000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    const QByteArray padding(2000, 'x');
    QByteArray reports;
    int n = 0;
    while (reports.size() <= ConnectionManager::ReadBufferSize * 3 / 2)
        reports += framing::frame("$$HierMaschinenDaten$$Status7=1;Text7=r" + QByteArray::number(n++) + ":" + padding +
                                  ";CodePage7=1252;LcId7=1033;");
    QString shownAtClose;
    QTcpSocket* c = server.client();
    c->write(reports);
    bool shut = false;
    ASSERT_TRUE(waitFor(
        [&] {
            // Its side is shut once all of it is written; it goes on reading, so that the close is
            // a close and not a reset.
            if (!shut && c->bytesToWrite() == 0)
                shut = ::shutdown(static_cast<int>(c->socketDescriptor()), SHUT_WR) == 0;
            if (shownAtClose.isEmpty() && hub->connState(0) == ConnectionState::ClosedByServer)
                shownAtClose = view.text[7];
            return logCount(" # Server Close 0$") == 1;
        },
        20000));
    EXPECT_EQ(shownAtClose.section(QLatin1Char(':'), 0, 0), QStringLiteral("r%1").arg(n - 1));
    EXPECT_EQ(view.text[7].section(QLatin1Char(':'), 0, 0), QStringLiteral("r%1").arg(n - 1));
}

// A server that resets while bytes wait unsent to it: what it wrote before the reset is still
// handled before its one close event.
TEST_F(LiveTest, WhatAServerWroteBeforeItsResetIsHandledFirst) {
    TestServer server;
    server.neverRead();
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    enable(0, "127.0.0.1");
    enable(7, "127.0.0.1"); // on slot 0's connection
    start(5000, 60000);
    ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
    const QString filler(40000, QLatin1Char('x'));
    for (int k = 0; manager->unsentBytes(0) == 0 && k < 150; ++k) hub->SendeDaten(0, filler);
    ASSERT_GT(manager->unsentBytes(0), 0);
    server.client()->write(reportsForSlot7(50));
    server.client()->flush();
    server.client()->abort(); // with what it was sent unread, its close is a reset
    ASSERT_TRUE(waitFor([&] { return logCount(" # Server Close 0$") == 1; }));
    EXPECT_EQ(view.text[7], QStringLiteral("r49"));
}

// A continued arrival queued for a connection closed since does not hold back the next
// connection's: a server that sends more than one slice and shuts its side gets its close event.
TEST_F(LiveTest, AContinuationOfAClosedConnectionDoesNotHoldBackTheNextOne) {
    struct Events : ConnectionEvents {
        ConnectionManager* m = nullptr;
        qsizetype got = 0;
        int closes = 0;
        void TcpClient_Connect(int) override {}
        void TcpClient_Close(int) override { ++closes; }
        void TcpClient_Error(int, int, const QString&) override {}
        void TcpClient_DataArrival(int i, qint64) override {
            got += m->read(i, 4096).size();
            if (m->bytesAvailable(i) > 0) m->continueArrival(i, 0);
        }
        void TimerHin_Timer(int) override {}
        void TimerZurueck_Timer(int) override {}
    } events;
    TestServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.0.1"), port));
    ConnectionManager m(port, {5000, 60000});
    events.m = &m;
    m.setEvents(&events);
    m.continueArrival(0, 2000); // for the connection that the open below replaces
    m.open(0, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(waitFor([&] { return m.isOpen(0) && server.client(); }));
    server.client()->write(QByteArray(10000, 'x'));
    server.client()->flush();
    ::shutdown(static_cast<int>(server.client()->socketDescriptor()), SHUT_WR);
    ASSERT_TRUE(waitFor([&] { return events.closes == 1; }, 1500));
    EXPECT_EQ(events.got, 10000);
}

// One misbehaving server at a time beside a healthy one: whatever the bad one does, the healthy
// one's request is answered, no buffer grows past its bound, and the descriptors come back.
TEST_F(LiveTest, AMisbehavingServerNeverStarvesAHealthyOne) {
    struct Case {
        const char* name;
        std::function<void(TestServer&)> setUp;                                       // before the hub connects
        std::function<void(TestServer&, const std::function<void()>& ask)> misbehave; // once both are connected
        bool staysConnected;
    };
    const Case cases[] = {
        {"resets every connection at once", [](TestServer& s) { s.closeAtOnce = true; }, {}, false},
        {"accepts and never reads", [](TestServer& s) { s.neverRead(); },
         [this](TestServer&, const std::function<void()>& ask) {
             // What waits unsent is bounded: the connection fails instead, and the time-out retries.
             const QString big(100000, QLatin1Char('x'));
             for (int i = 0; i < 500 && logCount("Error Server 0 No:10055") == 0; ++i) {
                 hub->SendeDaten(0, big);
                 ASSERT_LE(manager->unsentBytes(0), ConnectionManager::MaxUnsent + 200000);
                 if (i % 20 == 0) QCoreApplication::processEvents();
             }
             ASSERT_TRUE(waitFor([&] { return logCount(" # Error Server 0 No:10055 Des:") == 1; }));
             EXPECT_EQ(manager->unsentBytes(0), 0);
             EXPECT_TRUE(manager->replyTimerActive(0));
             ask();
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
        start(5000, 60000);
        ASSERT_TRUE(waitFor([&] { return hub->connState(1) == ConnectionState::Connected; }));
        if (c.staysConnected) {
            ASSERT_TRUE(waitFor([&] { return hub->connState(0) == ConnectionState::Connected; }));
        }
        int asked = 0;
        const auto ask = [&] {
            ++asked;
            good.client()->write("$$Anfang$$$$LiefereLinienLayout$$$$Ende$$");
            EXPECT_TRUE(waitFor([&] { return good.messages().filter("$$HierLinienLayout$$").size() == asked; }, 20000))
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
