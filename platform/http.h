// The one way out to a web server: an HTTP POST with a bounded time and a
// bounded reply. libcurl implements it on POSIX, WinHTTP on Windows.
#pragma once

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tq::platform {

struct HttpReply {
    long status = 0;   // the HTTP status code
    std::string body;  // the reply's body, at most kMaxReplyBytes
};

// What went wrong on the way, before any HTTP status came back.
class HttpError : public std::runtime_error {
public:
    // BadReply: the server answered something that is not HTTP (a broken
    // status line, a status code out of range).
    enum class Kind { Unreachable, Timeout, TooLarge, BadUrl, BadReply, Other };
    HttpError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

using Deadline = std::chrono::steady_clock::time_point;

struct HttpRequest {
    std::string url;  // http:// or https://; user:password@ for basic authentication
    std::string contentType;
    std::string userAgent;
    std::string body;
    Deadline deadline;  // the request gives up (Kind::Timeout) at this moment
    // The proxy: empty for the platform's default (libcurl: http_proxy,
    // https_proxy, all_proxy, no_proxy; WinHTTP: the system's settings),
    // "none" for a direct connection, else the proxy's address.
    std::string proxy;
};

// Replies larger than this are refused rather than held in memory, and so
// are headers larger than kMaxHeaderBytes.
inline constexpr std::size_t kMaxReplyBytes = 16u << 20;
inline constexpr std::size_t kMaxHeaderBytes = 64u << 10;

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Sends the request and returns the reply whatever its status; throws
    // HttpError when no reply came.
    virtual HttpReply post(const HttpRequest& request) = 0;
};

// `text` (a library's or a server's message) with the credentials of the
// given addresses hidden: each "user:password@" shown as "user@", and the
// password itself, as written, percent-decoded or percent-encoded, as "***".
// Addresses without a password leave the text as it is.
std::string withoutCredentials(std::string_view text, const std::vector<std::string>& addresses);

// The proxy addresses the environment gives libcurl (http_proxy and the
// others, in either letter case), for withoutCredentials.
std::vector<std::string> environmentProxies();

// The platform's client.
std::unique_ptr<HttpClient> makeHttpClient();

}  // namespace tq::platform
