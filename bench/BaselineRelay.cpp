// The benchmark's floor: a minimal single-threaded relay doing the program's socket work and
// nothing else. It connects to the 64 servers, and for every frame a server sends it writes one
// message of the line-data size to all 64, with the report's sequence copied to its slot's place.
//
//   baseline-relay BASE_ADDRESS PORT      (servers at BASE.1 .. BASE.64)

#include "LineFormat.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
struct Conn {
    int fd = -1;
    bool connected = false;
    std::string in;
    std::string out; // what the kernel did not take yet
};

volatile sig_atomic_t stop = 0;

void flush(Conn& c) {
    while (!c.out.empty()) {
        const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
        if (n <= 0) return;
        c.out.erase(0, static_cast<size_t>(n));
    }
}

void sendAll(Conn& c, const std::string& bytes) {
    if (!c.out.empty()) {
        c.out += bytes;
        flush(c);
        return;
    }
    const ssize_t n = ::send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) return;
    if (static_cast<size_t>(n) < bytes.size()) c.out.assign(bytes, static_cast<size_t>(n), std::string::npos);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::signal(SIGTERM, [](int) { stop = 1; });
    in_addr base{};
    ::inet_pton(AF_INET, argv[1], &base);
    const int port = std::atoi(argv[2]);
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    std::vector<Conn> conns(bench::Slots);
    for (int k = 0; k < bench::Slots; ++k) {
        Conn& c = conns[static_cast<size_t>(k)];
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(ntohl(base.s_addr) + static_cast<uint32_t>(k + 1));
        ::connect(c.fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLOUT;
        ev.data.u32 = static_cast<uint32_t>(k);
        ::epoll_ctl(ep, EPOLL_CTL_ADD, c.fd, &ev);
    }
    bench::LineData message = bench::lineData();
    std::vector<size_t> reportDigits;
    for (int k = 0; k < bench::Slots; ++k) reportDigits.push_back(bench::reportSeqOffset(k));
    std::vector<epoll_event> events(128);
    std::vector<char> buffer(1 << 16);
    while (!stop) {
        const int n = ::epoll_wait(ep, events.data(), static_cast<int>(events.size()), 200);
        for (int i = 0; i < n; ++i) {
            Conn& c = conns[events[static_cast<size_t>(i)].data.u32];
            const int slot = static_cast<int>(events[static_cast<size_t>(i)].data.u32);
            if (events[static_cast<size_t>(i)].events & EPOLLOUT) {
                if (!c.connected) {
                    c.connected = true;
                    epoll_event ev{};
                    ev.events = EPOLLIN;
                    ev.data.u32 = static_cast<uint32_t>(slot);
                    ::epoll_ctl(ep, EPOLL_CTL_MOD, c.fd, &ev);
                }
                flush(c);
            }
            if (!(events[static_cast<size_t>(i)].events & EPOLLIN)) continue;
            for (;;) {
                const ssize_t got = ::recv(c.fd, buffer.data(), buffer.size(), 0);
                if (got <= 0) break;
                c.in.append(buffer.data(), static_cast<size_t>(got));
            }
            size_t pos;
            while ((pos = c.in.find("$$Ende$$")) != std::string::npos) {
                // The report's sequence digits go to its slot's place; the rest is sent as it is.
                const size_t start = c.in.rfind("$$Anfang$$", pos);
                const size_t digits = reportDigits[static_cast<size_t>(slot)];
                if (start != std::string::npos && start + digits + bench::SeqDigits <= pos)
                    std::memcpy(&message.bytes[message.seqOffset[static_cast<size_t>(slot)]], &c.in[start + digits],
                                bench::SeqDigits);
                c.in.erase(0, pos + 8);
                for (Conn& target : conns)
                    if (target.connected) sendAll(target, message.bytes);
            }
        }
    }
    return 0;
}
