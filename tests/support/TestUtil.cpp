#include "TestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace testutil {

ChildInvocation childInvocation = nullptr;

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

int openDescriptors() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

QByteArray gifBytes(int width, int height) {
    QByteArray gif("GIF89a");
    const auto word = [&gif](int v) {
        gif += char(v & 0xFF);
        gif += char((v >> 8) & 0xFF);
    };
    word(width);
    word(height);
    gif += QByteArray("\x80\0\0\0\0\0\x3a\x78\xb8,", 10); // a global table of 2 colours
    word(0);
    word(0);
    word(width);
    word(height);
    // No local table; 3-bit codes, and the image data only a clear code and the end code: the
    // picture is in its background colour.
    gif += QByteArray("\0\x02\x01\x2c\0;", 6);
    return gif;
}

void writeGif(const QString& path, int width, int height) { writeBytes(path, gifBytes(width, height)); }

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
