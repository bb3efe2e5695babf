#pragma once
// What every test program shares: files in temporary directories, waiting on the event loop, GIF
// pictures, a private X server, and the hook that lets a test program stand in as a child process.
// It brings the test framework and the file and test classes of Qt that the tests use with it.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class QProcess;

namespace testutil {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// The number of descriptors this process has open.
int openDescriptors();

// A GIF file of w x h pixels in one colour.
QByteArray gifBytes(int width, int height);
void writeGif(const QString& path, int width, int height);

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// Set before main() by an object linked into a test program that the code under test starts
// again as a child (the language reader): when it recognises argv it does the child's work, sets
// the exit status and returns true, and the test main ends there.
using ChildInvocation = bool (*)(int argc, char** argv, int* status);
extern ChildInvocation childInvocation;

// A private X server for tests that need one.
class Xvfb {
public:
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    bool running() const { return !display_.isEmpty(); }
    const QString& display() const { return display_; }

private:
    QProcess* process_ = nullptr;
    QString display_;
};

} // namespace testutil
