#include "platform/linux/ids.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/linux/sysfs.h"
#include "platform/posix/regular.h"

namespace tq::linuxprov {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits at the start of `s`.
std::optional<std::uint16_t> hex4(std::string_view s) {
    if (s.size() < 4) return std::nullopt;
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = hexDigit(s[static_cast<std::size_t>(i)]);
        if (d < 0) return std::nullopt;
        v = v << 4 | static_cast<unsigned>(d);
    }
    return static_cast<std::uint16_t>(v);
}

// The line that starts at `pos`, without its line end.
std::string_view lineAt(std::string_view t, std::size_t pos) {
    std::string_view l = t.substr(pos);
    const void* nl = std::memchr(l.data(), '\n', l.size());
    if (nl) l = l.substr(0, static_cast<std::size_t>(static_cast<const char*>(nl) - l.data()));
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    return l;
}

// The first line start at or after `from` (and before `end`) whose first
// byte is not `skip0`, '#' or a line end when `tabs` is 0 (vendor lines and
// the lists after them), or is a tab followed by anything but a tab when
// `tabs` is 1 (device lines). Comment and blank lines are passed over.
// Sixteen bytes are looked at per step where the processor allows.
std::size_t nextLine(std::string_view t, std::size_t from, std::size_t end, int tabs) {
    const char* p = t.data();
    end = std::min(end, t.size());
    auto isStart = [&](std::size_t i) {
        const char c = p[i];
        if (tabs == 0) return c != '\t' && c != '#' && c != '\n';
        return c == '\t' && i + 1 < end && p[i + 1] != '\t';
    };
    if (from == 0) {
        if (end > 0 && isStart(0)) return 0;
        from = 1;
    }
    std::size_t j = from - 1;  // j: the line end before the start
#if defined(__SSE2__)
    const __m128i nl = _mm_set1_epi8('\n'), tab = _mm_set1_epi8('\t');
    while (j + 18 <= end) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 1));
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, nl)));
        const unsigned tb = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, tab)));
        if (tabs == 0) {
            m &= ~tb;
        } else {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 2));
            m &= tb & ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c, tab)));
        }
        while (m) {
            const std::size_t i = j + static_cast<std::size_t>(__builtin_ctz(m)) + 1;
            if (i >= from && isStart(i)) return i;
            m &= m - 1;
        }
        j += 16;
    }
#endif
    for (; j + 1 < end; ++j)
        if (p[j] == '\n' && j + 1 >= from && isStart(j + 1)) return j + 1;
    return std::string_view::npos;
}

// The number a vendor (`tabs` 0) or device line (`tabs` 1) begins with;
// above 0xFFFF for the lists after the vendors and for lines of no number.
std::uint32_t lineKey(std::string_view t, std::size_t pos, int tabs) {
    const std::string_view l = lineAt(t, pos);
    const auto id = hex4(l.substr(static_cast<std::size_t>(tabs)));
    const std::size_t at = static_cast<std::size_t>(tabs) + 4;
    if (!id || l.size() < at + 2 || (l[at] != ' ' && l[at] != '\t')) return 0x10000u;
    return *id;
}

// The first line of the level `tabs` in [lo, hi) whose number is at least
// `key` (or `hi` when there is none), and the line of that level after it
// (or `hi`). The lines are sorted by number, so the range is halved until it
// is short, looking only at the line that follows each halving point.
std::pair<std::size_t, std::size_t> lowerBound(std::string_view t, std::size_t lo, std::size_t hi, int tabs,
                                               std::uint32_t key) {
    constexpr std::size_t kShort = 2048;
    const std::size_t end = hi;
    std::size_t found = hi;  // the first line at or above `key` seen beyond `hi`
    while (hi - lo > kShort) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const std::size_t at = nextLine(t, mid, hi, tabs);
        if (at == std::string_view::npos) {
            hi = mid;
        } else if (lineKey(t, at, tabs) >= key) {
            found = at;  // no line of the level starts in [mid, at)
            hi = mid;
        } else {
            lo = at + 1;
        }
    }
    for (std::size_t at = nextLine(t, lo, hi, tabs); at != std::string_view::npos; at = nextLine(t, at + 1, hi, tabs))
        if (lineKey(t, at, tabs) >= key) {
            const std::size_t next = nextLine(t, at + 1, hi, tabs);
            return {at, next == std::string_view::npos ? found : next};
        }
    if (found == end) return {end, end};
    const std::size_t next = nextLine(t, found + 1, end, tabs);
    return {found, next == std::string_view::npos ? end : next};
}

// The largest database read (the real ones are a few megabytes).
constexpr std::size_t kMaxDatabase = 64u << 20;

}  // namespace

IdNames IdNames::parse(std::string_view text, const std::set<std::uint16_t>& vendors,
                       const std::set<std::uint32_t>* devices) {
    IdNames n;
    const std::size_t size = text.size();
    for (const std::uint16_t v : vendors) {
        // The vendor's line, and its devices up to the next vendor or list.
        const auto [at, end] = lowerBound(text, 0, size, 0, v);
        if (at == size || lineKey(text, at, 0) != v) continue;
        n.vendors_[v] = cleanText(trim(lineAt(text, at).substr(4)));
        auto keep = [&](std::size_t line) {
            const std::uint32_t key = (static_cast<std::uint32_t>(v) << 16) | lineKey(text, line, 1);
            n.devices_[key] = cleanText(trim(lineAt(text, line).substr(5)));
        };
        if (!devices) {
            for (std::size_t d = nextLine(text, at + 1, end, 1); d != std::string_view::npos;
                 d = nextLine(text, d + 1, end, 1))
                if (lineKey(text, d, 1) <= 0xFFFF) keep(d);
            continue;
        }
        for (auto it = devices->lower_bound(static_cast<std::uint32_t>(v) << 16);
             it != devices->end() && (*it >> 16) == v; ++it) {
            const std::size_t d = lowerBound(text, at + 1, end, 1, *it & 0xFFFF).first;
            if (d < end && lineKey(text, d, 1) == (*it & 0xFFFF)) keep(d);
        }
    }
    return n;
}

namespace {
// The databases are installed files, not machine state: the names last read
// from one are kept while the file and the request stay the same, so that
// the many binds of one report do not stream the file each time.
struct LoadCache {
    std::mutex lock;
    std::string path;
    std::int64_t mtime = 0, size = -1;
    std::set<std::uint16_t> vendors;
    std::set<std::uint32_t> devices;
    bool allDevices = false;
    std::optional<IdNames> names;
};
LoadCache& loadCache() {
    static LoadCache c;
    return c;
}
}  // namespace

IdNames IdNames::load(const std::string& path, const std::set<std::uint16_t>& vendors,
                      const std::set<std::uint32_t>* devices) {
    IdNames n;
    if (vendors.empty()) return n;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return n;
    LoadCache& cache = loadCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.names && cache.path == path && cache.mtime == static_cast<std::int64_t>(st.st_mtime) &&
        cache.size == static_cast<std::int64_t>(st.st_size) && cache.vendors == vendors &&
        cache.allDevices == (devices == nullptr) && (!devices || cache.devices == *devices))
        return *cache.names;
    n = loadFile(path, vendors, devices);
    cache.path = path;
    cache.mtime = static_cast<std::int64_t>(st.st_mtime);
    cache.size = static_cast<std::int64_t>(st.st_size);
    cache.vendors = vendors;
    cache.allDevices = devices == nullptr;
    cache.devices = devices ? *devices : std::set<std::uint32_t>{};
    cache.names = n;
    return n;
}

IdNames IdNames::loadFile(const std::string& path, const std::set<std::uint16_t>& vendors,
                          const std::set<std::uint32_t>* devices) {
    // Only a regular file: a FIFO or device in a recorded tree is no database.
    struct stat st {};
    const int fd = posix::openRegular(path.c_str(), false, &st);
    if (fd < 0) return {};
    // Read whole (but bounded), without clearing the buffer first: only the
    // lines the search lands on are looked at.
    const std::size_t want = static_cast<std::size_t>(std::clamp<off_t>(st.st_size, 0, kMaxDatabase));
    std::unique_ptr<char[]> text(new char[want + 1]);
    std::size_t got = 0;
    while (got < want) {
        const ssize_t r = ::read(fd, text.get() + got, want - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    // A file that shrank meanwhile is taken as far as it goes.
    return parse(std::string_view(text.get(), got), vendors, devices);
}

std::optional<std::string> IdNames::vendor(std::uint16_t v) const {
    auto it = vendors_.find(v);
    if (it == vendors_.end() || it->second.empty()) return std::nullopt;
    return it->second;
}

std::optional<std::string> IdNames::device(std::uint16_t v, std::uint16_t d) const {
    auto it = devices_.find((static_cast<std::uint32_t>(v) << 16) | d);
    if (it == devices_.end() || it->second.empty()) return std::nullopt;
    return it->second;
}

std::string shortVendor(std::string_view name) {
    std::string s = trim(name);
    static const char* suffixes[] = {" Corporation", " Corp.",    " Corp",     ", Inc.",   " Inc.", " Inc", ", Ltd.",
                                     " Co., Ltd.",   " Co., Ltd", " Co.,Ltd.", " Co.",     " Ltd.", " Ltd", " GmbH",
                                     " AG",          " S.A.",     " B.V.",     " Limited", ","};
    bool changed = true;
    while (changed) {
        changed = false;
        for (const char* suf : suffixes) {
            std::string_view sv(suf);
            if (s.size() > sv.size() && s.compare(s.size() - sv.size(), sv.size(), sv) == 0) {
                s = trim(std::string_view(s).substr(0, s.size() - sv.size()));
                changed = true;
            }
        }
    }
    // "Advanced Micro Devices, Inc. [AMD]" keeps its full name; brackets stay.
    return s;
}

}  // namespace tq::linuxprov
