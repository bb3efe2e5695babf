#pragma once
// The few operating-system services the program needs, behind one small interface so that a
// Windows implementation can sit beside the Linux one.

#include <QByteArray>
#include <QObject>

class QSocketNotifier;
#include <QString>

namespace platform {

// Full path of the running executable, symbolic links resolved.
QString programFilePath();

// Directory that holds the running executable (symbolic links resolved).
QString programDirectory();

// The executable's file name without a Windows ".exe" suffix; the settings file is named after it.
QString programName();

// The login name of the account the program runs under (its number when it has no name).
QString loginName();

// Makes sure the file exists and that the owner and the file's group may read and write it,
// whatever the process's umask: every account of the station's group uses the file. Creates an
// empty file when there is none (never through a symbolic link); a file of another owner is left
// as it is. False with `error` only when the file cannot be created.
bool makeGroupWritable(const QString& path, QString* error);

// The workstation's ANSI code page, derived from the locale environment
// (LC_ALL, then LC_CTYPE, then LANG; the first that is set and not empty).
int ansiCodePage();

// The code page for one locale name such as "cs_CZ.UTF-8" or "zh_TW"; 1252 for anything unknown.
int ansiCodePageForLocale(const QByteArray& localeName);

// Looks up `relativePath` (components separated by '/') below `baseDir` without regard to case.
// Where several entries match one component, the first in sorted order is taken. Returns the
// existing path, or an empty string when nothing matches.
QString findPathNoCase(const QString& baseDir, const QString& relativePath);

// Asks the kernel to run the calling thread, and the threads it starts later, in time slices of
// `microseconds`. A report's fan-out to every server takes a few hundred microseconds; in a slice
// that holds it, a task woken meanwhile (a reader on the same core) rarely preempts it halfway.
// False where the kernel has no slices per task, which then keeps its own.
bool requestTimeSlice(int microseconds);

// Turns SIGTERM, SIGINT and SIGHUP into the Qt signal terminationRequested(), delivered on the
// thread that runs the event loop. Only one watcher may exist at a time.
class TerminationWatcher : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform

namespace platform {
// Writes all bytes to a file descriptor (retrying short writes and interruptions); false on an error.
bool writeAll(int fd, const char* data, qint64 size);

// Starts one non-blocking TCP connect to a numeric IPv4 or IPv6 address. Returns the socket, or -1
// with `error` set to the errno of a connect that failed at once. `connected` tells whether it
// completed at once. Exactly one connection attempt is made.
qintptr startConnect(const QString& numericAddress, quint16 port, bool* connected, int* error);
// The outcome of a started connect once its socket is writable: 0 when connected, else the errno.
int connectResult(qintptr socket);
void closeSocket(qintptr socket);
// The Windows Sockets number and a description for a connect's errno.
int windowsSocketErrorForErrno(int error);
QString socketErrorText(int error);

// Writes to a connected, non-blocking socket without waiting: the number of bytes the kernel
// took (0 when it took none now), or -1 on an error, whose errno goes to `error` when given.
qint64 sendNow(qintptr socket, const char* data, qint64 size, int* error = nullptr);
// Reads from a connected, non-blocking socket without waiting: the number of bytes read (0 when
// none wait now), or -1 when the peer has closed its side (`error` 0) or on an error (its errno).
qint64 receiveNow(qintptr socket, char* data, qint64 size, int* error);
// Sends small messages at once instead of gathering them (no Nagle delay).
void setLowDelay(qintptr socket);
// A socket error that means the peer is gone: it reset the connection, or its side is shut.
bool isPeerGone(int error);

// Readiness of many sockets through one descriptor, which the event loop watches for reading:
// the one descriptor is polled instead of every socket on each turn of the loop. Level-triggered:
// a socket is reported for as long as it is ready and watched.
class SocketSet {
public:
    struct Ready {
        quint64 key = 0; // as given to watch()
        bool readable = false;
        bool writable = false;
        bool broken = false; // hung up or failed: reading or writing tells how
    };

    SocketSet();
    ~SocketSet();
    SocketSet(const SocketSet&) = delete;
    SocketSet& operator=(const SocketSet&) = delete;

    // The descriptor that is readable while any watched socket is ready; -1 when none could be made.
    int descriptor() const { return fd_; }
    // Watches a socket for what is asked (both false: not at all), replacing what it was watched for.
    // `watched` is what the caller last asked for this socket, kept by the caller. 0, or the errno
    // of a watch that could not be changed.
    int watch(qintptr socket, quint64 key, bool read, bool write, int* watched);
    // The sockets ready now, without waiting; at most `max` of them.
    int ready(Ready* out, int max);

private:
    int fd_ = -1;
};
} // namespace platform
