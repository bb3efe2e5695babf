// The hub benchmark's driver: 64 simulated machine servers on BASE.1 .. BASE.64, one system under
// test (the real program, or the baseline relay) as their client, reports sent at fixed rates, and
// for every report the time until each server received the line data that carries it.

#include "LineFormat.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Options {
    std::string program, baseline, base = "127.0.0.0", json;
    int port = 1001;
    std::vector<int> rates{100, 256, 640, 1280, 2560};
    double seconds = 3.0;
    int repeat = 3;
    bool quick = false;
    bool search = true;
    bool logData = true;
    std::string only; // "program", "baseline", "logdata", "history" or "flood": run one part only
    double flood = 0; // seconds of the flood scenario (program only); 0: none
    // Where the flood writes one line per answered request: when it was sent (CLOCK_MONOTONIC,
    // ns) and how long its answer took (ms), for lining the answers up with a trace of the
    // program's own reads and writes (bench/flood-split). Empty: nowhere.
    std::string probeTimes;
};

// One server sends reports as fast as the program takes them while another asks for the line
// layout every 40 ms and the other 62 keep reading: how long the asking server waits for each
// answer, how many of the flood's reports the program handled (and whether in order), which
// servers it dropped, how much its memory grows, and how the two cores were shared.
struct FloodResult {
    int requests = 0, answered = 0;
    double p50 = 0, p99 = 0, p999 = 0, max = 0;
    double reportsPerSecond = 0, rssBeforeMiB = 0, rssPeakMiB = 0;
    double handledPerSecond = 0;          // flood reports whose line data reached the servers
    int serversDropped = 0;               // connections the program closed or lost during the flood
    int outOfOrder = 0;                   // line data carrying an older flood report than one seen before
    double programCpu = 0, driverCpu = 0; // percent of one core, over the flood
};

struct RateResult {
    int rate = 0;
    double achieved = 0, p50 = 0, p99 = 0, max = 0, cpu = 0, allPairsP50 = 0;
    // The same latencies taken when the driver read the line data instead of when it arrived.
    double readP50 = 0, readP99 = 0;
    double cpuSecondsPer1000 = 0;
    double lagP99 = -1, lagMax = -1; // log lag, where the log was watched
    bool sustained = false;
};

// The program's log switches and limit, and its history, for one start.
struct ProgramConfig {
    bool system = false, data = false, debug = false;
    int limitKiB = 2000;
    int historyDays = -1; // -1: the key is not written (the history is on, as by default)
};

// Notes the moments at which the program finished a write of its log file: an append closes the
// file, a replacement renames its temporary file over it. A line handed to the log is in the file
// with the first such moment after it was handed.
class LogWatcher {
public:
    bool start(const std::string& dir, const std::string& name) {
        name_ = name;
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 || ::inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) return false;
        stop_ = false;
        thread_ = std::thread([this] { loop(); });
        return true;
    }
    // Stops watching; the moments seen, in order.
    std::vector<Clock::time_point> stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return std::move(writes_);
    }

private:
    void loop() {
        alignas(inotify_event) char buffer[1 << 16];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            const ssize_t n = ::read(fd_, buffer, sizeof(buffer));
            const auto now = Clock::now();
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len > 0 && name_ == e->name) {
                    writes_.push_back(now);
                    break;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }
    std::string name_;
    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::vector<Clock::time_point> writes_;
};

struct Server {
    int listenFd = -1;
    int fd = -1;
    std::string in;
    std::vector<unsigned> seen; // last sequence seen per slot
    std::vector<size_t> next;   // per slot: its first report not yet received here
};

class Driver {
public:
    explicit Driver(const Options& o) : options_(o), line_(bench::lineData()) {}

    bool listen() {
        in_addr base{};
        if (::inet_pton(AF_INET, options_.base.c_str(), &base) != 1) return fail("bad --base address");
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
        servers_.resize(bench::Slots);
        for (int k = 0; k < bench::Slots; ++k) {
            Server& s = servers_[static_cast<size_t>(k)];
            s.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            int one = 1;
            ::setsockopt(s.listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_port = htons(static_cast<uint16_t>(options_.port));
            addr.sin_addr.s_addr = htonl(ntohl(base.s_addr) + static_cast<uint32_t>(k + 1));
            if (::bind(s.listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
                ::listen(s.listenFd, 4) != 0) {
                const bool privileged = options_.port < 1024 && errno == EACCES;
                return fail(privileged ? "cannot bind port " + std::to_string(options_.port) +
                                             ": it needs root or CAP_NET_BIND_SERVICE"
                                       : std::string("cannot listen: ") + std::strerror(errno));
            }
            add(s.listenFd, static_cast<uint32_t>(k) | ListenTag);
        }
        timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        add(timer_, TimerTag);
        return true;
    }

    // Starts the system; returns its pid, or -1.
    pid_t start(bool program, const ProgramConfig& log = {}) {
        for (Server& s : servers_) closeServer(s);
        firstAccept_ = {};
        if (program) {
            char dirTemplate[] = "/tmp/hub-bench-XXXXXX";
            workDir_ = ::mkdtemp(dirTemplate);
            const std::string exe = workDir_ + "/VelkoRozoRedizovClient";
            std::ifstream src(options_.program, std::ios::binary);
            std::ofstream dst(exe, std::ios::binary);
            dst << src.rdbuf();
            dst.close();
            ::chmod(exe.c_str(), 0755);
            std::ofstream ini(workDir_ + "/VelkoRozoRedizovClient.ini", std::ios::binary);
            const auto flag = [](bool on) { return on ? "true" : "false"; };
            ini << "[General]\r\nLogSystem=" << flag(log.system) << "\r\nLogData=" << flag(log.data)
                << "\r\nLogDebug=" << flag(log.debug) << "\r\nLogFileSize=" << log.limitKiB << "\r\n";
            if (log.historyDays >= 0) ini << "HistoryDays=" << log.historyDays << "\r\n";
            in_addr base{};
            ::inet_pton(AF_INET, options_.base.c_str(), &base);
            for (int k = 0; k < bench::Slots; ++k) {
                in_addr a{};
                a.s_addr = htonl(ntohl(base.s_addr) + static_cast<uint32_t>(k + 1));
                char text[32];
                ::inet_ntop(AF_INET, &a, text, sizeof(text));
                ini << "[Ma" << k << "]\r\nText=Machine " << k << "\r\nAddress=" << text << "\r\nEnabled=true\r\n";
            }
            ini.close();
            startedAt_ = Clock::now();
            pid_ = ::fork();
            if (pid_ == 0) {
                endWithDriver();
                ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
                const int devnull = ::open("/dev/null", O_WRONLY);
                ::dup2(devnull, 1);
                ::dup2(devnull, 2);
                ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
                ::_exit(127);
            }
        } else {
            startedAt_ = Clock::now();
            pid_ = ::fork();
            if (pid_ == 0) {
                endWithDriver();
                const std::string port = std::to_string(options_.port);
                ::execl(options_.baseline.c_str(), options_.baseline.c_str(), options_.base.c_str(), port.c_str(),
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
        }
        return pid_;
    }

    // Waits until all 64 servers are connected; milliseconds from the system's first connect to
    // the last accept (on loopback the handshake completes within microseconds of the connect
    // call, so the first accept marks the first connect attempt), negative on failure.
    double waitConnected() {
        // Meanwhile the driver runs at a real-time priority: each accept then follows its
        // handshake within microseconds, instead of whenever the scheduler next frees one of the
        // two cores (the system's threads hold both while it starts), so that the first accept
        // marks the first connect attempt. Without the right to it the driver measures as it can.
        promptAccepts(true);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        double result = -1;
        while (Clock::now() < deadline && result < 0) {
            poll(20);
            int connected = 0;
            for (const Server& s : servers_) connected += s.fd >= 0;
            if (connected == bench::Slots) result = ms(lastAccept_ - firstAccept_);
        }
        promptAccepts(false);
        return result;
    }
    // From the start of the process (its fork) to the last accept, after waitConnected().
    double startToConnectedMs() const { return ms(lastAccept_ - startedAt_); }

    // One report per slot so that every status text has its fixed width; then waits until every
    // server has the line data that carries all of them.
    bool warmUp() {
        for (int k = 0; k < bench::Slots; ++k) sendReport(k, nextSeq());
        const unsigned last = seq_;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            poll(10);
            bool all = true;
            for (const Server& s : servers_)
                for (int k = 0; k < bench::Slots && all; ++k) all = s.seen[static_cast<size_t>(k)] + 64 > last;
            if (all) return true;
        }
        return false;
    }

    RateResult run(int rate, double seconds, bool watchLog = false) {
        RateResult r;
        r.rate = rate;
        const unsigned first = seq_ + 1;
        LogWatcher watcher;
        const bool watching = watchLog && watcher.start(workDir_, "DizaVizaru.txt");
        const long cpuBefore = cpuTicks();
        const auto begin = Clock::now();
        const auto interval = std::chrono::nanoseconds(static_cast<long long>(1e9 / rate));
        const long total = std::lround(rate * seconds);
        long sent = 0;
        armTimer(begin);
        while (sent < total) {
            poll(50);
            const auto now = Clock::now();
            while (sent < total && begin + interval * sent <= now) {
                sendReport(static_cast<int>((first + static_cast<unsigned>(sent)) % bench::Slots), nextSeq());
                ++sent;
            }
            if (sent < total) armTimer(begin + interval * sent);
        }
        const auto sendEnd = Clock::now();
        // Let what is in flight arrive (up to half a second), without counting it as backlog.
        const auto drain = sendEnd + std::chrono::milliseconds(500);
        while (Clock::now() < drain && completed(first, seq_) < static_cast<size_t>(seq_ - first + 1)) poll(5);
        const double wall = ms(Clock::now() - begin) / 1000.0;
        const double cpuSeconds =
            static_cast<double>(cpuTicks() - cpuBefore) / static_cast<double>(::sysconf(_SC_CLK_TCK));
        r.cpu = 100.0 * cpuSeconds / wall;
        if (watching) {
            // The last batch is written at most 20 ms after its oldest line.
            const auto settle = Clock::now() + std::chrono::milliseconds(100);
            while (Clock::now() < settle) poll(5);
            const std::vector<Clock::time_point> writes = watcher.stop();
            std::vector<double> lags;
            for (unsigned s = first; s <= seq_; ++s) {
                const Report& rep = reports_[s];
                if (rep.count == 0) continue;
                // The report's lines were handed over just before its line data reached the first server.
                const auto written = std::upper_bound(writes.begin(), writes.end(), rep.first);
                lags.push_back(written == writes.end() ? ms(Clock::now() - rep.first) : ms(*written - rep.first));
            }
            r.lagP99 = percentile(lags, 0.99);
            r.lagMax = lags.empty() ? 0 : *std::max_element(lags.begin(), lags.end());
        }

        std::vector<double> last, lastRead, pairs;
        size_t done = 0;
        for (unsigned s = first; s <= seq_; ++s) {
            const Report& rep = reports_[s];
            if (rep.count < bench::Slots) continue;
            ++done;
            last.push_back(rep.maxLatency);
            lastRead.push_back(rep.maxReadLatency);
        }
        pairs = pairLatencies_;
        pairLatencies_.clear();
        r.achieved = static_cast<double>(done) / (ms(sendEnd - begin) / 1000.0);
        r.cpuSecondsPer1000 = done ? 1000.0 * cpuSeconds / static_cast<double>(done) : 0;
        r.p50 = percentile(last, 0.50);
        r.p99 = percentile(last, 0.99);
        r.max = last.empty() ? 0 : *std::max_element(last.begin(), last.end());
        r.allPairsP50 = percentile(pairs, 0.50);
        r.readP50 = percentile(lastRead, 0.50);
        r.readP99 = percentile(lastRead, 0.99);
        // Sustained: p99 under 20 ms, (almost) every report delivered, and no growing lag.
        const size_t quarter = last.size() / 4;
        const double early = quarter ? percentile(std::vector<double>(last.begin(), last.begin() + quarter), 0.5) : 0;
        const double late = quarter ? percentile(std::vector<double>(last.end() - quarter, last.end()), 0.5) : 0;
        r.sustained = r.p99 < 20.0 && done >= static_cast<size_t>(0.99 * total) && late < 2 * early + 5;
        return r;
    }

    FloodResult flood(double seconds) {
        FloodResult f;
        constexpr int Flooder = 0, Asker = 1;
        const std::string request = "$$Anfang$$$$LiefereLinienLayout$$$$Ende$$";
        f.rssBeforeMiB = f.rssPeakMiB = rssMiB();
        probe_ = Asker;
        probeLatencies_.clear();
        floodFirst_ = seq_ + 1;
        floodSeen_ = 0;
        outOfOrder_ = 0;
        drops_ = 0;
        const int acceptsBefore = accepts_;
        const long cpuBefore = cpuTicks();
        const double driverBefore = ownCpuSeconds();
        const auto begin = Clock::now();
        auto nextProbe = begin, nextRss = begin;
        long flooded = 0;
        while (Clock::now() - begin < std::chrono::duration<double>(seconds)) {
            // The flooding server writes until its socket is full, at most 64 KiB a turn; a report
            // the socket took only in part is finished first, so that frames stay whole.
            Server& flooder = servers_[Flooder];
            for (size_t written = 0; flooder.fd >= 0 && pendingFlood_.empty() && written < 65536;) {
                const unsigned seq = nextSeq();
                const std::string bytes = bench::report(Flooder, 1 + static_cast<int>(seq % 4), seq);
                const ssize_t n = ::send(flooder.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n != static_cast<ssize_t>(bytes.size())) {
                    if (n > 0) pendingFlood_ = bytes.substr(static_cast<size_t>(n)); // keep frames whole
                    break;
                }
                written += bytes.size();
                ++flooded;
            }
            const auto now = Clock::now();
            if (!probePending_ && now >= nextProbe && servers_[Asker].fd >= 0) {
                ::send(servers_[Asker].fd, request.data(), request.size(), MSG_NOSIGNAL);
                probeSent_ = now;
                probePending_ = true;
                ++f.requests;
                nextProbe = now + std::chrono::milliseconds(40);
            }
            if (now >= nextRss) {
                f.rssPeakMiB = std::max(f.rssPeakMiB, rssMiB());
                nextRss = now + std::chrono::milliseconds(100);
            }
            poll(1);
            flushFlood();
        }
        const double wall = ms(Clock::now() - begin) / 1000.0;
        f.programCpu =
            100.0 * static_cast<double>(cpuTicks() - cpuBefore) / static_cast<double>(::sysconf(_SC_CLK_TCK)) / wall;
        f.driverCpu = 100.0 * (ownCpuSeconds() - driverBefore) / wall;
        // The last request's answer, if it is still on its way.
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (probePending_ && Clock::now() < deadline) poll(5);
        probe_ = -1;
        probePending_ = false;
        f.answered = static_cast<int>(probeLatencies_.size());
        f.p50 = percentile(probeLatencies_, 0.50);
        f.p99 = percentile(probeLatencies_, 0.99);
        f.p999 = percentile(probeLatencies_, 0.999);
        f.max = probeLatencies_.empty() ? 0 : *std::max_element(probeLatencies_.begin(), probeLatencies_.end());
        f.reportsPerSecond = static_cast<double>(flooded) / seconds;
        f.handledPerSecond =
            floodSeen_ >= floodFirst_ ? static_cast<double>(floodSeen_ - floodFirst_ + 1) / seconds : 0;
        f.serversDropped = drops_ + (accepts_ - acceptsBefore);
        f.outOfOrder = outOfOrder_;
        floodFirst_ = 0;
        return f;
    }

    // Every answered request of the floods so far, one line each: its send time on the
    // monotonic clock in ns, and its answer's time in ms.
    bool writeProbeTimes(const std::string& path) const {
        std::ofstream out(path);
        for (const auto& [sent, latency] : probeTimes_)
            out << std::chrono::duration_cast<std::chrono::nanoseconds>(sent.time_since_epoch()).count() << ' '
                << latency << '\n';
        return static_cast<bool>(out.flush());
    }

    double rssMiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
        return 0;
    }

    double peakRssMiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
        return 0;
    }

    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            for (int i = 0; i < 200 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) ::usleep(10000);
            if (::waitpid(pid_, &status, WNOHANG) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
        }
        pid_ = -1;
        for (Server& s : servers_) closeServer(s);
        if (!workDir_.empty()) {
            std::system(("rm -rf '" + workDir_ + "'").c_str());
            workDir_.clear();
        }
    }

    const std::string& error() const { return error_; }

private:
    static constexpr uint32_t ListenTag = 0x10000, TimerTag = 0x20000;

    struct Report {
        Clock::time_point sent;
        Clock::time_point first; // its line data at the first server
        int count = 0;
        double maxLatency = 0, maxReadLatency = 0;
    };

    // In a forked system: it is killed when the driver ends, however the driver ends, so that no
    // system is left running against the next run's servers.
    static void endWithDriver() { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }
    // Real-time scheduling for the driver while `on`; what it forks starts with the normal policy.
    static void promptAccepts(bool on) {
        sched_param priority{};
        priority.sched_priority = on ? 10 : 0;
        ::sched_setscheduler(0, (on ? SCHED_FIFO : SCHED_OTHER) | SCHED_RESET_ON_FORK, &priority);
    }
    bool fail(const std::string& message) {
        error_ = message;
        return false;
    }
    void add(int fd, uint32_t tag) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u32 = tag;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
    }
    void closeServer(Server& s) {
        if (s.fd >= 0) ::close(s.fd);
        s.fd = -1;
        s.in.clear();
        s.seen.assign(bench::Slots, 0);
        s.next.resize(bench::Slots);
        for (int n = 0; n < bench::Slots; ++n)
            s.next[static_cast<size_t>(n)] = slotReports_[static_cast<size_t>(n)].size();
    }
    unsigned nextSeq() {
        ++seq_;
        if (reports_.size() <= seq_) reports_.resize(seq_ + 100000);
        return seq_;
    }
    void sendReport(int slot, unsigned seq) {
        Server& s = servers_[static_cast<size_t>(slot)];
        const std::string bytes = bench::report(slot, 1 + static_cast<int>(seq % 4), seq);
        reports_[seq] = Report{Clock::now(), {}, 0, 0, 0};
        slotReports_[static_cast<size_t>(slot)].push_back(seq);
        if (s.fd >= 0) ::send(s.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void armTimer(Clock::time_point when) {
        itimerspec due{};
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
        due.it_value.tv_sec = ns / 1000000000;
        due.it_value.tv_nsec = ns % 1000000000;
        if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
        ::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &due, nullptr);
    }
    size_t completed(unsigned first, unsigned last) const {
        size_t n = 0;
        for (unsigned s = first; s <= last; ++s) n += reports_[s].count >= bench::Slots;
        return n;
    }
    static double ownCpuSeconds() {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    long cpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t close = content.rfind(')');
        if (close == std::string::npos) return 0;
        std::istringstream fields(content.substr(close + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; fields >> field; ++i) {
            if (i == 14) utime = std::atol(field.c_str());
            if (i == 15) {
                stime = std::atol(field.c_str());
                break;
            }
        }
        return utime + stime;
    }
    static double percentile(std::vector<double> v, double p) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        const size_t i = std::min(v.size() - 1, static_cast<size_t>(std::ceil(p * static_cast<double>(v.size())) - 1));
        return v[i];
    }

    void poll(int timeoutMs) {
        epoll_event events[160];
        const int n = ::epoll_wait(epoll_, events, 160, timeoutMs);
        for (int i = 0; i < n; ++i) {
            const uint32_t tag = events[i].data.u32;
            if (tag == TimerTag) {
                uint64_t expirations = 0;
                [[maybe_unused]] const ssize_t r = ::read(timer_, &expirations, sizeof(expirations));
            } else if (tag & ListenTag) {
                Server& s = servers_[tag & 0xFFFF];
                const int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) continue;
                closeServer(s);
                s.fd = fd;
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
                // The kernel stamps what arrives: on loopback the moment the system's send
                // queued it, however long this one thread then takes to come round to reading it.
                ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &one, sizeof(one));
                add(fd, tag & 0xFFFF);
                lastAccept_ = Clock::now();
                if (firstAccept_ == Clock::time_point{}) firstAccept_ = lastAccept_;
                ++accepts_;
            } else {
                readServer(static_cast<int>(tag));
            }
        }
    }

    // The rest of a report the flooding server could not write whole.
    void flushFlood() {
        Server& s = servers_[0];
        if (pendingFlood_.empty() || s.fd < 0) return;
        const ssize_t n = ::send(s.fd, pendingFlood_.data(), pendingFlood_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) pendingFlood_.erase(0, static_cast<size_t>(n));
    }

    // A kernel arrival stamp on the driver's clock: the stamp is on the wall clock, so it is taken
    // back from `now` by how long before `wall` it was. A frame gets the stamp of the read that
    // brought its last bytes (the kernel stamps a read with its last segment's arrival), never
    // earlier than its own arrival and not later than that read. Without a stamp: `now`.
    static Clock::time_point arrival(const timespec& stamp, const timespec& wall, Clock::time_point now) {
        if (stamp.tv_sec == 0 && stamp.tv_nsec == 0) return now;
        const auto ago =
            std::chrono::seconds(wall.tv_sec - stamp.tv_sec) + std::chrono::nanoseconds(wall.tv_nsec - stamp.tv_nsec);
        return ago > Clock::duration::zero() ? now - std::chrono::duration_cast<Clock::duration>(ago) : now;
    }

    void readServer(int k) {
        Server& s = servers_[static_cast<size_t>(k)];
        // During a flood only the asking server looks at what it receives (the layout's answers
        // and, in its line data, the flood's order); the other servers read everything and drop
        // it. Parsing some 200,000 line-data messages a second on the driver's one thread would
        // otherwise make the driver, not the system, what the flood measures.
        const bool drain = floodFirst_ > 0 && probe_ >= 0 && k != probe_;
        // The asking server reads in small pieces during a flood: its answer comes amid a stream
        // of line data, and a read's stamp is that of its last segment, so a large read would
        // date the answer by line data that came after it.
        const size_t piece = floodFirst_ > 0 && k == probe_ ? 4096 : 65536;
        char buffer[1 << 16];
        reads_.clear();
        for (;;) {
            iovec part{buffer, piece};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof(control);
            const ssize_t n = ::recvmsg(s.fd, &message, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                // The system closed or reset this connection: the server waits for the next accept.
                ++drops_;
                ::close(s.fd);
                s.fd = -1;
                return;
            }
            if (n < 0) break;
            if (drain) continue;
            timespec stamp{};
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS)
                    std::memcpy(&stamp, CMSG_DATA(c), sizeof(stamp));
            s.in.append(buffer, static_cast<size_t>(n));
            reads_.emplace_back(s.in.size(), stamp);
        }
        if (drain) {
            s.in.clear(); // a frame cut off here fails the length check of the next parse
            return;
        }
        timespec wall{}; // read before `now`, so that the stamps' age is never overstated
        ::clock_gettime(CLOCK_REALTIME, &wall);
        const auto now = Clock::now();
        size_t pos = 0, read = 0;
        for (;;) {
            const char* end = static_cast<const char*>(::memmem(s.in.data() + pos, s.in.size() - pos, "$$Ende$$", 8));
            if (!end) break;
            const size_t frameEnd = static_cast<size_t>(end - s.in.data()) + 8;
            const size_t length = frameEnd - pos;
            // The read that brought the frame's last byte.
            while (read + 1 < reads_.size() && reads_[read].first < frameEnd) ++read;
            const auto arrived = reads_.empty() ? now : arrival(reads_[read].second, wall, now);
            if (length == line_.bytes.size() && s.in.compare(pos, 29, "$$Anfang$$$$HierLinienDaten$$") == 0)
                take(s, s.in.data() + pos, arrived, now);
            else if (k == probe_ && probePending_ && s.in.compare(pos, 30, "$$Anfang$$$$HierLinienLayout$$") == 0) {
                probeLatencies_.push_back(ms(arrived - probeSent_));
                probeTimes_.emplace_back(probeSent_, probeLatencies_.back());
                probePending_ = false;
            }
            pos = frameEnd;
        }
        s.in.erase(0, pos);
    }

    // A line-data message at server s: every slot whose sequence moved on completes those reports there.
    void take(Server& s, const char* message, Clock::time_point arrived, Clock::time_point now) {
        for (int n = 0; n < bench::Slots; ++n) {
            const char* digits = message + line_.seqOffset[static_cast<size_t>(n)];
            unsigned seq = 0;
            for (int i = 0; i < bench::SeqDigits; ++i) seq = seq * 10 + static_cast<unsigned>(digits[i] - '0');
            unsigned& seen = s.seen[static_cast<size_t>(n)];
            if (n == 0 && floodFirst_ > 0 && seq >= floodFirst_ && seq <= seq_) {
                // The flooding server's reports: the newest one handled, and none older after a newer.
                if (seq < seen) ++outOfOrder_;
                floodSeen_ = std::max(floodSeen_, seq);
            }
            if (seq <= seen || seq > seq_) continue;
            // Every report of this slot since the last one seen is carried now.
            const std::vector<unsigned>& own = slotReports_[static_cast<size_t>(n)];
            for (size_t& i = s.next[static_cast<size_t>(n)]; i < own.size() && own[i] <= seq; ++i) {
                Report& rep = reports_[own[i]];
                const double latency = ms(arrived - rep.sent);
                if (rep.count++ == 0) rep.first = arrived;
                rep.maxLatency = std::max(rep.maxLatency, latency);
                rep.maxReadLatency = std::max(rep.maxReadLatency, ms(now - rep.sent));
                pairLatencies_.push_back(latency);
            }
            seen = seq;
        }
    }

    Options options_;
    bench::LineData line_;
    std::vector<Server> servers_;
    std::vector<Report> reports_;
    std::vector<std::vector<unsigned>> slotReports_ = std::vector<std::vector<unsigned>>(bench::Slots);
    std::vector<double> pairLatencies_;
    int probe_ = -1; // the server that asks during a flood
    bool probePending_ = false;
    Clock::time_point probeSent_;
    std::vector<double> probeLatencies_;
    std::vector<std::pair<Clock::time_point, double>> probeTimes_; // all floods' answers: sent, ms
    // readServer()'s reads that brought bytes: where each one's bytes end in the server's input,
    // and its kernel arrival stamp (CLOCK_REALTIME). A member only to keep its capacity.
    std::vector<std::pair<size_t, timespec>> reads_;
    std::string pendingFlood_;
    unsigned floodFirst_ = 0, floodSeen_ = 0; // the flood's first report, the newest one seen handled
    int outOfOrder_ = 0, drops_ = 0, accepts_ = 0;
    unsigned seq_ = 0;
    int epoll_ = -1, timer_ = -1;
    pid_t pid_ = -1;
    std::string workDir_, error_;
    Clock::time_point startedAt_, firstAccept_, lastAccept_;
};

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct SystemResult {
    double connectMs = 0, startMs = 0, rssMiB = 0;
    int maxSustained = 0;
    std::vector<RateResult> rates; // medians per rate
};

RateResult medianOf(const std::vector<RateResult>& runs) {
    RateResult r = runs.front();
    auto pick = [&](double RateResult::*field) {
        std::vector<double> v;
        for (const RateResult& x : runs) v.push_back(x.*field);
        return median(v);
    };
    r.achieved = pick(&RateResult::achieved);
    r.p50 = pick(&RateResult::p50);
    r.p99 = pick(&RateResult::p99);
    r.max = pick(&RateResult::max);
    r.cpu = pick(&RateResult::cpu);
    r.allPairsP50 = pick(&RateResult::allPairsP50);
    r.readP50 = pick(&RateResult::readP50);
    r.readP99 = pick(&RateResult::readP99);
    r.cpuSecondsPer1000 = pick(&RateResult::cpuSecondsPer1000);
    r.lagP99 = pick(&RateResult::lagP99);
    r.lagMax = pick(&RateResult::lagMax);
    int sustained = 0;
    for (const RateResult& x : runs) sustained += x.sustained;
    r.sustained = sustained * 2 > static_cast<int>(runs.size());
    return r;
}

// Above `from` (a rate sustained): the rate raised by a quarter while it is sustained, then from
// the last sustained one in steps of 5 % up to the first that is not.
int searchOnce(Driver& driver, bool program, const ProgramConfig& log, int from) {
    if (driver.start(program, log) < 0 || driver.waitConnected() < 0 || !driver.warmUp()) {
        driver.stop();
        return from;
    }
    int best = from;
    double rate = from;
    for (int step = 0; step < 12; ++step) {
        rate *= 1.25;
        if (!driver.run(static_cast<int>(rate), 2.0).sustained) break;
        best = static_cast<int>(rate);
    }
    for (double fine = best * 1.05; fine < rate; fine *= 1.05) {
        if (!driver.run(static_cast<int>(fine), 2.0).sustained) break;
        best = static_cast<int>(fine);
    }
    driver.stop();
    return best;
}

// The median of `repeat` searches.
int searchSustained(Driver& driver, bool program, const ProgramConfig& log, int from, int repeat) {
    std::vector<double> found;
    for (int i = 0; i < repeat; ++i) found.push_back(searchOnce(driver, program, log, from));
    return static_cast<int>(median(found));
}

// How many runs each figure is the median of: one in a quick run.
int runCount(const Options& o) { return o.quick ? 1 : o.repeat; }

// What the runs of one system gave, before their medians are taken.
struct Samples {
    std::vector<double> connects, starts, rss;
    std::map<int, std::vector<RateResult>> perRate;
};

// One run: start, connect, warm up, every rate, stop.
bool measureOnce(Driver& driver, bool program, const Options& o, Samples* s, const ProgramConfig& log, bool watchLog) {
    if (driver.start(program, log) < 0) return false;
    const double connect = driver.waitConnected();
    if (connect < 0 || !driver.warmUp()) {
        std::fprintf(stderr, "%s: not all 64 servers were served\n", program ? "program" : "baseline");
        driver.stop();
        return false;
    }
    s->connects.push_back(connect);
    s->starts.push_back(driver.startToConnectedMs());
    // Low rates run longer, so that their p99 rests on some 600 reports.
    for (int rate : o.rates)
        s->perRate[rate].push_back(driver.run(rate, std::max(o.seconds, o.quick ? 0.0 : 600.0 / rate), watchLog));
    s->rss.push_back(driver.peakRssMiB());
    driver.stop();
    return true;
}

// The medians of the runs, then the rate search above the highest rate sustained.
void summarize(Driver& driver, bool program, const Options& o, const Samples& s, SystemResult* out,
               const ProgramConfig& log = {}) {
    out->connectMs = median(s.connects);
    out->startMs = median(s.starts);
    out->rssMiB = median(s.rss);
    for (int rate : o.rates) out->rates.push_back(medianOf(s.perRate.at(rate)));
    for (const RateResult& r : out->rates)
        if (r.sustained) out->maxSustained = std::max(out->maxSustained, r.rate);
    if (o.search && !o.quick && out->maxSustained > 0)
        out->maxSustained = searchSustained(driver, program, log, out->maxSustained, o.repeat);
}

bool measure(Driver& driver, bool program, const Options& o, SystemResult* out, const ProgramConfig& log = {},
             bool watchLog = false) {
    Samples s;
    for (int rep = 0; rep < runCount(o); ++rep)
        if (!measureOnce(driver, program, o, &s, log, watchLog)) return false;
    summarize(driver, program, o, s, out, log);
    return true;
}

// The baseline and the program in turns (baseline, program, baseline, ...), so that whatever
// drifts on the machine over the minutes of a run weighs on both alike.
bool measureBoth(Driver& driver, const Options& o, SystemResult* baseline, SystemResult* program) {
    Samples b, p;
    for (int rep = 0; rep < runCount(o); ++rep)
        if (!measureOnce(driver, false, o, &b, {}, false) || !measureOnce(driver, true, o, &p, {}, false)) return false;
    summarize(driver, false, o, b, baseline);
    summarize(driver, true, o, p, program);
    return true;
}

void printSystem(const char* name, const SystemResult& r) {
    std::printf("%-9s connect-all %.1f ms (%.1f ms from its start), peak RSS %.1f MiB, max sustained %d reports/s\n",
                name, r.connectMs, r.startMs, r.rssMiB, r.maxSustained);
}

std::string jsonRates(const std::vector<RateResult>& rates) {
    std::ostringstream j;
    j << "[";
    for (size_t i = 0; i < rates.size(); ++i) {
        const RateResult& x = rates[i];
        j << (i ? ", " : "") << "{\"rate\": " << x.rate << ", \"achieved\": " << x.achieved << ", \"p50_ms\": " << x.p50
          << ", \"p99_ms\": " << x.p99 << ", \"max_ms\": " << x.max << ", \"cpu_percent\": " << x.cpu
          << ", \"cpu_s_per_1000\": " << x.cpuSecondsPer1000 << ", \"all_servers_p50_ms\": " << x.allPairsP50
          << ", \"read_p50_ms\": " << x.readP50 << ", \"read_p99_ms\": " << x.readP99;
        if (x.lagP99 >= 0) j << ", \"log_lag_p99_ms\": " << x.lagP99 << ", \"log_lag_max_ms\": " << x.lagMax;
        j << "}";
    }
    j << "]";
    return j.str();
}

std::string jsonSystem(const SystemResult& r) {
    std::ostringstream j;
    j << "{\"connect_all_ms\": " << r.connectMs << ", \"start_to_connected_ms\": " << r.startMs
      << ", \"peak_rss_mib\": " << r.rssMiB << ", \"max_sustained_rate\": " << r.maxSustained
      << ", \"rates\": " << jsonRates(r.rates) << "}";
    return j.str();
}

void printRate(const char* name, const RateResult& x, const char* note) {
    std::printf("%-9s %6d %9.1f %8.3f %8.3f %8.3f %6.1f   %s", name, x.rate, x.achieved, x.p50, x.p99, x.max, x.cpu,
                note);
    if (x.lagP99 >= 0) std::printf("; log lag p99 %.1f ms, max %.1f ms", x.lagP99, x.lagMax);
    std::printf("; %.3f CPU s per 1000 reports\n", x.cpuSecondsPer1000);
}
} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--program")
            o.program = next();
        else if (a == "--baseline")
            o.baseline = next();
        else if (a == "--base")
            o.base = next();
        else if (a == "--port")
            o.port = std::atoi(next().c_str());
        else if (a == "--json")
            o.json = next();
        else if (a == "--seconds")
            o.seconds = std::atof(next().c_str());
        else if (a == "--repeat")
            o.repeat = std::atoi(next().c_str());
        else if (a == "--only")
            o.only = next();
        else if (a == "--quick")
            o.quick = true;
        else if (a == "--no-search")
            o.search = false;
        else if (a == "--no-log-data")
            o.logData = false;
        else if (a == "--flood")
            o.flood = std::atof(next().c_str());
        else if (a == "--probe-times")
            o.probeTimes = next();
        else if (a == "--rates") {
            o.rates.clear();
            std::istringstream list(next());
            for (std::string r; std::getline(list, r, ',');) o.rates.push_back(std::atoi(r.c_str()));
        } else {
            std::fprintf(
                stderr,
                "usage: hub-driver --program P --baseline B [--quick] [--json F] [--base A] [--port N] "
                "[--rates a,b] [--seconds S] [--repeat N] [--only program|baseline|logdata|history|flood] [--flood S] "
                "[--probe-times F] [--no-search] [--no-log-data]\n");
            return 2;
        }
    }
    if (o.quick) {
        o.rates = {640};
        o.seconds = std::min(o.seconds, 3.0);
    }
    Driver driver(o);
    if (!driver.listen()) {
        std::fprintf(stderr, "hub-driver: %s\n", driver.error().c_str());
        return 1;
    }
    const bool logPart = o.only == "logdata";
    SystemResult baseline, program;
    bool ok = true;
    if (o.only.empty())
        ok = measureBoth(driver, o, &baseline, &program);
    else if (o.only == "baseline")
        ok = measure(driver, false, o, &baseline);
    else if (o.only == "program")
        ok = measure(driver, true, o, &program);

    // The program with data logging on, at 640 reports/s and each limit, against the same run's
    // program with it off; the highest rate it sustains at the largest limit; and all three
    // switches on.
    struct LogDataResult {
        int limitKiB = 0;
        SystemResult system;
    };
    std::vector<LogDataResult> logData;
    SystemResult allLogs, logOff;
    if (ok && o.logData && !o.quick && (o.only.empty() || logPart)) {
        Options at640 = o;
        at640.rates = {640};
        at640.search = false;
        if (logPart) ok = measure(driver, true, at640, &logOff) && ok;
        for (int limit : {2000, 100}) {
            LogDataResult entry;
            entry.limitKiB = limit;
            ProgramConfig log;
            log.data = true;
            log.limitKiB = limit;
            if (!measure(driver, true, at640, &entry.system, log, true)) continue;
            if (o.search && limit == 2000 && !entry.system.rates.empty() && entry.system.rates[0].sustained)
                entry.system.maxSustained = searchSustained(driver, true, log, 640, o.repeat);
            logData.push_back(entry);
        }
        ProgramConfig all;
        all.system = all.data = all.debug = true;
        measure(driver, true, at640, &allLogs, all, true);
    }
    // The program with its history off (HistoryDays=0) against the same run's program, whose
    // history records every report (each one changes its slot's status).
    const bool historyPart = o.only == "history";
    const std::vector<int> historyRates{256, 640, 1280};
    SystemResult historyOff, historyOn;
    if (ok && !o.quick && (o.only.empty() || historyPart)) {
        Options at = o;
        at.rates = historyRates;
        if (historyPart) ok = measure(driver, true, at, &historyOn) && ok;
        ProgramConfig off;
        off.historyDays = 0;
        ok = measure(driver, true, at, &historyOff, off) && ok;
    }
    const SystemResult& withHistory = historyPart ? historyOn : program;
    int floodRuns = 0;
    double floodGrowth = 0; // the largest RSS growth of the flood's runs

    // The flood, repeated: each figure the median of the runs, the drops and misorders summed.
    FloodResult flood;
    if (ok && o.flood > 0 && (o.only.empty() || o.only == "program" || o.only == "flood")) {
        std::vector<FloodResult> runs;
        for (int i = 0; i < runCount(o); ++i) {
            if (driver.start(true) > 0 && driver.waitConnected() >= 0 && driver.warmUp())
                runs.push_back(driver.flood(o.flood));
            driver.stop();
        }
        const auto pick = [&](double FloodResult::*field) {
            std::vector<double> v;
            for (const FloodResult& r : runs) v.push_back(r.*field);
            return median(v);
        };
        if (!o.probeTimes.empty() && !driver.writeProbeTimes(o.probeTimes))
            std::fprintf(stderr, "hub-driver: cannot write %s\n", o.probeTimes.c_str());
        for (const FloodResult& r : runs) {
            flood.requests += r.requests;
            flood.answered += r.answered;
            flood.serversDropped += r.serversDropped;
            flood.outOfOrder += r.outOfOrder;
        }
        flood.p50 = pick(&FloodResult::p50);
        flood.p99 = pick(&FloodResult::p99);
        flood.p999 = pick(&FloodResult::p999);
        flood.max = pick(&FloodResult::max);
        flood.reportsPerSecond = pick(&FloodResult::reportsPerSecond);
        flood.handledPerSecond = pick(&FloodResult::handledPerSecond);
        flood.rssBeforeMiB = pick(&FloodResult::rssBeforeMiB);
        flood.rssPeakMiB = pick(&FloodResult::rssPeakMiB);
        flood.programCpu = pick(&FloodResult::programCpu);
        flood.driverCpu = pick(&FloodResult::driverCpu);
        floodRuns = static_cast<int>(runs.size());
        std::vector<double> growth;
        for (const FloodResult& r : runs) growth.push_back(r.rssPeakMiB - r.rssBeforeMiB);
        floodGrowth = growth.empty() ? 0 : *std::max_element(growth.begin(), growth.end());
    }
    if (!ok) return 1;

    std::printf("\n%-9s %6s %9s %8s %8s %8s %6s   %s\n", "system", "rate", "achieved", "p50 ms", "p99 ms", "max ms",
                "cpu %", "ratios to baseline (p50, p99, cpu; p99 when read)");
    for (size_t i = 0; i < o.rates.size(); ++i) {
        for (const auto& [name, r] : {std::pair<const char*, const SystemResult*>{"baseline", &baseline},
                                      std::pair<const char*, const SystemResult*>{"program", &program}}) {
            if (r->rates.size() <= i) continue;
            const RateResult& x = r->rates[i];
            std::printf("%-9s %6d %9.1f %8.3f %8.3f %8.3f %6.1f", name, x.rate, x.achieved, x.p50, x.p99, x.max, x.cpu);
            if (r == &program && baseline.rates.size() > i) {
                const RateResult& b = baseline.rates[i];
                std::printf("   %.2f  %.2f  %.2f; %.2f", x.p50 / std::max(b.p50, 1e-9), x.p99 / std::max(b.p99, 1e-9),
                            x.cpu / std::max(b.cpu, 1e-9), x.readP99 / std::max(b.readP99, 1e-9));
            }
            std::printf("\n");
        }
    }
    // The LogData-off reference at 640/s: this run's program figures, or the log part's own.
    const RateResult* off = nullptr;
    for (const RateResult& x : (logPart ? logOff : program).rates)
        if (x.rate == 640) off = &x;
    if (off) printRate("log off", *off, "(program, LogData off)");
    for (const LogDataResult& entry : logData) {
        if (entry.system.rates.empty()) continue;
        char note[160];
        std::snprintf(note, sizeof(note), "(LogData on, LogFileSize %d; p99 %.2f x LogData off; max sustained %d/s)",
                      entry.limitKiB, off ? entry.system.rates[0].p99 / std::max(off->p99, 1e-9) : 0.0,
                      entry.system.maxSustained);
        printRate("logdata", entry.system.rates[0], note);
    }
    if (!allLogs.rates.empty()) printRate("all logs", allLogs.rates[0], "(LogSystem, LogData and LogDebug on)");
    for (const RateResult& x : historyOff.rates) {
        const RateResult* on = nullptr;
        for (const RateResult& y : withHistory.rates)
            if (y.rate == x.rate) on = &y;
        char note[160];
        std::snprintf(note, sizeof(note), "(HistoryDays=0; history on / off: p99 %.2f, cpu %.2f)",
                      on ? on->p99 / std::max(x.p99, 1e-9) : 0.0, on ? on->cpu / std::max(x.cpu, 1e-9) : 0.0);
        printRate("hist off", x, note);
    }
    if (!historyOff.rates.empty())
        std::printf("history   max sustained on %d/s, off %d/s\n", withHistory.maxSustained, historyOff.maxSustained);
    std::printf("\n");
    if (o.only.empty() || o.only == "baseline") printSystem("baseline", baseline);
    if (o.only.empty() || o.only == "program") printSystem("program", program);
    if (o.only.empty())
        std::printf("ratios    connect-all %.2f, peak RSS %.2f, max sustained %.2f\n",
                    program.connectMs / std::max(baseline.connectMs, 1e-9),
                    program.rssMiB / std::max(baseline.rssMiB, 1e-9),
                    static_cast<double>(program.maxSustained) / std::max(baseline.maxSustained, 1));

    if (floodRuns > 0)
        std::printf("flood     %d x %.0f s, %.0f reports/s written by one server, %.0f/s handled (%d out of order); "
                    "layout requests from another: %d asked, %d answered, p50 %.1f ms, p99 %.1f ms, p99.9 %.1f ms, "
                    "max %.1f ms; %d servers dropped; RSS %.1f -> peak %.1f MiB (largest growth %.1f MiB); CPU "
                    "program %.0f %%, driver %.0f %%\n",
                    floodRuns, o.flood, flood.reportsPerSecond, flood.handledPerSecond, flood.outOfOrder,
                    flood.requests, flood.answered, flood.p50, flood.p99, flood.p999, flood.max, flood.serversDropped,
                    flood.rssBeforeMiB, flood.rssPeakMiB, floodGrowth, flood.programCpu, flood.driverCpu);

    if (!o.json.empty()) {
        std::ofstream json(o.json);
        json << "{\"program\": " << jsonSystem(logPart ? logOff : program)
             << ",\n \"baseline\": " << jsonSystem(baseline);
        if (floodRuns > 0)
            json << ",\n \"flood\": {\"runs\": " << floodRuns << ", \"seconds\": " << o.flood
                 << ", \"reports_per_second\": " << flood.reportsPerSecond
                 << ", \"reports_handled_per_second\": " << flood.handledPerSecond
                 << ", \"out_of_order\": " << flood.outOfOrder << ", \"requests\": " << flood.requests
                 << ", \"answered\": " << flood.answered << ", \"p50_ms\": " << flood.p50
                 << ", \"p99_ms\": " << flood.p99 << ", \"p999_ms\": " << flood.p999 << ", \"max_ms\": " << flood.max
                 << ", \"servers_dropped\": " << flood.serversDropped << ", \"rss_before_mib\": " << flood.rssBeforeMiB
                 << ", \"rss_peak_mib\": " << flood.rssPeakMiB << ", \"rss_growth_max_mib\": " << floodGrowth
                 << ", \"cpu_program_percent\": " << flood.programCpu << ", \"cpu_driver_percent\": " << flood.driverCpu
                 << "}";
        if (!logData.empty()) {
            json << ",\n \"program_log_data\": [";
            for (size_t i = 0; i < logData.size(); ++i)
                json << (i ? ", " : "") << "{\"limit_kib\": " << logData[i].limitKiB
                     << ", \"max_sustained_rate\": " << logData[i].system.maxSustained
                     << ", \"rates\": " << jsonRates(logData[i].system.rates) << "}";
            json << "]";
        }
        if (!allLogs.rates.empty()) json << ",\n \"program_all_logs\": " << jsonSystem(allLogs);
        if (!historyOff.rates.empty()) {
            json << ",\n \"program_history_off\": " << jsonSystem(historyOff);
            if (historyPart) json << ",\n \"program_history_on\": " << jsonSystem(historyOn);
        }
        json << "}\n";
    }
    return 0;
}
