#include "platform/Platform.h"
#include "platform/SocketErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

QString programFilePath() {
    // /proc/self/exe is the executable with every symbolic link resolved, and it works before any
    // QCoreApplication exists.
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n > 0) return QString::fromLocal8Bit(buffer, static_cast<int>(n));
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString programDirectory() { return QFileInfo(programFilePath()).absolutePath(); }

QString programName() {
    QString name = QFileInfo(programFilePath()).fileName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) name.chop(4);
    return name;
}

int ansiCodePageForLocale(const QByteArray& localeName) {
    // "ll_TT.codeset@modifier": language and territory decide.
    QByteArray name = localeName;
    const int cut = static_cast<int>(std::min<qsizetype>(name.indexOf('.') < 0 ? name.size() : name.indexOf('.'),
                                                         name.indexOf('@') < 0 ? name.size() : name.indexOf('@')));
    name.truncate(cut);
    const int underscore = static_cast<int>(name.indexOf('_'));
    const QByteArray language = (underscore < 0 ? name : name.left(underscore)).toLower();
    const QByteArray territory = underscore < 0 ? QByteArray() : name.mid(underscore + 1).toUpper();

    struct Entry {
        const char* languages;
        int codePage;
    };
    static const Entry table[] = {
        {" cs sk pl hu sl hr ro sq bs ", 1250},
        {" ru uk be bg mk sr kk ky tt mn ", 1251},
        {" el ", 1253},
        {" tr az ", 1254},
        {" he yi ", 1255},
        {" ar fa ur ", 1256},
        {" et lv lt ", 1257},
        {" vi ", 1258},
        {" th ", 874},
        {" ja ", 932},
        {" ko ", 949},
    };
    if (language.isEmpty() || language == "c" || language == "posix") return 1252;
    if (language == "zh") {
        if (territory == "TW" || territory == "HK" || territory == "MO") return 950;
        if (territory == "CN" || territory == "SG") return 936;
        return 1252;
    }
    const QByteArray needle = ' ' + language + ' ';
    for (const Entry& e : table)
        if (QByteArray(e.languages).contains(needle)) return e.codePage;
    return 1252;
}

int ansiCodePage() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return ansiCodePageForLocale(QByteArray(value));
    }
    return 1252;
}

QString findPathNoCase(const QString& baseDir, const QString& relativePath) {
    QString current = baseDir;
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        // Several entries may differ only in case: take the first in sorted order.
        QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        std::sort(entries.begin(), entries.end());
        QString found;
        for (const QString& entry : entries) {
            if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                found = entry;
                break;
            }
        }
        if (found.isEmpty()) return QString();
        current += QLatin1Char('/') + found;
    }
    return current;
}

namespace {
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (signalPipe[1] >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    }
    errno = saved;
}
} // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatcher::onReadable);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
    for (int& fd : signalPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void TerminationWatcher::onReadable() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) last = byte;
    if (last != 0) emit terminationRequested(last);
}

} // namespace platform

#include <cstdio>

namespace platform {

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

qintptr startConnect(const QString& numericAddress, quint16 port, bool* connected, int* error) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const QByteArray text = numericAddress.toLatin1();
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (::inet_pton(AF_INET, text.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, text.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        *error = EINVAL;
        return -1;
    }
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&storage), length);
    } while (result != 0 && errno == EINTR);
    *connected = result == 0;
    if (result != 0 && errno != EINPROGRESS) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    *error = 0;
    return fd;
}

int connectResult(qintptr socket) {
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

void closeSocket(qintptr socket) {
    if (socket >= 0) ::close(static_cast<int>(socket));
}

int windowsSocketErrorForErrno(int error) {
    switch (error) {
    case ECONNREFUSED: return wsa::ConnectionRefused;
    case ETIMEDOUT: return wsa::TimedOut;
    case ENETUNREACH:
    case EHOSTUNREACH: return wsa::HostUnreachable;
    case ECONNRESET: return wsa::ConnectionReset;
    case ENOBUFS:
    case ENOMEM:
    case EMFILE:
    case ENFILE: return wsa::NoBufferSpace;
    case EADDRNOTAVAIL: return wsa::AddressNotAvailable;
    case EACCES:
    case EPERM: return wsa::AccessDenied;
    case EINVAL: return wsa::InvalidArgument;
    default: return wsa::ConnectionAborted;
    }
}

QString loginName() {
    if (const passwd* account = ::getpwuid(::geteuid()); account && account->pw_name && *account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
    return QString::number(::geteuid());
}

bool makeGroupWritable(const QString& path, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0664);
    if (fd < 0) {
        // One that exists but cannot be opened here (another account's, a link) is the store's to judge.
        if (errno == EEXIST || errno == EACCES || errno == EPERM || errno == ELOOP || errno == EISDIR) return true;
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
        const mode_t wanted = (st.st_mode & 07777) | S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP;
        if (wanted != (st.st_mode & 07777)) ::fchmod(fd, wanted);
    }
    ::close(fd);
    return true;
}

QString socketErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

qint64 sendNow(qintptr socket, const char* data, qint64 size, int* error) {
    int ignored = 0;
    int& failure = error ? *error : ignored;
    failure = 0;
    if (socket < 0) {
        failure = EBADF;
        return -1;
    }
    for (;;) {
        const ssize_t n =
            ::send(static_cast<int>(socket), data, static_cast<size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        failure = errno;
        return -1;
    }
}

qint64 receiveNow(qintptr socket, char* data, qint64 size, int* error) {
    *error = 0;
    for (;;) {
        const ssize_t n = ::recv(static_cast<int>(socket), data, static_cast<size_t>(size), MSG_DONTWAIT);
        if (n > 0) return n;
        if (n == 0) return -1; // the peer closed its side
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        *error = errno;
        return -1;
    }
}

void setLowDelay(qintptr socket) {
    const int on = 1;
    ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

bool isPeerGone(int error) { return error == ECONNRESET || error == EPIPE; }

SocketSet::SocketSet() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

SocketSet::~SocketSet() {
    if (fd_ >= 0) ::close(fd_);
}

int SocketSet::watch(qintptr socket, quint64 key, bool read, bool write, int* watched) {
    const int wanted = (read ? int{EPOLLIN} : 0) | (write ? int{EPOLLOUT} : 0);
    if (wanted == *watched) return 0;
    if (fd_ < 0) return EMFILE; // the set itself could not be made
    if (socket < 0) return EBADF;
    epoll_event event{};
    event.events = static_cast<uint32_t>(wanted);
    event.data.u64 = key;
    const int op = wanted == 0 ? EPOLL_CTL_DEL : (*watched == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD);
    if (::epoll_ctl(fd_, op, static_cast<int>(socket), &event) != 0) return errno;
    *watched = wanted;
    return 0;
}

int SocketSet::ready(Ready* out, int max) {
    if (fd_ < 0 || max <= 0) return 0;
    epoll_event events[64];
    const int n = ::epoll_wait(fd_, events, std::min(max, 64), 0);
    for (int k = 0; k < n; ++k) {
        const uint32_t e = events[k].events;
        out[k] = Ready{events[k].data.u64, (e & EPOLLIN) != 0, (e & EPOLLOUT) != 0, (e & (EPOLLHUP | EPOLLERR)) != 0};
    }
    return std::max(n, 0);
}

namespace {
// The kernel's scheduling attributes (sched_setattr), which the C library does not declare.
struct SchedulingAttributes {
    uint32_t size = sizeof(SchedulingAttributes);
    uint32_t policy = SCHED_OTHER;
    uint64_t flags = 0;
    int32_t nice = 0;
    uint32_t priority = 0;
    uint64_t runtimeNs = 0; // for the normal policy: the slice asked for
    uint64_t deadlineNs = 0;
    uint64_t periodNs = 0;
    uint32_t utilizationMin = 0;
    uint32_t utilizationMax = 0;
};
} // namespace

bool requestTimeSlice(int microseconds) {
    SchedulingAttributes attributes;
    // The nice value stays what it is: sched_setattr sets it along with the slice.
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0) attributes.nice = nice;
    attributes.runtimeNs = static_cast<uint64_t>(microseconds) * 1000;
    if (::syscall(SYS_sched_setattr, 0, &attributes, 0) != 0) return false;
    // Kernels without slices per task accept the call and ignore the slice.
    SchedulingAttributes now;
    if (::syscall(SYS_sched_getattr, 0, &now, sizeof(now), 0) != 0) return false;
    return now.runtimeNs == attributes.runtimeNs;
}

} // namespace platform
