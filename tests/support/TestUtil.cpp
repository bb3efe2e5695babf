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

QByteArray gifBytes(int width, int height, unsigned colour) {
    QByteArray gif("GIF89a");
    const auto word = [&gif](int v) {
        gif += char(v & 0xFF);
        gif += char((v >> 8) & 0xFF);
    };
    word(width);
    word(height);
    gif += char(0x80); // a global table of 2 colours
    gif += QByteArray("\0\0\0\0\0", 5);
    gif += char((colour >> 16) & 0xFF);
    gif += char((colour >> 8) & 0xFF);
    gif += char(colour & 0xFF);
    gif += ',';
    word(0);
    word(0);
    word(width);
    word(height);
    gif += char(0);
    // Minimum code size 2: 3-bit codes. A clear code before every pixel keeps the table empty,
    // so each pixel is one literal code.
    gif += char(2);
    QByteArray data;
    unsigned bits = 0, count = 0;
    const auto code = [&](unsigned c) {
        bits |= c << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8) data += char(bits & 0xFF);
    };
    for (int i = 0; i < width * height; ++i) {
        code(4);
        code(1);
    }
    code(5);
    if (count > 0) data += char(bits & 0xFF);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    gif += char(0);
    gif += ';';
    return gif;
}

void writeGif(const QString& path, int width, int height, unsigned colour) {
    writeBytes(path, gifBytes(width, height, colour));
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
