// A shell that opens no document, so that automation and tools never start
// a viewer; starting programs and matching files go to the real shell.
#pragma once

#include "platform/seams.h"

namespace tq::platform {

class QuietShell final : public Shell {
public:
    explicit QuietShell(Shell& inner) : inner_(inner) {}
    std::intptr_t execute(std::uintptr_t, const std::string&, const std::string&, const std::string&,
                          const std::string&, int) override {
        return 42;  // above 32: what the platform returns for success
    }
    void launch(const std::string& path) override { inner_.launch(path); }
    std::string firstMatch(const std::string& path) override { return inner_.firstMatch(path); }

private:
    Shell& inner_;
};

}  // namespace tq::platform
