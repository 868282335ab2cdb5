#include "platform/windows/com.h"

#include <objbase.h>
#include <wbemcli.h>

#include <cstdio>

#include "platform/windows/text.h"
#include "wmi/ascii.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

struct Apartment {
    HRESULT status = E_FAIL;
    bool owned = false;
    Apartment() {
        status = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        owned = SUCCEEDED(status);
        // Another part of the program may have chosen the multithreaded
        // apartment first; COM is usable all the same.
        if (status == RPC_E_CHANGED_MODE) status = S_OK;
        if (FAILED(status)) return;
        // Calls to the service identify and impersonate the caller, as the
        // monikers ask; a process that set its security already keeps it.
        const HRESULT sec = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                                   RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        (void)sec;  // RPC_E_TOO_LATE when set already
    }
    ~Apartment() {
        if (owned) ::CoUninitialize();
    }
};

// A text that only restates the code in hexadecimal ("Error code:
// 0x80041017") describes nothing.
bool restatesCode(const std::string& text, std::uint32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(code));
    return ascii::lower(text).find(hex) != std::string::npos;
}

std::string trimLineEnds(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

std::string systemMessage(HRESULT hr, HMODULE module) {
    wchar_t* buf = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                  (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    const DWORD n =
        ::FormatMessageW(flags, module, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text;
    if (n && buf) text = narrow(std::wstring_view(buf, n));
    if (buf) ::LocalFree(buf);
    return trimLineEnds(std::move(text));
}

}  // namespace

HRESULT ensureCom() {
    static Apartment apartment;
    return apartment.status;
}

std::string describeHresult(HRESULT hr) {
    const auto code = static_cast<std::uint32_t>(hr);
    if ((code & 0xFFFF0000u) == 0x80040000u || (code & 0xFFFF0000u) == 0x00040000u) {
        ensureCom();
        ComPtr<IWbemStatusCodeText> status;
        if (SUCCEEDED(::CoCreateInstance(CLSID_WbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWbemStatusCodeText, status.outVoid()))) {
            Bstr text;
            if (SUCCEEDED(status->GetErrorCodeText(hr, 0, 0, text.out())) && text.get() && *text.get()) {
                std::string t = trimLineEnds(text.utf8());
                if (!restatesCode(t, code)) return t;
            }
        }
        if (HMODULE wmiutils = ::GetModuleHandleW(L"wmiutils.dll")) {
            std::string text = systemMessage(hr, wmiutils);
            if (!text.empty() && !restatesCode(text, code)) return text;
        }
    }
    std::string text = systemMessage(hr, nullptr);
    return restatesCode(text, code) ? std::string() : text;
}

void raiseHresult(HRESULT hr) {
    const auto code = static_cast<std::uint32_t>(hr);
    std::string text = describeHresult(hr);
    if (text.empty()) text = fail::describeService(code);
    fail::raiseService(code, std::move(text));
}

}  // namespace tq::win
