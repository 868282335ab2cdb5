// Owners for COM resources and the one-time COM set-up of the program's
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include <windows.h>
#include <oleauto.h>

namespace tq::win {

// Holds one interface reference; releases it when replaced or destroyed.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For functions that return a new reference through T**.
    T** out() noexcept {
        reset();
        return &p_;
    }
    void** outVoid() noexcept { return reinterpret_cast<void**>(out()); }

private:
    T* p_ = nullptr;
};

// Owns one VARIANT.
class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() noexcept { return &v_; }
    const VARIANT& operator*() const noexcept { return v_; }
    VARIANT* out() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// Initialises COM for the calling thread (single-threaded apartment, as the
// windows need it) and the process's default call security, once. Later
// calls do nothing. Returns the status of the initialisation.
HRESULT ensureCom();

// The text the system has for a status code: the management service's own
// text for its codes, the system's message text otherwise; "" when neither
// knows the code. Trailing line ends are removed.
std::string describeHresult(HRESULT hr);

// Throws the service failure for a status code, with describeHresult's text
// (or the program's own wording when the system has none).
[[noreturn]] void raiseHresult(HRESULT hr);

}  // namespace tq::win
