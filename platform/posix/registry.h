// The registry on POSIX systems: a small stand-in that knows only the two
// entries through which the about box finds the system information tool,
// answered with a system information program found on the search path.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/seams.h"

namespace tq::posix {

class StandInRegistry final : public platform::Registry {
public:
    // `searchPath` is a PATH-style list of folders; `programs` the names
    // looked for, in order of preference.
    StandInRegistry(std::string searchPath, std::vector<std::string> programs);

    long openKey(std::uint32_t root, const std::string& path, std::uint32_t access, std::uintptr_t& handle) override;
    long queryValue(std::uintptr_t handle, const std::string& name, std::uint32_t& type, std::string& buffer,
                    std::uint32_t& size) override;
    long closeKey(std::uintptr_t handle) override;

    // The full path of the first program found, or "".
    std::string findProgram() const;

private:
    struct OpenKey {
        std::string name;   // value name answered
        std::string value;  // its text
    };
    std::string searchPath_;
    std::vector<std::string> programs_;
    std::map<std::uintptr_t, OpenKey> open_;
    std::uintptr_t next_ = 1;
};

}  // namespace tq::posix
