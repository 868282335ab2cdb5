// The HTTP client through WinHTTP.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <optional>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/http.h"
#include "platform/windows/text.h"

namespace tq::platform {
namespace {

struct Internet {
    HINTERNET h = nullptr;
    explicit Internet(HINTERNET handle) : h(handle) {}
    ~Internet() {
        if (h) ::WinHttpCloseHandle(h);
    }
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
};

[[noreturn]] void fail(const char* step) {
    const DWORD e = ::GetLastError();
    // WinHTTP's own failures have their texts in its library.
    const std::string what =
        std::string(step) + " failed: " +
        win::systemMessage(
            e, e >= WINHTTP_ERROR_BASE && e <= WINHTTP_ERROR_LAST ? ::GetModuleHandleW(L"winhttp.dll") : nullptr);
    switch (e) {
    case ERROR_WINHTTP_TIMEOUT: throw HttpError(HttpError::Kind::Timeout, what);
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CONNECTION_ERROR: throw HttpError(HttpError::Kind::Unreachable, what);
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: throw HttpError(HttpError::Kind::BadUrl, what);
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: throw HttpError(HttpError::Kind::BadReply, what);
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
        throw HttpError(HttpError::Kind::TooLarge,
                        "its header is larger than " + std::to_string(kMaxHeaderBytes / 1024) + " KB");
    default: throw HttpError(HttpError::Kind::Other, what);
    }
}

// "Basic" and user:password in base64, the address's %-escapes decoded
// (libcurl does the same for the POSIX build).
std::wstring basicCredentials(std::wstring_view user, std::wstring_view password) {
    const std::string escaped = win::narrow(user) + ":" + win::narrow(password);
    std::string plain;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const auto hexValue = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (escaped[i] == '%' && i + 2 < escaped.size() && hexValue(escaped[i + 1]) >= 0 &&
            hexValue(escaped[i + 2]) >= 0) {
            plain += static_cast<char>(hexValue(escaped[i + 1]) * 16 + hexValue(escaped[i + 2]));
            i += 2;
        } else {
            plain += escaped[i];
        }
    }
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::wstring out = L"Basic ";
    for (std::size_t i = 0; i < plain.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(plain[i]) << 16;
        if (i + 1 < plain.size()) v |= static_cast<unsigned char>(plain[i + 1]) << 8;
        if (i + 2 < plain.size()) v |= static_cast<unsigned char>(plain[i + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < plain.size() ? kDigits[(v >> 6) & 63] : L'=';
        out += i + 2 < plain.size() ? kDigits[v & 63] : L'=';
    }
    return out;
}

HttpReply exchange(HINTERNET request, const HttpRequest& r, const std::wstring& extraHeaders) {
    const std::wstring headers = L"Content-Type: " + win::widen(r.contentType) + L"\r\n" + extraHeaders;
    const DWORD size = static_cast<DWORD>(r.body.size());
    if (!::WinHttpSendRequest(request, headers.c_str(), static_cast<DWORD>(-1), const_cast<char*>(r.body.data()), size,
                              size, 0))
        fail("sending");
    if (!::WinHttpReceiveResponse(request, nullptr)) fail("receiving the reply");

    HttpReply reply;
    DWORD status = 0, statusSize = sizeof status;
    if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        fail("reading the reply's status");
    reply.status = static_cast<long>(status);
    std::vector<char> buf(16384);
    for (;;) {
        DWORD got = 0;
        if (!::WinHttpReadData(request, buf.data(), static_cast<DWORD>(buf.size()), &got)) fail("reading the reply");
        if (got == 0) break;
        if (reply.body.size() + got > kMaxReplyBytes)
            throw HttpError(HttpError::Kind::TooLarge,
                            "its reply is larger than " + std::to_string(kMaxReplyBytes >> 20) + " MB");
        reply.body.append(buf.data(), got);
    }
    return reply;
}

// What is left of the exchange's deadline; at least 1 ms.
int millisecondsLeft(Deadline deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 1, 24LL * 3600 * 1000));
}

// One exchange from the address to the reply's last byte.
HttpReply run(const HttpRequest& r) {
    const std::wstring url = win::widen(r.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwUserNameLength = parts.dwPasswordLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) fail("reading the address");
    // Credentials in an address go as basic authentication, as with libcurl.
    std::wstring extraHeaders;
    if (parts.dwUserNameLength > 0)
        extraHeaders += L"Authorization: " +
                        basicCredentials({parts.lpszUserName, parts.dwUserNameLength},
                                         {parts.lpszPassword ? parts.lpszPassword : L"", parts.dwPasswordLength}) +
                        L"\r\n";
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    // By default the system's WinHTTP proxy (netsh winhttp set proxy).
    DWORD access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    std::wstring proxy;
    if (r.proxy == "none") {
        access = WINHTTP_ACCESS_TYPE_NO_PROXY;
    } else if (!r.proxy.empty()) {
        access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        const std::wstring given = win::widen(r.proxy);
        URL_COMPONENTS p{};
        p.dwStructSize = sizeof p;
        p.dwHostNameLength = p.dwUserNameLength = p.dwPasswordLength = static_cast<DWORD>(-1);
        if (!::WinHttpCrackUrl(given.c_str(), 0, 0, &p)) fail("reading the proxy's address");
        proxy = std::wstring(p.lpszHostName, p.dwHostNameLength) + L":" + std::to_wstring(p.nPort);
        if (p.dwUserNameLength > 0)
            extraHeaders += L"Proxy-Authorization: " +
                            basicCredentials({p.lpszUserName, p.dwUserNameLength},
                                             {p.lpszPassword ? p.lpszPassword : L"", p.dwPasswordLength}) +
                            L"\r\n";
    }
    Internet session(::WinHttpOpen(win::widen(r.userAgent).c_str(), access,
                                   proxy.empty() ? WINHTTP_NO_PROXY_NAME : proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.h) fail("starting an HTTP session");
    const int ms = millisecondsLeft(r.deadline);
    ::WinHttpSetTimeouts(session.h, ms, ms, ms, ms);
    Internet connection(::WinHttpConnect(session.h, host.c_str(), parts.nPort, 0));
    if (!connection.h) fail("connecting");
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    Internet request(::WinHttpOpenRequest(connection.h, L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request.h) fail("opening the request");
    return exchange(request.h, r, extraHeaders);
}

// What a worker shares with the caller that may stop waiting for it.
struct Job {
    HttpRequest request;
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    HttpReply reply;
    std::optional<HttpError> error;
};

class WinHttpClient final : public HttpClient {
public:
    // WinHTTP's timeouts are per step and not every implementation honours
    // them, so the exchange runs on a worker and the caller waits for it no
    // longer than the timeout; a worker left behind ends with the process.
    HttpReply post(const HttpRequest& r) override {
        auto job = std::make_shared<Job>();
        job->request = r;
        std::thread([job] {
            HttpReply reply;
            std::optional<HttpError> error;
            try {
                reply = run(job->request);
            } catch (const HttpError& e) {
                error = e;
            } catch (const std::exception& e) {
                error = HttpError(HttpError::Kind::Other, e.what());
            }
            // No message shows the addresses' passwords, whatever it quotes.
            if (error)
                error =
                    HttpError(error->kind(), withoutCredentials(error->what(), {job->request.url, job->request.proxy}));
            std::lock_guard lock(job->mutex);
            job->reply = std::move(reply);
            job->error = std::move(error);
            job->done = true;
            job->cv.notify_all();
        }).detach();
        std::unique_lock lock(job->mutex);
        if (!job->cv.wait_until(lock, r.deadline, [&] { return job->done; }))
            throw HttpError(HttpError::Kind::Timeout, "no reply in time");
        if (job->error) throw *job->error;
        return std::move(job->reply);
    }
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<WinHttpClient>(); }

}  // namespace tq::platform
