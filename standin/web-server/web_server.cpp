#include "standin/web-server/web_server.h"

#include <cstring>

namespace standin {

namespace {

// The content type by the file name's ending.
const char* contentType(const std::string& path) {
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html"}, {".htm", "text/html"},  {".png", "image/png"},
        {".gif", "image/gif"},  {".txt", "text/plain"}, {".css", "text/css"},
    };
    for (const auto& t : types) {
        const std::size_t n = std::strlen(t.first);
        if (path.size() >= n && path.compare(path.size() - n, n, t.first) == 0) return t.second;
    }
    return "application/octet-stream";
}

std::string reply(const char* status, const char* type, const std::string& body, bool withBody) {
    std::string head = std::string("HTTP/1.0 ") + status + "\r\nContent-Type: " + type +
                       "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    return withBody ? head + body : head;
}

}  // namespace

const char* const WebServer::kDistributorHomePage =
    "<html><head><title>Tarvelon</title></head><body>\n"
    "<h1>Tarvelon</h1>\n"
    "<p>The home of Tarvelon Orvex Chess, the beam board game for two to four players.</p>\n"
    "<p><a href=\"/vurnorvex.html\">Orvex Chess Help</a> - <a href=\"/quillmark/\">Quillmark</a></p>\n"
    "<p><small>This page is served on this machine by the stand-in web host.</small></p>\n"
    "</body></html>\n";

const char* const WebServer::kDeveloperHomePage =
    "<html><head><title>Quillmark</title></head><body>\n"
    "<h1>Quillmark</h1>\n"
    "<p>The makers of Orvex Chess.</p>\n"
    "<p><a href=\"/vurnorvex.html\">Orvex Chess Help</a> - <a href=\"/\">Tarvelon</a></p>\n"
    "<p><small>This page is served on this machine by the stand-in web host.</small></p>\n"
    "</body></html>\n";

WebServer::WebServer(WebServerOptions options) : options_(std::move(options)) {}

WebServer::~WebServer() { stop(); }

bool WebServer::start() {
    if (!connections_.listen(options_.bindAddress, options_.port)) return false;
    connections_.start([this](int fd) { serve(fd); });
    return true;
}

void WebServer::stop() { connections_.stop(); }

std::vector<std::string> WebServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {requests_.begin(), requests_.end()};
}

bool WebServer::page(const std::string& requestPath, std::string* type, std::string* body) const {
    std::string path = requestPath.substr(0, requestPath.find_first_of("?#"));
    *type = "text/html";
    if (path == "/") {
        *body = kDistributorHomePage;
        return true;
    }
    if (path == "/quillmark/" || path == "/quillmark") {
        *body = kDeveloperHomePage;
        return true;
    }
    const std::string file = path == "/vurnorvex.html" ? options_.root + "/index.html" : pathBelow(options_.root, path);
    *type = contentType(file);
    return readFileBelow(options_.root, file, body);
}

void WebServer::serve(int fd) {
    const std::string head = readRequestHead(fd, 8192, options_.requestHeadUs);
    std::string method, path;
    requestLine(head, &method, &path);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(head.substr(0, head.find_first_of("\r\n")));
        if (requests_.size() > kRequestsKept) requests_.pop_front();
    }
    if (method != "GET" && method != "HEAD") {
        sendText(fd, reply("501 Not Implemented", "text/html", "<html><body>Not implemented</body></html>\n", true));
        return;
    }
    std::string type, body;
    if (page(path, &type, &body))
        sendText(fd, reply("200 OK", type.c_str(), body, method == "GET"));
    else
        sendText(fd, reply("404 Not Found", "text/html", "<html><body>Not found</body></html>\n", method == "GET"));
}

}  // namespace standin
