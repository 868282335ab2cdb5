// What the management classes' codes and ids mean for the inventory: the
// code tables, dates in the forms the sources give them, makers and buses
// read from names and device ids.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "ocs/model.h"

namespace tq::ocs::codes {

// A code from a table of names; "" for codes the table does not hold.
template <std::size_t N>
std::string named(model::Number code, const std::pair<int, const char*> (&table)[N]) {
    if (!code) return {};
    for (const auto& [k, v] : table)
        if (static_cast<std::uint64_t>(k) == *code) return v;
    return {};
}

inline constexpr std::pair<int, const char*> kArchitectures[] = {
    {0, "x86"}, {1, "MIPS"}, {2, "Alpha"}, {3, "PowerPC"}, {5, "ARM"}, {6, "ia64"}, {9, "x86_64"}, {12, "ARM64"},
};
// SMBIOS memory device types (the management class's SMBIOSMemoryType).
inline constexpr std::pair<int, const char*> kSmbiosMemoryTypes[] = {
    {3, "DRAM"},    {4, "EDRAM"},   {5, "VRAM"},    {6, "SRAM"},   {7, "RAM"},     {8, "ROM"},
    {9, "FLASH"},   {10, "EEPROM"}, {11, "FEPROM"}, {12, "EPROM"}, {13, "CDRAM"},  {14, "3DRAM"},
    {15, "SDRAM"},  {16, "SGRAM"},  {17, "RDRAM"},  {18, "DDR"},   {19, "DDR2"},   {20, "DDR2 FB-DIMM"},
    {24, "DDR3"},   {25, "FBD2"},   {26, "DDR4"},   {27, "LPDDR"}, {28, "LPDDR2"}, {29, "LPDDR3"},
    {30, "LPDDR4"}, {32, "HBM"},    {33, "HBM2"},   {34, "DDR5"},  {35, "LPDDR5"}, {36, "HBM3"},
};
// The older MemoryType codes, for firmware that leaves the SMBIOS one at 0.
// clang-format off
inline constexpr std::pair<int, const char*> kMemoryTypes[] = {
    {2, "DRAM"}, {3, "Synchronous DRAM"}, {4, "Cache DRAM"}, {5, "EDO"}, {6, "EDRAM"}, {7, "VRAM"},
    {8, "SRAM"}, {9, "RAM"}, {10, "ROM"}, {11, "Flash"}, {12, "EEPROM"}, {13, "FEPROM"}, {14, "EPROM"},
    {15, "CDRAM"}, {16, "3DRAM"}, {17, "SDRAM"}, {18, "SGRAM"}, {19, "RDRAM"}, {20, "DDR"}, {21, "DDR2"},
    {22, "DDR2 FB-DIMM"}, {24, "DDR3"}, {25, "FBD2"},
};
// clang-format on
inline constexpr std::pair<int, const char*> kDriveTypes[] = {
    {1, "No root directory"}, {2, "Removable Drive"}, {3, "Hard Drive"},
    {4, "Network Drive"},     {5, "CD-Rom Drive"},    {6, "RAM Disk"},
};
inline constexpr std::pair<int, const char*> kPointingTypes[] = {
    {1, "Other"},      {2, "Unknown"},      {3, "Mouse"},
    {4, "Track Ball"}, {5, "Track Point"},  {6, "Glide Point"},
    {7, "Touch Pad"},  {8, "Touch Screen"}, {9, "Mouse - Optical Sensor"},
};
// clang-format off
inline constexpr std::pair<int, const char*> kInterfaces[] = {
    {1, "Other"},   {2, "Unknown"}, {3, "Serial"},    {4, "PS/2"},  {5, "Infrared"},
    {6, "HP-HIL"},  {7, "Bus mouse"}, {8, "ADB"},    {160, "Bus mouse DB-9"},
    {161, "Bus mouse micro-DIN"}, {162, "USB"},
};
// clang-format on
inline constexpr std::pair<int, const char*> kSlotUsage[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Available"},
    {4, "In Use"},
};

// A management datetime ("20230415103000.000000+060"): the day from its
// first eight digits, the time of day when fourteen are there.
model::When cimWhen(std::string s);
// M/D/YYYY, as the management service gives the updates' dates.
model::When usWhen(std::string s);
// YYYYMMDD (the registry, dpkg) or M/D/YYYY.
model::When installWhen(std::string s);

// The processor maker in the short form the Linux agents give.
std::string shortMaker(const std::string& vendor);
// Windows' generic makers ("(Standard disk drives)"), which say nothing.
bool placeholder(const std::string& maker);
// The bus of an input device, from its device id: "USB" for USB and HID
// devices with a USB vendor id, "PS/2" for the PC's own keyboard and mouse
// ports, "Bluetooth"; "" when the id does not say.
std::string busOf(std::string_view pnp);
// Module makers by the JEDEC code Windows gives for them; a text that is no
// code is a name already; an unknown code gives "".
std::string makerName(const std::string& maker);
// The hypervisor that a machine's maker and model names, where they name one.
std::string vmSystem(const std::string& maker, const std::string& model);
// The four hex digits after `key` in a device id ("PCI\VEN_8086&DEV_15BC"), lower case.
std::string idPart(std::string_view id, std::string_view key);

}  // namespace tq::ocs::codes
