// The stand-in game server under load: a thousand loopback clients log in,
// are seated four to a game by the server's auto-start, and then chat at a
// steady pace. Every line goes to all four members of its game (the
// sender included); each arrival is timed against the send. Prints how
// many lines were relayed, the relay latency (median, 99th percentile,
// maximum) and the server's memory. The goal: every line relayed, the 99th
// percentile under 50 ms.
//
//   server_load_bench [--clients N] [--lines K] [--interval-ms T] [--server PATH]
//
// The server runs as its own program (by default the one built beside this
// benchmark), so its memory is its own.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "game/protocol/catalogue.h"
#include "game/protocol/codec.h"
#include "platform/net/tcp.h"
#include "platform/os/files.h"
#include "platform/os/process.h"

namespace tcp = platform::net;

namespace {

constexpr int kDrivers = 4;
constexpr int kSeats = 4;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Settings {
    int clients = 1000;
    int lines = 20;
    int intervalMs = 100;
    std::string server;
};

struct Client {
    int fd = -1;
    int index = 0;
    std::vector<uint8_t> stream;
    bool seated = false;
    int sent = 0;
    long long nextSendNs = 0;
    long long received = 0;  // chat lines that reached this client
    bool broken = false;
};

// What every driver thread shares.
struct Run {
    Settings settings;
    std::vector<Client> clients;
    std::atomic<int> seated{0};
    std::atomic<bool> chatting{false};
    std::atomic<bool> finished{false};
    std::atomic<long long> delivered{0};
    std::atomic<int> broken{0};
    long long chatStartNs = 0;
};

// One thread's share of the clients: it reads what the server sends them,
// times the chat lines, and sends their own lines when they are due.
class Driver {
public:
    Driver(Run& run, int id) : run_(run) {
        for (std::size_t i = static_cast<std::size_t>(id); i < run.clients.size(); i += kDrivers)
            mine_.push_back(&run.clients[i]);
        int highest = 0;
        for (Client* c : mine_) highest = std::max(highest, c->fd);
        byFd_.assign(static_cast<std::size_t>(highest) + 1, nullptr);
        for (Client* c : mine_) {
            byFd_[static_cast<std::size_t>(c->fd)] = c;
            if (!poller_.add(c->fd, false)) markBroken(*c);
        }
    }

    void operator()() {
        std::vector<tcp::Poller::Event> ready;
        while (!run_.finished.load()) {
            long long waitUs = 10000;
            if (run_.chatting.load()) {
                long long next = nextDueNs();
                if (next != 0) waitUs = std::clamp((next - nowNs()) / 1000, 0LL, 10000LL);
            }
            // Whole milliseconds, rounded up: a send due in 300 us waits for
            // it rather than spinning.
            if (!poller_.wait(static_cast<int>((waitUs + 999) / 1000), &ready)) break;
            for (const tcp::Poller::Event& e : ready) receive(*byFd_[static_cast<std::size_t>(e.fd)]);
            if (run_.chatting.load()) sendDue();
        }
    }

    std::vector<long long> latenciesNs;

private:
    long long nextDueNs() const {
        long long next = 0;
        for (const Client* c : mine_)
            if (!c->broken && c->sent < run_.settings.lines && (next == 0 || c->nextSendNs < next))
                next = c->nextSendNs;
        return next;
    }

    void receive(Client& c) {
        uint8_t piece[8192];
        for (;;) {
            int err = 0;
            long n = tcp::receiveSome(c.fd, piece, sizeof piece, &err);
            if (n == tcp::kNothingWaiting) break;
            if (n <= 0) {
                markBroken(c);
                return;
            }
            c.stream.insert(c.stream.end(), piece, piece + n);
        }
        std::size_t at = 0;
        for (;;) {
            OrvexSplitResult r =
                splitMessage(c.stream.data() + at, static_cast<int>(c.stream.size() - at), kFromServer);
            if (r.status == OrvexSplit::Partial) break;
            if (r.status != OrvexSplit::Whole) {
                markBroken(c);
                return;
            }
            handle(c, c.stream.data() + at);
            at += static_cast<std::size_t>(r.length);
        }
        c.stream.erase(c.stream.begin(), c.stream.begin() + static_cast<std::ptrdiff_t>(at));
    }

    void handle(Client& c, const uint8_t* m) {
        if (m[0] == 'L' && m[1] == 'P' && m[2] == 'B') {
            if (!c.seated && m[4] == kSeats) {
                c.seated = true;
                ++run_.seated;
            }
        } else if (m[0] == 'P' && m[1] == 'T') {
            long long sentNs = 0;
            const char* t = std::strstr(reinterpret_cast<const char*>(m + 4), " t");
            if (t) sentNs = std::atoll(t + 2);
            latenciesNs.push_back(nowNs() - sentNs);
            ++c.received;
            ++run_.delivered;
        }
    }

    void sendDue() {
        const long long now = nowNs();
        for (Client* c : mine_) {
            if (c->broken || c->sent >= run_.settings.lines || c->nextSendNs > now) continue;
            char text[96];
            std::snprintf(text, sizeof text, "c%d s%d t%lld", c->index, c->sent, nowNs());
            MessageBytes body = chatMessage(1, text);
            MessageBytes frame = frameMessage(body.data(), static_cast<int>(body.size()));
            int err = 0;
            if (tcp::sendAll(c->fd, frame.data(), static_cast<long>(frame.size()), 5000, &err) !=
                static_cast<long>(frame.size()))
                markBroken(*c);
            ++c->sent;
            c->nextSendNs += static_cast<long long>(run_.settings.intervalMs) * 1000000;
        }
    }

    void markBroken(Client& c) {
        if (c.broken) return;
        c.broken = true;
        ++run_.broken;
    }

    Run& run_;
    std::vector<Client*> mine_;
    std::vector<Client*> byFd_;
    tcp::Poller poller_;
};

int freePort() {
    int port = 0;
    int fd = tcp::listenOn("127.0.0.1", 0, &port);
    tcp::closeHandle(fd);
    return port;
}

bool connectClient(Client& c, int port) {
    int err = 0;
    c.fd = tcp::openStream(&err);
    std::uint32_t loopback = 0;
    if (!tcp::parseDotted("127.0.0.1", &loopback)) return false;
    if (c.fd < 0 || tcp::connectTo(c.fd, loopback, port, 10000) != 0) return false;
    tcp::setNoDelay(c.fd);
    uint32_t words[kLoginWords] = {};
    MessageBytes bytes(kLoginBlockBytes);
    putLoginBlock(bytes.data(), words);
    MessageBytes ll = loginMessage(("player" + std::to_string(c.index)).c_str());
    MessageBytes frame = frameMessage(ll.data(), static_cast<int>(ll.size()));
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    return tcp::sendAll(c.fd, bytes.data(), static_cast<long>(bytes.size()), 10000, &err) ==
           static_cast<long>(bytes.size());
}

double ms(long long ns) { return static_cast<double>(ns) / 1e6; }
double mib(long long bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

int usage() {
    std::fprintf(stderr, "usage: server_load_bench [--clients N] [--lines K] [--interval-ms T] [--server PATH]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Run run;
    Settings& s = run.settings;
    std::string self = argv[0];
    std::string dir = self.find('/') == std::string::npos ? "." : self.substr(0, self.rfind('/'));
    s.server = dir + "/../standin/game-server/vurnorvexi-game-server";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--clients")
            s.clients = std::atoi(argv[i + 1]);
        else if (arg == "--lines")
            s.lines = std::atoi(argv[i + 1]);
        else if (arg == "--interval-ms")
            s.intervalMs = std::atoi(argv[i + 1]);
        else if (arg == "--server")
            s.server = argv[i + 1];
        else
            return usage();
    }
    if (argc % 2 == 0 || s.clients < kSeats || s.clients % kSeats != 0 || s.lines < 1 || s.intervalMs < 1)
        return usage();
    platform::raiseOpenFileLimit();

    const int port = freePort();
    platform::ChildProcess server;
    std::vector<std::string> ports = {
        "--port-kv",  std::to_string(port),       "--port-gkv", std::to_string(freePort()),
        "--port-oth", std::to_string(freePort()), "--port-chk", std::to_string(freePort())};
    std::vector<std::string> command = {s.server, "--bind", "127.0.0.1", "--auto-start", std::to_string(kSeats)};
    command.insert(command.end(), ports.begin(), ports.end());
    if (!server.start(command)) {
        std::fprintf(stderr, "cannot start %s\n", s.server.c_str());
        return 1;
    }
    // The server is up once it takes a connection.
    for (int i = 0;; ++i) {
        int err = 0;
        int fd = tcp::openStream(&err);
        std::uint32_t loopback = 0;
        const bool parsed = tcp::parseDotted("127.0.0.1", &loopback);
        bool up = parsed && tcp::connectTo(fd, loopback, port, 1000) == 0;
        tcp::closeHandle(fd);
        if (up) break;
        if (i > 200) {
            std::fprintf(stderr, "the server does not listen on port %d\n", port);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    std::printf("%d clients, %d games of %d; %d lines each, one every %d ms\n", s.clients, s.clients / kSeats, kSeats,
                s.lines, s.intervalMs);
    const long long memoryBefore = platform::processMemory(server.pid()).resident;
    run.clients.resize(static_cast<std::size_t>(s.clients));
    const long long connectStart = nowNs();
    for (int i = 0; i < s.clients; ++i) {
        Client& c = run.clients[static_cast<std::size_t>(i)];
        c.index = i;
        if (!connectClient(c, port)) {
            std::fprintf(stderr, "client %d could not connect and log in\n", i);
            return 1;
        }
    }
    // Each driver owns its poller: kept in place, never moved.
    std::vector<std::unique_ptr<Driver>> drivers;
    for (int d = 0; d < kDrivers; ++d) drivers.push_back(std::make_unique<Driver>(run, d));
    std::vector<std::thread> threads;
    for (auto& d : drivers) threads.emplace_back(std::ref(*d));

    const long long seatDeadline = nowNs() + 120LL * 1000000000;
    while (run.seated.load() < s.clients && run.broken.load() == 0 && nowNs() < seatDeadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::printf("seated %d of %d clients in %.0f ms\n", run.seated.load(), s.clients, ms(nowNs() - connectStart));

    bool allSeated = run.seated.load() == s.clients;
    const long long expected = static_cast<long long>(s.clients) * s.lines * kSeats;
    if (allSeated) {
        // Sends spread evenly over each interval.
        run.chatStartNs = nowNs() + 200LL * 1000000;
        const long long interval = static_cast<long long>(s.intervalMs) * 1000000;
        for (Client& c : run.clients) c.nextSendNs = run.chatStartNs + interval * c.index / s.clients;
        run.chatting.store(true);
        const long long end = run.chatStartNs + interval * s.lines + 30LL * 1000000000;
        while (run.delivered.load() < expected && nowNs() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const platform::ProcessMemory memory = platform::processMemory(server.pid());
    run.finished.store(true);
    for (std::thread& t : threads) t.join();
    for (Client& c : run.clients) tcp::closeHandle(c.fd);
    server.stop();

    std::vector<long long> latencies;
    for (auto& d : drivers) latencies.insert(latencies.end(), d->latenciesNs.begin(), d->latenciesNs.end());
    std::sort(latencies.begin(), latencies.end());
    const long long delivered = run.delivered.load();
    std::printf("relayed %lld of %lld chat lines (%d connections broken)\n", delivered, expected, run.broken.load());
    double p99 = 0;
    if (!latencies.empty()) {
        const long long median = latencies[latencies.size() / 2];
        const long long ninetyNinth = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
        p99 = ms(ninetyNinth);
        std::printf("relay latency: median %.2f ms, 99th percentile %.2f ms, maximum %.2f ms\n", ms(median), p99,
                    ms(latencies.back()));
    }
    std::printf("server memory: %.1f MiB before the clients, %.1f MiB with them (peak %.1f MiB)\n", mib(memoryBefore),
                mib(memory.resident), mib(memory.peak));
    const bool met = allSeated && delivered == expected && !latencies.empty() && p99 < 50.0;
    std::printf("goal (every line relayed, 99th percentile under 50 ms): %s\n", met ? "met" : "missed");
    return met ? 0 : 1;
}
