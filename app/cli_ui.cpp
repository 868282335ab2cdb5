#include "app/cli_ui.h"

#include <algorithm>

#include "report/html.h"

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

std::string oneLine(std::string_view text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            const auto d = static_cast<unsigned char>(text[++i]);
            out += std::string("\\u00") + kHex[d >> 4] + kHex[d & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

CliUi::CliUi(bool vga, bool audio, bool lan)
    : vga_(vga), audio_(audio), lan_(lan), tty_(TQ_ISATTY(TQ_FILENO(stderr)) != 0) {}

void CliUi::messageBox(const std::string& prompt, int style, const std::string&) {
    if (progressOpen_ && tty_) std::fputs("\r\x1b[K", stderr);
    messages_.push_back(prompt);
    if (quiet_ && style != report::kStyleCritical) return;
    if (keepSavedLine_ && prompt.rfind("The file is saved on ", 0) == 0) return;
    std::fprintf(stderr, "%s\n", oneLine(prompt).c_str());
    std::fflush(stderr);
}

void CliUi::progressCreate() { progressOpen_ = true; }

void CliUi::progressSetStatus(const std::string& text) {
    if (tty_) std::fprintf(stderr, "%s\n", oneLine(text).c_str());
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
