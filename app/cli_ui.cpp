#include "app/cli_ui.h"

#include <algorithm>
#include <utility>

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

namespace {

// Characters that change how a line reads without showing themselves: the
// invisible format characters (bidirectional controls, zero-width ones,
// the byte-order mark, the soft hyphen, tags) and the line and paragraph
// separators.
constexpr std::pair<char32_t, char32_t> kInvisible[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
    {0x2060, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool invisible(char32_t c) {
    for (const auto& [first, last] : kInvisible)
        if (c >= first && c <= last) return true;
    return false;
}

// The code point of a well-formed UTF-8 sequence at `i` and its length;
// length 0 for anything else.
std::pair<char32_t, std::size_t> decodeAt(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? (b <= 0xEF ? 3 : 0) : b >= 0xC2 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return {0, 0};
    char32_t c = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return {0, 0};
        c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, n};
}

}  // namespace

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
        else if (c < 0x80) out += static_cast<char>(c);
        else if (const auto [cp, n] = decodeAt(text, i); n > 0 && ((cp >= 0x80 && cp <= 0x9F) || invisible(cp))) {
            // "\u202e", or "\U000e0001" beyond the first plane.
            const int digits = cp > 0xFFFF ? 8 : 4;
            out += digits == 8 ? "\\U" : "\\u";
            for (int k = digits - 1; k >= 0; --k) out += kHex[(cp >> (4 * k)) & 15];
            i += n - 1;
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
