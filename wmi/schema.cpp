// The built-in schema: the classes the program reads with the properties
// the service documents for them (inherited ones included) and their CIM
// types. Each class also gets a case-insensitive index from property name
// to slot, so that reading a property costs one hash lookup.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wmi/schema.h"
#include "wmi/text.h"

namespace tq::wmi {
namespace {

struct ClassText {
    const char* name;
    const char* superclass;
    // "Name:type ..." with the types b s8 u8 s16 u16 s32 u32 s64 u64 r32 r64
    // s (string) dt (datetime) c16 ref obj, "[]" appended for arrays.
    const char* properties;
};

constexpr const char* kPhysicalMemory =
    "Attributes:u32 BankLabel:s Capacity:u64 Caption:s ConfiguredClockSpeed:u32 ConfiguredVoltage:u32 "
    "CreationClassName:s DataWidth:u16 Description:s DeviceLocator:s FormFactor:u16 HotSwappable:b "
    "InstallDate:dt InterleaveDataDepth:u16 InterleavePosition:u32 Manufacturer:s MaxVoltage:u32 "
    "MemoryType:u16 MinVoltage:u32 Model:s Name:s OtherIdentifyingInfo:s PartNumber:s PositionInRow:u32 "
    "PoweredOn:b Removable:b Replaceable:b SerialNumber:s SKU:s SMBIOSMemoryType:u32 Speed:u32 Status:s "
    "Tag:s TotalWidth:u16 TypeDetail:u16 Version:s";

const ClassText kClasses[] = {
    {"Win32_Bios", "",
     "BiosCharacteristics:u16[] BIOSVersion:s[] BuildNumber:s Caption:s CodeSet:s CurrentLanguage:s "
     "Description:s EmbeddedControllerMajorVersion:u8 EmbeddedControllerMinorVersion:u8 IdentificationCode:s "
     "InstallableLanguages:u16 InstallDate:dt LanguageEdition:s ListOfLanguages:s[] Manufacturer:s Name:s "
     "OtherTargetOS:s PrimaryBIOS:b ReleaseDate:dt SerialNumber:s SMBIOSBIOSVersion:s SMBIOSMajorVersion:u16 "
     "SMBIOSMinorVersion:u16 SMBIOSPresent:b SoftwareElementID:s SoftwareElementState:u16 Status:s "
     "SystemBiosMajorVersion:u8 SystemBiosMinorVersion:u8 TargetOperatingSystem:u16 Version:s"},
    {"Win32_Processor", "",
     "AddressWidth:u16 Architecture:u16 AssetTag:s Availability:u16 Caption:s Characteristics:u32 "
     "ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CpuStatus:u16 CreationClassName:s "
     "CurrentClockSpeed:u32 CurrentVoltage:u16 DataWidth:u16 Description:s DeviceID:s ErrorCleared:b "
     "ErrorDescription:s ExtClock:u32 Family:u16 InstallDate:dt L2CacheSize:u32 L2CacheSpeed:u32 "
     "L3CacheSize:u32 L3CacheSpeed:u32 LastErrorCode:u32 Level:u16 LoadPercentage:u16 Manufacturer:s "
     "MaxClockSpeed:u32 Name:s NumberOfCores:u32 NumberOfEnabledCore:u32 NumberOfLogicalProcessors:u32 "
     "OtherFamilyDescription:s PartNumber:s PNPDeviceID:s PowerManagementCapabilities:u16[] "
     "PowerManagementSupported:b ProcessorId:s ProcessorType:u16 Revision:u16 Role:s "
     "SecondLevelAddressTranslationExtensions:b SerialNumber:s SocketDesignation:s Status:s StatusInfo:u16 "
     "Stepping:s SystemCreationClassName:s SystemName:s ThreadCount:u32 UniqueId:s UpgradeMethod:u16 "
     "Version:s VirtualizationFirmwareEnabled:b VMMonitorModeExtensions:b VoltageCaps:u32"},
    {"Win32_PnPSignedDriver", "",
     "ClassGuid:s CompatID:s Description:s DeviceClass:s DeviceID:s DeviceName:s DevLoader:s DriverDate:s "
     "DriverName:s DriverVersion:s FriendlyName:s HardWareID:s InfName:s InstallDate:dt IsSigned:b "
     "Location:s Manufacturer:s Name:s PDO:s DriverProviderName:s Signer:s Started:b StartMode:s Status:s "
     "SystemCreationClassName:s SystemName:s"},
    {"Win32_CDROMDrive", "",
     "Availability:u16 Capabilities:u16[] CapabilityDescriptions:s[] Caption:s CompressionMethod:s "
     "ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s DefaultBlockSize:u64 "
     "Description:s DeviceID:s Drive:s DriveIntegrity:b ErrorCleared:b ErrorDescription:s "
     "ErrorMethodology:s FileSystemFlags:u16 FileSystemFlagsEx:u32 Id:s InstallDate:dt LastErrorCode:u32 "
     "Manufacturer:s MaxBlockSize:u64 MaximumComponentLength:u32 MaxMediaSize:u64 MediaLoaded:b "
     "MediaType:s MfrAssignedRevisionLevel:s MinBlockSize:u64 Name:s NeedsCleaning:b "
     "NumberOfMediaSupported:u32 PNPDeviceID:s PowerManagementCapabilities:u16[] PowerManagementSupported:b "
     "RevisionLevel:s SCSIBus:u32 SCSILogicalUnit:u16 SCSIPort:u16 SCSITargetId:u16 SerialNumber:s "
     "Size:u64 Status:s StatusInfo:u16 SystemCreationClassName:s SystemName:s TransferRate:r64 "
     "VolumeName:s VolumeSerialNumber:s"},
    {"Win32_LogicalDisk", "",
     "Access:u16 Availability:u16 BlockSize:u64 Caption:s Compressed:b ConfigManagerErrorCode:u32 "
     "ConfigManagerUserConfig:b CreationClassName:s Description:s DeviceID:s DriveType:u32 ErrorCleared:b "
     "ErrorDescription:s ErrorMethodology:s FileSystem:s FreeSpace:u64 InstallDate:dt LastErrorCode:u32 "
     "MaximumComponentLength:u32 MediaType:u32 Name:s NumberOfBlocks:u64 PNPDeviceID:s "
     "PowerManagementCapabilities:u16[] PowerManagementSupported:b ProviderName:s Purpose:s "
     "QuotasDisabled:b QuotasIncomplete:b QuotasRebuilding:b Size:u64 Status:s StatusInfo:u16 "
     "SupportsDiskQuotas:b SupportsFileBasedCompression:b SystemCreationClassName:s SystemName:s "
     "VolumeDirty:b VolumeName:s VolumeSerialNumber:s"},
    {"Win32_DiskDrive", "",
     "Availability:u16 BytesPerSector:u32 Capabilities:u16[] CapabilityDescriptions:s[] Caption:s "
     "CompressionMethod:s ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s "
     "DefaultBlockSize:u64 Description:s DeviceID:s ErrorCleared:b ErrorDescription:s ErrorMethodology:s "
     "FirmwareRevision:s Index:u32 InstallDate:dt InterfaceType:s LastErrorCode:u32 Manufacturer:s "
     "MaxBlockSize:u64 MaxMediaSize:u64 MediaLoaded:b MediaType:s MinBlockSize:u64 Model:s Name:s "
     "NeedsCleaning:b NumberOfMediaSupported:u32 Partitions:u32 PNPDeviceID:s "
     "PowerManagementCapabilities:u16[] PowerManagementSupported:b SCSIBus:u32 SCSILogicalUnit:u16 "
     "SCSIPort:u16 SCSITargetId:u16 SectorsPerTrack:u32 SerialNumber:s Signature:u32 Size:u64 Status:s "
     "StatusInfo:u16 SystemCreationClassName:s SystemName:s TotalCylinders:u64 TotalHeads:u32 "
     "TotalSectors:u64 TotalTracks:u64 TracksPerCylinder:u32"},
    {"CIM_PhysicalMemory", "", kPhysicalMemory},
    {"Win32_PhysicalMemory", "CIM_PhysicalMemory", kPhysicalMemory},
    {"Win32_Keyboard", "",
     "Availability:u16 Caption:s ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s "
     "Description:s DeviceID:s ErrorCleared:b ErrorDescription:s InstallDate:dt IsLocked:b "
     "LastErrorCode:u32 Layout:s Name:s NumberOfFunctionKeys:u16 Password:u16 PNPDeviceID:s "
     "PowerManagementCapabilities:u16[] PowerManagementSupported:b Status:s StatusInfo:u16 "
     "SystemCreationClassName:s SystemName:s"},
    {"Win32_PointingDevice", "",
     "Availability:u16 Caption:s ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s "
     "Description:s DeviceID:s DeviceInterface:u16 DoubleSpeedThreshold:u32 ErrorCleared:b "
     "ErrorDescription:s Handedness:u16 HardwareType:s InfFileName:s InfSection:s InstallDate:dt "
     "IsLocked:b LastErrorCode:u32 Manufacturer:s Name:s NumberOfButtons:u8 PNPDeviceID:s PointingType:u16 "
     "PowerManagementCapabilities:u16[] PowerManagementSupported:b QuadSpeedThreshold:u32 Resolution:u32 "
     "SampleRate:u32 Status:s StatusInfo:u16 Synch:u32 SystemCreationClassName:s SystemName:s"},
    {"Win32_POTSModem", "",
     "AnswerMode:u16 AttachedTo:s Availability:u16 BlindOff:s BlindOn:s Caption:s CompatibilityFlags:s "
     "CompressionInfo:u16 CompressionOff:s CompressionOn:s ConfigManagerErrorCode:u32 "
     "ConfigManagerUserConfig:b ConfigurationDialog:s CountriesSupported:s[] CountrySelected:s "
     "CreationClassName:s CurrentPasswords:s[] DCB:u8[] Default:u8[] Description:s DeviceID:s "
     "DeviceLoader:s DeviceType:s DialType:u16 DriverDate:dt ErrorCleared:b ErrorControlForced:s "
     "ErrorControlInfo:u16 ErrorControlOff:s ErrorControlOn:s ErrorDescription:s FlowControlHard:s "
     "FlowControlOff:s FlowControlSoft:s InactivityScale:s InactivityTimeout:u32 Index:u32 InstallDate:dt "
     "LastErrorCode:u32 MaxBaudRateToPhone:u32 MaxBaudRateToSerialPort:u32 MaxNumberOfPasswords:u16 "
     "Model:s ModemInfPath:s ModemInfSection:s ModulationBell:s ModulationCCITT:s ModulationScheme:u16 "
     "Name:s PNPDeviceID:s PortSubClass:s PowerManagementCapabilities:u16[] PowerManagementSupported:b "
     "Prefix:s Properties:u8[] ProviderName:s Pulse:s Reset:s ResponsesKeyName:s RingsBeforeAnswer:u8 "
     "SpeakerModeDial:s SpeakerModeOff:s SpeakerModeOn:s SpeakerModeSetup:s SpeakerVolumeHigh:s "
     "SpeakerVolumeInfo:u16 SpeakerVolumeLow:s SpeakerVolumeMed:s Status:s StatusInfo:u16 StringFormat:s "
     "SupportsCallback:b SupportsSynchronousConnect:b SystemCreationClassName:s SystemName:s Terminator:s "
     "TimeOfLastReset:dt Tone:s VoiceSwitchFeature:s"},
    {"Win32_QuickFixEngineering", "",
     "Caption:s CSName:s Description:s FixComments:s HotFixID:s InstallDate:dt InstalledBy:s InstalledOn:s "
     "Name:s ServicePackInEffect:s Status:s"},
    {"Win32_PnPEntity", "",
     "Availability:u16 Caption:s ClassGuid:s CompatibleID:s[] ConfigManagerErrorCode:u32 "
     "ConfigManagerUserConfig:b CreationClassName:s Description:s DeviceID:s ErrorCleared:b "
     "ErrorDescription:s HardwareID:s[] InstallDate:dt LastErrorCode:u32 Manufacturer:s Name:s PNPClass:s "
     "PNPDeviceID:s PowerManagementCapabilities:u16[] PowerManagementSupported:b Present:b Service:s "
     "Status:s StatusInfo:u16 SystemCreationClassName:s SystemName:s"},
    {"Win32_ComputerSystemProduct", "",
     "Caption:s Description:s IdentifyingNumber:s Name:s SKUNumber:s UUID:s Vendor:s Version:s"},
    {"Win32_BaseBoard", "",
     "Caption:s ConfigOptions:s[] CreationClassName:s Depth:r32 Description:s Height:r32 HostingBoard:b "
     "HotSwappable:b InstallDate:dt Manufacturer:s Model:s Name:s OtherIdentifyingInfo:s PartNumber:s "
     "PoweredOn:b Product:s Removable:b Replaceable:b RequirementsDescription:s RequiresDaughterBoard:b "
     "SerialNumber:s SKU:s SlotLayout:s SpecialRequirements:b Status:s Tag:s Version:s Weight:r32 "
     "Width:r32"},
    {"Win32_ComputerSystem", "",
     "AdminPasswordStatus:u16 AutomaticManagedPagefile:b AutomaticResetBootOption:b "
     "AutomaticResetCapability:b BootOptionOnLimit:u16 BootOptionOnWatchDog:u16 BootROMSupported:b "
     "BootStatus:u16[] BootupState:s Caption:s ChassisBootupState:u16 ChassisSKUNumber:s "
     "CreationClassName:s CurrentTimeZone:s16 DaylightInEffect:b Description:s DNSHostName:s Domain:s "
     "DomainRole:u16 EnableDaylightSavingsTime:b FrontPanelResetStatus:u16 HypervisorPresent:b "
     "InfraredSupported:b InitialLoadInfo:s[] InstallDate:dt KeyboardPasswordStatus:u16 LastLoadInfo:s "
     "Manufacturer:s Model:s Name:s NameFormat:s NetworkServerModeEnabled:b NumberOfLogicalProcessors:u32 "
     "NumberOfProcessors:u32 OEMLogoBitmap:u8[] OEMStringArray:s[] PartOfDomain:b PauseAfterReset:s64 "
     "PCSystemType:u16 PCSystemTypeEx:u16 PowerManagementCapabilities:u16[] PowerManagementSupported:b "
     "PowerOnPasswordStatus:u16 PowerState:u16 PowerSupplyState:u16 PrimaryOwnerContact:s "
     "PrimaryOwnerName:s ResetCapability:u16 ResetCount:s16 ResetLimit:s16 Roles:s[] Status:s "
     "SupportContactDescription:s[] SystemFamily:s SystemSKUNumber:s SystemStartupDelay:u16 "
     "SystemStartupOptions:s[] SystemStartupSetting:u8 SystemType:s ThermalState:u16 "
     "TotalPhysicalMemory:u64 UserName:s WakeUpType:u16 Workgroup:s"},
    {"Win32_NetworkAdapter", "",
     "AdapterType:s AdapterTypeID:u16 AutoSense:b Availability:u16 Caption:s ConfigManagerErrorCode:u32 "
     "ConfigManagerUserConfig:b CreationClassName:s Description:s DeviceID:s ErrorCleared:b "
     "ErrorDescription:s GUID:s Index:u32 InstallDate:dt Installed:b InterfaceIndex:u32 LastErrorCode:u32 "
     "MACAddress:s Manufacturer:s MaxNumberControlled:u32 MaxSpeed:u64 Name:s NetConnectionID:s "
     "NetConnectionStatus:u16 NetEnabled:b NetworkAddresses:s[] PermanentAddress:s PhysicalAdapter:b "
     "PNPDeviceID:s PowerManagementCapabilities:u16[] PowerManagementSupported:b ProductName:s "
     "ServiceName:s Speed:u64 Status:s StatusInfo:u16 SystemCreationClassName:s SystemName:s "
     "TimeOfLastReset:dt"},
    {"Win32_VideoController", "",
     "AcceleratorCapabilities:u16[] AdapterCompatibility:s AdapterDACType:s AdapterRAM:u32 "
     "Availability:u16 CapabilityDescriptions:s[] Caption:s ColorTableEntries:u32 "
     "ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s CurrentBitsPerPixel:u32 "
     "CurrentHorizontalResolution:u32 CurrentNumberOfColors:u64 CurrentNumberOfColumns:u32 "
     "CurrentNumberOfRows:u32 CurrentRefreshRate:u32 CurrentScanMode:u16 CurrentVerticalResolution:u32 "
     "Description:s DeviceID:s DeviceSpecificPens:u32 DitherType:u32 DriverDate:dt DriverVersion:s "
     "ErrorCleared:b ErrorDescription:s ICMIntent:u32 ICMMethod:u32 InfFilename:s InfSection:s "
     "InstallDate:dt InstalledDisplayDrivers:s LastErrorCode:u32 MaxMemorySupported:u32 "
     "MaxNumberControlled:u32 MaxRefreshRate:u32 MinRefreshRate:u32 Monochrome:b Name:s "
     "NumberOfColorPlanes:u16 NumberOfVideoPages:u32 PNPDeviceID:s PowerManagementCapabilities:u16[] "
     "PowerManagementSupported:b ProtocolSupported:u16 ReservedSystemPaletteEntries:u32 "
     "SpecificationVersion:u32 Status:s StatusInfo:u16 SystemCreationClassName:s SystemName:s "
     "SystemPaletteEntries:u32 TimeOfLastReset:dt VideoArchitecture:u16 VideoMemoryType:u16 VideoMode:u16 "
     "VideoModeDescription:s VideoProcessor:s"},
    {"Win32_SoundDevice", "",
     "Availability:u16 Caption:s ConfigManagerErrorCode:u32 ConfigManagerUserConfig:b CreationClassName:s "
     "Description:s DeviceID:s DMABufferSize:u16 ErrorCleared:b ErrorDescription:s InstallDate:dt "
     "LastErrorCode:u32 Manufacturer:s MPU401Address:u32 Name:s PNPDeviceID:s "
     "PowerManagementCapabilities:u16[] PowerManagementSupported:b ProductName:s Status:s StatusInfo:u16 "
     "SystemCreationClassName:s SystemName:s"},
    {"Win32_OperatingSystem", "",
     "BootDevice:s BuildNumber:s BuildType:s Caption:s CodeSet:s CountryCode:s CreationClassName:s "
     "CSCreationClassName:s CSDVersion:s CSName:s CurrentTimeZone:s16 DataExecutionPrevention_Available:b "
     "DataExecutionPrevention_32BitApplications:b DataExecutionPrevention_Drivers:b "
     "DataExecutionPrevention_SupportPolicy:u8 Debug:b Description:s Distributed:b EncryptionLevel:u32 "
     "ForegroundApplicationBoost:u8 FreePhysicalMemory:u64 FreeSpaceInPagingFiles:u64 "
     "FreeVirtualMemory:u64 InstallDate:dt LargeSystemCache:u32 LastBootUpTime:dt LocalDateTime:dt "
     "Locale:s Manufacturer:s MaxNumberOfProcesses:u32 MaxProcessMemorySize:u64 MUILanguages:s[] Name:s "
     "NumberOfLicensedUsers:u32 NumberOfProcesses:u32 NumberOfUsers:u32 OperatingSystemSKU:u32 "
     "Organization:s OSArchitecture:s OSLanguage:u32 OSProductSuite:u32 OSType:u16 OtherTypeDescription:s "
     "PAEEnabled:b PlusProductID:s PlusVersionNumber:s PortableOperatingSystem:b Primary:b ProductType:u32 "
     "RegisteredUser:s SerialNumber:s ServicePackMajorVersion:u16 ServicePackMinorVersion:u16 "
     "SizeStoredInPagingFiles:u64 Status:s SuiteMask:u32 SystemDevice:s SystemDirectory:s SystemDrive:s "
     "TotalSwapSpaceSize:u64 TotalVirtualMemorySize:u64 TotalVisibleMemorySize:u64 Version:s "
     "WindowsDirectory:s"},
    {"Win32_WinSAT", "",
     "TimeTaken:s WinSPRLevel:r32 WinSATAssessmentState:u32 MemoryScore:r32 CPUScore:r32 DiskScore:r32 "
     "D3DScore:r32 GraphicsScore:r32"},
    {"Win32_SystemSlot", "",
     "BusNumber:u32 Caption:s ConnectorPinout:s ConnectorType:u16[] CreationClassName:s CurrentUsage:u16 "
     "Description:s DeviceNumber:u32 FunctionNumber:u32 HeightAllowed:r32 InstallDate:dt LengthAllowed:r32 "
     "Manufacturer:s MaxDataWidth:u16 Model:s Name:s Number:u16 OtherIdentifyingInfo:s PartNumber:s "
     "PMESignal:b PoweredOn:b PurposeDescription:s SegmentGroupNumber:u32 SerialNumber:s Shared:b SKU:s "
     "SlotDesignation:s SpecialPurpose:b Status:s SupportsHotPlug:b Tag:s ThermalRating:u32 "
     "VccMixedVoltageSupport:u16[] Version:s VppMixedVoltageSupport:u16[]"},
    {"Win32_OnBoardDevice", "",
     "Caption:s CreationClassName:s Description:s DeviceType:u16 Enabled:b HotSwappable:b InstallDate:dt "
     "Manufacturer:s Model:s Name:s OtherIdentifyingInfo:s PartNumber:s PoweredOn:b Removable:b "
     "Replaceable:b SerialNumber:s SKU:s Status:s Tag:s Version:s"},
    {"Win32_NetworkAdapterConfiguration", "",
     "Caption:s DefaultIPGateway:s[] Description:s DHCPEnabled:b DHCPLeaseExpires:dt DHCPLeaseObtained:dt "
     "DHCPServer:s DNSDomain:s DNSDomainSuffixSearchOrder:s[] DNSHostName:s DNSServerSearchOrder:s[] "
     "GatewayCostMetric:u16[] Index:u32 InterfaceIndex:u32 IPAddress:s[] IPConnectionMetric:u32 IPEnabled:b "
     "IPSubnet:s[] MACAddress:s MTU:u32 ServiceName:s SettingID:s"},
    {"Win32_InstalledWin32Program", "",
     "Language:s MsiPackageCode:s MsiProductCode:s Name:s ProgramId:s Vendor:s Version:s"},
    // The assets the inventory describes beyond the report.
    {"Win32_SystemEnclosure", "",
     "AudibleAlarm:b Caption:s ChassisTypes:u16[] CreationClassName:s Description:s LockPresent:b "
     "Manufacturer:s Model:s Name:s PartNumber:s SerialNumber:s SKU:s SMBIOSAssetTag:s Status:s Tag:s "
     "Version:s"},
    {"Win32_Battery", "",
     "Availability:u16 BatteryStatus:u16 Caption:s Chemistry:u16 CreationClassName:s Description:s "
     "DesignCapacity:u32 DesignVoltage:u64 DeviceID:s EstimatedChargeRemaining:u16 EstimatedRunTime:u32 "
     "FullChargeCapacity:u32 Name:s PNPDeviceID:s Status:s SystemCreationClassName:s SystemName:s"},
    {"Win32_PortableBattery", "",
     "Availability:u16 BatteryStatus:u16 CapacityMultiplier:u16 Caption:s Chemistry:u16 CreationClassName:s "
     "Description:s DesignCapacity:u32 DesignVoltage:u64 DeviceID:s EstimatedChargeRemaining:u16 "
     "FullChargeCapacity:u32 Location:s ManufactureDate:s Manufacturer:s MaxBatteryError:u16 Name:s "
     "SmartBatteryVersion:s Status:s SystemCreationClassName:s SystemName:s"},
    {"Win32_Printer", "",
     "Attributes:u32 Caption:s Comment:s Default:b Description:s DeviceID:s DriverName:s Local:b "
     "Location:s Name:s Network:b PortName:s PrinterState:u32 PrinterStatus:u16 Published:b ServerName:s "
     "Shared:b ShareName:s Status:s SystemName:s WorkOffline:b"},
    {"Win32_PageFileUsage", "",
     "AllocatedBaseSize:u32 Caption:s CurrentUsage:u32 Description:s InstallDate:dt Name:s PeakUsage:u32 "
     "Status:s TempPageFile:b"},
    {"Win32_NetworkLoginProfile", "",
     "Caption:s Description:s FullName:s LastLogoff:dt LastLogon:dt Name:s NumberOfLogons:u32 UserType:s"},
    // Our own: the EDID of each present monitor as upper-case hex digits,
    // from the display device's registry key on Windows and from the DRM
    // outputs on Linux, with the port where the system names one.
    {"Tallyquest_MonitorEDID", "", "DeviceID:s EDID:s Port:s"},
};

CimType typeOf(std::string_view t) {
    static constexpr std::pair<std::string_view, CimType> kTypes[] = {
        {"b", CimType::Boolean},   {"s8", CimType::SInt8},   {"u8", CimType::UInt8},      {"s16", CimType::SInt16},
        {"u16", CimType::UInt16},  {"s32", CimType::SInt32}, {"u32", CimType::UInt32},    {"s64", CimType::SInt64},
        {"u64", CimType::UInt64},  {"r32", CimType::Real32}, {"r64", CimType::Real64},    {"s", CimType::String},
        {"dt", CimType::DateTime}, {"c16", CimType::Char16}, {"ref", CimType::Reference}, {"obj", CimType::Object},
    };
    for (const auto& [k, v] : kTypes)
        if (k == t) return v;
    return CimType::Unknown;
}

}  // namespace

// Open-addressing table from a property name (any case) to its slot. The
// hash looks at the length and three letters only: cheap, and the probe
// confirms with a comparison, exact first since callers mostly use the
// schema's own spelling.
class detail::SlotIndex {
public:
    explicit SlotIndex(const ClassDef& def) : def_(&def) {
        std::size_t size = 16;
        while (size < def.properties.size() * 4) size *= 2;
        table_.assign(size, -1);
        mask_ = size - 1;
        for (std::size_t i = 0; i < def.properties.size(); ++i) {
            std::size_t h = hash(def.properties[i].name) & mask_;
            while (table_[h] >= 0) h = (h + 1) & mask_;
            table_[h] = static_cast<std::int32_t>(i);
        }
    }
    int find(std::string_view name) const noexcept {
        std::size_t h = hash(name) & mask_;
        for (;;) {
            const std::int32_t slot = table_[h];
            if (slot < 0) return -1;
            const std::string& n = def_->properties[static_cast<std::size_t>(slot)].name;
            if (n.size() == name.size() && (n == name || text::iequals(n, name))) return slot;
            h = (h + 1) & mask_;
        }
    }

private:
    static std::size_t hash(std::string_view s) noexcept {
        const std::size_t n = s.size();
        if (n == 0) return 0;
        auto low = [](char c) { return static_cast<std::size_t>(static_cast<unsigned char>(c) | 0x20); };
        return n * 0x9E3779B97F4A7C15ull ^ low(s[0]) * 0x85EBCA77u ^ low(s[n - 1]) * 0xC2B2AE3Du ^
               low(s[n / 2]) * 0x27D4EB2Fu;
    }

    const ClassDef* def_;
    std::vector<std::int32_t> table_;
    std::size_t mask_ = 0;
};

namespace {
using detail::SlotIndex;

struct Schema {
    std::vector<ClassDef> classes;
    std::vector<SlotIndex> indexes;  // parallel to classes

    Schema() {
        classes.reserve(std::size(kClasses));
        for (const ClassText& c : kClasses) {
            ClassDef def;
            def.name = c.name;
            def.superclass = c.superclass;
            std::string_view rest = c.properties;
            while (!rest.empty()) {
                const std::size_t end = std::min(rest.find(' '), rest.size());
                std::string_view item = rest.substr(0, end);
                rest.remove_prefix(std::min(end + 1, rest.size()));
                if (item.empty()) continue;
                const std::size_t colon = item.find(':');
                PropertyDef p;
                p.name = std::string(item.substr(0, colon));
                std::string_view type = item.substr(colon + 1);
                if (type.size() > 2 && type.substr(type.size() - 2) == "[]") {
                    p.array = true;
                    type.remove_suffix(2);
                }
                p.type = typeOf(type);
                def.properties.push_back(std::move(p));
            }
            classes.push_back(std::move(def));
        }
        indexes.reserve(classes.size());
        for (const ClassDef& d : classes) indexes.emplace_back(d);
    }

    // The index of a built-in class, found by address.
    const SlotIndex* indexOf(const ClassDef* d) const noexcept {
        if (classes.empty() || d < classes.data() || d >= classes.data() + classes.size()) return nullptr;
        return &indexes[static_cast<std::size_t>(d - classes.data())];
    }
};

const Schema& schema() {
    static const Schema s;
    return s;
}

}  // namespace

const detail::SlotIndex* detail::indexFor(const ClassDef* def) noexcept {
    return def ? schema().indexOf(def) : nullptr;
}
int detail::slotIn(const SlotIndex* index, std::string_view name) noexcept { return index->find(name); }

const PropertyDef* ClassDef::property(std::string_view n) const {
    if (const SlotIndex* ix = schema().indexOf(this)) {
        const int slot = ix->find(n);
        return slot < 0 ? nullptr : &properties[static_cast<std::size_t>(slot)];
    }
    for (const PropertyDef& p : properties)
        if (text::iequals(p.name, n)) return &p;
    return nullptr;
}

const ClassDef* knownClass(std::string_view name) {
    for (const ClassDef& c : schema().classes)
        if (text::iequals(c.name, name)) return &c;
    return nullptr;
}

const std::vector<std::string>& programClasses() {
    // CIM_PhysicalMemory is read through its concrete subclass, so that a
    // dump holds the objects under the class they belong to.
    static const std::vector<std::string> list = [] {
        std::vector<std::string> v;
        for (const ClassText& c : kClasses)
            if (std::string_view(c.name) != "CIM_PhysicalMemory") v.emplace_back(c.name);
        return v;
    }();
    return list;
}

std::vector<std::string> subclassesOf(std::string_view className) {
    std::vector<std::string> out;
    for (const ClassDef& c : schema().classes) {
        // Walk up the chain; the schema is small and has no cycles.
        const ClassDef* up = &c;
        for (int guard = 0; up && !up->superclass.empty() && guard < 16; ++guard) {
            if (text::iequals(up->superclass, className)) {
                out.push_back(c.name);
                break;
            }
            up = knownClass(up->superclass);
        }
    }
    return out;
}

bool isNumericType(CimType t) noexcept {
    switch (t) {
    case CimType::SInt8:
    case CimType::UInt8:
    case CimType::SInt16:
    case CimType::UInt16:
    case CimType::SInt32:
    case CimType::UInt32:
    case CimType::SInt64:
    case CimType::UInt64:
    case CimType::Real32:
    case CimType::Real64:
    case CimType::Char16: return true;
    default: return false;
    }
}

}  // namespace tq::wmi
