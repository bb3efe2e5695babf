#include "TestUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace testutil {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

QStringList logLines(const QString& path) {
    QStringList lines = QString::fromLatin1(readBytes(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace testutil

#include <QProcess>
#include <QStandardPaths>

namespace testutil {

Xvfb::Xvfb() {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) return;
    process_ = new QProcess;
    // -displayfd makes the server pick a free display and print its number.
    process_->start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    if (!process_->waitForStarted(5000)) return;
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains('\n') && timer.elapsed() < 10000 && process_->state() == QProcess::Running) {
        process_->waitForReadyRead(100);
        out += process_->readAllStandardOutput();
    }
    const QByteArray number = out.trimmed();
    if (!number.isEmpty()) display_ = QLatin1Char(':') + QString::fromLatin1(number);
}

Xvfb::~Xvfb() {
    if (!process_) return;
    process_->terminate();
    if (!process_->waitForFinished(3000)) process_->kill();
    process_->waitForFinished(3000);
    delete process_;
}

} // namespace testutil
