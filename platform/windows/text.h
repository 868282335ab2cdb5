// Text at the Win32 boundary: the program's UTF-8 against the wide text of
// COM and the "W" functions, and against the ANSI code page of the "A"
// functions and of the report and log files.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>
#include <oleauto.h>

namespace tq::win {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// UTF-8 to the ANSI code page; characters the code page cannot hold become
// "?" (one per character). Every byte of Windows-1252 round-trips.
std::string utf8ToAnsi(std::string_view utf8);
std::string ansiToUtf8(std::string_view ansi);

// A Win32 failure as a person reads it: the system's own text in the user's
// language, then the number in brackets ("Access is denied. (5)"). `module`
// names a library that brings its own texts (WinHTTP's), else the system's.
std::string systemMessage(DWORD error, HMODULE module = nullptr);

// A BSTR's full length (embedded NULs included) as UTF-8; a null BSTR is "".
std::string fromBstr(BSTR b);

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    explicit Bstr(const wchar_t* w) : b_(::SysAllocString(w)) {}
    ~Bstr() { ::SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            ::SysFreeString(b_);
            b_ = o.b_;
            o.b_ = nullptr;
        }
        return *this;
    }
    BSTR get() const noexcept { return b_; }
    BSTR* out() noexcept {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::string utf8() const { return fromBstr(b_); }

private:
    BSTR b_ = nullptr;
};

}  // namespace tq::win
