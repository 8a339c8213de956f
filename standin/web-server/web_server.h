#pragma once
// Stand-in for the web host of the Help menu's pages. It serves, over
// HTTP/1.0 with one request a connection:
//   /vurnorvex.html  the entry page of the help folder (its index.html),
//   /<file>          the other files of the help folder (pages, pictures),
//                    so the entry page's relative links and pictures work,
//   /                a short home page of the distributor, Tarvelon,
//   /quillmark/      a short home page of the developer, Quillmark;
// anything else is "404 Not Found", so is a file whose real path (its
// symbolic links followed) lies outside the help folder. GET and HEAD are
// answered; every connection has a thread of its own, so a browser's idle
// connections never hold up the others, and its request head has
// requestHeadUs in all to arrive. The same code runs as the program
// vurnorvexi-web-server and as a test fixture on a free loopback port.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "standin/serving.h"

namespace standin {

struct WebServerOptions {
    std::string root = ".";  // the help folder
    std::string bindAddress = "127.0.0.1";
    int port = 0;                             // 0: a free port
    long long requestHeadUs = kClientWaitUs;  // the time a request's head has to arrive
};

class WebServer {
public:
    explicit WebServer(WebServerOptions options);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Opens the port and starts serving; false when it can't be bound.
    bool start();
    void stop();
    int port() const { return connections_.port(); }
    // The request lines of the latest kRequestsKept requests, in arrival
    // order (a host left running keeps no more).
    std::vector<std::string> requests() const;

    // The page served for "/" and "/quillmark/".
    static const char* const kDistributorHomePage;
    static const char* const kDeveloperHomePage;
    static constexpr std::size_t kRequestsKept = 100;

private:
    void serve(int fd);
    // The status, the content type and the body for a path; false: 404.
    bool page(const std::string& path, std::string* type, std::string* body) const;

    WebServerOptions options_;
    ConnectionThreads connections_;
    mutable std::mutex mutex_;
    std::deque<std::string> requests_;
};

}  // namespace standin
