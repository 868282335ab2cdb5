// The user interface of the headless program: message boxes become lines on
// standard error, the progress shows on standard error when it is a
// terminal, and the on-board choices come from the command line.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/seams.h"

namespace tq::app {

// A message as one line of a terminal: control characters (C0, DEL and the
// C1 range) and the invisible format characters (bidirectional controls,
// zero-width characters, U+2028, U+2029) shown escaped ("\n", "\x1b",
// "\u009b", "\u202e"), everything else as it is.
std::string oneLine(std::string_view text);

class CliUi final : public platform::UserInterface {
public:
    CliUi(bool vga, bool audio, bool lan);

    void messageBox(const std::string& prompt, int style, const std::string& title) override;
    void setMousePointer(int) override {}
    void progressCreate() override;
    void progressSetCaption(const std::string&) override {}
    void progressVisiblePicture(std::uint32_t, std::uint32_t, bool) override {}
    void progressSetStatus(const std::string& text) override;
    void progressShow() override {}
    void progressUpdate(std::int32_t percent) override;
    void progressClose() override;
    std::uintptr_t mainWindowHandle() override { return 0; }
    void closeMainWindow() override { mainClosed_ = true; }
    void closeReportNameDialog() override {}
    bool onboardTicked(platform::OnboardBox box) override;

    // -q: no progress, and on standard error only the messages of failures.
    void setQuiet(bool quiet) noexcept {
        quiet_ = quiet;
        if (quiet) tty_ = false;
    }
    // The report goes elsewhere than the file it was made in: its
    // "The file is saved on" line is the program's to say.
    void setKeepSavedLine(bool keep) noexcept { keepSavedLine_ = keep; }

    const std::vector<std::string>& messages() const noexcept { return messages_; }
    bool mainClosed() const noexcept { return mainClosed_; }

private:
    bool vga_, audio_, lan_;
    bool tty_;
    bool progressOpen_ = false;
    bool mainClosed_ = false;
    bool quiet_ = false;
    bool keepSavedLine_ = false;
    std::vector<std::string> messages_;
};

}  // namespace tq::app
