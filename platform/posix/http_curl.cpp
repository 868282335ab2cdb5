// The HTTP client through libcurl.
#include <curl/curl.h>

#include <mutex>

#include "platform/http.h"

namespace tq::platform {
namespace {

struct Sink {
    std::string body;
    bool tooLarge = false;
};

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

class CurlClient final : public HttpClient {
public:
    HttpReply post(const HttpRequest& r) override {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
        if (!curl) throw HttpError(HttpError::Kind::Other, "cannot start an HTTP session");
        curl_slist* headers = nullptr;
        headers = curl_slist_append(headers, ("Content-Type: " + r.contentType).c_str());
        headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, curl_slist_free_all);

        Sink sink;
        char error[CURL_ERROR_SIZE] = {};
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, r.url.c_str());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, r.body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());
        curl_easy_setopt(c, CURLOPT_USERAGENT, r.userAgent.c_str());
        curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(r.timeoutSeconds));
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(r.timeoutSeconds));
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

        const CURLcode rc = curl_easy_perform(c);
        if (rc != CURLE_OK) {
            const std::string why = error[0] ? error : curl_easy_strerror(rc);
            switch (rc) {
            case CURLE_OPERATION_TIMEDOUT: throw HttpError(HttpError::Kind::Timeout, why);
            case CURLE_WRITE_ERROR:
                if (sink.tooLarge) throw HttpError(HttpError::Kind::TooLarge, "the reply is too large");
                throw HttpError(HttpError::Kind::Other, why);
            case CURLE_URL_MALFORMAT:
            case CURLE_UNSUPPORTED_PROTOCOL: throw HttpError(HttpError::Kind::BadUrl, why);
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
            case CURLE_COULDNT_CONNECT: throw HttpError(HttpError::Kind::Unreachable, why);
            default: throw HttpError(HttpError::Kind::Other, why);
            }
        }
        HttpReply reply;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
        reply.body = std::move(sink.body);
        return reply;
    }
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<CurlClient>(); }

}  // namespace tq::platform
