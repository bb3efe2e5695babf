#include "SimulatedServer.h"

#include "base/AnsiCodec.h"
#include "net/Framing.h"
#include "net/Payloads.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace base;
using namespace net;

QString simulatedStatusText(int status, int variant) {
    static const char* const texts[7][3] = {
        {"Switched off", "Off", "Not in production"},
        {"Running", "Running 1200 bpm", "Production"},
        {"Stopped by operator", "Stopped", "Waiting for start"},
        {"Low material", "Reel change due", "Door open"},
        {"Fault: jam at infeed", "Fault: motor overload", "Emergency stop"},
        {"No connection to PLC", "PLC not responding", "Communication lost"},
        {"Standby", "Upstream starved", "Downstream full"},
    };
    return QString::fromLatin1(texts[std::clamp(status, 0, 6)][variant % 3]);
}

SimulatedServer::SimulatedServer(QHostAddress address, quint16 port, ServerBehaviour behaviour, quint32 seed,
                                 QObject* parent)
    : QObject(parent), address_(std::move(address)), port_(port), behaviour_(behaviour), random_(seed) {
    changeTimer_ = new QTimer(this);
    connect(changeTimer_, &QTimer::timeout, this, [this] {
        if (behaviour_ == ServerBehaviour::Garbage)
            sendGarbage();
        else
            changeSomething();
    });
}

SimulatedServer::~SimulatedServer() = default;

bool SimulatedServer::start() {
    if (behaviour_ == ServerBehaviour::Refuse) return true;
    server_ = new QTcpServer(this);
    if (!server_->listen(address_, port_)) {
        error_ = server_->errorString();
        return false;
    }
    connect(server_, &QTcpServer::newConnection, this, &SimulatedServer::onNewConnection);
    if (behaviour_ == ServerBehaviour::Chaos) {
        chaosTimer_ = new QTimer(this);
        connect(chaosTimer_, &QTimer::timeout, this, &SimulatedServer::chaosTick);
        chaosTimer_->start(250);
    }
    return true;
}

void SimulatedServer::chaosTick() {
    // Every quarter second, now and then: ask for the layout (and time the answer), drop the
    // connection, stop reading for two seconds, send a burst of reports or of noise.
    if (!client_ || client_->state() != QAbstractSocket::ConnectedState) return;
    const quint32 roll = random_.bounded(1000u);
    if (roll < 80) {
        ++chaos_.asked;
        send(QString(payload::LiefereLinienLayout));
    } else if (roll < 84) {
        ++chaos_.drops;
        chaos_.lastDropMs = QDateTime::currentMSecsSinceEpoch();
        client_->abort();
    } else if (roll < 94 && !stalled_) {
        ++chaos_.stalls;
        stalled_ = true;
        QTimer::singleShot(2000, this, [this] {
            stalled_ = false;
            onReadyRead();
        });
    } else if (roll < 100) {
        ++chaos_.garbage;
        QByteArray noise(64 * 1024, '\0');
        random_.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        client_->write(noise);
    } else if (roll < 115) {
        ++chaos_.bursts;
        for (int i = 0; i < 20; ++i) changeSomething();
    }
}

void SimulatedServer::setChangeInterval(int ms) {
    if (ms > 0)
        changeTimer_->start(ms);
    else
        changeTimer_->stop();
}

void SimulatedServer::onNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (client_) {
            client_->abort();
            client_->deleteLater();
        }
        client_ = socket;
        frames_.clear();
        ++connections_;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (client_ == socket) client_ = nullptr;
            socket->deleteLater();
        });
        if (behaviour_ == ServerBehaviour::Deaf) continue;
        connect(socket, &QTcpSocket::readyRead, this, &SimulatedServer::onReadyRead);
        if (behaviour_ == ServerBehaviour::Silent) continue;
        if (behaviour_ == ServerBehaviour::Garbage) {
            sendGarbage();
            continue;
        }
        send(QString(payload::LiefereLinienLayout));
        send(QString(payload::LiefereLinienDaten));
        if (behaviour_ == ServerBehaviour::Close) {
            QTimer::singleShot(closeAfterMs_, socket, [socket] { socket->disconnectFromHost(); });
        }
    }
}

void SimulatedServer::send(const QString& text) {
    if (client_ && client_->state() == QAbstractSocket::ConnectedState)
        client_->write(framing::frame(AnsiCodec::workstation().encode(text)));
}

void SimulatedServer::onReadyRead() {
    if (!client_ || stalled_) return;
    frames_.feed(client_->readAll(), [this](QByteArrayView message) {
        ++messages_;
        const QString text = AnsiCodec::workstation().decode(message);
        if (onMessage) onMessage(*this, text);
        if (behaviour_ != ServerBehaviour::Silent) handle(text);
    });
}

void SimulatedServer::handle(const QString& message) {
    if (message.startsWith(payload::HierLinienLayout)) {
        ++chaos_.answered;
        chaos_.lastAnswerMs = QDateTime::currentMSecsSinceEpoch();
        learnLayout(message.mid(payload::HierLinienLayout.size()));
    } else if (message.startsWith(payload::HierLinienDaten)) {
        lastLineData_ = message.mid(payload::HierLinienDaten.size());
        ++chaos_.lineData;
    } else if (message.startsWith(payload::LiefereDeineDaten)) {
        reportMachineData();
    }
}

void SimulatedServer::learnLayout(const QString& entries) {
    // The slots whose address is this server's are its machines.
    const QString own = address_.toString();
    QMap<int, SlotState> found;
    for (const QString& entry : entries.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!entry.startsWith(QLatin1String("MaAdresse"))) continue;
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const int slot = entry.mid(9, eq - 9).toInt();
        if (entry.mid(eq + 1).compare(own, Qt::CaseInsensitive) != 0) continue;
        SlotState state = slots_.value(slot);
        if (state.text.isEmpty()) {
            state.status = 1;
            state.text = simulatedStatusText(1, static_cast<int>(random_.bounded(3)));
        }
        found.insert(slot, state);
    }
    slots_ = found;
}

void SimulatedServer::reportMachineData() {
    QString text = QString(payload::HierMaschinenDaten);
    for (auto it = slots_.cbegin(); it != slots_.cend(); ++it) {
        const int n = it.key();
        text += QStringLiteral("Status%1=%2;Text%1=%3;CodePage%1=%4;LcId%1=%5;")
                    .arg(n)
                    .arg(it->status)
                    .arg(it->text)
                    .arg(it->codePage)
                    .arg(it->lcId);
    }
    send(text);
    ++chaos_.reportsSent;
}

void SimulatedServer::changeSomething() {
    if (slots_.isEmpty() || !client_) return;
    const QList<int> keys = slots_.keys();
    const int slot = keys[static_cast<int>(random_.bounded(static_cast<quint32>(keys.size())))];
    // Mostly running; now and then a warning, a stop, a fault or a wait.
    static const int weighted[] = {1, 1, 1, 1, 1, 1, 6, 6, 2, 3, 3, 4, 0};
    const int status = weighted[random_.bounded(static_cast<quint32>(std::size(weighted)))];
    SlotState& state = slots_[slot];
    state.status = status;
    state.text = simulatedStatusText(status, static_cast<int>(random_.bounded(3)));
    // The line's state is asked for; the answer asks for this server's data, which carries the change.
    send(QString(payload::LiefereLinienDaten));
}

void SimulatedServer::sendGarbage() {
    if (!client_) return;
    QByteArray bytes(static_cast<int>(1 + random_.bounded(4096u)), '\0');
    for (char& c : bytes) c = static_cast<char>(random_.bounded(256u));
    if (random_.bounded(2u)) bytes.insert(random_.bounded(static_cast<quint32>(bytes.size())), "$$Ende$$$$Anfang$$");
    client_->write(bytes);
}
