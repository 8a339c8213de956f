#include "game/protocol/tests/protocol_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/os/thread.h"

namespace protocol_testing {

std::vector<std::string> RecordingHandler::timeline() const {
    std::vector<std::string> out;
    std::size_t link = 0;
    for (std::size_t call = 0; call <= calls.size(); ++call) {
        for (; link < links.size() && linkAfter[link] == call; ++link) out.push_back("[" + links[link] + "]");
        if (call < calls.size()) out.push_back(calls[call]);
    }
    return out;
}

void FakeSocket::send(const void* bytes, int length) {
    int index = static_cast<int>(iS->sends.size());
    iS->sends.emplace_back(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
    iS->sendConnection.push_back(iS->connects - 1);
    if (index == iS->breakAtSend) iS->broken = 1;
}

char* FakeSocket::recv(int length, int* count, char* buffer) {
    ++iS->recvCalls;
    iS->maxAsked = std::max(iS->maxAsked, length);
    *count = 0;
    if (iS->hangUps > 0 && !iS->closed && !iS->broken) {
        --iS->hangUps;
        iS->closed = 1;
        return nullptr;
    }
    if (iS->chunks.empty()) return nullptr;
    std::string& c = iS->chunks.front();
    int n = std::min(length, static_cast<int>(c.size()));
    std::memcpy(buffer, c.data(), static_cast<std::size_t>(n));
    c.erase(0, static_cast<std::size_t>(n));
    if (c.empty()) iS->chunks.pop_front();
    *count = n;
    return buffer;
}

std::vector<std::vector<std::string>> framesByConnection(const FakeSocket::Script& script) {
    std::vector<std::string> streams(static_cast<std::size_t>(script.connects));
    for (std::size_t i = 0; i < script.sends.size(); ++i)
        streams[static_cast<std::size_t>(script.sendConnection[i])] += script.sends[i];
    std::vector<std::vector<std::string>> out;
    for (const std::string& s : streams) {
        std::vector<std::string> frames;
        std::size_t at = 0;
        const auto* bytes = reinterpret_cast<const uint8_t*>(s.data());
        if (s.size() >= kLoginBlockBytes && isLoginBlock(bytes)) {
            frames.push_back("login");
            at = kLoginBlockBytes;
        }
        while (at + kFrameHeaderBytes <= s.size()) {
            const std::size_t length = (std::size_t{bytes[at + 1]} << 8) | bytes[at + 2];
            if (at + kFrameHeaderBytes + length > s.size()) break;
            frames.push_back(s.substr(at + kFrameHeaderBytes, length));
            at += kFrameHeaderBytes + length;
        }
        if (at != s.size()) frames.push_back("?");
        out.push_back(frames);
    }
    return out;
}

FakeClient::FakeClient(int refusals)
    : connection([this] { return std::make_unique<FakeSocket>(script); },
                 [this](const uint8_t* m, int n) {
                     messages.emplace_back(m, m + n);
                     dispatchMessage(m, n, handler);
                 },
                 [this](const OrvexLinkChange& change) {
                     OrvexLinkChange named = change;
                     named.server = "fake";
                     handler.connectionChanged(named);
                 }) {
    script->refusals = refusals;
    connection.connect();
}

void FakeClient::tick(int n) {
    for (int i = 0; i < n; ++i) connection.onIntuitick();
}

LoopbackClient::LoopbackClient(int port)
    : connection([port] { return std::make_unique<OrvexTcpSocket>("127.0.0.1", port); },
                 [this](const uint8_t* m, int n) {
                     messages.emplace_back(m, m + n);
                     dispatchMessage(m, n, handler);
                 }) {
    connection.connect();
}

std::string codeOf(const MessageBytes& m) {
    OrvexSplitResult r = splitMessage(m.data(), static_cast<int>(m.size()), kBothWays);
    return r.code ? r.code->letters : "?";
}

std::vector<std::string> LoopbackClient::codes() const {
    std::vector<std::string> out;
    for (const MessageBytes& m : messages) out.push_back(codeOf(m));
    return out;
}

MessageBytes LoopbackClient::first(const char* code) const {
    for (const MessageBytes& m : messages)
        if (codeOf(m) == code) return m;
    return {};
}

std::vector<MessageBytes> LoopbackClient::all(const char* code) const {
    std::vector<MessageBytes> out;
    for (const MessageBytes& m : messages)
        if (codeOf(m) == code) out.push_back(m);
    return out;
}

bool tickUntil(const std::vector<LoopbackClient*>& clients, const std::function<bool()>& done, int timeoutMs) {
    long long end = platform::monotonicMs() + timeoutMs;
    while (!done()) {
        if (platform::monotonicMs() > end) return done();
        for (LoopbackClient* c : clients) c->tick();
        platform::sleepMs(2);
    }
    return true;
}

std::string bytesText(const std::string& s) {
    std::string out;
    char b[8];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x ", c);
        out += b;
    }
    return out;
}

}  // namespace protocol_testing
