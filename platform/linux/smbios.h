// SMBIOS tables: finding the structure table in the forms it is stored in
// (the kernel's entry point and table pair, a dmidecode --dump-bin file, a
// Windows raw firmware table, a bare table) and walking its structures.
// Every length, offset and string number is checked; a malformed structure
// ends the walk, keeping the structures before it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tq::linuxprov::smbios {

// Real firmware tables are tens of kilobytes; a table is read up to this
// size and cut there.
inline constexpr std::size_t kMaxTableBytes = 1u << 20;

struct Structure {
    std::uint8_t type = 0;
    std::uint16_t handle = 0;
    std::string formatted;             // the formatted area, header included
    std::vector<std::string> strings;  // string 1 is strings[0]

    std::size_t length() const noexcept { return formatted.size(); }
    bool has(std::size_t offset, std::size_t size) const noexcept { return offset + size <= formatted.size(); }
    std::optional<std::uint8_t> byte(std::size_t offset) const;
    std::optional<std::uint16_t> word(std::size_t offset) const;
    std::optional<std::uint32_t> dword(std::size_t offset) const;
    std::optional<std::uint64_t> qword(std::size_t offset) const;
    // The string that the byte at `offset` refers to, trimmed; nothing for
    // string 0, a number past the last string, or a blank string.
    std::optional<std::string> string(std::size_t offset) const;
};

struct Table {
    int major = 0, minor = 0;  // 0.0 when the source gave no version
    std::vector<Structure> structures;

    std::vector<const Structure*> ofType(std::uint8_t type) const;
    const Structure* first(std::uint8_t type) const;
    // The first structure with that handle, through an index built on first use.
    const Structure* byHandle(std::uint16_t handle) const;
    bool atLeast(int maj, int min) const { return major > maj || (major == maj && minor >= min); }

private:
    mutable std::unordered_map<std::uint16_t, std::size_t> handles_;
    mutable std::size_t indexed_ = 0;  // how many structures the index covers
};

// Walks a bare structure table.
Table parseStructures(std::string_view table, int major = 0, int minor = 0);

// An entry point ("_SM_", "_SM3_" or the legacy "_DMI_"): version and the
// table's length (the maximum for 64-bit entry points) and address.
struct EntryPoint {
    int major = 0, minor = 0;
    std::uint64_t tableAddress = 0;
    std::uint32_t tableLength = 0;
};
std::optional<EntryPoint> parseEntryPoint(std::string_view bytes);

// Any of the stored forms: a dmidecode dump (entry point at 0, table at the
// address it gives), a Windows raw table (8-byte header), or a bare table.
Table parseBlob(std::string_view bytes);

// The kernel's pair: the entry point and the table read separately.
Table parsePair(std::string_view entryPoint, std::string_view table);

// The system UUID of a type 1 structure as Windows writes it (upper case;
// the first three fields little-endian from SMBIOS 2.6 on, or when the
// version is unknown). Nothing when the UUID is all zeros or all ones.
std::optional<std::string> uuid(const Structure& s, const Table& t);

// The date of a type 0 structure ("MM/DD/YYYY" or "MM/DD/YY") as a CIM datetime.
std::optional<std::string> releaseDate(std::string_view text);

// SMBIOS memory type (type 17, offset 0x12) to the MemoryType code of the
// management classes; types newer than DDR3 and FBD2 have none (0).
int cimMemoryType(int smbiosType);
// SMBIOS memory form factor to the CIM FormFactor code.
int cimFormFactor(int smbiosForm);

// A memory device's size in bytes; nothing for an empty slot or an unknown size.
std::optional<std::uint64_t> memorySize(const Structure& s);

}  // namespace tq::linuxprov::smbios
