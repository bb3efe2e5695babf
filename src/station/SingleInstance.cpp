#include "station/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace station {

namespace {
constexpr int ReplyWaitMs = 2000;
const QByteArray RaiseRequest = "raise\n";
} // namespace

SingleInstance::SingleInstance(const QString& programDirectory, QObject* parent)
    : QObject(parent), name_(socketName(programDirectory)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& programDirectory) {
    QString canonical = QFileInfo(programDirectory).canonicalFilePath();
    if (canonical.isEmpty()) canonical = QDir::cleanPath(QFileInfo(programDirectory).absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("velkorozo-") + QString::fromLatin1(hash);
}

bool SingleInstance::claim() {
    // An abstract socket vanishes with its process, so a crashed copy leaves nothing behind.
    QLocalSocket probe;
    probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    probe.connectToServer(name_);
    if (probe.waitForConnected(ReplyWaitMs)) {
        probe.write(RaiseRequest);
        probe.waitForBytesWritten(ReplyWaitMs);
        probe.disconnectFromServer();
        return false;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(name_)) {
        // Another copy took the name between the probe and now.
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return true;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // One short request line; anything longer or different is dropped.
            if (socket->bytesAvailable() > 64) return socket->abort();
            if (!socket->canReadLine()) return;
            if (socket->readLine() == RaiseRequest) emit raiseRequested();
            socket->disconnectFromServer();
        });
    }
}

} // namespace station
