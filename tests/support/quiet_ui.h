// A user interface that answers at once, for whole report runs outside the
// tests (benchmarks, fuzz targets): every on-board box ticked, every message
// box closed right away and counted, the main window's closing noted.
// Free of the test framework.
#pragma once

#include <cstdint>
#include <string>

#include "platform/seams.h"

namespace tq::testing {

class QuietUi final : public platform::UserInterface {
public:
    int messages = 0;
    bool closed = false;
    void messageBox(const std::string&, int, const std::string&) override { ++messages; }
    void setMousePointer(int) override {}
    void progressCreate() override {}
    void progressSetCaption(const std::string&) override {}
    void progressVisiblePicture(std::uint32_t, std::uint32_t, bool) override {}
    void progressSetStatus(const std::string&) override {}
    void progressShow() override {}
    void progressUpdate(std::int32_t) override {}
    void progressClose() override {}
    std::uintptr_t mainWindowHandle() override { return 0; }
    void closeMainWindow() override { closed = true; }
    void closeReportNameDialog() override {}
    bool onboardTicked(platform::OnboardBox) override { return true; }
};

}  // namespace tq::testing
