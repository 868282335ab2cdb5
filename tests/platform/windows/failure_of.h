// The failure a call raises, and its number (0 when it raises none).
#pragma once

#include <functional>

#include "wmi/failure.h"

namespace tq::win {

inline Failure failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.failure();
    }
    return {};
}
inline std::int32_t numberOf(const std::function<void()>& f) { return failureOf(f).number; }

}  // namespace tq::win
