// Vendor and device names from the pci.ids and usb.ids databases. The file
// is streamed once and only the vendors asked for are kept, so a lookup
// costs one pass and little memory.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tq::linuxprov {

class IdNames {
public:
    // Reads `text` (the whole database) keeping the given vendors.
    static IdNames parse(std::string_view text, const std::set<std::uint16_t>& vendors);
    // Streams the file at `path`; an unreadable file gives no names.
    static IdNames load(const std::string& path, const std::set<std::uint16_t>& vendors);

    std::optional<std::string> vendor(std::uint16_t v) const;
    std::optional<std::string> device(std::uint16_t v, std::uint16_t d) const;

private:
    void feed(std::string_view line);

    const std::set<std::uint16_t>* wanted_ = nullptr;
    bool inWanted_ = false;
    bool done_ = false;
    std::uint16_t current_ = 0;
    std::map<std::uint16_t, std::string> vendors_;
    std::map<std::uint32_t, std::string> devices_;
};

// Vendor names as Windows shows manufacturers: without the legal suffix
// ("Intel Corporation" -> "Intel").
std::string shortVendor(std::string_view name);

}  // namespace tq::linuxprov
