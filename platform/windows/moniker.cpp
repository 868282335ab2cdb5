#include "platform/windows/moniker.h"

#include "wmi/ascii.h"

namespace tq::win {
namespace {

std::optional<unsigned long> impersonationLevel(std::string_view v) {
    const std::string l = ascii::lower(v);
    if (l == "anonymous") return 1;
    if (l == "identify") return 2;
    if (l == "impersonate") return 3;
    if (l == "delegate") return 4;
    return std::nullopt;
}

std::optional<unsigned long> authenticationLevel(std::string_view v) {
    const std::string l = ascii::lower(v);
    if (l == "default") return 0;
    if (l == "none") return 1;
    if (l == "connect") return 2;
    if (l == "call") return 3;
    if (l == "pkt") return 4;
    if (l == "pktintegrity") return 5;
    if (l == "pktprivacy") return 6;
    return std::nullopt;
}

// "impersonationLevel=impersonate,authenticationLevel=pktPrivacy,(Debug,!Shutdown)"
bool parseSecurity(std::string_view s, Moniker& m) {
    std::size_t pos = 0;
    while (pos <= s.size()) {
        std::size_t end = pos;
        int depth = 0;
        while (end < s.size() && (depth > 0 || s[end] != ',')) {
            if (s[end] == '(') ++depth;
            if (s[end] == ')') --depth;
            ++end;
        }
        if (depth != 0) return false;
        const std::string_view item = ascii::trim(s.substr(pos, end - pos));
        if (item.empty()) {
            if (!s.empty()) return false;
        } else if (item.front() == '(') {
            if (item.back() != ')') return false;
            std::string_view list = item.substr(1, item.size() - 2);
            std::size_t p = 0;
            while (p <= list.size()) {
                std::size_t comma = list.find(',', p);
                if (comma == std::string_view::npos) comma = list.size();
                const std::string_view priv = ascii::trim(list.substr(p, comma - p));
                if (priv.empty()) return false;
                m.privileges.emplace_back(priv);
                p = comma + 1;
            }
        } else {
            const std::size_t eq = item.find('=');
            if (eq == std::string_view::npos) return false;
            const std::string key = ascii::lower(ascii::trim(item.substr(0, eq)));
            const std::string_view value = ascii::trim(item.substr(eq + 1));
            if (key == "impersonationlevel") {
                auto level = impersonationLevel(value);
                if (!level) return false;
                m.impersonation = *level;
            } else if (key == "authenticationlevel") {
                auto level = authenticationLevel(value);
                if (!level) return false;
                m.authentication = *level;
            } else if (key == "authority") {
                m.authority = std::string(value);
            } else {
                return false;
            }
        }
        if (end >= s.size()) break;
        pos = end + 1;
    }
    return true;
}

}  // namespace

std::optional<Moniker> parseMoniker(std::string_view text) {
    std::string_view s = ascii::trim(text);
    if (!ascii::istartsWith(s, "winmgmts:")) return std::nullopt;
    s.remove_prefix(9);
    Moniker m;
    bool settings = false;
    if (!s.empty() && s.front() == '{') {
        const std::size_t close = s.find('}');
        if (close == std::string_view::npos) return std::nullopt;
        if (!parseSecurity(s.substr(1, close - 1), m)) return std::nullopt;
        s.remove_prefix(close + 1);
        settings = true;
    }
    if (!s.empty() && s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view item = ascii::trim(s.substr(1, close - 1));
        if (!ascii::istartsWith(item, "locale=")) return std::nullopt;
        m.locale = std::string(ascii::trim(item.substr(7)));
        s.remove_prefix(close + 1);
        settings = true;
    }
    if (!s.empty() && s.front() == '!') {
        s.remove_prefix(1);
    } else if (settings && !s.empty()) {
        return std::nullopt;  // settings and path are separated by "!"
    }

    std::string path(s);
    for (char& c : path)
        if (c == '/') c = '\\';
    if (const std::size_t colon = path.find(':'); colon != std::string::npos) {
        m.objectPath = path.substr(colon + 1);
        if (m.objectPath.empty()) return std::nullopt;
        path.erase(colon);
    }
    if (path.rfind("\\\\", 0) == 0) {
        const std::size_t slash = path.find('\\', 2);
        m.server = path.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (m.server.empty()) return std::nullopt;
        path = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    } else if (!path.empty() && path.front() == '\\') {
        path.erase(0, 1);
    }
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (!path.empty()) {
        if (path.find("\\\\") != std::string::npos) return std::nullopt;
        m.nameSpace = path;
    }
    return m;
}

}  // namespace tq::win
