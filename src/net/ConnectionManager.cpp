#include "net/ConnectionManager.h"

#include "platform/Platform.h"
#include "platform/SocketErrors.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

using namespace base;

namespace net {

int windowsSocketError(QAbstractSocket::SocketError error) {
    using namespace platform::wsa;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError: return ConnectionReset;
    case QAbstractSocket::HostNotFoundError: return HostNotFound;
    case QAbstractSocket::SocketAccessError: return AccessDenied;
    case QAbstractSocket::SocketResourceError: return NoBufferSpace;
    case QAbstractSocket::SocketTimeoutError: return TimedOut;
    case QAbstractSocket::DatagramTooLargeError: return MessageTooLong;
    case QAbstractSocket::NetworkError: return HostUnreachable;
    case QAbstractSocket::AddressInUseError: return AddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError: return AddressNotAvailable;
    case QAbstractSocket::UnsupportedSocketOperationError: return NotSupported;
    case QAbstractSocket::OperationError: return InvalidArgument;
    case QAbstractSocket::TemporaryError: return WouldBlock;
    default: return ConnectionAborted;
    }
}

ConnectionManager::ConnectionManager(quint16 port, ConnectionTimings timings, QObject* parent)
    : QObject(parent), port_(port), timings_(timings) {
    createElement(0);
}

ConnectionManager::~ConnectionManager() {
    for (Element& e : elements_) {
        if (e.lookup >= 0) QHostInfo::abortHostLookup(e.lookup);
        e.connectWatch.reset();
        platform::closeSocket(e.connecting);
    }
    for (Element& e : elements_) {
        if (e.socket) {
            const QSignalBlocker blocker(e.socket.get());
            e.socket->abort();
        }
    }
}

void ConnectionManager::createElements() {
    for (int i = 1; i < MachineSlots; ++i) createElement(i);
}

void ConnectionManager::destroyElements() {
    for (int i = 1; i < MachineSlots; ++i) {
        Element& e = elements_[static_cast<size_t>(i)];
        if (!e.socket) continue;
        stopTimers(i);
        close(i);
        e.keepAlive.reset();
        e.reply.reset();
        e.socket.reset();
    }
}

bool ConnectionManager::hasElement(int i) const { return elements_[static_cast<size_t>(i)].socket != nullptr; }

void ConnectionManager::createElement(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.socket) return;
    e.socket = std::make_unique<QTcpSocket>();
    e.keepAlive = std::make_unique<LazyTimer>(timings_.keepAliveMs);
    e.reply = std::make_unique<LazyTimer>(timings_.replyTimeoutMs);
    e.socket->setReadBufferSize(ReadBufferSize);
    QTcpSocket* socket = e.socket.get();
    connect(socket, &QTcpSocket::disconnected, this, [this, i] {
        if (events_) events_->TcpClient_Close(i);
    });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this, i](QAbstractSocket::SocketError error) { onError(i, error); });
    connect(socket, &QTcpSocket::readyRead, this, [this, i, socket] {
        if (events_) events_->TcpClient_DataArrival(i, socket->bytesAvailable());
    });
    connect(e.keepAlive.get(), &LazyTimer::timeout, this, [this, i] {
        if (events_) events_->TimerHin_Timer(i);
    });
    connect(e.reply.get(), &LazyTimer::timeout, this, [this, i] {
        if (events_) events_->TimerZurueck_Timer(i);
    });
}

void ConnectionManager::onError(int i, QAbstractSocket::SocketError error) {
    Element& e = elements_[static_cast<size_t>(i)];
    // A server's close of an established connection is reported as this error and then a
    // disconnect: the disconnect is the close event, so the error is no event of its own.
    const QAbstractSocket::SocketState state = e.socket->state();
    if (error == QAbstractSocket::RemoteHostClosedError &&
        (state == QAbstractSocket::ConnectedState || state == QAbstractSocket::ClosingState))
        return;
    const int number = windowsSocketError(error);
    const QString description = e.socket->errorString();
    if (events_) events_->TcpClient_Error(i, number, description);
}

void ConnectionManager::postError(int i, int number, const QString& description) {
    const quint64 generation = elements_[static_cast<size_t>(i)].generation;
    QTimer::singleShot(0, this, [this, i, number, description, generation] {
        const Element& e = elements_[static_cast<size_t>(i)];
        if (!e.socket || e.generation != generation) return; // the connection was closed or opened again since
        if (events_) events_->TcpClient_Error(i, number, description);
    });
}

void ConnectionManager::dropConnectWatch(Element& e) {
    // The watch may be the very notifier whose signal runs now: it is disabled at once and deleted
    // once control is back in the event loop.
    if (QSocketNotifier* watch = e.connectWatch.release()) {
        watch->setEnabled(false);
        watch->deleteLater();
    }
}

void ConnectionManager::cancelConnect(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.lookup >= 0) QHostInfo::abortHostLookup(std::exchange(e.lookup, -1));
    dropConnectWatch(e);
    platform::closeSocket(e.connecting);
    e.connecting = -1;
}

void ConnectionManager::connectAddress(int i, const QString& address) {
    Element& e = elements_[static_cast<size_t>(i)];
    bool connected = false;
    int error = 0;
    e.connecting = platform::startConnect(address, port_, &connected, &error);
    if (e.connecting < 0) {
        // Failed at once (a refusal on this machine, say): reported once the connect call returned.
        postError(i, platform::windowsSocketErrorForErrno(error), platform::socketErrorText(error));
        return;
    }
    if (connected) {
        const quint64 generation = e.generation;
        QTimer::singleShot(0, this, [this, i, generation] {
            if (elements_[static_cast<size_t>(i)].generation == generation) finishConnect(i);
        });
        return;
    }
    e.connectWatch = std::make_unique<QSocketNotifier>(e.connecting, QSocketNotifier::Write);
    connect(e.connectWatch.get(), &QSocketNotifier::activated, this, [this, i] { finishConnect(i); });
}

void ConnectionManager::finishConnect(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.connecting < 0) return;
    dropConnectWatch(e);
    const qintptr fd = std::exchange(e.connecting, -1);
    const int error = platform::connectResult(fd);
    if (error != 0) {
        platform::closeSocket(fd);
        if (events_)
            events_->TcpClient_Error(i, platform::windowsSocketErrorForErrno(error), platform::socketErrorText(error));
        return;
    }
    if (!e.socket->setSocketDescriptor(fd, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        platform::closeSocket(fd);
        if (events_) events_->TcpClient_Error(i, windowsSocketError(e.socket->error()), e.socket->errorString());
        return;
    }
    e.socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (events_) events_->TcpClient_Connect(i);
}

bool ConnectionManager::isOpen(int i) const {
    const Element& e = elements_[static_cast<size_t>(i)];
    return e.socket && !e.failed && e.socket->state() == QAbstractSocket::ConnectedState;
}

void ConnectionManager::send(int i, const QByteArray& bytes) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!isOpen(i)) return;
    // While nothing waits in the socket's own buffer the bytes go straight to the kernel; that
    // spares the socket's write notifier a round of registration for every message. Whatever the
    // kernel does not take goes through the socket, which keeps the order and sends it later.
    qint64 written = 0;
    if (e.socket->bytesToWrite() == 0)
        written = platform::sendNow(e.socket->socketDescriptor(), bytes.constData(), bytes.size());
    if (written >= bytes.size()) return; // the usual case: nothing waits in the socket's buffer
    e.socket->write(bytes.constData() + std::max<qint64>(written, 0), bytes.size() - std::max<qint64>(written, 0));
    e.socket->flush();
    if (e.socket->bytesToWrite() > MaxUnsent) {
        // The server does not read what it is sent: give the connection up instead of buffering
        // without end. It is reconnected by the reply time-out like after any error.
        e.failed = true;
        postError(i, platform::wsa::NoBufferSpace,
                  QStringLiteral("Send buffer full: the server does not read its data"));
    }
}

QByteArray ConnectionManager::read(int i, qint64 maxBytes) {
    Element& e = elements_[static_cast<size_t>(i)];
    return e.socket ? e.socket->read(maxBytes) : QByteArray();
}

qint64 ConnectionManager::bytesAvailable(int i) const {
    const Element& e = elements_[static_cast<size_t>(i)];
    return e.socket ? e.socket->bytesAvailable() : 0;
}

void ConnectionManager::continueArrival(int i, int pauseMs) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!e.socket || e.continuing) return;
    e.continuing = true;
    const quint64 generation = e.generation;
    QTimer::singleShot(pauseMs, Qt::PreciseTimer, this, [this, i, generation] {
        Element& now = elements_[static_cast<size_t>(i)];
        now.continuing = false;
        if (!now.socket || now.generation != generation) return; // closed or opened again since
        if (const qint64 waiting = now.socket->bytesAvailable(); waiting > 0 && events_)
            events_->TcpClient_DataArrival(i, waiting);
    });
}

void ConnectionManager::open(int i, const QString& host) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!e.socket) return;
    e.host = host;
    connectHost(i);
}

void ConnectionManager::reopen(int i) {
    if (elements_[static_cast<size_t>(i)].socket) connectHost(i);
}

void ConnectionManager::connectHost(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    {
        const QSignalBlocker blocker(e.socket.get());
        e.socket->abort();
    }
    ++e.generation;
    e.failed = false;
    cancelConnect(i);
    const QString host = e.host.trimmed();
    const auto notFound = [this, i] {
        postError(i, windowsSocketError(QAbstractSocket::HostNotFoundError), QStringLiteral("Host not found"));
    };
    // No address: fails like a host that cannot be found, and is retried the same way.
    if (host.isEmpty()) return notFound();
    // One connection attempt per call: to the address itself, or to the first address a name
    // resolves to (looked up without blocking the thread).
    if (const QHostAddress address(host); !address.isNull()) return connectAddress(i, address.toString());
    e.lookup = QHostInfo::lookupHost(host, this, SLOT(hostLookedUp(QHostInfo)));
}

void ConnectionManager::hostLookedUp(const QHostInfo& info) {
    // Only the lookup an element still waits for counts: a closed or reopened one has given it up.
    for (int i = 0; i < MachineSlots; ++i) {
        Element& e = elements_[static_cast<size_t>(i)];
        if (!e.socket || e.lookup != info.lookupId()) continue;
        e.lookup = -1;
        QHostAddress chosen;
        for (const QHostAddress& a : info.addresses())
            if (chosen.isNull() || (a.protocol() == QAbstractSocket::IPv4Protocol && chosen.protocol() != a.protocol()))
                chosen = a;
        if (info.error() != QHostInfo::NoError || chosen.isNull()) {
            if (events_)
                events_->TcpClient_Error(i, windowsSocketError(QAbstractSocket::HostNotFoundError),
                                         QStringLiteral("Host not found"));
            return;
        }
        connectAddress(i, chosen.toString());
        return;
    }
}

void ConnectionManager::close(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!e.socket) return;
    ++e.generation;
    e.failed = false;
    cancelConnect(i);
    const QSignalBlocker blocker(e.socket.get());
    e.socket->abort();
}

void ConnectionManager::restartKeepAlive(int i) {
    if (LazyTimer* t = elements_[static_cast<size_t>(i)].keepAlive.get()) t->restart();
}

void ConnectionManager::restartReplyTimer(int i) {
    if (LazyTimer* t = elements_[static_cast<size_t>(i)].reply.get()) t->restart();
}

void ConnectionManager::enableReplyTimer(int i) {
    if (LazyTimer* t = elements_[static_cast<size_t>(i)].reply.get()) t->enable();
}

void ConnectionManager::stopTimers(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.keepAlive) e.keepAlive->stop();
    if (e.reply) e.reply->stop();
}

bool ConnectionManager::keepAliveActive(int i) const {
    const LazyTimer* t = elements_[static_cast<size_t>(i)].keepAlive.get();
    return t && t->isActive();
}

bool ConnectionManager::replyTimerActive(int i) const {
    const LazyTimer* t = elements_[static_cast<size_t>(i)].reply.get();
    return t && t->isActive();
}

qint64 ConnectionManager::unsentBytes(int i) const {
    const Element& e = elements_[static_cast<size_t>(i)];
    return e.socket ? e.socket->bytesToWrite() : 0;
}

} // namespace net
