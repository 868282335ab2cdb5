// The dialogs' own procedures without any window toolkit: the report-name
// dialog's filter and OK, the comment dialog's OK, the about box's version
// text and its start of the system information tool, and the arithmetic of
// the progress bar.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/seams.h"
#include "probes/reportrun.h"

namespace tq::ui {

// The nine characters a designation may not hold: they would place the
// report outside the program's folder or make no valid file name.
inline constexpr std::string_view kReservedNameChars = "\\/:*?<>|\"";
bool isReservedNameChar(char32_t c) noexcept;
// The designation with every reserved character dropped (UTF-8 in and out).
std::string withoutReservedNameChars(std::string_view designation);

// OK of the report-name dialog: refuses an empty designation with its
// message (false: the caller puts the focus back), otherwise stores the file
// name, creates the empty report file and runs the report (true).
bool acceptDesignation(probes::ReportRunner& reports, const std::string& designation);

// OK of the comment dialog: stores the comment converted by EncodeUmlauts.
void storeComment(std::string comment);

// The about box's version text ("Version  4" when `version` is empty).
std::string versionText(const std::string& version);
inline constexpr std::string_view kAboutVersion = "Version  3.4.11";

// Reads one registry value as text; false (and an empty text) when the key
// cannot be opened or the value not read. Throws Error when the value comes
// back without any content to cut.
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
bool GetKeyValue(platform::Platform& platform, std::uint32_t keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal);
// Starts the system information tool, or says that it is unavailable.
void StartSysInfo(platform::Platform& platform);

// The progress bar: the percentage clamped to the bar's 100 units and the
// text printed in its middle.
struct ProgressFigure {
    std::int32_t percent;  // at most 100, no lower bound
    std::string text;      // e.g. "57%"
};
ProgressFigure progressFigure(std::int32_t percent);

}  // namespace tq::ui
