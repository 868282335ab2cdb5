// The HTTP client through libcurl. The library (and the dozens it pulls in:
// TLS, Kerberos, LDAP, ...) is loaded only when something is sent, so that a
// report run without a server stays as small and quick as before.
#define CURL_DISABLE_TYPECHECK  // calls go through pointers, not the functions
#include <curl/curl.h>

#include <chrono>

#include "platform/http.h"
#include "platform/posix/dynlib.h"

namespace tq::platform {
namespace {

struct Sink {
    std::string body;
    std::size_t headerBytes = 0;
    bool tooLarge = false, headerTooLarge = false;
};

// Counts the reply's header lines: libcurl would otherwise hold up to
// megabytes of them and end with "Out of memory".
size_t countHeader(char*, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    sink->headerBytes += n;
    if (sink->headerBytes > kMaxHeaderBytes) {
        sink->headerTooLarge = true;
        return 0;  // ends the transfer
    }
    return n;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->body.size() + n > kMaxReplyBytes) {
        sink->tooLarge = true;
        return 0;  // ends the transfer
    }
    sink->body.append(data, n);
    return n;
}

// The few libcurl functions the client calls, looked up once.
struct Curl {
    CURLcode (*global_init)(long);
    CURL* (*easy_init)();
    void (*easy_cleanup)(CURL*);
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_perform)(CURL*);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    const char* (*easy_strerror)(CURLcode);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
};

// Loads libcurl on first use; nullptr when it is not installed.
const Curl* loadCurl() {
    static const Curl* loaded = []() -> const Curl* {
        posix::DynamicLibrary lib("libcurl.so.4");
        static Curl c;
        lib.find(c.global_init, "curl_global_init");
        lib.find(c.easy_init, "curl_easy_init");
        lib.find(c.easy_cleanup, "curl_easy_cleanup");
        lib.find(c.easy_setopt, "curl_easy_setopt");
        lib.find(c.easy_perform, "curl_easy_perform");
        lib.find(c.easy_getinfo, "curl_easy_getinfo");
        lib.find(c.easy_strerror, "curl_easy_strerror");
        lib.find(c.slist_append, "curl_slist_append");
        lib.find(c.slist_free_all, "curl_slist_free_all");
        if (!lib.complete() || c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
        return &c;
    }();
    return loaded;
}

class CurlClient final : public HttpClient {
public:
    HttpReply post(const HttpRequest& r) override {
        const Curl* lib = loadCurl();
        if (!lib) throw HttpError(HttpError::Kind::Other, "libcurl (package libcurl4) is not installed");
        const Curl& api = *lib;

        std::unique_ptr<CURL, decltype(api.easy_cleanup)> curl(api.easy_init(), api.easy_cleanup);
        if (!curl) throw HttpError(HttpError::Kind::Other, "cannot start an HTTP session");
        curl_slist* headers = nullptr;
        headers = api.slist_append(headers, ("Content-Type: " + r.contentType).c_str());
        headers = api.slist_append(headers, "Expect:");  // no 100-continue round trip
        std::unique_ptr<curl_slist, decltype(api.slist_free_all)> headerList(headers, api.slist_free_all);

        Sink sink;
        char error[CURL_ERROR_SIZE] = {};
        CURL* c = curl.get();
        api.easy_setopt(c, CURLOPT_URL, r.url.c_str());
        api.easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        api.easy_setopt(c, CURLOPT_POST, 1L);
        api.easy_setopt(c, CURLOPT_POSTFIELDS, r.body.data());
        api.easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
        api.easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());
        api.easy_setopt(c, CURLOPT_USERAGENT, r.userAgent.c_str());
        // What is left of the exchange's one deadline, whole milliseconds.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(r.deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) throw HttpError(HttpError::Kind::Timeout, "no time left");
        api.easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(left));
        api.easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(left));
        if (r.proxy == "none") {
            api.easy_setopt(c, CURLOPT_PROXY, "");  // not even the environment's
        } else if (!r.proxy.empty()) {
            api.easy_setopt(c, CURLOPT_PROXY, r.proxy.c_str());
            api.easy_setopt(c, CURLOPT_NOPROXY, "");  // the option overrides no_proxy
        }
        api.easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        api.easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
        api.easy_setopt(c, CURLOPT_WRITEDATA, &sink);
        api.easy_setopt(c, CURLOPT_HEADERFUNCTION, countHeader);
        api.easy_setopt(c, CURLOPT_HEADERDATA, &sink);
        api.easy_setopt(c, CURLOPT_ERRORBUFFER, error);

        const CURLcode rc = api.easy_perform(c);
        if (rc != CURLE_OK) {
            // libcurl quotes addresses as given, passwords included.
            std::vector<std::string> addresses = environmentProxies();
            addresses.push_back(r.url);
            addresses.push_back(r.proxy);
            const std::string why = withoutCredentials(error[0] ? error : api.easy_strerror(rc), addresses);
            // libcurl refuses a header line past 100 KB as "Out of memory";
            // the exchange itself needs a few kilobytes.
            if (sink.headerTooLarge || rc == CURLE_OUT_OF_MEMORY)
                throw HttpError(HttpError::Kind::TooLarge,
                                "its header is larger than " + std::to_string(kMaxHeaderBytes / 1024) + " KB");
            if (sink.tooLarge)
                throw HttpError(HttpError::Kind::TooLarge,
                                "its reply is larger than " + std::to_string(kMaxReplyBytes >> 20) + " MB");
            switch (rc) {
            case CURLE_OPERATION_TIMEDOUT: throw HttpError(HttpError::Kind::Timeout, why);
            case CURLE_URL_MALFORMAT: throw HttpError(HttpError::Kind::BadUrl, why);
            // Only http and https are allowed and the address was checked:
            // an unsupported "protocol" here is a reply that is not HTTP.
            case CURLE_UNSUPPORTED_PROTOCOL:
            case CURLE_WEIRD_SERVER_REPLY: throw HttpError(HttpError::Kind::BadReply, why);
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
            case CURLE_COULDNT_CONNECT: throw HttpError(HttpError::Kind::Unreachable, why);
            default: throw HttpError(HttpError::Kind::Other, why);
            }
        }
        HttpReply reply;
        api.easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
        reply.body = std::move(sink.body);
        return reply;
    }
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<CurlClient>(); }

}  // namespace tq::platform
