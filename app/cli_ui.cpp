#include "app/cli_ui.h"

#include <algorithm>

#if defined(_WIN32)
#include <io.h>
#define TQ_ISATTY _isatty
#define TQ_FILENO _fileno
#else
#include <unistd.h>
#define TQ_ISATTY isatty
#define TQ_FILENO fileno
#endif

namespace tq::app {

CliUi::CliUi(bool vga, bool audio, bool lan)
    : vga_(vga), audio_(audio), lan_(lan), tty_(TQ_ISATTY(TQ_FILENO(stderr)) != 0) {}

void CliUi::messageBox(const std::string& prompt, int, const std::string&) {
    if (progressOpen_ && tty_) std::fputs("\r\x1b[K", stderr);
    messages_.push_back(prompt);
    std::fprintf(stderr, "%s\n", prompt.c_str());
    std::fflush(stderr);
}

void CliUi::progressCreate() { progressOpen_ = true; }

void CliUi::progressSetStatus(const std::string& text) {
    if (tty_) std::fprintf(stderr, "%s\n", text.c_str());
}

void CliUi::progressUpdate(std::int32_t percent) {
    if (!tty_) return;
    const int shown = std::min<std::int32_t>(percent, 100);
    const int width = 40;
    const int filled = std::max(0, shown) * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), shown);
    std::fflush(stderr);
}

void CliUi::progressClose() {
    if (progressOpen_ && tty_) std::fputs("\n", stderr);
    progressOpen_ = false;
}

bool CliUi::onboardTicked(platform::OnboardBox box) {
    switch (box) {
    case platform::OnboardBox::Vga: return vga_;
    case platform::OnboardBox::Audio: return audio_;
    case platform::OnboardBox::Lan: return lan_;
    }
    return false;
}

}  // namespace tq::app
