#include "platform/http.h"

#include <algorithm>
#include <cstdlib>

namespace tq::platform {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        int hi, lo;
        if (s[i] == '%' && i + 2 < s.size() && (hi = hexValue(s[i + 1])) >= 0 && (lo = hexValue(s[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Everything but letters, digits and "-._~" as %XX.
std::string percentEncoded(std::string_view s, bool upper) {
    const char* hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

}  // namespace

std::string withoutCredentials(std::string_view text, const std::vector<std::string>& addresses) {
    std::string out(text);
    for (const std::string& address : addresses) {
        const std::string_view url = address;
        // The authority: after "scheme://" (a proxy may come without one)
        // up to the path; its user part up to the last "@".
        const std::size_t scheme = url.find("://");
        const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
        const std::size_t end = std::min(url.find_first_of("/?#", start), url.size());
        const std::string_view authority = url.substr(start, end - start);
        const std::size_t at = authority.rfind('@');
        if (at == std::string_view::npos) continue;
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        if (colon == std::string_view::npos || colon + 1 == userInfo.size()) continue;
        const std::string_view user = userInfo.substr(0, colon);
        const std::string_view password = userInfo.substr(colon + 1);
        const std::string decoded = percentDecoded(password);
        const std::string forms[] = {std::string(password), decoded, percentEncoded(decoded, true),
                                     percentEncoded(decoded, false)};
        for (const std::string& form : forms)
            replaceAll(out, std::string(user) + ":" + form + "@", std::string(user) + "@");
        for (const std::string& form : forms) replaceAll(out, form, "***");
    }
    return out;
}

std::vector<std::string> environmentProxies() {
    std::vector<std::string> out;
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        if (const char* v = std::getenv(name); v && *v) out.emplace_back(v);
    return out;
}

}  // namespace tq::platform
