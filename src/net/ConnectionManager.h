#pragma once
// The 64 per-connection controls: a TCP socket, a keep-alive timer and a reply time-out timer per
// connection index, and the events they raise. Sockets never block: what is written goes to the
// kernel at once, and a connection whose peer stops reading is failed once too much waits unsent.
// The established sockets are watched through one socket set, so that a turn of the event loop
// polls one descriptor for all of them, and their bytes are read and written here directly.

#include "base/States.h"
#include "net/Connections.h"
#include "net/LazyTimer.h"
#include "platform/Platform.h"

#include <QAbstractSocket>
#include <QObject>

#include <array>
#include <memory>

class QHostInfo;
class QSocketNotifier;

namespace net {

struct ConnectionTimings {
    int keepAliveMs = 5000;
    int replyTimeoutMs = 10000;
};

// The Windows Sockets error number that a socket error corresponds to.
int windowsSocketError(QAbstractSocket::SocketError error);

class ConnectionManager : public QObject, public Connections {
    Q_OBJECT
public:
    // Most bytes that may wait unsent on one connection before it counts as failed.
    static constexpr qint64 MaxUnsent = 8 * 1024 * 1024;
    // Most bytes one connection buffers on the receiving side between arrivals.
    static constexpr qint64 ReadBufferSize = 2 * 1024 * 1024;

    ConnectionManager(quint16 port, ConnectionTimings timings, QObject* parent = nullptr);
    ~ConnectionManager() override;

    void setEvents(ConnectionEvents* events) { events_ = events; }

    // Elements 1..63 are created at start-up and destroyed at shut-down; element 0 always exists.
    void createElements();
    void destroyElements();
    bool hasElement(int i) const;

    bool isOpen(int i) const override;
    void send(int i, const QByteArray& bytes) override;
    QByteArray read(int i, qint64 maxBytes) override;
    qint64 bytesAvailable(int i) const override;
    void continueArrival(int i, int pauseMs) override;
    void open(int i, const QString& host) override;
    void reopen(int i) override;
    void close(int i) override;
    void restartKeepAlive(int i) override;
    void restartReplyTimer(int i) override;
    void enableReplyTimer(int i) override;
    void stopTimers(int i) override;

    bool keepAliveActive(int i) const;
    bool replyTimerActive(int i) const;
    qint64 unsentBytes(int i) const;

private slots:
    void hostLookedUp(const QHostInfo& info);

private:
    struct Element {
        bool exists = false;
        std::unique_ptr<LazyTimer> keepAlive;
        std::unique_ptr<LazyTimer> reply;
        QString host;
        quint64 generation = 0; // changes with every open and close: late events of an old socket are dropped
        bool failed = false;    // failed by the send limit or an error; its event is on its way
        // A connect in progress: its own socket, watched until it is writable, then the
        // established one. A connect is never retried on its own after a reset during the handshake.
        qintptr connecting = -1;
        int lookup = -1;         // a host name lookup in progress
        bool continuing = false; // a continued arrival is queued for the connection of `continued`
        quint64 continued = 0;
        std::unique_ptr<QSocketNotifier> connectWatch;

        // The established connection.
        qintptr socket = -1;
        int watched = 0;    // what the socket set watches it for
        bool ended = false; // the peer closed or reset it: the close event follows once what it sent is read
        QByteArray in;      // received and not yet read, from `inAt` on
        qsizetype inAt = 0;
        QByteArray out; // waiting for the kernel to take it, from `outAt` on
        qsizetype outAt = 0;
    };

    void createElement(int i);
    void connectHost(int i);
    void connectAddress(int i, const QString& address);
    void finishConnect(int i);
    void cancelConnect(int i);
    static void dropConnectWatch(Element& e);
    void postError(int i, int number, const QString& description);
    void dropSocket(Element& e);
    void watch(int i);
    void onReadiness();
    void onReady(int i, const platform::SocketSet::Ready& ready);
    bool receive(int i);
    void flushUnsent(int i);
    void fail(int i, int error);
    void closeIfEnded(int i);
    static qint64 buffered(const Element& e) { return e.in.size() - e.inAt; }
    static qint64 unsent(const Element& e) { return e.out.size() - e.outAt; }

    quint16 port_;
    ConnectionTimings timings_;
    ConnectionEvents* events_ = nullptr;
    std::array<Element, base::MachineSlots> elements_;
    platform::SocketSet sockets_;
    std::unique_ptr<QSocketNotifier> readiness_; // the socket set's descriptor
};

} // namespace net
