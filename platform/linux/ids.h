// Vendor and device names from the pci.ids and usb.ids databases. Only the
// vendors asked for are read: the other lines are skipped by their first
// bytes alone, many at a time, and reading stops after the last vendor
// asked for (the databases list vendors in ascending order).
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
    // Reads `text` (the whole database) keeping the given vendors and, when
    // `devices` is given, only those devices (vendor << 16 | device).
    static IdNames parse(std::string_view text, const std::set<std::uint16_t>& vendors,
                         const std::set<std::uint32_t>* devices = nullptr);
    // Reads the file at `path` (a regular file, up to a bound); an
    // unreadable file gives no names.
    static IdNames load(const std::string& path, const std::set<std::uint16_t>& vendors,
                        const std::set<std::uint32_t>* devices = nullptr);

    std::optional<std::string> vendor(std::uint16_t v) const;
    std::optional<std::string> device(std::uint16_t v, std::uint16_t d) const;

private:
    static IdNames loadFile(const std::string& path, const std::set<std::uint16_t>& vendors,
                            const std::set<std::uint32_t>* devices);
    std::map<std::uint16_t, std::string> vendors_;
    std::map<std::uint32_t, std::string> devices_;
};

// Vendor names as Windows shows manufacturers: without the legal suffix
// ("Intel Corporation" -> "Intel").
std::string shortVendor(std::string_view name);

}  // namespace tq::linuxprov
