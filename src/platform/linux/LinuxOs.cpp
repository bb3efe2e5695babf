// The Linux implementation of the operating-system services.

#include "platform/Os.h"
#include "platform/Platform.h"
#include "platform/linux/DesktopX11.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
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

FileState stateOf(const struct stat& st) {
    FileState state;
    state.exists = true;
    state.regular = S_ISREG(st.st_mode);
    state.device = static_cast<quint64>(st.st_dev);
    state.inode = static_cast<quint64>(st.st_ino);
    state.size = static_cast<qint64>(st.st_size);
    state.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return state;
}

class LinuxReadableFile final : public ReadableFile {
public:
    LinuxReadableFile(int fd, FileState state) : fd_(fd), state_(state) {}
    ~LinuxReadableFile() override { ::close(fd_); }
    LinuxReadableFile(const LinuxReadableFile&) = delete;
    LinuxReadableFile& operator=(const LinuxReadableFile&) = delete;

    FileState state() const override { return state_; }
    qint64 readAt(qint64 offset, char* data, qint64 size) const override {
        for (;;) {
            const ssize_t n = ::pread(fd_, data, static_cast<size_t>(size), static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            return n;
        }
    }
    int descriptor() const { return fd_; }

private:
    int fd_;
    FileState state_;
};

// Copies `length` bytes of `source` from `offset` to the end of `fd`: within the kernel where the
// file systems allow it, else through a small buffer.
bool copyRange(const ReadableFile& source, qint64 offset, qint64 length, int fd) {
    if (const auto* own = dynamic_cast<const LinuxReadableFile*>(&source)) {
        loff_t from = static_cast<loff_t>(offset);
        qint64 left = length;
        while (left > 0) {
            const ssize_t n = ::copy_file_range(own->descriptor(), &from, fd, nullptr, static_cast<size_t>(left), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // not supported here, or the source ended: the rest goes the slow way
            left -= n;
        }
        offset = static_cast<qint64>(from);
        length = left;
    }
    char buffer[65536];
    while (length > 0) {
        const qint64 n = source.readAt(offset, buffer, std::min<qint64>(length, sizeof(buffer)));
        if (n <= 0 || !writeAll(fd, buffer, n)) return false;
        offset += n;
        length -= n;
    }
    return true;
}

class LinuxOs final : public OperatingSystem {
public:
    bool replaceFile(const QString& path, const QByteArray& content, QString* error) override {
        const auto fail = [error](const char* step) {
            if (error)
                *error = QString::fromLatin1(step) + QLatin1String(": ") + QString::fromLocal8Bit(std::strerror(errno));
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

        QByteArray tempName =
            QFile::encodeName(info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".XXXXXX"));
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
        const int dirFd =
            ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return true;
    }

    bool replaceFileThrough(const QString& tempPath, const QString& path, const std::vector<FilePiece>& pieces,
                            FileState* after) override {
        const QByteArray tempNative = QFile::encodeName(tempPath);
        const int fd = ::open(tempNative.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        bool written = true;
        for (const FilePiece& piece : pieces) {
            written = piece.source ? copyRange(*piece.source, piece.offset, piece.length, fd)
                                   : writeAll(fd, piece.bytes.data(), piece.bytes.size());
            if (!written) break;
        }
        struct stat st {};
        if (written && after) *after = ::fstat(fd, &st) == 0 ? stateOf(st) : FileState{};
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(tempNative.constData());
            return false;
        }
        // Exchanging the two names and then removing the old content is as atomic for readers as
        // renaming over the file, and spares the forced write-out that some file systems start
        // when a file is renamed over another one.
        const QByteArray pathNative = QFile::encodeName(path);
        if (::renameat2(AT_FDCWD, tempNative.constData(), AT_FDCWD, pathNative.constData(), RENAME_EXCHANGE) == 0) {
            ::unlink(tempNative.constData());
            return true;
        }
        if (::rename(tempNative.constData(), pathNative.constData()) != 0) {
            ::unlink(tempNative.constData());
            return false;
        }
        return true;
    }

    bool appendToFile(const QString& path, QByteArrayView bytes, FileState* after) override {
        // Never waits for a reader: a FIFO without one fails at once, one with a reader takes what
        // fits now.
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, bytes.data(), bytes.size());
        struct stat st {};
        if (ok && after) *after = ::fstat(fd, &st) == 0 ? stateOf(st) : FileState{};
        ::close(fd);
        return ok;
    }

    FileState fileState(const QString& path) override {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return FileState{};
        return stateOf(st);
    }

    std::unique_ptr<ReadableFile> openForReading(const QString& path) override {
        // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<LinuxReadableFile>(fd, stateOf(st));
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

bool readFile(const QString& path, qint64 maxBytes, QByteArray* content) {
    content->clear();
    const std::unique_ptr<ReadableFile> file = os().openForReading(path);
    if (!file) return false;
    const qint64 size = file->state().size;
    if (size > maxBytes) return false;
    QByteArray bytes;
    bytes.reserve(size);
    char buffer[65536];
    for (qint64 at = 0;;) {
        const qint64 n = file->readAt(at, buffer, sizeof(buffer));
        if (n < 0) return false;
        if (n == 0) break;
        bytes.append(buffer, n);
        at += n;
        if (bytes.size() > maxBytes) return false; // it grew while being read
    }
    *content = std::move(bytes);
    return true;
}

OperatingSystem* setOs(OperatingSystem* replacement) { return std::exchange(current, replacement); }

} // namespace platform
