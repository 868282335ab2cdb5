#include "platform/linux/ids.h"

#include <cstdio>

#include "platform/linux/sysfs.h"

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
        devices_[(static_cast<std::uint32_t>(current_) << 16) | *d] = cleanText(trim(line.substr(5)));
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
    current_ = *v;
    inWanted_ = wanted_ && wanted_->count(*v);
    if (inWanted_) vendors_[*v] = cleanText(trim(line.substr(4)));
}

IdNames IdNames::parse(std::string_view text, const std::set<std::uint16_t>& vendors) {
    IdNames n;
    n.wanted_ = &vendors;
    for (const auto& l : split(text, '\n')) n.feed(l);
    n.wanted_ = nullptr;
    return n;
}

IdNames IdNames::load(const std::string& path, const std::set<std::uint16_t>& vendors) {
    IdNames n;
    if (vendors.empty()) return n;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return n;
    n.wanted_ = &vendors;
    char buf[1024];
    std::string pending;
    while (std::fgets(buf, sizeof buf, f)) {
        std::string_view piece(buf);
        if (!piece.empty() && piece.back() == '\n') {
            piece.remove_suffix(1);
            if (pending.empty()) {
                n.feed(piece);
            } else {
                pending.append(piece);
                n.feed(pending);
                pending.clear();
            }
        } else if (pending.size() < 4096) {
            pending.append(piece);  // a line longer than the buffer
        }
        if (n.done_) break;
    }
    if (!pending.empty()) n.feed(pending);
    std::fclose(f);
    n.wanted_ = nullptr;
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
