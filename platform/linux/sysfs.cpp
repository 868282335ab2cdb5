#include "platform/linux/sysfs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/regular.h"
#include "wmi/cimdate.h"

namespace fs = std::filesystem;

namespace tq::linuxprov {

// ---- Fs ----

Fs::Fs(std::string root) : root_(std::move(root)) {
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    if (root_.empty()) root_.assign(1, '/');
    live_ = root_ == "/";
}

namespace {
constexpr int kMaxLinks = 40;  // as the kernel allows in one lookup

std::vector<std::string> components(std::string_view p) {
    std::vector<std::string> out;
    for (auto& c : split(p, '/'))
        if (!c.empty() && c != ".") out.push_back(std::move(c));
    return out;
}
}  // namespace

std::string Fs::path(std::string_view rel, bool followLast) const {
    if (live_) return std::string(rel);
    // Components still to walk, last first; `done` holds the resolved ones.
    std::vector<std::string> todo = components(rel);
    std::reverse(todo.begin(), todo.end());
    std::vector<std::string> done;
    std::string cur = root_ == "/" ? "" : root_;
    int links = 0;
    bool missing = false;
    auto rebuild = [&] {
        cur = root_ == "/" ? "" : root_;
        for (const auto& d : done) cur += "/" + d;
    };
    while (!todo.empty()) {
        std::string c = std::move(todo.back());
        todo.pop_back();
        if (c == "..") {
            if (!done.empty()) done.pop_back();
            rebuild();
            continue;
        }
        const std::string next = cur + "/" + c;
        struct stat st;
        const bool found = !missing && ::lstat(next.c_str(), &st) == 0;
        if (!found || !S_ISLNK(st.st_mode) || (todo.empty() && !followLast)) {
            // Past a missing component nothing more resolves; the rest is taken as written.
            missing = !found;
            done.push_back(std::move(c));
            cur = next;
            continue;
        }
        if (++links > kMaxLinks) return root_ + "/\x01loop";  // names nothing
        char target[4096];
        const ssize_t n = ::readlink(next.c_str(), target, sizeof target - 1);
        if (n <= 0) return root_ + "/\x01loop";
        const std::string_view t(target, static_cast<std::size_t>(n));
        if (t.front() == '/') {
            done.clear();
            rebuild();
        }
        auto more = components(t);
        for (auto it = more.rbegin(); it != more.rend(); ++it) todo.push_back(std::move(*it));
    }
    return cur.empty() ? "/" : cur;
}

namespace {
// Larger files (the package database) are read once anyway and not kept.
constexpr std::size_t kKeptBytes = 1u << 20;
}  // namespace

std::optional<std::string> Fs::read(std::string_view rel, std::size_t limit) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = reads_.find(rel);
    if (it != reads_.end()) {
        const Read& r = it->second;
        // Kept bytes answer a limit up to the one they were read with, or
        // any limit when the whole file fit.
        if (!r.bytes) return std::nullopt;
        if (limit <= r.limit || r.bytes->size() < r.limit)
            return r.bytes->size() <= limit ? *r.bytes : r.bytes->substr(0, limit);
    }
    auto bytes = readFile(rel, limit);
    if (!bytes || bytes->size() <= kKeptBytes) {
        Read& r = reads_[std::string(rel)];
        r.limit = limit;
        r.bytes = bytes;
    }
    return bytes;
}

std::optional<std::string> Fs::readFile(std::string_view rel, std::size_t limit) const {
    // Never blocks on a FIFO or device; a sysfs attribute is a regular file.
    const int fd = posix::openRegular(path(rel).c_str(), !live_);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buf[4096];
    bool failed = false;
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buf, limit - out.size());
        const ssize_t got = ::read(fd, buf, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        out.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd);
    // sysfs attributes that the kernel refuses to show fail on read.
    if (failed && out.empty()) return std::nullopt;
    return out;
}

std::string Fs::line(std::string_view rel) const {
    auto t = read(rel, 4096);
    if (!t) return {};
    auto nl = t->find('\n');
    return trim(std::string_view(*t).substr(0, nl));
}

std::optional<std::uint64_t> Fs::number(std::string_view rel, int base) const {
    std::string l = line(rel);
    if (l.empty()) return std::nullopt;
    return parseNumber(l, base);
}

bool Fs::exists(std::string_view rel) const {
    struct stat st;
    return ::stat(path(rel).c_str(), &st) == 0;
}

std::optional<std::int64_t> Fs::modified(std::string_view rel) const {
    struct stat st;
    if (::stat(path(rel).c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtime);
}

std::vector<std::string> Fs::list(std::string_view rel) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (auto it = lists_.find(rel); it != lists_.end()) return it->second;
    std::vector<std::string> out;
    std::error_code ec;
    fs::directory_iterator it(path(rel), ec), end;
    for (; !ec && it != end; it.increment(ec)) out.push_back(it->path().filename().string());
    std::sort(out.begin(), out.end());
    lists_.emplace(std::string(rel), out);
    return out;
}

std::optional<std::string> Fs::link(std::string_view rel) const {
    std::error_code ec;
    auto t = fs::read_symlink(path(rel, false), ec);
    if (ec) return std::nullopt;
    return t.string();
}

std::string Fs::linkName(std::string_view rel) const {
    auto t = link(rel);
    return t ? baseName(*t) : std::string();
}

std::optional<std::string> Fs::resolve(std::string_view rel) const {
    if (live_) {
        std::error_code ec;
        fs::path p = fs::canonical(std::string(rel), ec);
        if (ec) return std::nullopt;
        return p.string();
    }
    const std::string host = path(rel);
    struct stat st;
    if (::stat(host.c_str(), &st) != 0) return std::nullopt;
    if (host == root_) return std::string("/");
    return host.substr(root_.size());
}

// ---- text helpers ----

std::string trim(std::string_view s) { return std::string(ascii::trim(s, std::string_view(" \t\n\r\0", 5))); }

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::vector<std::string> split(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        auto pos = s.find(sep, start);
        out.emplace_back(s.substr(start, pos == std::string_view::npos ? std::string_view::npos : pos - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return out;
}

std::string hex(std::uint64_t v, int width, bool upperCase) {
    static const char* digitsU = "0123456789ABCDEF";
    static const char* digitsL = "0123456789abcdef";
    const char* d = upperCase ? digitsU : digitsL;
    std::string r;
    do {
        r.insert(r.begin(), d[v & 0xF]);
        v >>= 4;
    } while (v);
    while (static_cast<int>(r.size()) < width) r.insert(r.begin(), '0');
    return r;
}

std::optional<std::uint64_t> parseNumber(std::string_view s, int base) {
    std::string t = trim(s);
    std::string_view v = t;
    if (base == 0) {
        if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
            base = 16;
            v.remove_prefix(2);
        } else {
            base = 10;
        }
    } else if (base == 16 && v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        v.remove_prefix(2);
    }
    if (v.empty() || v.size() > 20) return std::nullopt;
    std::uint64_t r = 0;
    for (char c : v) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        if (d >= base) return std::nullopt;
        if (r > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) return std::nullopt;
        r = r * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    return r;
}

std::string baseName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    auto p = path.rfind('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string dirName(std::string_view path) {
    auto p = path.rfind('/');
    if (p == std::string_view::npos) return {};
    if (p == 0) return "/";
    return std::string(path.substr(0, p));
}

std::string cleanText(std::string_view b) {
    std::string out;
    out.reserve(b.size());
    std::size_t i = 0;
    while (i < b.size()) {
        auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x20 || c == 0x7F) {
            ++i;
            continue;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence passes whole.
        int n = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = n > 0 && i + n <= b.size() && c >= 0xC2 && c <= 0xF4;
        for (int k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(b[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(b.substr(i, n));
            i += n;
            continue;
        }
        if (c < 0xA0) {  // C1 controls
            ++i;
            continue;
        }
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        ++i;
    }
    return out;
}

// ---- formats ----

std::map<std::string, std::string> parseAssignments(std::string_view text) {
    std::map<std::string, std::string> out;
    for (const auto& raw : split(text, '\n')) {
        std::string l = trim(raw);
        if (l.empty() || l[0] == '#') continue;
        if (startsWith(l, "export ")) l = trim(std::string_view(l).substr(7));
        auto eq = l.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string key = trim(std::string_view(l).substr(0, eq));
        bool keyOk = std::all_of(key.begin(), key.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
        if (!keyOk) continue;
        std::string v = trim(std::string_view(l).substr(eq + 1));
        if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
            char q = v[0];
            std::string u;
            for (std::size_t i = 1; i + 1 < v.size(); ++i) {
                if (q == '"' && v[i] == '\\' && i + 2 < v.size()) ++i;
                u.push_back(v[i]);
            }
            v = u;
        } else if (!v.empty() && (v[0] == '"' || v[0] == '\'')) {
            continue;  // unterminated quote
        }
        out[key] = cleanText(v);
    }
    return out;
}

std::vector<std::map<std::string, std::string>> parseCpuinfo(std::string_view text) {
    std::vector<std::map<std::string, std::string>> out;
    std::map<std::string, std::string> cur;
    for (const auto& raw : split(text, '\n')) {
        if (trim(raw).empty()) {
            if (!cur.empty()) out.push_back(std::move(cur));
            cur.clear();
            continue;
        }
        auto colon = raw.find(':');
        if (colon == std::string::npos) continue;
        std::string key = trim(std::string_view(raw).substr(0, colon));
        if (key.empty()) continue;
        // A new "processor" line starts a new block even without a blank line.
        if (key == "processor" && cur.count("processor")) {
            out.push_back(std::move(cur));
            cur.clear();
        }
        cur[key] = cleanText(trim(std::string_view(raw).substr(colon + 1)));
    }
    if (!cur.empty()) out.push_back(std::move(cur));
    // Blocks that describe no processor (ARM's trailing "Hardware" block) go.
    out.erase(std::remove_if(out.begin(), out.end(), [](const auto& m) { return !m.count("processor"); }), out.end());
    return out;
}

namespace {
std::string unescapeOctal(std::string_view s) {
    auto isOct = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && isOct(s[i + 1]) && isOct(s[i + 2]) && isOct(s[i + 3])) {
            int v = (s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0');
            out.push_back(static_cast<char>(v & 0xFF));
            i += 3;
            continue;
        }
        out.push_back(s[i]);
    }
    return out;
}
}  // namespace

std::vector<Mount> parseMountinfo(std::string_view text) {
    std::vector<Mount> out;
    for (const auto& line : split(text, '\n')) {
        auto f = split(line, ' ');
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        if (f.size() < 10) continue;
        auto dash = std::find(f.begin() + 6, f.end(), "-");
        if (dash == f.end() || dash + 2 >= f.end()) continue;
        auto mm = split(f[2], ':');
        if (mm.size() != 2) continue;
        auto ma = parseNumber(mm[0], 10), mi = parseNumber(mm[1], 10);
        if (!ma || !mi || *ma > 0xFFFFFFFFu || *mi > 0xFFFFFFFFu) continue;
        Mount m;
        m.major = static_cast<unsigned>(*ma);
        m.minor = static_cast<unsigned>(*mi);
        m.root = unescapeOctal(f[3]);
        m.mountPoint = unescapeOctal(f[4]);
        m.fsType = *(dash + 1);
        m.source = unescapeOctal(*(dash + 2));
        out.push_back(std::move(m));
    }
    return out;
}

std::optional<AtaIdentity> parseAtaIdentify(std::string_view text) {
    std::vector<std::uint16_t> w;
    std::string cur;
    auto flush = [&]() -> bool {
        if (cur.empty()) return true;
        auto v = parseNumber(cur, 16);
        cur.clear();
        if (!v || *v > 0xFFFF) return false;
        w.push_back(static_cast<std::uint16_t>(*v));
        return true;
    };
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            if (!flush()) return std::nullopt;
            if (w.size() >= 256) break;
        } else {
            if (cur.size() >= 4) return std::nullopt;
            cur.push_back(c);
        }
    }
    if (!flush()) return std::nullopt;
    if (w.size() < 47) return std::nullopt;
    auto str = [&](std::size_t from, std::size_t to) {
        std::string s;
        for (std::size_t i = from; i <= to; ++i) {
            s.push_back(static_cast<char>(w[i] >> 8));
            s.push_back(static_cast<char>(w[i] & 0xFF));
        }
        return trim(cleanText(s));
    };
    AtaIdentity id;
    id.serial = str(10, 19);
    id.firmware = str(23, 26);
    id.model = str(27, 46);
    id.atapi = (w[0] & 0xC000) == 0x8000;
    if (id.model.empty()) return std::nullopt;
    return id;
}

namespace {
int monthOf(std::string_view t) {
    static const std::array<const char*, 12> names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i)
        if (t == names[static_cast<std::size_t>(i)]) return i + 1;
    return 0;
}
bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}
// Written with the zone "-000", as drivers' dates always were.
std::string cimDate(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return cimdate::format({y, m, d, hh, mm, ss}, "-000");
}
bool validDate(int y, int m, int d) { return y >= 1970 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= 31; }
}  // namespace

std::optional<std::string> kernelBuildDate(std::string_view v) {
    // Debian's form: "(YYYY-MM-DD)".
    for (std::size_t p = v.find('('); p != std::string_view::npos; p = v.find('(', p + 1)) {
        auto s = v.substr(p + 1);
        if (s.size() >= 11 && s[10] == ')' && s[4] == '-' && s[7] == '-' && allDigits(s.substr(0, 4)) &&
            allDigits(s.substr(5, 2)) && allDigits(s.substr(8, 2))) {
            int y = std::stoi(std::string(s.substr(0, 4))), m = std::stoi(std::string(s.substr(5, 2))),
                d = std::stoi(std::string(s.substr(8, 2)));
            if (validDate(y, m, d)) return cimDate(y, m, d);
        }
    }
    // The build stamp: "Mon DD HH:MM:SS [TZ] YYYY".
    std::vector<std::string> t;
    for (auto& x : split(v, ' '))
        if (!x.empty()) t.push_back(trim(x));
    for (std::size_t i = 0; i + 3 < t.size(); ++i) {
        int m = monthOf(t[i]);
        if (!m || !allDigits(t[i + 1]) || t[i + 1].size() > 2) continue;
        const std::string& tm = t[i + 2];
        if (tm.size() != 8 || tm[2] != ':' || tm[5] != ':' || !allDigits(tm.substr(0, 2)) ||
            !allDigits(tm.substr(3, 2)) || !allDigits(tm.substr(6, 2)))
            continue;
        for (std::size_t k = i + 3; k < t.size() && k <= i + 4; ++k) {
            if (t[k].size() == 4 && allDigits(t[k])) {
                int y = std::stoi(t[k]), d = std::stoi(t[i + 1]);
                if (validDate(y, m, d))
                    return cimDate(y, m, d, std::stoi(tm.substr(0, 2)), std::stoi(tm.substr(3, 2)),
                                   std::stoi(tm.substr(6, 2)));
            }
        }
    }
    return std::nullopt;
}

KeyboardConfig parseKeyboardConfig(std::string_view text) {
    KeyboardConfig k;
    auto a = parseAssignments(text);
    auto first = [](const std::string& s) { return trim(split(s, ',')[0]); };
    if (a.count("XKBLAYOUT")) {
        k.layout = first(a["XKBLAYOUT"]);
        if (a.count("XKBVARIANT")) k.variant = first(a["XKBVARIANT"]);
    } else if (a.count("KEYMAP")) {
        // vconsole keymaps: "de-latin1-nodeadkeys", "us", "fr-latin9"...
        std::string km = a["KEYMAP"];
        auto dash = km.find('-');
        k.layout = km.substr(0, dash);
    }
    if (k.layout.empty()) {
        // xorg.conf.d: Option "XkbLayout" "de"
        for (const auto& l : split(text, '\n')) {
            auto p = lower(l).find("\"xkblayout\"");
            if (p == std::string::npos) continue;
            auto q1 = l.find('"', p + 11);
            auto q2 = q1 == std::string::npos ? q1 : l.find('"', q1 + 1);
            if (q2 != std::string::npos) k.layout = first(l.substr(q1 + 1, q2 - q1 - 1));
        }
    }
    return k;
}

std::optional<std::string> windowsLayoutId(std::string_view layout, std::string_view variant) {
    struct Entry {
        const char* xkb;
        const char* variant;  // nullptr: any
        const char* klid;
    };
    static const Entry table[] = {
        {"us", "intl", "00020409"},  {"us", "dvorak", "00010409"}, {"us", nullptr, "00000409"},
        {"gb", nullptr, "00000809"}, {"uk", nullptr, "00000809"},  {"ie", nullptr, "00001809"},
        {"de", nullptr, "00000407"}, {"at", nullptr, "00000407"},  {"ch", "fr", "0000100C"},
        {"ch", nullptr, "00000807"}, {"fr", nullptr, "0000040C"},  {"be", nullptr, "0000080C"},
        {"ca", nullptr, "00001009"}, {"es", nullptr, "0000040A"},  {"latam", nullptr, "0000080A"},
        {"it", nullptr, "00000410"}, {"nl", nullptr, "00000413"},  {"pt", nullptr, "00000816"},
        {"br", nullptr, "00000416"}, {"se", nullptr, "0000041D"},  {"no", nullptr, "00000414"},
        {"dk", nullptr, "00000406"}, {"fi", nullptr, "0000040B"},  {"is", nullptr, "0000040F"},
        {"pl", nullptr, "00000415"}, {"cz", nullptr, "00000405"},  {"sk", nullptr, "0000041B"},
        {"hu", nullptr, "0000040E"}, {"si", nullptr, "00000424"},  {"hr", nullptr, "0000041A"},
        {"ro", nullptr, "00010418"}, {"bg", nullptr, "00000402"},  {"gr", nullptr, "00000408"},
        {"tr", nullptr, "0000041F"}, {"ru", nullptr, "00000419"},  {"ua", nullptr, "00000422"},
        {"by", nullptr, "00000423"}, {"ee", nullptr, "00000425"},  {"lv", nullptr, "00000426"},
        {"lt", nullptr, "00010427"}, {"il", nullptr, "0000040D"},  {"ara", nullptr, "00000401"},
        {"jp", nullptr, "00000411"}, {"kr", nullptr, "00000412"},  {"cn", nullptr, "00000804"},
        {"tw", nullptr, "00000404"}, {"th", nullptr, "0000041E"},  {"in", nullptr, "00004009"},
    };
    std::string l = lower(trim(layout)), v = lower(trim(variant));
    for (const auto& e : table) {
        if (l != e.xkb) continue;
        if (e.variant && v != e.variant) continue;
        return std::string(e.klid);
    }
    return std::nullopt;
}

std::optional<std::string> countryCodeForLocale(std::string_view locale) {
    struct Entry {
        const char* territory;
        const char* code;
    };
    static const Entry table[] = {
        {"US", "1"},   {"CA", "2"},  {"GB", "44"},  {"DE", "49"},  {"AT", "43"},  {"CH", "41"},  {"FR", "33"},
        {"BE", "32"},  {"NL", "31"}, {"LU", "352"}, {"IT", "39"},  {"ES", "34"},  {"PT", "351"}, {"SE", "46"},
        {"NO", "47"},  {"DK", "45"}, {"FI", "358"}, {"IS", "354"}, {"IE", "353"}, {"PL", "48"},  {"CZ", "420"},
        {"SK", "421"}, {"HU", "36"}, {"SI", "386"}, {"HR", "385"}, {"RO", "40"},  {"BG", "359"}, {"GR", "30"},
        {"TR", "90"},  {"RU", "7"},  {"UA", "380"}, {"EE", "372"}, {"LV", "371"}, {"LT", "370"}, {"IL", "972"},
        {"JP", "81"},  {"KR", "82"}, {"CN", "86"},  {"TW", "886"}, {"IN", "91"},  {"AU", "61"},  {"NZ", "64"},
        {"BR", "55"},  {"MX", "52"}, {"AR", "54"},  {"ZA", "27"},
    };
    auto us = locale.find('_');
    if (us == std::string_view::npos) return std::nullopt;
    auto t = locale.substr(us + 1, 2);
    for (const auto& e : table)
        if (t == e.territory) return std::string(e.code);
    return std::nullopt;
}

std::optional<CodecInfo> parseAsoundCodec(std::string_view text) {
    CodecInfo c;
    bool haveVendor = false, haveAfg = false;
    for (const auto& raw : split(text, '\n')) {
        // Only the codec's own header lines, not the node listing.
        if (startsWith(raw, "Node ")) break;
        auto colon = raw.find(':');
        if (colon == std::string::npos) continue;
        std::string key = trim(std::string_view(raw).substr(0, colon));
        std::string val = trim(std::string_view(raw).substr(colon + 1));
        auto num = [&](std::string_view s) { return parseNumber(split(s, ' ')[0], 0); };
        if (key == "Codec") c.name = cleanText(val);
        else if (key == "Address") {
            if (auto n = num(val); n && *n < 16) c.address = static_cast<unsigned>(*n);
        } else if (key == "Vendor Id") {
            if (auto n = num(val); n && *n <= 0xFFFFFFFFu) {
                c.vendorId = static_cast<std::uint32_t>(*n);
                haveVendor = true;
            }
        } else if (key == "Subsystem Id") {
            if (auto n = num(val); n && *n <= 0xFFFFFFFFu) c.subsystemId = static_cast<std::uint32_t>(*n);
        } else if (key == "Revision Id") {
            if (auto n = num(val); n && *n <= 0xFFFFFFFFu) c.revisionId = static_cast<std::uint32_t>(*n);
        } else if (key == "AFG Function Id") {
            haveAfg = true;
        } else if (key == "MFG Function Id" && !haveAfg) {
            c.modem = true;
        }
    }
    if (!haveVendor) return std::nullopt;
    return c;
}

std::uint32_t stableHash(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

}  // namespace tq::linuxprov
