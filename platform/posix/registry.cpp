#include "platform/posix/registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "wmi/ascii.h"

namespace tq::posix {
namespace {

constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;
constexpr long kMoreData = 234;
constexpr std::uint32_t kTypeString = 1;

bool isProgram(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

StandInRegistry::StandInRegistry(std::string searchPath, std::vector<std::string> programs)
    : searchPath_(std::move(searchPath)), programs_(std::move(programs)) {}

std::string StandInRegistry::findProgram() const {
    for (const std::string& program : programs_) {
        std::size_t start = 0;
        while (start <= searchPath_.size()) {
            std::size_t colon = searchPath_.find(':', start);
            if (colon == std::string::npos) colon = searchPath_.size();
            std::string folder = searchPath_.substr(start, colon - start);
            if (folder.empty()) folder.assign(1, '.');
            const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + program;
            if (isProgram(candidate)) return candidate;
            start = colon + 1;
        }
    }
    return {};
}

long StandInRegistry::openKey(std::uint32_t root, const std::string& path, std::uint32_t, std::uintptr_t& handle) {
    if (root != kHkeyLocalMachine) return kFileNotFound;
    // Looked up at each opening, so that a tool installed meanwhile is found.
    const std::string program = findProgram();
    if (program.empty()) return kFileNotFound;
    OpenKey key;
    if (ascii::iequals(path, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")) {
        key = {"PATH", program};
    } else if (ascii::iequals(path, "SOFTWARE\\Microsoft\\Shared Tools Location")) {
        key = {"MSINFO", folderOf(program)};
    } else {
        return kFileNotFound;
    }
    handle = next_++;
    open_.emplace(handle, std::move(key));
    return kSuccess;
}

long StandInRegistry::queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type,
                                 std::string& buffer, std::uint32_t& size) {
    auto it = open_.find(handle);
    if (it == open_.end()) return kInvalidHandle;
    if (!ascii::iequals(name, it->second.name)) return kFileNotFound;
    // A string value is stored with its terminating NUL, which the size counts.
    const std::string& value = it->second.value;
    const auto needed = static_cast<std::uint32_t>(value.size() + 1);
    type = kTypeString;
    if (size < needed || buffer.size() < needed) {
        size = needed;
        return kMoreData;
    }
    buffer.replace(0, value.size(), value);
    buffer[value.size()] = '\0';
    size = needed;
    return kSuccess;
}

long StandInRegistry::closeKey(std::uintptr_t handle) { return open_.erase(handle) ? kSuccess : kInvalidHandle; }

}  // namespace tq::posix
