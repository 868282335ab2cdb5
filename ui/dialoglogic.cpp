#include "ui/dialoglogic.h"

#include <cmath>
#include <cstdio>

#include "platform/seams.h"
#include "probes/reportrun.h"
#include "report/html.h"
#include "report/main.h"
#include "wmi/failure.h"
#include "wmi/trap.h"

namespace tq::ui {
namespace {

constexpr std::uint32_t kKeyAccess = 0x2003F;  // read control and all key-specific rights
constexpr std::uint32_t kTypeString = 1;
constexpr std::uint32_t kTypeNumber = 4;

// Length in bytes of the UTF-8 sequence that starts with `lead`.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

bool isReservedNameChar(char32_t c) noexcept {
    return c < 0x80 && kReservedNameChars.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string withoutReservedNameChars(std::string_view designation) {
    std::string out;
    out.reserve(designation.size());
    for (std::size_t i = 0; i < designation.size();) {
        const std::size_t n =
            std::min(sequenceLength(static_cast<unsigned char>(designation[i])), designation.size() - i);
        if (n != 1 || !isReservedNameChar(static_cast<unsigned char>(designation[i])))
            out.append(designation.substr(i, n));
        i += n;
    }
    return out;
}

bool acceptDesignation(probes::ReportRunner& reports, const std::string& designation) {
    platform::Platform& platform = reports.platform();
    if (designation.empty()) {
        platform.ui->messageBox("Bitte das Feld Bezeichnung ausf\xC3\xBCllen", report::kStyleCritical,
                                std::string(report::kAppTitle));
        return false;
    }
    report::gStrFileName = designation + ".htm";
    // A file that cannot be created is not fatal here: the run reports it.
    trap::Trap t;  // the run reports a file it cannot find
    t.step([&] { platform.files->createTextFile(report::reportPath(*platform.files))->close(); });
    reports.run();
    return true;
}

void storeComment(std::string comment) { report::gStrComment = report::EncodeUmlauts(comment); }

std::string versionText(const std::string& version) {
    const std::string v = version.empty() ? std::string("Version  4") : version;
    // The notice is short enough to stay on the version's line in the box.
    return v + std::string(31, ' ') + "(c) Tallyquest" + "\r\n\r\n" + "Hardware inventory and service tools" + "\r\n" +
           "Tallyquest project, tallyquest.invalid";
}

bool GetKeyValue(platform::Platform& platform, std::uint32_t keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal) {
    if (!platform.registry) {  // a platform without one
        keyVal.clear();
        return false;
    }
    auto& registry = *platform.registry;
    std::uintptr_t key = 0;
    bool opened = false;
    if (registry.openKey(keyRoot, keyName, kKeyAccess, key) == 0) {
        opened = true;
        std::string buffer(1024, '\0');
        std::uint32_t size = 1024;
        std::uint32_t type = 0;
        if (registry.queryValue(key, subKeyRef, type, buffer, size) == 0) {
            if (size == 0 || size > buffer.size()) {
                registry.closeKey(key);
                fail::raise(fail::kInvalidArgument);
            }
            // Cut at the terminating NUL that the size counts, if there is one.
            const std::string value = buffer[size - 1] == '\0' ? buffer.substr(0, size - 1) : buffer.substr(0, size);
            if (type == kTypeString) {
                keyVal = value;
            } else if (type == kTypeNumber) {
                // The bytes, last one first, read as one hexadecimal number.
                std::uint64_t n = 0;
                for (auto it = value.rbegin(); it != value.rend(); ++it) n = (n << 8) | static_cast<unsigned char>(*it);
                keyVal = std::to_string(n);
            }
            registry.closeKey(key);
            return true;
        }
    }
    keyVal.clear();
    if (opened) registry.closeKey(key);
    return false;
}

void StartSysInfo(platform::Platform& platform) {
    try {
        std::string path;
        if (GetKeyValue(platform, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path)) {
            platform.shell->launch(path);
            return;
        }
        if (GetKeyValue(platform, kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path)) {
            path += "\\MSINFO32.EXE";
            if (!platform.shell->firstMatch(path).empty()) {
                platform.shell->launch(path);
                return;
            }
        }
    } catch (const std::exception&) {
        // Any failure on the way ends in the message below.
    }
    platform.ui->messageBox("System Information Is Unavailable At This Time", report::kStyleOk,
                            std::string(report::kAppTitle));
}

ProgressFigure progressFigure(std::int32_t percent) {
    constexpr std::int32_t width = 100;  // the bar's scale width
    if (width < percent) percent = width;
    // Rounded half to even, as the number conversion of the runtime does.
    const double shown = std::nearbyint(static_cast<double>(percent) / width * 100);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.0f", shown);
    return {percent, std::string(digits) + "%"};
}

}  // namespace tq::ui
