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

// The structures read and the offsets of their fields, named as the SMBIOS
// reference (DMTF DSP0134) names them. kType is a structure's type number.
namespace Header {
inline constexpr std::size_t Type = 0x00, Length = 0x01, Handle = 0x02;
inline constexpr std::size_t kSize = 0x04;
}  // namespace Header

namespace BiosInformation {
inline constexpr std::uint8_t kType = 0;
inline constexpr std::size_t Vendor = 0x04, BiosVersion = 0x05, BiosReleaseDate = 0x08, SystemBiosMajorRelease = 0x14,
                             SystemBiosMinorRelease = 0x15, EmbeddedControllerFirmwareMajorRelease = 0x16,
                             EmbeddedControllerFirmwareMinorRelease = 0x17;
}  // namespace BiosInformation

namespace SystemInformation {
inline constexpr std::uint8_t kType = 1;
inline constexpr std::size_t Manufacturer = 0x04, ProductName = 0x05, Version = 0x06, SerialNumber = 0x07, Uuid = 0x08,
                             SkuNumber = 0x19, Family = 0x1A;
inline constexpr std::size_t kUuidSize = 16;
}  // namespace SystemInformation

namespace BaseboardInformation {
inline constexpr std::uint8_t kType = 2;
inline constexpr std::size_t Manufacturer = 0x04, Product = 0x05, Version = 0x06, SerialNumber = 0x07,
                             FeatureFlags = 0x09;
// Feature Flags bits.
inline constexpr std::uint8_t kHostingBoard = 0x01, kRemovable = 0x04, kReplaceable = 0x08, kHotSwappable = 0x10;
}  // namespace BaseboardInformation

namespace SystemEnclosure {
inline constexpr std::uint8_t kType = 3;
inline constexpr std::size_t Manufacturer = 0x04, Type = 0x05, Version = 0x06, SerialNumber = 0x07,
                             AssetTagNumber = 0x08;
inline constexpr std::uint8_t kChassisLockPresent = 0x80;  // the Type byte's top bit
}  // namespace SystemEnclosure

namespace ProcessorInformation {
inline constexpr std::uint8_t kType = 4;
// Processor ID is eight bytes: the CPUID signature (EAX), then the feature flags (EDX).
inline constexpr std::size_t SocketDesignation = 0x04, ProcessorFamily = 0x06, ProcessorManufacturer = 0x07,
                             ProcessorId = 0x08, ProcessorIdFeatureFlags = 0x0C, ProcessorVersion = 0x10,
                             Voltage = 0x11, CurrentSpeed = 0x16, Status = 0x18, ProcessorUpgrade = 0x19,
                             L2CacheHandle = 0x1C, L3CacheHandle = 0x1E, CoreCount = 0x23, ThreadCount = 0x25,
                             ProcessorFamily2 = 0x28, CoreCount2 = 0x2A, ThreadCount2 = 0x2E;
inline constexpr std::uint8_t kSocketPopulated = 0x40;  // Status bit
inline constexpr std::uint8_t kFamilyInFamily2 = 0xFE;  // Processor Family: see Processor Family 2
inline constexpr std::uint8_t kCurrentVoltage = 0x80;   // Voltage bit: the rest is the current voltage x 10
}  // namespace ProcessorInformation

namespace CacheInformation {
inline constexpr std::uint8_t kType = 7;
inline constexpr std::size_t InstalledSize = 0x09, InstalledCacheSize2 = 0x17;
}  // namespace CacheInformation

namespace SystemSlots {
inline constexpr std::uint8_t kType = 9;
inline constexpr std::size_t SlotDesignation = 0x04, SlotDataBusWidth = 0x06, CurrentUsage = 0x07, SlotId = 0x09,
                             SlotCharacteristics2 = 0x0C, SegmentGroupNumber = 0x0D, BusNumber = 0x0F,
                             DeviceFunctionNumber = 0x10;
// Slot Characteristics 2 bits.
inline constexpr std::uint8_t kPmeSignal = 0x01, kHotPlugDevices = 0x02;
}  // namespace SystemSlots

// Obsolete, still common: pairs of Device Type and Description String.
namespace OnBoardDevicesInformation {
inline constexpr std::uint8_t kType = 10;
inline constexpr std::size_t DeviceType = 0x04, DescriptionString = 0x05;
inline constexpr std::size_t kDeviceSize = 2;  // the distance from one device's pair to the next
}  // namespace OnBoardDevicesInformation

namespace MemoryDevice {
inline constexpr std::uint8_t kType = 17;
inline constexpr std::size_t TotalWidth = 0x08, DataWidth = 0x0A, Size = 0x0C, FormFactor = 0x0E, DeviceLocator = 0x10,
                             BankLocator = 0x11, MemoryType = 0x12, TypeDetail = 0x13, Speed = 0x15,
                             Manufacturer = 0x17, SerialNumber = 0x18, PartNumber = 0x1A, Attributes = 0x1B,
                             ExtendedSize = 0x1C, ConfiguredMemorySpeed = 0x20, MinimumVoltage = 0x22,
                             MaximumVoltage = 0x24, ConfiguredVoltage = 0x26, ExtendedSpeed = 0x54,
                             ExtendedConfiguredMemorySpeed = 0x58;
}  // namespace MemoryDevice

namespace PortableBattery {
inline constexpr std::uint8_t kType = 22;
inline constexpr std::size_t Location = 0x04, Manufacturer = 0x05, ManufactureDate = 0x06, SerialNumber = 0x07,
                             DeviceName = 0x08, DeviceChemistry = 0x09, DesignCapacity = 0x0A, DesignVoltage = 0x0C,
                             SbdsVersionNumber = 0x0E, MaximumErrorInBatteryData = 0x0F, SbdsSerialNumber = 0x10,
                             SbdsManufactureDate = 0x12, SbdsDeviceChemistry = 0x14, DesignCapacityMultiplier = 0x15;
}  // namespace PortableBattery

namespace OnboardDevicesExtendedInformation {
inline constexpr std::uint8_t kType = 41;
inline constexpr std::size_t ReferenceDesignation = 0x04, DeviceType = 0x05;
}  // namespace OnboardDevicesExtendedInformation

namespace EndOfTable {
inline constexpr std::uint8_t kType = 127;
}

// Device Type bytes (types 10 and 41): the top bit is the device's status.
inline constexpr std::uint8_t kDeviceEnabled = 0x80;

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

// SMBIOS memory type (MemoryDevice::MemoryType) to the MemoryType code of the
// management classes; types newer than DDR3 and FBD2 have none (0).
int cimMemoryType(int smbiosType);
// SMBIOS memory form factor to the CIM FormFactor code.
int cimFormFactor(int smbiosForm);

// A memory device's size in bytes; nothing for an empty slot or an unknown size.
std::optional<std::uint64_t> memorySize(const Structure& s);

}  // namespace tq::linuxprov::smbios
