#include "net/ConnectionManager.h"

#include "platform/Platform.h"
#include "platform/SocketErrors.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>

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

namespace {
// A socket set key names the element and the connection it was watched for: a readiness that
// comes after the element was closed or opened again is dropped.
constexpr int IndexBits = 8;
quint64 keyOf(int i, quint64 generation) { return (generation << IndexBits) | static_cast<quint64>(i); }
int indexOf(quint64 key) { return static_cast<int>(key & ((1U << IndexBits) - 1)); }
// Most bytes taken from the kernel with one call.
constexpr qint64 ReceiveChunk = 64 * 1024;

// Forgets the bytes before `at`, which were taken: all of them once everything is, or by moving
// the rest to the front once that is at most half, so that a buffer taken from as fast as it is
// added to does not grow.
void dropTaken(QByteArray& bytes, qsizetype& at) {
    if (at == bytes.size()) {
        bytes = QByteArray();
        at = 0;
    } else if (at >= bytes.size() / 2) {
        bytes.remove(0, at);
        at = 0;
    }
}
} // namespace

ConnectionManager::ConnectionManager(quint16 port, ConnectionTimings timings, QObject* parent)
    : QObject(parent), port_(port), timings_(timings) {
    static_assert(base::MachineSlots <= (1 << IndexBits));
    if (sockets_.descriptor() >= 0) {
        readiness_ = std::make_unique<QSocketNotifier>(sockets_.descriptor(), QSocketNotifier::Read);
        connect(readiness_.get(), &QSocketNotifier::activated, this, &ConnectionManager::onReadiness);
    }
    createElement(0);
}

ConnectionManager::~ConnectionManager() {
    for (Element& e : elements_) {
        if (e.lookup >= 0) QHostInfo::abortHostLookup(e.lookup);
        e.connectWatch.reset();
        platform::closeSocket(e.connecting);
        dropSocket(e);
    }
}

void ConnectionManager::createElements() {
    for (int i = 1; i < MachineSlots; ++i) createElement(i);
}

void ConnectionManager::destroyElements() {
    for (int i = 1; i < MachineSlots; ++i) {
        Element& e = elements_[static_cast<size_t>(i)];
        if (!e.exists) continue;
        stopTimers(i);
        close(i);
        e.keepAlive.reset();
        e.reply.reset();
        e.exists = false;
    }
}

bool ConnectionManager::hasElement(int i) const { return elements_[static_cast<size_t>(i)].exists; }

void ConnectionManager::createElement(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.exists) return;
    e.exists = true;
    e.keepAlive = std::make_unique<LazyTimer>(timings_.keepAliveMs);
    e.reply = std::make_unique<LazyTimer>(timings_.replyTimeoutMs);
    connect(e.keepAlive.get(), &LazyTimer::timeout, this, [this, i] {
        if (events_) events_->TimerHin_Timer(i);
    });
    connect(e.reply.get(), &LazyTimer::timeout, this, [this, i] {
        if (events_) events_->TimerZurueck_Timer(i);
    });
}

void ConnectionManager::dropSocket(Element& e) {
    if (e.socket >= 0) {
        int none = e.watched;
        sockets_.watch(e.socket, 0, false, false, &none);
        platform::closeSocket(e.socket);
    }
    e.socket = -1;
    e.watched = 0;
    e.ended = false;
    e.in = QByteArray();
    e.inAt = 0;
    e.out = QByteArray();
    e.outAt = 0;
}

void ConnectionManager::watch(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.socket < 0) return;
    // Reading pauses while the receive buffer is full, and ends with the peer's side; writing is
    // watched only while bytes wait for the kernel.
    const bool read = !e.failed && !e.ended && buffered(e) < ReadBufferSize;
    const bool write = !e.failed && unsent(e) > 0;
    // A socket whose watch cannot be changed would never be read again, or would be reported
    // without end: it fails, and its error event follows.
    if (const int error = sockets_.watch(e.socket, keyOf(i, e.generation), read, write, &e.watched);
        error != 0 && !e.failed)
        fail(i, platform::isPeerGone(error) ? ENOMEM : error);
}

void ConnectionManager::onReadiness() {
    platform::SocketSet::Ready ready[MachineSlots];
    const int n = sockets_.ready(ready, MachineSlots);
    for (int k = 0; k < n; ++k) {
        const int i = indexOf(ready[k].key);
        if (i >= MachineSlots) continue;
        const Element& e = elements_[static_cast<size_t>(i)];
        // An earlier event of this turn may have closed or reopened it.
        if (e.socket < 0 || keyOf(i, e.generation) != ready[k].key) continue;
        onReady(i, ready[k]);
    }
}

void ConnectionManager::onReady(int i, const platform::SocketSet::Ready& ready) {
    Element& e = elements_[static_cast<size_t>(i)];
    const quint64 generation = e.generation;
    if ((ready.writable || ready.broken) && unsent(e) > 0) flushUnsent(i);
    if (e.failed || e.ended || !(ready.readable || ready.broken)) return;
    // Bytes that came before a failure go with the connection: its error event follows.
    if (receive(i) && !e.failed && events_) events_->TcpClient_DataArrival(i, buffered(e));
    if (e.generation == generation) closeIfEnded(i);
}

bool ConnectionManager::receive(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    static char chunk[ReceiveChunk]; // the event-loop thread's, the only one that reads
    bool got = false;
    while (buffered(e) < ReadBufferSize) {
        const qint64 room = std::min(ReceiveChunk, ReadBufferSize - buffered(e));
        int error = 0;
        const qint64 n = platform::receiveNow(e.socket, chunk, room, &error);
        if (n > 0) {
            e.in.append(chunk, n);
            got = true;
            if (n < room) break; // the kernel had no more
            continue;
        }
        if (n < 0) {
            // A close or reset ends the connection once what came before it was read; any other
            // error is the connection's error event.
            if (error == 0 || platform::isPeerGone(error))
                e.ended = true;
            else
                fail(i, error);
        }
        break;
    }
    watch(i);
    return got;
}

void ConnectionManager::closeIfEnded(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!e.ended || e.failed || buffered(e) > 0) return;
    e.failed = true; // no longer open; close() or a reopen takes the socket away
    if (events_) events_->TcpClient_Close(i);
}

void ConnectionManager::fail(int i, int error) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (e.failed) return;
    if (platform::isPeerGone(error)) {
        // Nothing more reaches the peer. What it sent before its reset is still read: reading
        // goes on until it ends with the end of the stream, which raises the close event.
        e.out = QByteArray();
        e.outAt = 0;
        watch(i);
        return;
    }
    e.failed = true;
    watch(i);
    postError(i, platform::windowsSocketErrorForErrno(error), platform::socketErrorText(error));
}

void ConnectionManager::flushUnsent(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    while (unsent(e) > 0) {
        int error = 0;
        const qint64 n = platform::sendNow(e.socket, e.out.constData() + e.outAt, unsent(e), &error);
        if (n < 0) return fail(i, error);
        if (n == 0) break;
        e.outAt += n;
    }
    dropTaken(e.out, e.outAt);
    watch(i);
}

void ConnectionManager::postError(int i, int number, const QString& description) {
    const quint64 generation = elements_[static_cast<size_t>(i)].generation;
    QTimer::singleShot(0, this, [this, i, number, description, generation] {
        const Element& e = elements_[static_cast<size_t>(i)];
        if (!e.exists || e.generation != generation) return; // the connection was closed or opened again since
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
    dropSocket(e);
    e.socket = fd;
    platform::setLowDelay(fd);
    watch(i);
    if (e.failed) return; // it could not be watched: its error event follows
    if (events_) events_->TcpClient_Connect(i);
}

bool ConnectionManager::isOpen(int i) const {
    const Element& e = elements_[static_cast<size_t>(i)];
    // A connection the peer ended stays open until its close event: what it sent before is read.
    return e.socket >= 0 && !e.failed;
}

void ConnectionManager::send(int i, const QByteArray& bytes) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!isOpen(i)) return;
    // While nothing waits unsent the bytes go straight to the kernel. Whatever it does not take
    // waits here behind what waited before, and goes out once the socket is writable again.
    qint64 written = 0;
    if (unsent(e) == 0) {
        int error = 0;
        written = platform::sendNow(e.socket, bytes.constData(), bytes.size(), &error);
        if (written < 0) return fail(i, error);
        if (written >= bytes.size()) return; // the usual case: nothing waits
    }
    e.out.append(bytes.constData() + written, bytes.size() - written);
    watch(i);
    if (unsent(e) > MaxUnsent) {
        // The server does not read what it is sent: give the connection up instead of buffering
        // without end. It is reconnected by the reply time-out like after any error.
        e.failed = true;
        watch(i);
        postError(i, platform::wsa::NoBufferSpace,
                  QStringLiteral("Send buffer full: the server does not read its data"));
    }
}

QByteArray ConnectionManager::read(int i, qint64 maxBytes) {
    Element& e = elements_[static_cast<size_t>(i)];
    const qint64 n = std::min(buffered(e), std::max<qint64>(maxBytes, 0));
    if (n <= 0) return QByteArray();
    const bool wasFull = buffered(e) >= ReadBufferSize;
    QByteArray taken;
    if (e.inAt == 0 && n == e.in.size()) {
        taken = std::exchange(e.in, QByteArray()); // the usual case: all of it, without a copy
    } else {
        taken = e.in.mid(e.inAt, n);
        e.inAt += n;
        dropTaken(e.in, e.inAt);
    }
    if (wasFull) watch(i); // reading goes on
    return taken;
}

qint64 ConnectionManager::bytesAvailable(int i) const { return buffered(elements_[static_cast<size_t>(i)]); }

void ConnectionManager::continueArrival(int i, int pauseMs) {
    Element& e = elements_[static_cast<size_t>(i)];
    // One continued arrival per connection: one queued for a connection closed since does not count.
    if (!e.exists || (e.continuing && e.continued == e.generation)) return;
    e.continuing = true;
    e.continued = e.generation;
    const quint64 generation = e.generation;
    QTimer::singleShot(pauseMs, Qt::PreciseTimer, this, [this, i, generation] {
        Element& now = elements_[static_cast<size_t>(i)];
        if (now.continued == generation) now.continuing = false;
        if (!now.exists || now.generation != generation) return; // closed or opened again since
        if (const qint64 waiting = buffered(now); waiting > 0 && events_) events_->TcpClient_DataArrival(i, waiting);
        if (now.generation == generation) closeIfEnded(i);
    });
}

void ConnectionManager::open(int i, const QString& host) {
    Element& e = elements_[static_cast<size_t>(i)];
    if (!e.exists) return;
    e.host = host;
    connectHost(i);
}

void ConnectionManager::reopen(int i) {
    if (elements_[static_cast<size_t>(i)].exists) connectHost(i);
}

void ConnectionManager::connectHost(int i) {
    Element& e = elements_[static_cast<size_t>(i)];
    dropSocket(e);
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
        if (!e.exists || e.lookup != info.lookupId()) continue;
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
    if (!e.exists) return;
    ++e.generation;
    e.failed = false;
    cancelConnect(i);
    dropSocket(e);
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

qint64 ConnectionManager::unsentBytes(int i) const { return unsent(elements_[static_cast<size_t>(i)]); }

} // namespace net
