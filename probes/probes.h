// The section probes and the lookups they share. Each probe writes one
// report section (or, for some, none) to the report stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "report/stream.h"
#include "wmi/cimdate.h"
#include "wmi/run.h"
#include "wmi/value.h"

namespace tq::probes {

using report::ReportStream;

void WriteMotherboardSection(ReportStream& stream);
void WriteBiosSection(ReportStream& stream);
void WriteCpuSection(ReportStream& stream);
void WriteMemorySection(ReportStream& stream);
void WriteGraphicsSection(ReportStream& stream);
void WriteHddSection(ReportStream& stream);
void WriteRemovableDrivesSection(ReportStream& stream);
void WriteCdromSection(ReportStream& stream);
void WriteModemSection(ReportStream& stream);
void WriteKeyboardSection(ReportStream& stream);
void WriteMouseSection(ReportStream& stream);
void WriteMultimediaSection(ReportStream& stream);
void WriteOnboardSection(ReportStream& stream);
void WriteNetworkSection(ReportStream& stream);
void WriteSlotsSection(ReportStream& stream);
void WriteOsSection(ReportStream& stream);
void WritePerformanceRatingSection(ReportStream& stream);
void WriteHotfixSection(ReportStream& stream);
void WritePnpDriverSection(ReportStream& stream);
void WriteDefectiveHardwareSection(ReportStream& stream);
void WriteSignatureSection(ReportStream& stream);

// The DriverVersion of the first signed driver whose Description equals
// `name` exactly, or "". The lookups ask the caller's run and trap into it.
std::string GetDriverVersion(wmi::Run& run, const std::string& name);

// The volume name of a drive letter (without colon), or "". Failures stay
// pending for the caller.
std::string GetVolumeLabel(wmi::Run& run, const std::string& drive);

// The MAC address of the first network adapter named `name` (letter case
// ignored, as the service compares names), or "". Never leaves a failure
// pending.
std::string GetMacAddress(wmi::Run& run, const std::string& name);

// A date and time of day, as a management date text gives it.
using DateTime = cimdate::DateTime;
// Reads yyyymmddHHMMSS... as month/day/year hour:minute:second; a text that
// is shorter or forms no valid date fails with 13 (Type mismatch).
DateTime ConvertWmiDate(std::string_view wmiDate);
// The locale's short date, followed by its long time unless it is midnight.
std::string FormatDate(platform::Locale& locale, const DateTime& date);

// The firmware revision in a drive's device identifier: the 8 characters
// before the instance's "\" after the first 20, fill "_" as blanks. Fails
// when the identifier is not a text of at least 20 characters.
std::string FirmwareFromId(const Value& id);
// A disk's byte count as gigabytes, less 0.3, to one decimal: "249.8 GB"
// with "." as `separator`.
std::string DiskSizeGb(const Value& size, std::string_view separator);
// The name of a memory type code ("SDRAM ", "**Unknown**").
std::string MemoryTypeName(std::int32_t code);
// Bytes as whole megabytes, halfway to even.
std::int32_t CapacityMb(const Value& capacity);

}  // namespace tq::probes
