#pragma once
// A loopback peer for the socket tests: listens on a free port and plays
// a script on every connection it accepts: send chunks, pause, read what
// the client sends, close, reset, or hold the connection open. The same
// script serves every connection, unless forConnections() gives the first
// ones scripts of their own.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace net_testing {

class ScriptedPeer {
public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Script steps, played in order; a script that ends without close or
    // reset holds the connection until the client closes it.
    ScriptedPeer& send(const std::string& bytes);
    ScriptedPeer& pause(int ms);
    ScriptedPeer& read(std::size_t count);  // waits for that many bytes
    // Waits until the test calls release(), so the client can look at a
    // connection on which the peer has surely sent nothing more yet.
    ScriptedPeer& hold();
    ScriptedPeer& close();
    ScriptedPeer& reset();
    // The steps added since the last call serve the next `count`
    // connections, in the order they are accepted; the steps added after
    // the last call serve every connection after those.
    ScriptedPeer& forConnections(int count);

    // Starts listening on a free loopback port (after the script is built).
    void start();
    int port() const { return iPort; }
    // Everything read from clients so far.
    std::string received() const;
    // What was read on each connection so far, in the order accepted.
    std::vector<std::string> receivedByConnection() const;
    int accepted() const { return iAccepted; }
    // Connections still being served.
    int active() const { return iActive; }
    // Waits up to timeoutMs until no connection is served any more.
    bool waitIdle(int timeoutMs) const;
    // Lets every connection go on past its hold() steps.
    void release();

private:
    struct Step {
        enum Kind { Send, Pause, Read, Hold, Close, Reset } kind;
        std::string bytes;
        std::size_t count = 0;
    };
    void acceptLoop();
    void serve(int fd, int index);
    const std::vector<Step>& scriptOf(int index) const;

    std::vector<Step> iScript;
    // The scripts of the first connections, each with its count.
    std::vector<std::pair<int, std::vector<Step>>> iFirstScripts;
    int iListen = -1;
    int iPort = 0;
    std::atomic<bool> iStopping{false};
    std::atomic<bool> iReleased{false};
    std::atomic<int> iAccepted{0};
    std::atomic<int> iActive{0};
    mutable std::mutex iMutex;
    std::condition_variable iReleasedChanged;
    std::string iReceived;
    std::vector<std::string> iReceivedBy;
    std::vector<int> iOpen;
    std::vector<std::thread> iThreads;
    std::thread iAcceptor;
    bool iStarted = false;
};

// A port on the loopback address that nothing listens on.
int refusedPort();

// Switches the debug log on in the current folder (the test's program
// folder) and returns the path of its note file.
void enableDebugLog();
std::string debugNote();

}  // namespace net_testing
