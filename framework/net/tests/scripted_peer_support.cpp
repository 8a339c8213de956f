#include "framework/net/tests/scripted_peer.h"

#include <fstream>
#include <sstream>

#include "framework/app/debuglog.h"
#include "platform/net/tcp.h"
#include "platform/os/thread.h"

namespace tcp = platform::net;

namespace net_testing {

ScriptedPeer::ScriptedPeer() = default;

ScriptedPeer::~ScriptedPeer() {
    {
        std::lock_guard<std::mutex> lock(iMutex);
        iStopping = true;
    }
    iReleasedChanged.notify_all();
    tcp::shutdownBoth(iListen);
    if (iAcceptor.joinable()) iAcceptor.join();
    std::vector<std::thread> pending;
    {
        std::lock_guard<std::mutex> lock(iMutex);
        for (int fd : iOpen) tcp::shutdownBoth(fd);
        pending.swap(iThreads);
    }
    for (std::thread& t : pending) t.join();
    tcp::closeHandle(iListen);
}

ScriptedPeer& ScriptedPeer::send(const std::string& bytes) {
    iScript.push_back({Step::Send, bytes, 0});
    return *this;
}
ScriptedPeer& ScriptedPeer::pause(int ms) {
    iScript.push_back({Step::Pause, {}, static_cast<std::size_t>(ms)});
    return *this;
}
ScriptedPeer& ScriptedPeer::read(std::size_t count) {
    iScript.push_back({Step::Read, {}, count});
    return *this;
}
ScriptedPeer& ScriptedPeer::hold() {
    iScript.push_back({Step::Hold, {}, 0});
    return *this;
}
void ScriptedPeer::release() {
    {
        std::lock_guard<std::mutex> lock(iMutex);
        iReleased = true;
    }
    iReleasedChanged.notify_all();
}
ScriptedPeer& ScriptedPeer::close() {
    iScript.push_back({Step::Close, {}, 0});
    return *this;
}
ScriptedPeer& ScriptedPeer::reset() {
    iScript.push_back({Step::Reset, {}, 0});
    return *this;
}
ScriptedPeer& ScriptedPeer::forConnections(int count) {
    iFirstScripts.emplace_back(count, std::move(iScript));
    iScript.clear();
    return *this;
}

const std::vector<ScriptedPeer::Step>& ScriptedPeer::scriptOf(int index) const {
    for (const auto& [count, script] : iFirstScripts) {
        if (index < count) return script;
        index -= count;
    }
    return iScript;
}

void ScriptedPeer::start() {
    if (iStarted) return;
    iStarted = true;
    iListen = tcp::listenOn("127.0.0.1", 0, &iPort);
    iAcceptor = std::thread([this] { acceptLoop(); });
}

std::string ScriptedPeer::received() const {
    std::lock_guard<std::mutex> lock(iMutex);
    return iReceived;
}

std::vector<std::string> ScriptedPeer::receivedByConnection() const {
    std::lock_guard<std::mutex> lock(iMutex);
    return iReceivedBy;
}

bool ScriptedPeer::waitIdle(int timeoutMs) const {
    long long end = platform::monotonicMs() + timeoutMs;
    while (iActive > 0) {
        if (platform::monotonicMs() > end) return false;
        platform::sleepMs(2);
    }
    return true;
}

void ScriptedPeer::acceptLoop() {
    while (!iStopping) {
        int fd = tcp::acceptConnection(iListen, -1);
        if (fd < 0) return;
        ++iActive;  // before iAccepted: a waiter that sees the count sees this one busy
        const int index = iAccepted++;
        std::lock_guard<std::mutex> lock(iMutex);
        iOpen.push_back(fd);
        iReceivedBy.emplace_back();
        iThreads.emplace_back([this, fd, index] { serve(fd, index); });
    }
}

void ScriptedPeer::serve(int fd, int index) {
    constexpr long kTimedOut = -100;
    auto readSome = [&](long long waitUs) -> long {
        if (tcp::waitReadable(fd, waitUs) != tcp::Wait::Ready) return kTimedOut;
        char piece[65536];
        int err = 0;
        long n = tcp::receiveSome(fd, piece, sizeof piece, &err);
        if (n > 0) {
            std::lock_guard<std::mutex> lock(iMutex);
            iReceived.append(piece, static_cast<std::size_t>(n));
            iReceivedBy[static_cast<std::size_t>(index)].append(piece, static_cast<std::size_t>(n));
        }
        return n;
    };
    Step::Kind end = Step::Pause;  // neither close nor reset: hold
    for (const Step& step : scriptOf(index)) {
        if (iStopping) break;
        if (step.kind == Step::Send) {
            int err = 0;
            tcp::sendAll(fd, step.bytes.data(), static_cast<long>(step.bytes.size()), 10000, &err);
        } else if (step.kind == Step::Pause) {
            platform::sleepMs(static_cast<int>(step.count));
        } else if (step.kind == Step::Hold) {
            std::unique_lock<std::mutex> lock(iMutex);
            iReleasedChanged.wait(lock, [&] { return iReleased.load() || iStopping.load(); });
        } else if (step.kind == Step::Read) {
            std::size_t got = 0;
            while (!iStopping && got < step.count) {
                long n = readSome(5LL * 1000 * 1000);
                if (n <= 0 && n != tcp::kNothingWaiting) break;
                if (n > 0) got += static_cast<std::size_t>(n);
            }
        } else {
            end = step.kind;
            break;
        }
    }
    if (end == Step::Pause) {
        // Hold the connection, taking what the client sends, until it closes.
        while (!iStopping) {
            long n = readSome(100 * 1000);
            if (n == 0 || n == tcp::kReceiveFailed) break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(iMutex);
        std::erase(iOpen, fd);
    }
    if (end == Step::Reset)
        tcp::resetConnection(fd);
    else
        tcp::closeHandle(fd);
    --iActive;
}

int refusedPort() {
    int port = 0;
    int fd = tcp::listenOn("127.0.0.1", 0, &port);
    tcp::closeHandle(fd);
    return port;
}

void enableDebugLog() {
    std::ofstream("test.env").put('\n');
    debugLogResetForTests();
    debugLog("log on\n");
}

std::string debugNote() {
    std::ifstream in("note.txt", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace net_testing
