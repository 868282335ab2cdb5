// Reading the machine below a root folder, and the small text formats of
// sysfs, procfs and /etc that the provider understands. Every reader is
// bounded: files are read up to a limit, lines and fields are length-checked,
// and anything that does not parse gives nothing rather than a guess.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wmi/ascii.h"

namespace tq::linuxprov {

// File access below a root folder ("/" for the running machine). Each file
// and folder is read once: what was read is kept for the life of the Fs
// (one bind's view of the machine), up to the largest limit asked. Below
// another root every path resolves inside it, as under chroot: a symlink's
// absolute target is taken from the root and ".." stops at the root. Files
// are opened without blocking and read only when they are regular files.
class Fs {
public:
    explicit Fs(std::string root);

    const std::string& root() const noexcept { return root_; }
    bool live() const noexcept { return live_; }  // the root is "/": the running machine

    // The host path of a path that starts with "/": below another root,
    // every symlink on the way resolved inside the root (the last one too
    // unless `followLast` is false).
    std::string path(std::string_view rel, bool followLast = true) const;

    // The file's bytes, at most `limit` of them; nothing when it cannot be read.
    std::optional<std::string> read(std::string_view rel, std::size_t limit = 1u << 20) const;
    // The file's first line with surrounding blanks removed; empty when unreadable.
    std::string line(std::string_view rel) const;
    // A number written in the file (decimal, or hex with 0x), if any.
    std::optional<std::uint64_t> number(std::string_view rel, int base = 0) const;
    bool exists(std::string_view rel) const;
    // The time the file's data last changed (seconds since 1970); nothing
    // when it cannot be reached.
    std::optional<std::int64_t> modified(std::string_view rel) const;
    // Entries of a folder, sorted by name; empty when unreadable.
    std::vector<std::string> list(std::string_view rel) const;
    // The target of a symbolic link, as written.
    std::optional<std::string> link(std::string_view rel) const;
    // The last part of a link's target (a driver or module name).
    std::string linkName(std::string_view rel) const;
    // The path with every link resolved, relative to the root ("/sys/devices/...").
    // Nothing when it does not exist or leaves the root.
    std::optional<std::string> resolve(std::string_view rel) const;

private:
    struct Read {
        std::size_t limit = 0;  // the largest limit it was read with
        std::optional<std::string> bytes;
    };
    std::string root_;
    bool live_ = false;
    mutable std::mutex lock_;
    mutable std::map<std::string, Read, std::less<>> reads_;
    mutable std::map<std::string, std::vector<std::string>, std::less<>> lists_;

    std::optional<std::string> readFile(std::string_view rel, std::size_t limit) const;
};

// ---- text helpers ----
// Without leading and trailing blanks, line ends and NULs (the padding of
// firmware and sysfs fields).
std::string trim(std::string_view s);
using ascii::lower;
using ascii::upper;
bool startsWith(std::string_view s, std::string_view p);
std::vector<std::string> split(std::string_view s, char sep);
std::string hex(std::uint64_t v, int width, bool upperCase = true);
std::optional<std::uint64_t> parseNumber(std::string_view s, int base = 0);
// The last component of a path.
std::string baseName(std::string_view path);
// The path without its last component.
std::string dirName(std::string_view path);
// Printable UTF-8 from bytes of unknown encoding: valid UTF-8 stays, other
// bytes are read as Latin-1, control characters are dropped.
std::string cleanText(std::string_view bytes);

// ---- formats ----

// KEY=value lines with optional single or double quotes (os-release,
// /etc/default/keyboard, locale files, uevent). Comments and malformed lines
// are skipped.
std::map<std::string, std::string> parseAssignments(std::string_view text);

// /proc/cpuinfo: one map per processor block.
std::vector<std::map<std::string, std::string>> parseCpuinfo(std::string_view text);

struct Mount {
    unsigned major = 0, minor = 0;
    std::string root;        // the mounted part of the file system
    std::string mountPoint;  // with octal escapes decoded
    std::string fsType;
    std::string source;
};
// /proc/self/mountinfo.
std::vector<Mount> parseMountinfo(std::string_view text);

// The ATA IDENTIFY data of /sys/class/ata_device/devX.Y/id (hex words).
struct AtaIdentity {
    std::string model, serial, firmware;
    bool atapi = false;
};
std::optional<AtaIdentity> parseAtaIdentify(std::string_view text);

// A driver date from the kernel's version text ("... (2024-02-01)" or
// "... Thu Feb  1 17:30:24 UTC 2024"), as a CIM datetime.
std::optional<std::string> kernelBuildDate(std::string_view version);

// The keyboard layout configured for the console or X (first layout only).
struct KeyboardConfig {
    std::string layout, variant;
};
KeyboardConfig parseKeyboardConfig(std::string_view text);
// Windows keyboard layout identifier ("00000409") for an XKB layout and variant.
std::optional<std::string> windowsLayoutId(std::string_view layout, std::string_view variant);
// Telephone country code (as Windows' CountryCode) for a locale such as "de_DE.UTF-8".
std::optional<std::string> countryCodeForLocale(std::string_view locale);

// One codec file of /proc/asound/cardN/codec#M.
struct CodecInfo {
    std::string name;  // "Realtek ALC892"
    std::uint32_t vendorId = 0, subsystemId = 0, revisionId = 0;
    unsigned address = 0;
    bool modem = false;  // a modem function group rather than audio
};
std::optional<CodecInfo> parseAsoundCodec(std::string_view text);

// A 32-bit FNV-1a hash, for stable instance parts of device identifiers.
std::uint32_t stableHash(std::string_view s);

}  // namespace tq::linuxprov
