#include "standin/upgrade-server/upgrade_server.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/net/tcp.h"
#include "platform/os/files.h"

namespace tcp = platform::net;

namespace standin {

namespace {

constexpr int kLineLimit = 4096;

const char* const kGreeting[3] = {
    "vurnorvexi upgrade file service\n",
    "stand-in\n",
    "ready\n",
};

// One line without its LF; false on a close, an error, a time-out or an
// overlong line.
bool readLine(int fd, std::string* line) {
    line->clear();
    for (;;) {
        if (tcp::waitReadable(fd, kClientWaitUs) != tcp::Wait::Ready) return false;
        char c = 0;
        int err = 0;
        long n = tcp::receiveSome(fd, &c, 1, &err);
        if (n == tcp::kNothingWaiting) continue;
        if (n <= 0) return false;
        if (c == '\n') return true;
        if (static_cast<int>(line->size()) >= kLineLimit) return false;
        line->push_back(c);
    }
}

}  // namespace

unsigned listWordSum(const std::string& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4 && i + k < bytes.size(); ++k)
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + k])) << (8 * k);
        sum += word;
    }
    return ((sum >> 16) + sum) & 0xFFFF;
}

std::string gzipBytes(const std::string& bytes) {
    z_stream z{};
    // 15 window bits plus 16: a gzip header and trailer.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string packed(deflateBound(&z, bytes.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    int rc = deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END ? packed : std::string();
}

bool parseUpgradeFault(const std::string& word, UpgradeFault* fault) {
    static const std::pair<const char*, UpgradeFault> names[] = {
        {"none", UpgradeFault::None},
        {"refused", UpgradeFault::Refused},
        {"silent", UpgradeFault::Silent},
        {"no-greeting", UpgradeFault::NoGreeting},
        {"short-body", UpgradeFault::ShortBody},
        {"wrong-size", UpgradeFault::WrongSize},
        {"stall-body", UpgradeFault::StallBody},
        {"slow-body", UpgradeFault::SlowBody},
    };
    for (const auto& n : names)
        if (word == n.first) {
            *fault = n.second;
            return true;
        }
    return false;
}

UpgradeServer::UpgradeServer(UpgradeServerOptions options) : options_(std::move(options)) {}

UpgradeServer::~UpgradeServer() { stop(); }

bool UpgradeServer::prepareOffer() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(options_.offerDir, ec)) return false;
    std::vector<std::string> names;
    for (auto it = fs::recursive_directory_iterator(options_.offerDir, ec); !ec && it != fs::end(it); it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(fs::relative(it->path(), options_.offerDir, ec).generic_string());
    if (ec) return false;
    std::sort(names.begin(), names.end());
    std::ostringstream page;
    page << "<html><body><pre>\n*VER: " << options_.offerVersion << "\n*START\n";
    for (const std::string& name : names) {
        std::string bytes;
        if (!platform::readWholeFile(options_.offerDir + "/" + name, &bytes)) return false;
        char sum[16];
        std::snprintf(sum, sizeof sum, "%X", listWordSum(bytes));
        // The flag 'e' keeps a blank after the sum, which the list needs.
        page << name << ' ' << bytes.size() << ' ' << sum << " e\n";
        offerFiles_.emplace_back(options_.offerClient + "/" + name + ".gz", gzipBytes(bytes));
    }
    for (const std::string& line : options_.extraListLines) page << line << "\n";
    page << "*END\n</pre></body></html>\n";
    offerPage_ = page.str();
    offerFiles_.emplace_back("upgrades/" + options_.offerClient + ".html", offerPage_);
    return true;
}

bool UpgradeServer::lookUp(const std::string& requestPath, std::string* bytes) const {
    std::string rel = requestPath;
    while (!rel.empty() && rel.front() == '/') rel.erase(0, 1);
    for (const auto& offered : offerFiles_)
        if (offered.first == rel) {
            *bytes = offered.second;
            return true;
        }
    return readFileBelow(options_.root, pathBelow(options_.root, requestPath), bytes);
}

bool UpgradeServer::start() {
    if (!options_.offerDir.empty() && !prepareOffer()) return false;
    if (!http_.listen(options_.bindAddress, options_.httpPort) ||
        !files_.listen(options_.bindAddress, options_.filePort)) {
        stop();
        return false;
    }
    if (options_.fault == UpgradeFault::Refused) {
        // The ports were free a moment ago; with nothing listening any more
        // a connect to them is refused.
        http_.closeListener();
        files_.closeListener();
        return true;
    }
    http_.start([this](int fd) { serveHttp(fd); });
    files_.start([this](int fd) { serveFile(fd); });
    return true;
}

void UpgradeServer::stop() {
    http_.stop();
    files_.stop();
}

std::vector<std::string> UpgradeServer::httpRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return httpRequests_;
}

std::vector<std::string> UpgradeServer::fileLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fileLines_;
}

void UpgradeServer::serveHttp(int fd) {
    std::string request = readRequestHead(fd);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        httpRequests_.push_back(request);
    }
    if (options_.fault == UpgradeFault::Silent) {
        http_.holdUntilStopped(fd);
        return;
    }
    std::string method, path;
    requestLine(request, &method, &path);
    std::string body;
    if (method == "GET" && lookUp(path, &body)) {
        sendText(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\n\r\n" + body);
    } else {
        sendText(fd, "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html><body>Not found</body></html>\n");
    }
}

void UpgradeServer::serveFile(int fd) {
    ++fileConnections_;
    if (options_.fault == UpgradeFault::NoGreeting) return;
    if (options_.fault == UpgradeFault::Silent) {
        files_.holdUntilStopped(fd);
        return;
    }
    for (const char* line : kGreeting)
        if (!sendText(fd, line)) return;
    std::string line;
    while (readLine(fd, &line)) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            fileLines_.push_back(line);
        }
        std::string bytes;
        if (line.rfind("SIZE ", 0) == 0) {
            bool found = lookUp(line.substr(5), &bytes);
            std::string reply;
            if (!options_.sizeReply.empty())
                reply = options_.sizeReply;
            else if (!found)
                reply = "-1\n";
            else if (options_.fault == UpgradeFault::WrongSize)
                reply = std::to_string(bytes.size()) + "abc\n";
            else
                reply = std::to_string(bytes.size()) + "\n";
            if (!sendText(fd, reply)) return;
        } else if (line.rfind("GET ", 0) == 0) {
            if (lookUp(line.substr(4), &bytes)) sendBody(fd, std::move(bytes));
            return;  // one file per connection
        } else {
            return;
        }
    }
}

bool UpgradeServer::sendBody(int fd, std::string bytes) {
    switch (options_.fault) {
    case UpgradeFault::ShortBody:
        if (!bytes.empty()) bytes.pop_back();
        return sendText(fd, bytes);
    case UpgradeFault::StallBody:
        if (!sendText(fd, bytes.substr(0, bytes.size() / 2))) return false;
        files_.holdUntilStopped(fd);
        return true;
    case UpgradeFault::SlowBody:
        for (std::size_t at = 0; at < bytes.size() && !files_.stopping(); at += kSlowPieceBytes) {
            if (!sendText(fd, bytes.substr(at, kSlowPieceBytes))) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(kSlowPieceMs));
        }
        return true;
    default: return sendText(fd, bytes);
    }
}

}  // namespace standin
