#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class QProcess;

namespace testutil {

QByteArray readBytes(const QString& path);
// The lines of a log file (CR LF separated), without the empty one after the last line end, once
// every log of this process has written what waits.
QStringList logLines(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Deletes a log file once every log of this process has written what waits, so that what follows
// starts a new file.
void removeLog(const QString& path);

// The number of descriptors this process has open.
int openDescriptors();

// A real GIF file of w x h pixels in one colour (index 1 of a black and `colour` palette).
QByteArray gifBytes(int width, int height, unsigned colour = 0x3a78b8);
void writeGif(const QString& path, int width, int height, unsigned colour = 0x3a78b8);

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

} // namespace testutil

namespace testutil {

// A private X server for tests that need one.
class Xvfb {
public:
    Xvfb();
    ~Xvfb();
    bool running() const { return !display_.isEmpty(); }
    const QString& display() const { return display_; }

private:
    QProcess* process_ = nullptr;
    QString display_;
};

} // namespace testutil
