#include "platform/windows/text.h"

#include "platform/codepage.h"

#include <string>

namespace tq::win {
namespace {

std::wstring toWide(UINT codePage, std::string_view s) {
    if (s.empty()) return {};
    const int n = ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

}  // namespace

std::wstring widen(std::string_view utf8) { return toWide(CP_UTF8, utf8); }

std::string narrow(std::wstring_view w) {
    if (w.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

namespace {
// Western Windows: the program's own table of the code page, which keeps the
// five bytes the code page leaves undefined both ways, whatever the system's
// conversion does with them.
bool westernCodePage() { return ::GetACP() == 1252; }
}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
    if (westernCodePage()) return platform::utf8ToCp1252(utf8);
    std::wstring w = widen(utf8);
    if (w.empty()) return {};
    // A character outside the Basic Multilingual Plane is one character, not
    // two: fold each surrogate pair into a single unmappable code unit first.
    std::wstring folded;
    folded.reserve(w.size());
    for (std::size_t i = 0; i < w.size(); ++i) {
        const wchar_t c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            folded += L'?';
            ++i;
        } else {
            folded += c;
        }
    }
    // No best-fit mapping: a character the code page lacks is "?", never a
    // look-alike letter.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char fallback = '?';
    const int n = ::WideCharToMultiByte(CP_ACP, flags, folded.data(), static_cast<int>(folded.size()), nullptr, 0,
                                        &fallback, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, folded.data(), static_cast<int>(folded.size()), s.data(), n, &fallback,
                          nullptr);
    return s;
}

std::string ansiToUtf8(std::string_view ansi) {
    if (westernCodePage()) return platform::cp1252ToUtf8(ansi);
    return narrow(toWide(CP_ACP, ansi));
}

std::string systemMessage(DWORD error, HMODULE module) {
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    // Language 0: the thread's, the user's, then the system's, as Windows picks.
    const DWORD n = ::FormatMessageW(flags, module, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words = n ? std::wstring(text, n) : std::wstring();
    if (text) ::LocalFree(text);
    // One line: the texts end in a line break and some hold one inside.
    for (wchar_t& c : words)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!words.empty() && words.back() == L' ') words.pop_back();
    std::string out = narrow(words);
    return (out.empty() ? "Unknown failure" : out) + " (" + std::to_string(error) + ")";
}

std::string fromBstr(BSTR b) {
    if (!b) return {};
    return narrow(std::wstring_view(b, ::SysStringLen(b)));
}

Bstr::Bstr(std::string_view utf8) {
    const std::wstring w = widen(utf8);
    b_ = ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

}  // namespace tq::win
