#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "wmi/ascii.h"

namespace tq::test {
namespace {

// Waits up to `ms` for the socket to become readable.
bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

// The value of a header (named in lower case) of `head`, which ends with a line break; "" when missing.
std::string header(const std::string& head, const std::string& name) {
    std::size_t at = ascii::lower(head).find("\r\n" + name + ":");
    if (at == std::string::npos) return {};
    at = head.find_first_not_of(' ', at + name.size() + 3);
    return head.substr(at, head.find("\r\n", at) - at);
}

int loopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

}  // namespace

TestHttpServer::TestHttpServer(std::vector<Reply> script) : script_(std::move(script)) {
    listenFd_ = loopbackSocket(port_);
    if (::listen(listenFd_, 8) != 0) throw std::runtime_error("listen");
    thread_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

int TestHttpServer::closedPort() {
    int port = 0;
    ::close(loopbackSocket(port));
    return port;
}

std::vector<TestHttpServer::Request> TestHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TestHttpServer::serve() {
    while (!stop_) {
        if (!readable(listenFd_, 50)) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        handle(fd);
        ::close(fd);
    }
}

void TestHttpServer::handle(int fd) {
    // The head, then as much body as Content-Length says; 10 s at most.
    std::string data;
    std::size_t headEnd = std::string::npos, need = 0;
    char buf[8192];
    for (int waited = 0; waited < 10000 && !stop_;) {
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + need) break;
        if (!readable(fd, 50)) {
            waited += 50;
            continue;
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        data.append(buf, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos)
            need = std::stoul("0" + header(data.substr(0, headEnd + 2), "content-length"));
    }
    if (headEnd == std::string::npos) return;
    const std::string head = data.substr(0, headEnd + 2);
    const std::size_t t = head.find(' ') + 1;  // the request line: method, target, version
    Request r{head.substr(0, t - 1),      head.substr(t, head.find(' ', t) - t), header(head, "content-type"),
              header(head, "user-agent"), header(head, "authorization"),         data.substr(headEnd + 4, need)};
    Reply reply{500, "", Reply::Mode::Answer, 0, ""};
    {
        std::lock_guard lock(mutex_);
        if (requests_.size() < script_.size()) reply = script_[requests_.size()];
        requests_.push_back(std::move(r));
    }
    switch (reply.mode) {
    case Reply::Mode::Hangup: return;
    case Reply::Mode::Silent:
        // Holds the connection until the client gives up (or the test ends).
        while (!stop_)
            if (readable(fd, 50) && ::recv(fd, buf, sizeof buf, 0) <= 0) return;
        return;
    case Reply::Mode::Answer: break;
    }
    for (int waited = 0; waited < reply.delayMs && !stop_; waited += 10) ::usleep(10000);
    std::string out = reply.rawHead.empty()
                          ? "HTTP/1.1 " + std::to_string(reply.status) +
                                " Scripted\r\nContent-Type: application/x-compress\r\nContent-Length: " +
                                std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n"
                          : reply.rawHead;
    out += reply.body;
    for (std::size_t sent = 0; sent < out.size();) {
        const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace tq::test
