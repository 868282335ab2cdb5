// A monitor's identity from its EDID: maker, model, serial numbers and date
// of manufacture. An EDID comes from the monitor itself (through the
// graphics driver or the registry) and is read as hostile input: every
// offset is checked against the bytes given, a broken checksum or a short
// block gives what can be read, and nothing is guessed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq::edid {

// EDIDs are 128-byte blocks, at most 255 extensions after the base block;
// anything past that is not read.
inline constexpr std::size_t kBlock = 128;
inline constexpr std::size_t kMaxBytes = 256 * kBlock;

struct Monitor {
    std::string maker;  // the three-letter PNP id: "DEL"
    std::uint16_t productCode = 0;
    std::string name;                // the display-name descriptor
    std::string serialText;          // the serial-number descriptor
    std::uint32_t serialNumber = 0;  // the numeric serial (0: none)
    int week = 0;                    // 1..54, 0 when not given
    int year = 0;                    // of manufacture (or the model year)

    // The model: the display name, else the product code as four hex digits.
    std::string model() const;
    // The serial the inventory names: the descriptor's text, else the
    // numeric serial in decimal; "" when neither holds one.
    std::string serial() const;
    // The numeric serial when the descriptor gave the serial; "" otherwise.
    std::string altSerial() const;
    // The numeric serial unless it is a placeholder (0, 0x01010101, all ones).
    std::optional<std::uint32_t> usableSerialNumber() const;
};

// Reads the base block. Nothing when the bytes do not begin with the EDID
// header; a block cut short gives the fields that lie within it.
std::optional<Monitor> parse(std::string_view bytes);

// The same bytes with the numeric serial zeroed and every serial-number
// descriptor emptied (the base block's checksum made right again).
std::string withoutSerials(std::string_view bytes);

// Bytes as base64 (RFC 4648, with padding), at most kMaxBytes of them.
std::string base64(std::string_view bytes);

// Bytes from hexadecimal digits (blanks and line breaks between pairs
// allowed); nothing when anything else is found or a digit is unpaired.
std::optional<std::string> fromHex(std::string_view text);
// Bytes as upper-case hexadecimal digits without separators.
std::string toHex(std::string_view bytes);

// The company a PNP id stands for in a pnp.ids database ("DEL\tDell Inc."
// lines); nothing when it lists none.
std::optional<std::string> pnpName(std::string_view database, std::string_view id);
// The makers of most monitors and laptop panels, named as pnp.ids names
// them: for a machine without the database (Windows).
std::optional<std::string> commonMaker(std::string_view id);

}  // namespace tq::edid
