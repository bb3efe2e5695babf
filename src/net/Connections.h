#pragma once
// The per-connection sockets and timers as the line protocol uses them. The connection manager
// implements it with TCP sockets; tests and the benchmark use in-process sinks.

#include <QByteArray>
#include <QString>

namespace net {

class Connections {
public:
    virtual ~Connections() = default;

    // The socket of connection i is connected (the one check made before sending or reading).
    virtual bool isOpen(int i) const = 0;
    // Hands bytes to the connection at once.
    virtual void send(int i, const QByteArray& bytes) = 0;
    // Up to `maxBytes` of the data waiting on connection i, and how much waits.
    virtual QByteArray read(int i, qint64 maxBytes) = 0;
    virtual qint64 bytesAvailable(int i) const = 0;
    // Raises the data-arrival event for connection i again once the other events had their turn
    // (no new event comes for data left unread), and at the earliest `pauseMs` from now. One
    // pending continuation per connection.
    virtual void continueArrival(int i, int pauseMs) = 0;

    // Starts connecting to host (port fixed by the implementation); events follow asynchronously.
    virtual void open(int i, const QString& host) = 0;
    // Starts connecting again to the host given at the last open().
    virtual void reopen(int i) = 0;
    // Closes the socket at once; raises no event.
    virtual void close(int i) = 0;

    // Keep-alive timer: restart (full interval from now).
    virtual void restartKeepAlive(int i) = 0;
    // Reply time-out timer: restart, or start only when it is not running (it keeps its period).
    virtual void restartReplyTimer(int i) = 0;
    virtual void enableReplyTimer(int i) = 0;
    // Both timers off.
    virtual void stopTimers(int i) = 0;
};

// The events of a connection, delivered by the Connections implementation.
class ConnectionEvents {
public:
    virtual ~ConnectionEvents() = default;
    virtual void TcpClient_Connect(int i) = 0;
    virtual void TcpClient_Close(int i) = 0;
    virtual void TcpClient_Error(int i, int number, const QString& description) = 0;
    virtual void TcpClient_DataArrival(int i, qint64 bytes) = 0;
    virtual void TimerHin_Timer(int i) = 0;
    virtual void TimerZurueck_Timer(int i) = 0;
};

} // namespace net
