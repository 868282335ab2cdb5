// A small HTTP server on 127.0.0.1 for the tests of the inventory client:
// it answers each request with the next scripted reply and records what it
// received. One connection at a time, each closed after its reply.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tq::test {

class TestHttpServer {
public:
    struct Reply {
        enum class Mode { Answer, Silent, Hangup };
        long long status = 200;
        std::string body;
        Mode mode = Mode::Answer;
        int delayMs = 0;        // waits this long before answering
        std::string rawHead{};  // when set, sent in place of the status line and headers
    };
    struct Request {
        // target is the absolute address when the server is used as a proxy.
        std::string method, target, contentType, userAgent, authorization, body;
    };

    explicit TestHttpServer(std::vector<Reply> script = {});
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/ocsinventory"; }
    std::vector<Request> requests() const;

    // A port on 127.0.0.1 where nothing listens (bound, then released).
    static int closedPort();

private:
    void serve();
    void handle(int fd);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Reply> script_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace tq::test
