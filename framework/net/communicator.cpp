#include "framework/net/communicator.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/app/config.h"
#include "framework/app/debuglog.h"
#include "framework/net/socket.h"
#include "framework/util/vector.h"
#include "platform/net/tcp.h"

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

std::atomic<int> liveStateCount{0};

constexpr int kHttpPort = 80;
constexpr const char* kHttpPrefix = "http://";
constexpr std::size_t kHttpPrefixLength = 7;

// Splits "host[:port]"; the port part counts only when it is a number in
// 1..65535, else the whole text is the host.
void splitHostPort(const std::string& text, int defaultPort, std::string* host, int* port) {
    *host = text;
    *port = defaultPort;
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 >= text.size() || colon + 6 < text.size()) return;
    int value = 0;
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return;
        value = value * 10 + (text[i] - '0');
    }
    if (value < 1 || value > 65535) return;
    *host = text.substr(0, colon);
    *port = value;
}

// A size line of the file service: decimal digits, a CR allowed at the end,
// at most Communicator::kMaxFileBytes.
[[nodiscard]] bool parseSizeLine(const char* line, int* size) {
    const char* p = line;
    long long value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > Communicator::kMaxFileBytes) return false;
        ++p;
        ++digits;
    }
    if (*p == '\r') ++p;
    if (digits == 0 || *p != '\0') return false;
    *size = static_cast<int>(value);
    return true;
}

}  // namespace

// Everything a fetch works on. The worker holds its own reference, so a
// Communicator that deletes itself at the end of its run leaves the state
// to the worker until the worker is out of it.
struct Communicator::State {
    std::recursive_mutex mutex;  // orders the hand-over against client calls and auto-delete
    std::atomic<int> done{0};
    // Raised by the Communicator's destructor: every socket wait of the
    // fetch ends within a few milliseconds, and the fetch stops.
    std::atomic<bool> stopping{false};
    bool selfDeleting = false;
    int autoDelete = 0;

    CommunicatorClient* client = nullptr;
    Socket* socket = nullptr;
    std::string requestName;
    bool hasName = false;

    bool hasPage = false;
    std::string pageName, pageUrl;
    bool hasFile = false;
    std::string filePath, firstHost, secondHost;

    std::unique_ptr<char, FreeDeleter> result;
    int resultLength = -1;

    bool customTimeout = false;
    int timeoutSec = 20, timeoutUsec = 0;

    State() { ++liveStateCount; }
    ~State() {
        if (socket) Communicator::killSocket(socket);
        --liveStateCount;
    }

    Socket* connect(const std::string& hostText, int defaultPort) {
        std::string host;
        int port = 0;
        splitHostPort(hostText, defaultPort, &host, &port);
        Socket* s = new Socket(host.c_str(), port, &stopping);
        if (customTimeout) s->setTimeout(timeoutSec, timeoutUsec);
        return s;
    }

    void dropSocket() {
        if (socket) Communicator::killSocket(socket);
        socket = nullptr;
    }

    bool stopRequested() const {
        if (!stopping.load()) return false;
        debugLog("Communicator gone: fetch stopped\n");
        return true;
    }

    void notify() {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        if (client && !stopping.load()) client->onCommunicatorResults(hasName ? requestName.c_str() : nullptr);
    }

    // Tells the client, then sets the done flag: the last thing a fetch does.
    void finish(bool publish) {
        notify();
        if (publish) done.store(1, std::memory_order_release);
    }

    void beginRequest(const std::string& name) {
        done.store(0);
        requestName = name;
        hasName = true;
        result.reset();
        resultLength = -1;
    }

    void pageExchange(const std::string& name, const std::string& url, bool publish);
    void fileExchange(const std::string& path, const std::string& host1, const std::string& host2, bool publish);
};

void Communicator::State::pageExchange(const std::string& name, const std::string& url, bool publish) {
    beginRequest(name);
    debugPrintfS("Request html %s\n", url.c_str());
    std::string host = resolveUrl(url.c_str());
    std::string path = urlPath(url.c_str());
    if (host.empty()) {
        debugPrintfS("ERROR: no host in URL %s\n", url.c_str());
    } else {
        debugPrintfSS("Request %s %s\n", host.c_str(), path.c_str());
        dropSocket();
        socket = connect(host, kHttpPort);
        debugLog("ask block\n");
        // An unreachable server gives no result at once, rather than a
        // wait for a reply that cannot come.
        if (!socket->isBroken() && !stopRequested()) {
            std::string request = "GET " + path + " HTTP/1.0\n\n";
            socket->sendString(request.c_str());
            result.reset(socket->recvMessage());
            debugLog("got res2\n");
        }
    }
    debugLog("Communicator get page done\n");
    finish(publish);
}

void Communicator::State::fileExchange(const std::string& path, const std::string& host1, const std::string& host2,
                                       bool publish) {
    debugPrintfS("requestFile_sync %s\n", path.c_str());
    beginRequest(path);
    debugPrintfS("Request file %s\n", path.c_str());
    int port = config::upgradeFilePort();
    dropSocket();
    socket = connect(host1, port);
    if (socket->isBroken()) {
        dropSocket();
        socket = connect(host2, port);
        if (socket->isBroken()) {
            debugLog("Socket failed 1\n");
            dropSocket();
            finish(publish);
            return;
        }
    }
    bool ok = !stopRequested();
    for (int i = 0; ok && i < 3; ++i) {
        if (!socket->readLine()) {
            debugLog("ERROR: file server sent no greeting\n");
            ok = false;
        }
    }
    if (ok && !stopRequested()) {
        debugLog("ask block\n");
        std::string query = "SIZE " + path + "\n";
        socket->sendString(query.c_str());
        debugPrintfS("query: %s", query.c_str());
        const char* line = socket->readLine();
        int size = 0;
        if (!line) {
            debugLog("ERROR: no size line from file server\n");
        } else if (std::strcmp(line, "-1") == 0) {
            debugPrintfS("res was %s\n", line);
        } else if (!parseSizeLine(line, &size)) {
            debugPrintfS("ERROR: size line '%s' is not a size\n", line);
        } else {
            debugPrintfS("res was %s\n", line);
            query = "GET " + path + "\n";
            socket->sendString(query.c_str());
            debugPrintfS("query: %s", query.c_str());
            char* bytes = socket->recvAll(size);
            if (bytes) {
                result.reset(bytes);
                resultLength = size;
            }
        }
    }
    debugLog("got res\n");
    dropSocket();
    debugLog("Communicator get page done\n");
    finish(publish);
}

CommunicatorClient::~CommunicatorClient() = default;

void CommunicatorClient::onCommunicatorResults(const char*) { debugLog("virtual onCommunicatorResults()\n"); }

Communicator::Communicator(CommunicatorClient* client, int lockFlag)
    : Runnable(lockFlag), iState(std::make_shared<State>()) {
    iState->client = client;
}

Communicator::~Communicator() {
    debugLog("~Communicator\n");
    {
        // A fetch still under way stops: its socket waits end at once, and
        // the worker is waited for below. A worker that has already chosen
        // to delete the object is the one running this destructor.
        std::lock_guard<std::recursive_mutex> lock(iState->mutex);
        if (!iState->selfDeleting) iState->stopping.store(true);
    }
    join();
    delete iListLines;
}

void Communicator::requestPage(const char* name, const char* url) {
    State& s = *iState;
    s.pageName = name ? name : "";
    s.pageUrl = url ? url : "";
    s.hasPage = url != nullptr;
    s.done.store(0);
    debugPrintfSS("async1 %s %s\n", name ? name : "", url ? url : "");
    debugLog("async2\n");
}

void Communicator::recordFileRequest(const char* path, const char* firstHost, const char* secondHost) {
    State& s = *iState;
    s.filePath = path ? path : "";
    s.hasFile = path != nullptr;
    s.firstHost = firstHost ? firstHost : "";
    s.secondHost = secondHost ? secondHost : "";
    s.done.store(0);
}

void Communicator::run() {
    // From here on only the state is touched, never the object itself
    // (unless it deletes itself at the end).
    std::shared_ptr<State> s = iState;
    debugLog("Communicator::run\n");
    bool page = s->hasPage;
    bool file = s->hasFile;
    if (page) s->pageExchange(s->pageName, s->pageUrl, !file);
    if (file) s->fileExchange(s->filePath, s->firstHost, s->secondHost, true);
    debugLog("Communicator::run done\n");
    std::unique_lock<std::recursive_mutex> lock(s->mutex);
    bool selfDelete = s->autoDelete && !s->stopping.load();
    if (selfDelete) s->selfDeleting = true;
    lock.unlock();
    if (selfDelete) {
        debugLog("Autokill Communicator\n");
        delete this;
    }
}

void Communicator::getPage(const char* name, const char* url) {
    iState->pageExchange(name ? name : "", url ? url : "", true);
}

void Communicator::requestFile_sync(const char* path, const char* firstHost, const char* secondHost) {
    iState->fileExchange(path ? path : "", firstHost ? firstHost : "", secondHost ? secondHost : "", true);
}

void Communicator::killSocket(Socket* socket) {
    debugLog("soc::bk1\n");
    if (socket) socket->disconnect();
    debugLog("soc::bk2\n");
    delete socket;
    debugLog("soc::bk3\n");
}

int Communicator::liveStates() { return liveStateCount.load(); }

void Communicator::notifyClient() { iState->notify(); }

char* Communicator::getResult() {
    State& s = *iState;
    if (!s.done.load(std::memory_order_acquire)) return nullptr;
    return s.result.get();
}

int Communicator::getResultLength() {
    State& s = *iState;
    if (!s.done.load(std::memory_order_acquire) || !s.result) return -1;
    return s.resultLength;
}

int Communicator::isDone() const { return iState->done.load(std::memory_order_acquire); }

void Communicator::setSocketTimeout(int seconds, int microseconds) {
    iState->customTimeout = true;
    iState->timeoutSec = seconds;
    iState->timeoutUsec = microseconds;
}

void Communicator::setAutoDelete(int on) { iState->autoDelete = on; }

void Communicator::setListLines(Vector* lines) {
    if (lines != iListLines) delete iListLines;
    iListLines = lines;
}

const char* Communicator::pageUrl() const { return iState->hasPage ? iState->pageUrl.c_str() : nullptr; }
const char* Communicator::requestPath() const { return iState->hasFile ? iState->filePath.c_str() : nullptr; }
const char* Communicator::requestName() const { return iState->hasName ? iState->requestName.c_str() : nullptr; }

void setRequestPath(Communicator* communicator, const char* name, const char* firstHost, const char* secondHost) {
    if (!communicator || !name) return;
    std::string path = std::string(config::kProductId) + "_" + config::kPlatform + "_" + config::kVersion + "/" + name;
    communicator->recordFileRequest(path.c_str(), firstHost, secondHost);
}

std::string resolveUrl(const char* url) {
    if (!url) return {};
    if (url[0] == '.') return ".";
    if (std::strncmp(url, kHttpPrefix, kHttpPrefixLength) != 0) return {};
    const char* rest = url + kHttpPrefixLength;
    if (std::strlen(rest) > static_cast<std::size_t>(Communicator::kMaxUrlChars)) {
        debugPrintfI("ERROR: URL over %d characters\n", Communicator::kMaxUrlChars);
        return {};
    }
    const char* slash = std::strchr(rest, '/');
    std::string hostText = slash ? std::string(rest, slash) : std::string(rest);
    if (hostText.empty()) return {};
    if (static_cast<unsigned char>(hostText[0]) > '9') {
        std::string name;
        int port = 0;
        splitHostPort(hostText, 0, &name, &port);
        std::vector<std::uint32_t> found;
        if (platform::net::lookupIPv4(name.c_str(), &found) != platform::net::Lookup::Ok) return {};
        hostText = platform::net::dottedText(found.back());
        if (port) hostText += ":" + std::to_string(port);
    }
    return hostText;
}

std::string urlPath(const char* url) {
    if (!url || std::strncmp(url, kHttpPrefix, kHttpPrefixLength) != 0) return "/";
    const char* rest = url + kHttpPrefixLength;
    if (!*rest) return "/";
    const char* slash = std::strchr(rest + 1, '/');
    return slash ? std::string(slash) : std::string("/");
}
