#pragma once
// One simulated machine server of the packaging line: it listens on its own address, asks the
// client for the line layout and line state, learns which slots are its own from the layout, and
// reports their status, which changes over time.

#include "net/Framing.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;

enum class ServerBehaviour {
    Normal,  // speaks the protocol
    Silent,  // accepts and reads, never sends
    Deaf,    // accepts, never reads and never sends
    Close,   // speaks, then closes the connection after a while
    Refuse,  // does not listen: connects are refused
    Garbage, // sends random bytes
    Chaos,   // speaks, and now and then drops the connection, stalls, sends garbage or a burst
};

struct SlotState {
    int status = 1;
    QString text;
    int codePage = 1252;
    int lcId = 1033;
};

class SimulatedServer : public QObject {
    Q_OBJECT
public:
    SimulatedServer(QHostAddress address, quint16 port, ServerBehaviour behaviour, quint32 seed,
                    QObject* parent = nullptr);
    ~SimulatedServer() override;

    bool start();
    QString errorString() const { return error_; }
    QHostAddress address() const { return address_; }

    // Every received message (the text inside the frame), for --verbose and for tests.
    std::function<void(const SimulatedServer&, const QString&)> onMessage;

    // Changes one slot's status every `ms` milliseconds (0: never) and tells the client.
    void setChangeInterval(int ms);
    // After the client connected, close the connection this many milliseconds later (Close).
    void setCloseAfter(int ms) { closeAfterMs_ = ms; }

    // Chaos: what happened, and when the client last answered a layout request (ms since epoch).
    struct ChaosCounts {
        int drops = 0, stalls = 0, garbage = 0, bursts = 0, reportsSent = 0, asked = 0, answered = 0;
        qint64 lineData = 0; // line-data messages received: one per report the client handled, while connected
        qint64 lastAnswerMs = 0;
        qint64 lastDropMs = 0;
    };
    const ChaosCounts& chaos() const { return chaos_; }

    const QMap<int, SlotState>& machineSlots() const { return slots_; }
    int connections() const { return connections_; }
    int messagesReceived() const { return messages_; }
    QString lastLineData() const { return lastLineData_; }

    void send(const QString& text);

private:
    void onNewConnection();
    void onReadyRead();
    void handle(const QString& message);
    void learnLayout(const QString& payload);
    void reportMachineData();
    void changeSomething();
    void sendGarbage();
    void chaosTick();

    QHostAddress address_;
    quint16 port_;
    ServerBehaviour behaviour_;
    QRandomGenerator random_;
    QTcpServer* server_ = nullptr;
    QTcpSocket* client_ = nullptr;
    QTimer* changeTimer_ = nullptr;
    net::framing::FrameBuffer frames_;
    QMap<int, SlotState> slots_;
    QString error_;
    int closeAfterMs_ = 8000;
    int connections_ = 0;
    int messages_ = 0;
    QString lastLineData_;
    QTimer* chaosTimer_ = nullptr;
    ChaosCounts chaos_;
    bool stalled_ = false;
};

// Status texts the simulated machines use, by status 0..6.
QString simulatedStatusText(int status, int variant);
