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
    // Reads `text` (the whole database) keeping the given vendors and, when
    // `devices` is given, only those devices (vendor << 16 | device).
    static IdNames parse(std::string_view text, const std::set<std::uint16_t>& vendors,
                         const std::set<std::uint32_t>* devices = nullptr);
    // Streams the file at `path`; an unreadable file gives no names. The
    // database lists vendors in ascending order, so reading stops after the
    // last vendor asked for.
    static IdNames load(const std::string& path, const std::set<std::uint16_t>& vendors,
                        const std::set<std::uint32_t>* devices = nullptr);

    std::optional<std::string> vendor(std::uint16_t v) const;
    std::optional<std::string> device(std::uint16_t v, std::uint16_t d) const;

private:
    static IdNames loadFile(const std::string& path, const std::set<std::uint16_t>& vendors,
                            const std::set<std::uint32_t>* devices);
    void feed(std::string_view line);

    const std::set<std::uint16_t>* wanted_ = nullptr;
    const std::set<std::uint32_t>* wantedDevices_ = nullptr;
    std::uint16_t lastWanted_ = 0xFFFF;
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
