// The Linux implementation of the operating-system services.

#include "platform/Os.h"
#include "platform/Platform.h"
#include "platform/linux/DesktopX11.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Follows symbolic links (also dangling ones) to the path that is really written.
QString resolveTarget(const QString& path) {
    QString current = QFileInfo(path).absoluteFilePath();
    for (int depth = 0; depth < 40; ++depth) {
        QFileInfo info(current);
        if (!info.isSymLink()) return current;
        const QByteArray native = QFile::encodeName(current);
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(native.constData(), buffer, sizeof(buffer) - 1);
        if (n <= 0) return QString();
        const QString target = QFile::decodeName(QByteArray(buffer, static_cast<int>(n)));
        current = QFileInfo(target).isAbsolute() ? target : info.absolutePath() + QLatin1Char('/') + target;
        current = QFileInfo(current).absoluteFilePath();
    }
    return QString();
}

qint64 residentBytes(qint64 pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) return 0;
    return fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE);
}

class LinuxOs final : public OperatingSystem {
public:
    bool replaceFile(const QString& path, const QByteArray& content, QString* error) override {
        const auto fail = [error](const char* step) {
            if (error) *error = QString::fromLatin1(step) + QLatin1String(": ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        };
        const QString target = resolveTarget(path);
        if (target.isEmpty()) {
            errno = ELOOP;
            return fail("resolving links");
        }
        const QFileInfo info(target);
        const QByteArray targetNative = QFile::encodeName(target);
        struct stat original {};
        const bool exists = ::stat(targetNative.constData(), &original) == 0;
        if (exists && !S_ISREG(original.st_mode)) {
            errno = EINVAL;
            return fail("not a regular file");
        }
        // A file without any write bit was made read-only on purpose: it is kept, also when the
        // program runs as root (which the permission checks would let through).
        if (exists && (original.st_mode & 0222) == 0) {
            errno = EACCES;
            return fail("the file is read-only");
        }

        QByteArray tempName = QFile::encodeName(info.absolutePath() + QLatin1String("/.") + info.fileName() +
                                                QLatin1String(".XXXXXX"));
        const int fd = ::mkstemp(tempName.data());
        if (fd < 0) return fail("creating the temporary file");
        const char* step = nullptr;
        if (!writeAll(fd, content.constData(), content.size())) step = "writing";
        if (!step) {
            if (exists) {
                if (::fchmod(fd, original.st_mode & 07777) != 0) step = "setting the mode";
                if (!step && ::fchown(fd, original.st_uid, original.st_gid) != 0) {
                    // Not being allowed to give the file away is no reason to lose the write.
                }
            } else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                if (::fchmod(fd, 0666 & ~mask) != 0) step = "setting the mode";
            }
        }
        if (!step && ::fsync(fd) != 0) step = "flushing";
        if (::close(fd) != 0 && !step) step = "closing";
        if (!step && ::rename(tempName.constData(), targetNative.constData()) != 0) step = "renaming";
        if (step) {
            const int saved = errno;
            ::unlink(tempName.constData());
            errno = saved;
            return fail(step);
        }
        const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return true;
    }

    bool replaceFileThrough(const QString& tempPath, const QString& path, const QByteArray& content) override {
        const QByteArray tempNative = QFile::encodeName(tempPath);
        const int fd = ::open(tempNative.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        const bool written = writeAll(fd, content.constData(), content.size());
        const bool closed = ::close(fd) == 0;
        if (!written || !closed || ::rename(tempNative.constData(), QFile::encodeName(path).constData()) != 0) {
            ::unlink(tempNative.constData());
            return false;
        }
        return true;
    }

    bool appendToFile(const QString& path, const QByteArray& bytes, qint64* sizeAfter) override {
        // Never waits for a reader: a FIFO without one fails at once, one with a reader takes what
        // fits now.
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, bytes.constData(), bytes.size());
        struct stat st {};
        if (ok && sizeAfter && ::fstat(fd, &st) == 0) *sizeAfter = st.st_size;
        ::close(fd);
        return ok;
    }

    ChildOutcome runChild(const QString& program, const QStringList& arguments, const ChildLimits& limits,
                          QByteArray* output) override {
        ChildOutcome outcome;
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(program, arguments, QIODevice::ReadOnly);
        if (!child.waitForStarted(limits.deadlineMs)) return outcome;
        outcome.started = true;

        QElapsedTimer clock;
        clock.start();
        while (child.state() != QProcess::NotRunning) {
            child.waitForReadyRead(20);
            *output += child.readAllStandardOutput();
            if (clock.elapsed() > limits.deadlineMs || residentBytes(child.processId()) > limits.maxResidentBytes ||
                output->size() > limits.maxOutputBytes) {
                child.kill();
                child.waitForFinished(1000);
                outcome.killed = true;
                break;
            }
        }
        *output += child.readAllStandardOutput();
        outcome.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        outcome.crashed = !outcome.killed && child.exitStatus() == QProcess::CrashExit;
        return outcome;
    }

    WindowLookup findWindowByTitle(const QString& title) override { return x11::findWindowByTitle(title); }
    bool activateKeyboardLayout(int32_t layoutHandle) override { return x11::activateKeyboardLayout(layoutHandle); }
    int currentKeyboardGroup() override { return x11::currentKeyboardGroup(); }
    void restoreKeyboardGroup(int group) override { x11::restoreKeyboardGroup(group); }

    QString fileSystemRoot(const QString& path) override {
        const QStorageInfo storage(path);
        return storage.isValid() ? storage.rootPath() : QStringLiteral("/");
    }

    void endProcess() override {
        std::fflush(nullptr);
        ::_exit(0);
    }
};

OperatingSystem* current = nullptr;

} // namespace

OperatingSystem& nativeOs() {
    static LinuxOs instance;
    return instance;
}

OperatingSystem& os() { return current ? *current : nativeOs(); }

OperatingSystem* setOs(OperatingSystem* replacement) { return std::exchange(current, replacement); }

} // namespace platform
