#include "platform/windows/wmi_com.h"

#include <objbase.h>
#include <wbemcli.h>

#include <algorithm>
#include <map>
#include <memory>

#include "platform/windows/com.h"
#include "platform/windows/moniker.h"
#include "wmi/ascii.h"
#include "platform/monitors.h"
#include "platform/windows/win32.h"
#include "platform/windows/programs.h"
#include "platform/windows/text.h"
#include "platform/windows/variant.h"
#include "wmi/failure.h"

namespace tq::win {
namespace {

void check(HRESULT hr) {
    if (FAILED(hr)) raiseHresult(hr);
}

class ComObject final : public wmi::Object {
public:
    explicit ComObject(ComPtr<IWbemClassObject> obj) : obj_(std::move(obj)) {}

    const Value& get(std::string_view name) const override {
        const std::string key = ascii::lower(name);
        if (auto it = cache_.find(key); it != cache_.end()) return it->second;
        const std::wstring wide = widen(name);
        Variant v;
        const HRESULT hr = obj_->Get(wide.c_str(), 0, v.out(), nullptr, nullptr);
        // A property the class lacks is the caller's failure, as reading a
        // missing member of a scripting object is.
        if (hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND)) fail::raise(fail::kNotSupported);
        check(hr);
        return cache_.emplace(key, toValue(*v)).first->second;
    }

    // As get(), but a property the class lacks, or one that cannot be read,
    // is nothing rather than a failure.
    const Value* find(std::string_view name) const override {
        const std::string key = ascii::lower(name);
        if (auto it = cache_.find(key); it != cache_.end()) return &it->second;
        const std::wstring wide = widen(name);
        Variant v;
        if (FAILED(obj_->Get(wide.c_str(), 0, v.out(), nullptr, nullptr))) return nullptr;
        return &cache_.emplace(key, toValue(*v)).first->second;
    }

    std::vector<std::string> names() const override {
        std::vector<std::string> out;
        SAFEARRAY* sa = nullptr;
        if (FAILED(obj_->GetNames(nullptr, WBEM_FLAG_ALWAYS | WBEM_FLAG_NONSYSTEM_ONLY, nullptr, &sa)) || !sa)
            return out;
        LONG lo = 0, hi = -1;
        ::SafeArrayGetLBound(sa, 1, &lo);
        ::SafeArrayGetUBound(sa, 1, &hi);
        for (LONG i = lo; i <= hi; ++i) {
            BSTR name = nullptr;
            if (SUCCEEDED(::SafeArrayGetElement(sa, &i, &name))) {
                out.push_back(fromBstr(name));
                ::SysFreeString(name);
            }
        }
        ::SafeArrayDestroy(sa);
        return out;
    }

    std::string className() const override {
        Variant v;
        if (FAILED(obj_->Get(L"__CLASS", 0, v.out(), nullptr, nullptr)) || (*v).vt != VT_BSTR) return {};
        return fromBstr((*v).bstrVal);
    }

    // The same service object, referenced once more: it stays valid after
    // the walk has moved on, as a run keeps its results.
    std::shared_ptr<const wmi::Object> keep() const override {
        obj_->AddRef();
        ComPtr<IWbemClassObject> again;
        *again.out() = obj_.get();
        return std::make_shared<ComObject>(std::move(again));
    }

private:
    ComPtr<IWbemClassObject> obj_;
    mutable std::map<std::string, Value> cache_;
};

class ComCollection final : public wmi::Collection {
public:
    explicit ComCollection(ComPtr<IEnumWbemClassObject> e) : enum_(std::move(e)) {}
    // A result whose walk fails at its start with `failure`.
    explicit ComCollection(HRESULT failure) : failure_(failure) {}

    const wmi::Object* next() override {
        current_.reset();
        if (FAILED(failure_)) raiseHresult(failure_);
        if (done_) return nullptr;
        ComPtr<IWbemClassObject> obj;
        ULONG returned = 0;
        const HRESULT hr = enum_->Next(static_cast<LONG>(WBEM_INFINITE), 1, obj.out(), &returned);
        if (FAILED(hr)) raiseHresult(hr);
        if (returned == 0 || !obj) {
            done_ = true;
            return nullptr;
        }
        current_ = std::make_unique<ComObject>(std::move(obj));
        return current_.get();
    }

private:
    ComPtr<IEnumWbemClassObject> enum_;
    std::unique_ptr<ComObject> current_;
    HRESULT failure_ = S_OK;
    bool done_ = false;
};

class ComService final : public wmi::Service {
public:
    ComService(ComPtr<IWbemServices> svc, Moniker m) : svc_(std::move(svc)), moniker_(std::move(m)) {
        applyBlanket(svc_.get());
    }

    std::unique_ptr<wmi::Collection> execQuery(std::string_view query, std::string_view language, int flags) override {
        Bstr lang(language);
        Bstr text(query);
        ComPtr<IEnumWbemClassObject> result;
        const HRESULT hr = svc_->ExecQuery(lang.get(), text.get(), flags, nullptr, result.out());
        if (FAILED(hr)) {
            // Asked to return immediately, the service reports a rejected
            // query when the walk starts, as its scripting interface does;
            // some services (Wine's) answer at once instead.
            if (!(flags & wmi::kReturnImmediately)) raiseHresult(hr);
            return std::make_unique<ComCollection>(hr);
        }
        applyBlanket(result.get());
        return std::make_unique<ComCollection>(std::move(result));
    }

    // Calls through a proxy carry the moniker's impersonation level; an
    // object served in-process has no proxy to set, which is no failure.
    void applyBlanket(IUnknown* p) const {
        if (!p) return;
        ::CoSetProxyBlanket(p, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                            moniker_.authentication, moniker_.impersonation, nullptr, EOAC_DEFAULT);
    }

private:
    ComPtr<IWbemServices> svc_;
    Moniker moniker_;
};

}  // namespace

wmi::ServicePtr bindMoniker(std::string_view text) {
    std::optional<Moniker> m = parseMoniker(text);
    if (!m) raiseHresult(MK_E_SYNTAX);
    if (!m->objectPath.empty()) fail::raise(fail::kNotSupported);
    check(ensureCom());

    ComPtr<IWbemLocator> locator;
    check(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.outVoid()));
    Bstr path(m->connectPath());
    Bstr locale(m->locale);
    Bstr authority(m->authority);
    ComPtr<IWbemServices> svc;
    check(locator->ConnectServer(path.get(), nullptr, nullptr, m->locale.empty() ? nullptr : locale.get(), 0,
                                 m->authority.empty() ? nullptr : authority.get(), nullptr, svc.out()));
    auto service = std::make_unique<ComService>(std::move(svc), *m);
    return service;
}

wmi::Binder makeComBinder() {
    // The registry holds no state of its own: one serves every binder.
    static WinRegistry registry;
    return [](std::string_view moniker) {
        return platform::withRegistryMonitors(withRegistryPrograms(bindMoniker(moniker), registry), registry);
    };
}

}  // namespace tq::win
