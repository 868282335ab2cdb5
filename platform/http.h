// The one way out to a web server: an HTTP POST with a bounded time and a
// bounded reply. libcurl implements it on POSIX, WinHTTP on Windows.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace tq::platform {

struct HttpReply {
    long status = 0;   // the HTTP status code
    std::string body;  // the reply's body, at most kMaxReplyBytes
};

// What went wrong on the way, before any HTTP status came back.
class HttpError : public std::runtime_error {
public:
    enum class Kind { Unreachable, Timeout, TooLarge, BadUrl, Other };
    HttpError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

struct HttpRequest {
    std::string url;  // http:// or https://
    std::string contentType;
    std::string userAgent;
    std::string body;
    int timeoutSeconds = 30;  // for the whole exchange
};

// Replies larger than this are refused rather than held in memory.
inline constexpr std::size_t kMaxReplyBytes = 16u << 20;

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Sends the request and returns the reply whatever its status; throws
    // HttpError when no reply came.
    virtual HttpReply post(const HttpRequest& request) = 0;
};

// The platform's client.
std::unique_ptr<HttpClient> makeHttpClient();

}  // namespace tq::platform
