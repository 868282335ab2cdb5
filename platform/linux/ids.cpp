#include "platform/linux/ids.h"

#include <cstdio>
#include <mutex>
#include <sys/stat.h>
#include <cstring>

#include "platform/linux/sysfs.h"
#include "platform/posix/regular.h"

namespace tq::linuxprov {

namespace {
std::optional<std::uint16_t> hex4(std::string_view s) {
    if (s.size() < 4) return std::nullopt;
    auto v = parseNumber(s.substr(0, 4), 16);
    if (!v) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}
}  // namespace

void IdNames::feed(std::string_view line) {
    if (done_ || line.empty() || line[0] == '#') return;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line[0] == '\t') {
        // "\tdddd  name"; subsystem lines ("\t\t...") are not needed.
        if (!inWanted_ || line.size() < 2 || line[1] == '\t') return;
        auto d = hex4(line.substr(1));
        if (!d || line.size() < 7) return;
        std::uint32_t key = (static_cast<std::uint32_t>(current_) << 16) | *d;
        if (wantedDevices_ && !wantedDevices_->count(key)) return;
        devices_[key] = cleanText(trim(line.substr(5)));
        return;
    }
    // A vendor line "vvvv  name"; lines of the class and other lists that
    // follow the vendors ("C 03  ...", "HID ...") end the vendor part.
    auto v = hex4(line);
    if (!v || line.size() < 6 || (line[4] != ' ' && line[4] != '\t')) {
        inWanted_ = false;
        if (line.size() > 1 && line[1] == ' ') done_ = true;
        return;
    }
    if (current_ > *v) {  // out of order: the early stop would not be safe
        lastWanted_ = 0xFFFF;
    }
    current_ = *v;
    if (*v > lastWanted_) {
        done_ = true;
        return;
    }
    inWanted_ = wanted_ && wanted_->count(*v);
    if (inWanted_) vendors_[*v] = cleanText(trim(line.substr(4)));
}

IdNames IdNames::parse(std::string_view text, const std::set<std::uint16_t>& vendors,
                       const std::set<std::uint32_t>* devices) {
    IdNames n;
    n.wanted_ = &vendors;
    n.wantedDevices_ = devices;
    for (const auto& l : split(text, '\n')) n.feed(l);
    n.wanted_ = nullptr;
    n.wantedDevices_ = nullptr;
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
    IdNames n;
    // Only a regular file: a FIFO or device in a recorded tree is no database.
    const int fd = posix::openRegular(path.c_str(), false);
    std::FILE* f = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (!f) {
        if (fd >= 0) ::close(fd);
        return n;
    }
    n.wanted_ = &vendors;
    n.wantedDevices_ = devices;
    n.lastWanted_ = *vendors.rbegin();
    static constexpr std::size_t kChunk = 64 * 1024;
    std::string buf;
    buf.reserve(kChunk * 2);
    char chunk[kChunk];
    std::size_t got;
    while (!n.done_ && (got = std::fread(chunk, 1, kChunk, f)) > 0) {
        buf.append(chunk, got);
        std::size_t start = 0;
        while (!n.done_) {
            const void* nl = std::memchr(buf.data() + start, '\n', buf.size() - start);
            if (!nl) break;
            std::size_t end = static_cast<std::size_t>(static_cast<const char*>(nl) - buf.data());
            n.feed(std::string_view(buf).substr(start, end - start));
            start = end + 1;
        }
        buf.erase(0, start);
        if (buf.size() > kChunk) buf.clear();  // an absurdly long line is dropped
    }
    if (!n.done_ && !buf.empty()) n.feed(buf);
    std::fclose(f);
    n.wanted_ = nullptr;
    n.wantedDevices_ = nullptr;
    return n;
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
    static const char* suffixes[] = {" Corporation", " Corp.", " Corp", ", Inc.", " Inc.", " Inc", ", Ltd.",
                                     " Co., Ltd.", " Co., Ltd", " Co.,Ltd.", " Co.", " Ltd.", " Ltd", " GmbH",
                                     " AG", " S.A.", " B.V.", " Limited", ","};
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
